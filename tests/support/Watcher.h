#pragma once

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSet>
#include <QTemporaryDir>
#include <csignal>
#include <functional>

#include "tests/support/RealProgram.h"

// The real program's idle watcher (`luminodrift --watch SECONDS`) on a
// desktop of the test's own, seen from outside: the shows it starts are its
// child processes.
namespace ld::testing {

// Whether the process runs: one that ended but is not reaped yet is a
// zombie, gone for us.
inline bool ProcessAlive(qint64 pid) {
  QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
  if (!f.open(QIODevice::ReadOnly)) return false;
  const QByteArray stat = f.readAll();
  const int close = stat.lastIndexOf(')');
  return close > 0 && stat.size() > close + 2 && stat[close + 2] != 'Z';
}

class WatcherRun {
 public:
  // env: the desktop's variables (DISPLAY, WAYLAND_DISPLAY, the session
  // bus...) over the test's own environment; the show started by the watcher
  // inherits them.
  WatcherRun(const QProcessEnvironment& env, int delaySeconds) {
    process_.setProcessEnvironment(env);
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.start(ProgramPath(), {QStringLiteral("--watch"), QString::number(delaySeconds)});
  }
  ~WatcherRun() {
    if (process_.state() != QProcess::NotRunning) {
      process_.terminate();
      if (!process_.waitForFinished(10000)) process_.kill();
      process_.waitForFinished(5000);
    }
  }
  bool Started() { return process_.waitForStarted(5000); }
  QProcess& Process() { return process_; }

  // The watcher's children (the shows running now), recording each pid seen.
  QList<qint64> Shows() {
    QList<qint64> pids;
    const qint64 self = process_.processId();
    QFile f(QStringLiteral("/proc/%1/task/%1/children").arg(self));
    if (!f.open(QIODevice::ReadOnly)) return pids;
    // A show that has ended but that the watcher has not reaped yet is
    // still listed: it does not count.
    for (const QByteArray& p : f.readAll().split(' '))
      if (!p.trimmed().isEmpty() && ProcessAlive(p.trimmed().toLongLong()))
        pids << p.trimmed().toLongLong();
    for (qint64 p : pids) seen_.insert(p);
    if (pids.size() > most_) most_ = int(pids.size());
    return pids;
  }
  // The number of different shows seen so far, and the most seen at once.
  int ShowsSeen() const { return int(seen_.size()); }
  int MostAtOnce() const { return most_; }

  // Samples the shows every 100 ms for ms milliseconds; true when none ran
  // at any moment.
  bool NoShowFor(int ms, const std::function<void()>& meanwhile = {}) {
    QElapsedTimer t;
    t.start();
    bool none = true;
    while (t.elapsed() < ms) {
      if (meanwhile) meanwhile();
      none = none && Shows().isEmpty();
      QThread::msleep(100);
    }
    return none;
  }
  // Waits (at most timeoutMs) for a show to run; its pid, or 0.
  qint64 WaitForShow(int timeoutMs) {
    qint64 pid = 0;
    WaitFor(
        [&] {
          const QList<qint64> s = Shows();
          pid = s.isEmpty() ? 0 : s.first();
          return pid != 0;
        },
        timeoutMs);
    return pid;
  }
  // Waits for no show to run.
  bool WaitForNoShow(int timeoutMs) {
    return WaitFor([&] { return Shows().isEmpty(); }, timeoutMs);
  }

 private:
  QProcess process_;
  QSet<qint64> seen_;
  int most_ = 0;
};

// The environment of the watcher and its show: the test's own (temporary
// HOME and data directories) with the desktop's variables and no others.
inline QProcessEnvironment DesktopEnvironment(const QStringList& set) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE",
                        "DBUS_SESSION_BUS_ADDRESS", "XSCREENSAVER_WINDOW"})
    env.remove(QString::fromLatin1(v));
  for (const QString& kv : set) {
    const int eq = kv.indexOf(u'=');
    env.insert(kv.left(eq), kv.mid(eq + 1));
  }
  return env;
}

}  // namespace ld::testing

namespace ld::testing {

// A session bus of the test's own, for a compositor and its clients (a
// dbus-run-session would leave the compositor behind when it is ended).
class SessionBus {
 public:
  SessionBus() {
    process_.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--session"), QStringLiteral("--nofork"),
                    QStringLiteral("--print-address=1")});
    if (!process_.waitForStarted(5000)) return;
    WaitFor(
        [&] {
          process_.waitForReadyRead(100);
          address_ += QString::fromLatin1(process_.readAllStandardOutput());
          return address_.contains(u'\n') || process_.state() == QProcess::NotRunning;
        },
        10000);
    address_ = address_.trimmed();
  }
  ~SessionBus() {
    process_.terminate();
    process_.waitForFinished(5000);
  }
  bool Ok() const { return !address_.isEmpty(); }
  QString Env() const { return QStringLiteral("DBUS_SESSION_BUS_ADDRESS=") + address_; }
  const QString& Address() const { return address_; }

 private:
  QProcess process_;
  QString address_;
};

