// The idle watcher on X11 (Xvfb), through the X server's screen-saver
// events; a video player's XScreenSaverSuspend holds the show back.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "tests/support/Watcher.h"

// Xlib defines macros (Status, Bool, ...) that clash with Qt: it comes last.
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

using namespace ld::testing;

TEST(WatchX11, ShowStartsWhenIdleAndWatchingResumesAfterIt) {
  ResetDataDirs();
  QTemporaryDir photos, cache;
  MakeOnePictureCollection(photos.path(), Qt::red);
  Xvfb x({QStringLiteral("-screen"), QStringLiteral("0"), QStringLiteral("640x480x24")});
  ASSERT_TRUE(x.Ok());
  Display* d = XOpenDisplay(x.Name8().constData());
  ASSERT_NE(d, nullptr);
  int step = 0;
  CheckWatcherCourse(
      DesktopEnvironment({QStringLiteral("DISPLAY=") + x.Name(),
                          QStringLiteral("QT_QPA_PLATFORM=xcb"),
                          QStringLiteral("XDG_CACHE_HOME=") + cache.path()}),
      [&] {
        const QString pos = QString::number(100 + 50 * (++step % 2));
        x.Run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), pos, pos});
      },
      [&] {
        XScreenSaverSuspend(d, True);
        XSync(d, False);
      },
      [&] {
        XScreenSaverSuspend(d, False);
        XSync(d, False);
      },
      // Esc, until the show's window is there to take it.
      [&](qint64 show) {
        WaitFor(
            [&] {
              x.Run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Escape")});
              return !ProcessAlive(show);
            },
            30000);
      });
  XCloseDisplay(d);
}
