// The idle watcher under GNOME: mutter started headless, its IdleMonitor on
// a session bus of the test's own. Input (and the Esc that ends the show,
// a Wayland window here) comes through mutter's remote desktop interface;
// the inhibitor is gnome-session's (a real
// gnome-session-binary on that bus, `gnome-session-inhibit --inhibit idle`),
// which mutter's idle watches respect.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QTemporaryDir>
#include <csignal>

#include "tests/support/Watcher.h"

using namespace ld::testing;

TEST(WatchMutter, ShowStartsWhenGnomeIsIdle) {
  ResetDataDirs();
  // gnome-session wants a system bus: a private one stands for it.
  SessionBus bus, system;
  ASSERT_TRUE(bus.Ok() && system.Ok());
  QTemporaryDir xdg;
  const QStringList busEnv{bus.Env(), QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS=") + system.Address(),
                           // No other program's autostart entries.
                           QStringLiteral("XDG_CONFIG_DIRS=") + xdg.path()};
  Compositor mutter(
      QStringLiteral("mutter"),
      {QStringLiteral("--headless"), QStringLiteral("--wayland"), QStringLiteral("--no-x11"),
       QStringLiteral("--virtual-monitor"), QStringLiteral("1280x720")},
      busEnv);
  ASSERT_TRUE(mutter.Ok()) << mutter.Log().toStdString();
  const QProcessEnvironment env = DesktopEnvironment(mutter.WaylandEnv() + busEnv);
  QProcess session;
  session.setProcessEnvironment(env);
  session.setProcessChannelMode(QProcess::MergedChannels);
  session.start(QStringLiteral("/usr/libexec/gnome-session-binary"), {QStringLiteral("--builtin")});
  ASSERT_TRUE(session.waitForStarted(5000));

  // A remote-desktop session of mutter's: it lives as long as this
  // connection.
  QDBusConnection conn = QDBusConnection::connectToBus(bus.Address(), QStringLiteral("ld-remote"));
  ASSERT_TRUE(conn.isConnected());
  const QString service = QStringLiteral("org.gnome.Mutter.RemoteDesktop");
  // mutter's Wayland socket may come before its names on the bus.
  ASSERT_TRUE(
      WaitFor([&] { return conn.interface()->isServiceRegistered(service).value(); }, 10000))
      << mutter.Log().toStdString();
  QDBusInterface remote(service, QStringLiteral("/org/gnome/Mutter/RemoteDesktop"), service, conn);
  const QDBusReply<QDBusObjectPath> created = remote.call(QStringLiteral("CreateSession"));
  ASSERT_TRUE(created.isValid()) << created.error().message().toStdString();
  QDBusInterface input(service, created.value().path(),
                       QStringLiteral("org.gnome.Mutter.RemoteDesktop.Session"), conn);
  ASSERT_TRUE(input.call(QStringLiteral("Start")).type() != QDBusMessage::ErrorMessage);
  ASSERT_TRUE(WaitFor(
      [&] {
        return conn.interface()
            ->isServiceRegistered(QStringLiteral("org.gnome.SessionManager"))
            .value();
      },
      10000))
      << session.readAll().toStdString();

  const auto key = [&](uint keysym) {
    for (bool down : {true, false})
      input.call(QStringLiteral("NotifyKeyboardKeysym"), keysym, down);
  };
  QProcess inhibitor;
  inhibitor.setProcessEnvironment(env);
  CheckWatcherCourse(
      DesktopEnvironment(mutter.WaylandEnv() + busEnv +
                         QStringList{QStringLiteral("QT_QPA_PLATFORM=wayland")}),
      // Shift pressed and released.
      [&] { key(0xffe1u); },
      [&] {
        inhibitor.start(QStringLiteral("gnome-session-inhibit"),
                        {QStringLiteral("--inhibit"), QStringLiteral("idle"),
                         QStringLiteral("--inhibit-only")});
        ASSERT_TRUE(inhibitor.waitForStarted(5000));
        // Held once gnome-session says so.
        QDBusInterface manager(QStringLiteral("org.gnome.SessionManager"),
                               QStringLiteral("/org/gnome/SessionManager"),
                               QStringLiteral("org.gnome.SessionManager"), conn);
        EXPECT_TRUE(WaitFor(
            [&] { return (manager.property("InhibitedActions").toUInt() & 8u) != 0; }, 10000));
      },
      [&] {
        inhibitor.terminate();
        inhibitor.waitForFinished(5000);
      },
      // The show is a Wayland window here, ended by Esc.
      [&](qint64 show) {
        WaitFor(
            [&] {
              key(0xff1bu);
              return !ProcessAlive(show);
            },
            30000);
      });

  session.terminate();
  session.waitForFinished(5000);
  QDBusConnection::disconnectFromBus(QStringLiteral("ld-remote"));
}
