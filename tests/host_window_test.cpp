// The show drawn into another program's window, as XScreenSaver starts it:
// the real program under an X server of its own, given a plain window made
// here with -window-id.
#include <gtest/gtest.h>

#include "app/core/Entry.h"
#include "tests/support/RealProgram.h"

// Xlib defines macros (Status, Bool, None, ...) that clash with Qt: it comes last.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

using namespace ld;
using namespace ld::testing;

TEST(HostWindow, XScreenSaverArgumentsAskForTheHostWindow) {
  const QString prog = QStringLiteral("luminodrift");
  auto d = DecideEntry({prog, QStringLiteral("-window-id"), QStringLiteral("0x1e00007")});
  EXPECT_TRUE(d.hostWindow);
  EXPECT_EQ(d.hostWindowId, 0x1e00007u);
  EXPECT_EQ(d.request, Request::Show);
  d = DecideEntry({prog, QStringLiteral("--window-id=4242")});
  EXPECT_EQ(d.hostWindowId, 4242u);
  // -root names XScreenSaver's window through the variable, else the root.
  d = DecideEntry({prog, QStringLiteral("--root")}, QStringLiteral("0x600008"));
  EXPECT_TRUE(d.hostWindow);
  EXPECT_EQ(d.hostWindowId, 0x600008u);
  d = DecideEntry({prog, QStringLiteral("-root")});
  EXPECT_TRUE(d.hostWindow && d.hostWindowId == 0);
  // The variable alone is enough; an explicit window comes before it.
  d = DecideEntry({prog}, QStringLiteral("77"));
  EXPECT_EQ(d.hostWindowId, 77u);
  d = DecideEntry({prog, QStringLiteral("-window-id"), QStringLiteral("88")}, QStringLiteral("77"));
  EXPECT_EQ(d.hostWindowId, 88u);
  // Not a window id: an error, no show.
  d = DecideEntry({prog, QStringLiteral("-window-id"), QStringLiteral("fenetre")});
  EXPECT_FALSE(d.hostWindow);
  EXPECT_FALSE(d.error.isEmpty());
  // Nothing of XScreenSaver's: the usual entry.
  d = DecideEntry({prog, QStringLiteral("/s")});
  EXPECT_FALSE(d.hostWindow);
  EXPECT_TRUE(d.error.isEmpty());
}

// The module needs an X display; without one (a Wayland session with no
// Xwayland) it says so and ends, it does not fall over in Qt's start-up.
TEST(HostWindow, WithoutAnXDisplayTheModuleEndsWithAMessage) {
  QTemporaryDir cache;
  QProcess p;
  StartProgram(p, QString(), {QStringLiteral("-root")}, cache.path());
  ASSERT_TRUE(p.waitForFinished(20000));
  EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(p.exitCode(), 1);
  EXPECT_TRUE(p.readAllStandardError().contains("introuvable"));
}

TEST(HostWindow, ShowIsDrawnIntoTheGivenWindowAndNoFileIsWritten) {
  ResetDataDirs();
  QTemporaryDir photos, cache;
  MakeOnePictureCollection(photos.path(), QColor(220, 20, 20));
  // A saved history and no reset marker: a normal start would delete the
  // history, rebuild and save the catalogue.
  const QString home = qEnvironmentVariable("HOME");
  const auto before = FilesUnder(home);

  Xvfb x({QStringLiteral("-screen"), QStringLiteral("0"), QStringLiteral("800x600x24")});
  ASSERT_TRUE(x.Ok());
  Display* d = XOpenDisplay(x.Name8().constData());
  ASSERT_NE(d, nullptr);
  const Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 60, 40, 400, 300, 0, 0, 0xffffff);
  XMapWindow(d, w);
  XSync(d, False);

  QProcess p;
  StartProgram(p, x.Name(), {QStringLiteral("-window-id"), QStringLiteral("0x%1").arg(w, 0, 16)},
               cache.path());
  ASSERT_TRUE(p.waitForStarted(5000));
  // The picture's red in the middle of the window (white before).
  auto centre = [&] {
    XImage* img = XGetImage(d, w, 200, 150, 1, 1, AllPlanes, ZPixmap);
    if (!img) return 0ul;
    const unsigned long px = XGetPixel(img, 0, 0);
    XDestroyImage(img);
    return px;
  };
  const bool red = WaitFor(
      [&] {
        const unsigned long px = centre();
        return ((px >> 16) & 0xff) > 180 && ((px >> 8) & 0xff) < 70 && (px & 0xff) < 70;
      },
      30000);
  EXPECT_TRUE(red) << "centre pixel " << std::hex << centre();
  // Drawn inside that window: the root around it stays as it was.
  XImage* outside = XGetImage(d, DefaultRootWindow(d), 700, 500, 1, 1, AllPlanes, ZPixmap);
  ASSERT_NE(outside, nullptr);
  EXPECT_EQ(XGetPixel(outside, 0, 0) & 0xffffff, 0u);
  XDestroyImage(outside);

  // The daemon ends its module with SIGTERM: a normal end.
  p.terminate();
  ASSERT_TRUE(p.waitForFinished(10000));
  EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
  EXPECT_EQ(FilesUnder(home), before);
  XCloseDisplay(d);
}

// "-root" with no screen-saver window: the show covers the root window in
// a window that no window manager would take (override-redirect), as the
// screen-saver modules draw, not in an ordinary top-level window.
TEST(HostWindow, RootWithoutScreenSaverWindowCoversTheRootOutOfTheManagersHands) {
  ResetDataDirs();
  QTemporaryDir photos, cache;
  MakeOnePictureCollection(photos.path(), QColor(20, 20, 220));
  Xvfb x({QStringLiteral("-screen"), QStringLiteral("0"), QStringLiteral("640x480x24")});
  ASSERT_TRUE(x.Ok());
  Display* d = XOpenDisplay(x.Name8().constData());
  ASSERT_NE(d, nullptr);
  const Window root = DefaultRootWindow(d);

  QProcess p;
  StartProgram(p, x.Name(), {QStringLiteral("-root")}, cache.path());
  ASSERT_TRUE(p.waitForStarted(5000));
  auto blueAt = [&](int px, int py) {
    XImage* img = XGetImage(d, root, px, py, 1, 1, AllPlanes, ZPixmap);
    if (!img) return false;
    const unsigned long v = XGetPixel(img, 0, 0);
    XDestroyImage(img);
    return ((v >> 16) & 0xff) < 70 && ((v >> 8) & 0xff) < 70 && (v & 0xff) > 180;
  };
  EXPECT_TRUE(WaitFor([&] { return blueAt(320, 240); }, 30000));

  // Every window the program shows on the root is override-redirect, and
  // one of them covers the whole root.
  Window rootOut = 0, parent = 0, *children = nullptr;
  unsigned count = 0;
  ASSERT_TRUE(XQueryTree(d, root, &rootOut, &parent, &children, &count));
  int shown = 0, covering = 0;
  for (unsigned i = 0; i < count; ++i) {
    XWindowAttributes a{};
    if (!XGetWindowAttributes(d, children[i], &a) || a.map_state != IsViewable) continue;
    ++shown;
    EXPECT_TRUE(a.override_redirect) << "window 0x" << std::hex << children[i];
    if (a.x == 0 && a.y == 0 && a.width == 640 && a.height == 480) ++covering;
  }
  if (children) XFree(children);
  EXPECT_GE(shown, 1);
  EXPECT_EQ(covering, 1);

  p.terminate();
  ASSERT_TRUE(p.waitForFinished(10000));
  EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
  XCloseDisplay(d);
}
