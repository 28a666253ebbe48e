// The program on a desktop: Qt's own texts in French, and every monitor
// but the show's covered in black while the show runs (the real program
// under an X server of its own with two monitors).
#include "platform/ui/Desktop.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTranslator>

#include "platform/HostWindow.h"
#include "tests/support/RealProgram.h"

// Xlib defines macros (Status, Bool, None, ...) that clash with Qt: it comes last.
#include <X11/extensions/Xfixes.h>

#include "tests/support/XPixels.h"

using namespace ld;
using namespace ld::testing;

TEST(Desktop, QtStandardButtonsSpeakFrench) {
  QTranslator* t = LoadQtTranslations(*QCoreApplication::instance());
  ASSERT_NE(t, nullptr) << "qtbase_fr.qm missing (Debian package qt6-translations-l10n)";
  QDialogButtonBox box(QDialogButtonBox::Cancel | QDialogButtonBox::Close | QDialogButtonBox::Open);
  EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text().remove(u'&'), QStringLiteral("Annuler"));
  EXPECT_EQ(box.button(QDialogButtonBox::Close)->text().remove(u'&'), QStringLiteral("Fermer"));
  EXPECT_EQ(box.button(QDialogButtonBox::Open)->text().remove(u'&'), QStringLiteral("Ouvrir"));
  QCoreApplication::removeTranslator(t);
  delete t;
}

// The covers follow the show window: up while it is shown, closed when it
// hides. Qt's offscreen platform is given two screens; the test process has
// one, so the test runs itself again in a process of its own on two.
TEST(Desktop, CoversGoWithTheShowWindow) {
  if (QGuiApplication::screens().size() < 2) {
    ASSERT_FALSE(qEnvironmentVariableIsSet("LD_TWO_SCREENS")) << "two offscreen screens expected";
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("screens.json"));
    WriteBytes(config,
               R"({"screens": [{"name": "A", "x": 0, "y": 0, "width": 800, "height": 600},
                               {"name": "B", "x": 800, "y": 0, "width": 640, "height": 480}]})");
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen:configfile=") + config);
    env.insert(QStringLiteral("LD_TWO_SCREENS"), QStringLiteral("1"));
    p.setProcessEnvironment(env);
    p.start(QCoreApplication::applicationFilePath(),
            {QStringLiteral("--gtest_filter=Desktop.CoversGoWithTheShowWindow")});
    ASSERT_TRUE(p.waitForFinished(60000));
    const QByteArray out = p.readAllStandardOutput();
    EXPECT_EQ(p.exitCode(), 0) << out.toStdString();
    EXPECT_TRUE(out.contains("[  PASSED  ] 1 test")) << out.toStdString();
    return;
  }
  QScreen* a = QGuiApplication::screens()[0];
  QScreen* b = QGuiApplication::screens()[1];
  auto* show = new QWidget;
  show->setScreen(a);
  show->setGeometry(a->geometry());
  auto* covers = new ScreenCovers(show);
  EXPECT_TRUE(covers->Covers().empty());
  show->show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return covers->Covers().size() == 1; }, 5000));
  QWidget* cover = covers->Covers()[0];
  EXPECT_EQ(cover->screen(), b);
  EXPECT_EQ(cover->geometry(), b->geometry());
  EXPECT_TRUE(cover->isVisible());
  EXPECT_EQ(cover->palette().color(QPalette::Window), QColor(Qt::black));
  EXPECT_EQ(cover->cursor().shape(), Qt::BlankCursor);
  show->hide();
  EXPECT_TRUE(covers->Covers().empty());
  show->show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return covers->Covers().size() == 1; }, 5000));
  delete show;  // the covers go with it
  EXPECT_EQ(QApplication::topLevelWidgets().size(), 0);
}

namespace {

// True when the pointer shape now shown has no visible pixel.
bool PointerInvisible(Display* d) {
  XFixesCursorImage* c = XFixesGetCursorImage(d);
  if (!c) return false;
  bool invisible = true;
  for (int i = 0; i < c->width * c->height; ++i)
    if ((c->pixels[i] >> 24) & 0xff) invisible = false;
  XFree(c);
  return invisible;
}

}  // namespace

TEST(Desktop, EveryOtherMonitorIsBlackWhileTheShowRuns) {
  ResetDataDirs();
  QTemporaryDir photos, cache;
  MakeOnePictureCollection(photos.path(), QColor(220, 20, 20));
  // One 1600 x 600 screen, white where no window is, split into two RandR
  // monitors of 800 x 600 (what a desktop with two monitors shows Qt).
  Xvfb x({QStringLiteral("-screen"), QStringLiteral("0"), QStringLiteral("1600x600x24"),
          QStringLiteral("-wr")});
  ASSERT_TRUE(x.Ok());
  ASSERT_EQ(x.Run(QStringLiteral("xrandr"),
                  {QStringLiteral("--setmonitor"), QStringLiteral("Gauche"),
                   QStringLiteral("800/200x600/150+0+0"), QStringLiteral("screen")}),
            0);
  ASSERT_EQ(x.Run(QStringLiteral("xrandr"),
                  {QStringLiteral("--setmonitor"), QStringLiteral("Droite"),
                   QStringLiteral("800/200x600/150+800+0"), QStringLiteral("none")}),
            0);
  // The size the first picture is decoded for before Qt starts is one
  // monitor's, not the whole X screen's.
  {
    const QByteArray saved = qgetenv("DISPLAY");
    qputenv("DISPLAY", x.Name8());
    EXPECT_EQ(PrimaryMonitorSize(), QSize(800, 600));
    if (saved.isNull())
      qunsetenv("DISPLAY");
    else
      qputenv("DISPLAY", saved);
  }
  Display* d = XOpenDisplay(x.Name8().constData());
  ASSERT_NE(d, nullptr);
  // The pointer waits where the pictures are not, before the show starts (a
  // jump during the show would be a fast mouse movement, which quits).
  XWarpPointer(d, 0, DefaultRootWindow(d), 0, 0, 0, 0, 1200, 300);
  XSync(d, False);

  QProcess p;
  StartProgram(p, x.Name(), {QStringLiteral("/s")}, cache.path());
  ASSERT_TRUE(p.waitForStarted(5000));
  // The pictures on one monitor, the other black.
  int pictures = -1;
  ASSERT_TRUE(WaitFor(
      [&] {
        for (int m : {0, 1})
          if (IsRed(PixelAt(d, m * 800 + 400, 300)) && PixelAt(d, (1 - m) * 800 + 400, 300) == 0)
            pictures = m;
        return pictures >= 0;
      },
      30000))
      << std::hex << PixelAt(d, 400, 300) << " " << PixelAt(d, 1200, 300);
  const int other = (1 - pictures) * 800;
  for (int px : {0, 200, 799})
    for (int py : {0, 300, 599}) EXPECT_EQ(PixelAt(d, other + px, py), 0u) << px << "," << py;

  // The pointer, on the right-hand monitor, is hidden there.
  EXPECT_TRUE(PointerInvisible(d));

  // Esc ends the show: the covers go with it and the desktop shows again.
  // Without a window manager the keyboard follows the pointer, so the key
  // reaches whichever window is under it.
  ASSERT_EQ(x.Run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Escape")}), 0);
  XSync(d, False);
  ASSERT_TRUE(p.waitForFinished(15000));
  EXPECT_EQ(p.exitCode(), 1);
  EXPECT_TRUE(WaitFor([&] { return PixelAt(d, other + 400, 300) == 0xffffff; }, 5000));
  XCloseDisplay(d);
}
