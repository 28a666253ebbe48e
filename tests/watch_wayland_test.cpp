// The idle watcher on Wayland compositors started headless: sway 1.7
// (org_kde_kwin_idle only) and KWin (ext-idle-notify-v1, taken first). What
// is checked is when the watcher starts the show: on sway the show is a
// Wayland window that Esc ends (keys from wtype), under KWin it runs
// offscreen and SIGTERM ends it. The inhibitor is a window holding
// zwp_idle_inhibitor_v1.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <csignal>

#include "tests/support/Watcher.h"

using namespace ld::testing;

namespace {

void CheckOn(const Compositor& c, const std::function<void()>& input,
             std::function<void(qint64)> endShow = {},
             const QString& platform = QStringLiteral("offscreen")) {
  QProcess inhibitor;
  QStringList env = c.WaylandEnv();
  env << QStringLiteral("QT_QPA_PLATFORM=") + platform;
  if (!endShow) endShow = [](qint64 show) { ::kill(pid_t(show), SIGTERM); };
  CheckWatcherCourse(
      DesktopEnvironment(env), input, [&] { ASSERT_TRUE(c.StartInhibitor(inhibitor)); },
      [&] {
        inhibitor.kill();
        inhibitor.waitForFinished(5000);
      },
      endShow);
}

}  // namespace

TEST(WatchWayland, SwayThroughKdeIdle) {
  ResetDataDirs();
  // sway refuses root: it runs as nobody.
  Compositor sway(
      QStringLiteral("sway"), {QStringLiteral("-c"), QStringLiteral("/dev/null")},
      {QStringLiteral("WLR_BACKENDS=headless"), QStringLiteral("WLR_LIBINPUT_NO_DEVICES=1"),
       QStringLiteral("WLR_RENDERER=pixman")},
      65534);
  ASSERT_TRUE(sway.Ok()) << sway.Log().toStdString();
  // Keys from a virtual keyboard: one wtype stays, so that the keyboard is
  // not added and removed (and keys lost) at each key.
  const QProcessEnvironment env = DesktopEnvironment(sway.WaylandEnv());
  QProcess keyboard;
  keyboard.setProcessEnvironment(env);
  keyboard.start(QStringLiteral("wtype"), {QStringLiteral("-s"), QStringLiteral("3600000")});
  ASSERT_TRUE(keyboard.waitForStarted(5000));
  const auto key = [&](const QString& name) {
    QProcess k;
    k.setProcessEnvironment(env);
    k.start(QStringLiteral("wtype"), {QStringLiteral("-k"), name});
    EXPECT_TRUE(k.waitForFinished(5000));
    EXPECT_EQ(k.exitCode(), 0);
  };
  // The show is a Wayland window here, ended by Esc.
  CheckOn(
      sway, [&] { key(QStringLiteral("Shift_L")); },
      [&](qint64 show) {
        WaitFor(
            [&] {
              key(QStringLiteral("Escape"));
              return !ProcessAlive(show);
            },
            30000);
      },
      QStringLiteral("wayland"));
  keyboard.kill();
  keyboard.waitForFinished(5000);
}

TEST(WatchWayland, KWinThroughExtIdleNotify) {
  ResetDataDirs();
  // The installed binary carries a file capability that a container may
  // refuse at exec: a copy has none.
  QTemporaryDir bin;
  const QString kwin = bin.path() + QStringLiteral("/kwin_wayland");
  ASSERT_TRUE(QFile::copy(QStringLiteral("/usr/bin/kwin_wayland"), kwin));
  SessionBus bus;
  ASSERT_TRUE(bus.Ok());
  Compositor k(kwin,
               {QStringLiteral("--virtual"), QStringLiteral("--socket"),
                QStringLiteral("wayland-ld"), QStringLiteral("--no-lockscreen"),
                QStringLiteral("--no-global-shortcuts"), QStringLiteral("--no-kactivities")},
               {bus.Env()});
  ASSERT_TRUE(k.Ok()) << k.Log().toStdString();
  // KWin counts its simulated user activity (org_kde_kwin_idle) as input.
  // It offers no virtual keyboard to such a client: the show is ended by
  // SIGTERM here.
  CheckOn(k, [&] { EXPECT_EQ(k.Client(QStringLiteral("activity")), 0); });
}