// A Wayland compositor started headless for one test file, with a runtime
// directory of its own; WaylandEnv() is what its clients need.
class Compositor {
 public:
  // asUser: run as another user (sway refuses root); the runtime directory
  // is then that user's.
  Compositor(const QString& program, const QStringList& args, const QStringList& env,
             int asUser = -1) {
    if (!runtime_.isValid()) return;
    if (asUser >= 0 &&
        ::chown(runtime_.path().toLocal8Bit().constData(), uid_t(asUser), gid_t(asUser)) != 0)
      return;
    QProcessEnvironment e;
    e.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
    e.insert(QStringLiteral("HOME"), runtime_.path());
    e.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime_.path());
    for (const QString& kv : env) e.insert(kv.section(u'=', 0, 0), kv.section(u'=', 1));
    process_.setProcessEnvironment(e);
    process_.setProcessChannelMode(QProcess::MergedChannels);
    if (asUser >= 0) {
      const QString id = QString::number(asUser);
      process_.start(QStringLiteral("setpriv"),
                     QStringList{QStringLiteral("--reuid=") + id, QStringLiteral("--regid=") + id,
                                 QStringLiteral("--clear-groups"), program} +
                         args);
    } else {
      process_.start(program, args);
    }
    if (!process_.waitForStarted(5000)) return;
    // Up when its socket is there.
    WaitFor(
        [&] {
          for (const QString& name : QDir(runtime_.path()).entryList(QDir::System))
            if (name.startsWith(QLatin1String("wayland-")) &&
                !name.endsWith(QLatin1String(".lock")))
              socket_ = name;
          return !socket_.isEmpty() || process_.state() == QProcess::NotRunning;
        },
        20000);
  }
  ~Compositor() {
    process_.terminate();
    if (!process_.waitForFinished(10000)) process_.kill();
    process_.waitForFinished(5000);
  }
  bool Ok() const { return !socket_.isEmpty(); }
  QString Log() { return QString::fromLocal8Bit(process_.readAll()); }
  QStringList WaylandEnv() const {
    return {QStringLiteral("XDG_RUNTIME_DIR=") + runtime_.path(),
            QStringLiteral("WAYLAND_DISPLAY=") + socket_};
  }
  // Runs the test client (mode "activity") to its end; its exit code.
  int Client(const QString& mode) const {
    QProcess p;
    p.setProcessEnvironment(DesktopEnvironment(WaylandEnv()));
    p.start(QStringLiteral(LD_WAYLAND_TEST_CLIENT), {mode});
    if (!p.waitForFinished(10000)) return -1;
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  }
  // Starts the test client's window holding an idle inhibitor; true once it
  // is shown.
  bool StartInhibitor(QProcess& p) const {
    p.setProcessEnvironment(DesktopEnvironment(WaylandEnv()));
    p.start(QStringLiteral(LD_WAYLAND_TEST_CLIENT), {QStringLiteral("inhibit")});
    return p.waitForReadyRead(10000) && p.readAll().contains("ready");
  }

 private:
  QTemporaryDir runtime_{QStringLiteral("/tmp/ld-compositor-XXXXXX")};
  QProcess process_;
  QString socket_;
};

// The watcher's course on a desktop, the same for every way of watching:
// input keeps the show away; after the delay with no input it starts; a
// second watcher refuses; an idle inhibitor keeps the next show away while it
// is held; a show that ends (endShow) or is killed is followed by another
// after the next idle period; one show at a time; SIGTERM ends the watcher
// and its show. env: the desktop's variables; input: one user input;
// inhibit/uninhibit: take and drop an idle inhibitor.
inline void CheckWatcherCourse(const QProcessEnvironment& env, const std::function<void()>& input,
                               const std::function<void()>& inhibit,
                               const std::function<void()>& uninhibit,
                               const std::function<void(qint64)>& endShow) {
  WatcherRun watcher(env, 2);
  ASSERT_TRUE(watcher.Started());
  // Input every 0.4 s keeps the desktop from being idle for 2 s.
  EXPECT_TRUE(watcher.NoShowFor(5000, [&] {
    input();
    QThread::msleep(300);
  })) << watcher.Process().readAll().toStdString();
  const qint64 first = watcher.WaitForShow(20000);
  ASSERT_NE(first, 0) << watcher.Process().readAll().toStdString();

  {
    WatcherRun second(env, 2);
    ASSERT_TRUE(second.Process().waitForFinished(15000));
    EXPECT_EQ(second.Process().exitCode(), 1);
    EXPECT_TRUE(QString::fromUtf8(second.Process().readAll()).contains(QStringLiteral("déjà")));
  }

  // The inhibitor is taken while the show runs; the show then ends.
  inhibit();
  endShow(first);
  ASSERT_TRUE(WaitFor([&] { return !ProcessAlive(first); }, 30000));
  EXPECT_TRUE(watcher.NoShowFor(5000)) << watcher.Process().readAll().toStdString();
  uninhibit();
  const qint64 second = watcher.WaitForShow(20000);
  ASSERT_NE(second, 0) << watcher.Process().readAll().toStdString();
  EXPECT_NE(second, first);

  ::kill(pid_t(second), SIGKILL);
  ASSERT_TRUE(watcher.WaitForNoShow(10000));
  const qint64 third = watcher.WaitForShow(20000);
  ASSERT_NE(third, 0) << watcher.Process().readAll().toStdString();
  EXPECT_EQ(watcher.MostAtOnce(), 1);

  watcher.Process().terminate();
  ASSERT_TRUE(watcher.Process().waitForFinished(15000));
  EXPECT_EQ(watcher.Process().exitCode(), 0) << watcher.Process().readAll().toStdString();
  EXPECT_TRUE(WaitFor([&] { return !ProcessAlive(third); }, 5000));
}

}  // namespace ld::testing
