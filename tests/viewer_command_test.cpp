#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "panel/ViewerCommand.h"
#include "platform/DesktopEntry.h"
#include "platform/RealServices.h"
#include "support/TempData.h"

namespace ld {
namespace {

ViewerContext Context() {
  ViewerContext c;
  c.pictureDirectory = QStringLiteral("/d/Photos/2005-08-28 avg");
  c.currentPath = QStringLiteral("/d/Photos/2005-08-28 avg/img001.jpg");
  c.albumA = QStringLiteral("/e/Album");
  c.albumB = QStringLiteral("/e/Album B");
  return c;
}

// The arguments for XnView, whose slide-show option is "-slide".
QStringList Args(ViewerSender s, const ViewerContext& c) {
  return ViewerArguments({QStringLiteral("/usr/bin/xnview")}, BuildViewerCall(s, c));
}

TEST(ViewerCommand, AfterF3EverySenderGivesTheSlideShowOfThePictureDirectory) {
  ViewerContext c = Context();
  c.lastKey = 114;
  c.directoryAndName = true;
  const QStringList slide{QStringLiteral("-slide"), QStringLiteral("/d/Photos/2005-08-28 avg")};
  for (ViewerSender s : {ViewerSender::Other, ViewerSender::PictureDirectory, ViewerSender::AlbumA,
                         ViewerSender::SlideShowButton}) {
    const ViewerCall call = BuildViewerCall(s, c);
    EXPECT_TRUE(call.slideShow);
    EXPECT_EQ(call.target, QStringLiteral("/d/Photos/2005-08-28 avg"));
    EXPECT_EQ(Args(s, c), slide);
  }
  // Without F3, another sender gets the root.
  c.lastKey = 32;
  EXPECT_FALSE(BuildViewerCall(ViewerSender::Other, c).slideShow);
  EXPECT_EQ(Args(ViewerSender::Other, c), QStringList{QStringLiteral("/")});
  EXPECT_EQ(Args(ViewerSender::AlbumA, c), QStringList{QStringLiteral("/e/Album")});
}

TEST(ViewerCommand, AwkwardPathsStayOneArgumentEach) {
  ViewerContext c = Context();
  c.pictureDirectory = QStringLiteral("/p/l'été \"2005\" $HOME `id`; rm -rf x");
  c.currentPath = c.pictureDirectory + QStringLiteral("/a b$1.jpg");
  c.directoryAndName = true;
  EXPECT_EQ(Args(ViewerSender::PictureDirectory, c),
            QStringList{QStringLiteral("/p/l'été \"2005\" $HOME `id`; rm -rf x/a b$1.jpg")});
  EXPECT_EQ(Args(ViewerSender::SlideShowButton, c),
            (QStringList{QStringLiteral("-slide"),
                         QStringLiteral("/p/l'été \"2005\" $HOME `id`; rm -rf x")}));

  // A target that begins with "-" would read as an option: it is passed as
  // the same relative path behind "./"; the target itself is unchanged.
  c.albumA = QStringLiteral("-slide");
  const ViewerCall call = BuildViewerCall(ViewerSender::AlbumA, c);
  EXPECT_EQ(call.target, QStringLiteral("-slide"));
  EXPECT_EQ(Args(ViewerSender::AlbumA, c), QStringList{QStringLiteral("./-slide")});
  c.pictureDirectory = QStringLiteral("-d photos");
  EXPECT_EQ(Args(ViewerSender::SlideShowButton, c),
            (QStringList{QStringLiteral("-slide"), QStringLiteral("./-d photos")}));
}

// The real process service: each argument reaches the program as it is,
// with no shell reading quotes, "$" or spaces on the way.
TEST(ViewerCommand, ArgumentsReachTheProgramUnchanged) {
  QTemporaryDir tmp;
  const QString viewer = tmp.filePath(QStringLiteral("viewer"));
  testing::WriteBytes(
      viewer,
      "#!/bin/sh\necho \"$#\" > \"$0.txt\"\nfor a; do printf '%s\\n' \"$a\" >> \"$0.txt\"; done\n");
  QFile::setPermissions(viewer,
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  ViewerContext c = Context();
  c.pictureDirectory = QStringLiteral("/p/l'été \"05\" $HOME `id` *");
  const QStringList args = Args(ViewerSender::SlideShowButton, c);
  QtShell shell;
  int waits = 0;
  ASSERT_TRUE(shell.RunAndWait(viewer, args, [&] { ++waits; }).Ok());
  EXPECT_GE(waits, 1);
  EXPECT_EQ(QString::fromUtf8(testing::ReadBytes(viewer + QStringLiteral(".txt"))),
            QStringLiteral("2\n-slide\n/p/l'été \"05\" $HOME `id` *\n"));
  EXPECT_FALSE(shell.RunAndWait(tmp.filePath(QStringLiteral("missing")), args, [] {}).started);
}

TEST(ViewerCommand, EachViewerGetsItsOwnSlideShowOptionElseTheDirectory) {
  const ViewerContext c = Context();
  const QString dir = c.pictureDirectory;
  const ViewerCall open = BuildViewerCall(ViewerSender::PictureDirectory, c);
  const ViewerCall slide = BuildViewerCall(ViewerSender::SlideShowButton, c);
  auto exec = [](std::initializer_list<const char*> words) {
    QStringList l;
    for (const char* w : words) l << QString::fromUtf8(w);
    return l;
  };
  EXPECT_EQ(ViewerArguments(exec({"eog", "%U"}), slide),
            (QStringList{QStringLiteral("--slide-show"), dir}));
  EXPECT_EQ(ViewerArguments(exec({"eog", "%U"}), open), QStringList{dir});
  EXPECT_EQ(ViewerArguments(exec({"/usr/bin/gwenview", "%U"}), slide),
            (QStringList{QStringLiteral("--slideshow"), dir}));
  EXPECT_EQ(ViewerArguments(exec({"ristretto", "%F"}), slide),
            (QStringList{QStringLiteral("--slideshow"), dir}));
  // feh's entry starts at one file; its slide show is the directory alone.
  EXPECT_EQ(ViewerArguments(exec({"feh", "--start-at", "%u"}), slide), QStringList{dir});
  EXPECT_EQ(ViewerArguments(exec({"feh", "--start-at", "%u"}), open),
            (QStringList{QStringLiteral("--start-at"), dir}));
  // A viewer chosen by path is known by its name too.
  EXPECT_EQ(ViewerArguments(exec({"/opt/Eog"}), slide),
            (QStringList{QStringLiteral("--slide-show"), dir}));
  // A viewer with no known slide show opens the directory.
  EXPECT_EQ(ViewerArguments(exec({"shotwell", "%U"}), slide), QStringList{dir});
  EXPECT_EQ(ViewerArguments(exec({"/opt/viewer"}), slide), QStringList{dir});
}

// Desktop entries, as the desktop's default viewer is found through them.
TEST(DesktopEntry, ExecIsSplitAndItsFieldCodesFilled) {
  auto split = [](const char* exec) { return SplitExec(QString::fromUtf8(exec)); };
  EXPECT_EQ(split("eog %U"), (QStringList{QStringLiteral("eog"), QStringLiteral("%U")}));
  // Quotes group an argument and escape " ` $ and \ inside; the file's own
  // escapes (\s, \\) are undone first.
  EXPECT_EQ(split(R"("/opt/My Viewer/view"  --title="a b" "say \"hi\" \$HOME \`x\`" "a\sb" %f)"),
            (QStringList{QStringLiteral("/opt/My Viewer/view"), QStringLiteral("--title=a b"),
                         QStringLiteral("say \"hi\" $HOME `x`"), QStringLiteral("a b"),
                         QStringLiteral("%f")}));
  EXPECT_EQ(split(R"(v "back\\\\slash" "")"),
            (QStringList{QStringLiteral("v"), QStringLiteral("back\\slash"), QString()}));
  EXPECT_FALSE(split("viewer \"unterminated %f"));
  EXPECT_FALSE(split("   "));
  EXPECT_FALSE(split("\"\" %f"));

  const QString t = QStringLiteral("/p/l'été 100%");
  EXPECT_EQ(
      ExpandExec({QStringLiteral("v"), QStringLiteral("--open=%f"), QStringLiteral("%i"),
                  QStringLiteral("%U"), QStringLiteral("100%%"), QStringLiteral("%k")},
                 t),
      (QStringList{QStringLiteral("v"), QStringLiteral("--open=") + t, t, QStringLiteral("100%")}));
  for (const char* code : {"%f", "%F", "%u", "%U"})
    EXPECT_EQ(ExpandExec({QStringLiteral("v"), QString::fromLatin1(code)}, t),
              (QStringList{QStringLiteral("v"), t}));
  // An entry without a file field code is given the target all the same.
  EXPECT_EQ(ExpandExec({QStringLiteral("v"), QStringLiteral("%c")}, t),
            (QStringList{QStringLiteral("v"), t}));
}

TEST(DesktopEntry, FoundByIdInTheUsersThenTheSystemsDirectories) {
  QTemporaryDir tmp;
  const QString home = qEnvironmentVariable("XDG_DATA_HOME");
  const QByteArray oldDirs = qgetenv("XDG_DATA_DIRS");
  const QString system = tmp.filePath(QStringLiteral("system"));
  qputenv("XDG_DATA_DIRS", (tmp.filePath(QStringLiteral("none")) + u':' + system).toUtf8());
  const QString user = home + QStringLiteral("/applications");
  testing::WriteBytes(system + QStringLiteral("/applications/kde4/gwenview.desktop"),
                      "[Desktop Entry]\nName=Gwenview\nExec=gwenview %U\n"
                      "[Desktop Action Slides]\nExec=gwenview --other %U\n");
  testing::WriteBytes(system + QStringLiteral("/applications/eog.desktop"),
                      "[Desktop Entry]\nExec=eog %U\n");
  testing::WriteBytes(user + QStringLiteral("/eog.desktop"),
                      "# mine\n[Desktop Entry]\nExec = /opt/eog --new %F\n");
  testing::WriteBytes(user + QStringLiteral("/gone.desktop"),
                      "[Desktop Entry]\nExec=gone %f\nHidden=true\n");

  const auto gwenview = FindDesktopEntry(QStringLiteral("kde4-gwenview.desktop"));
  ASSERT_TRUE(gwenview);
  EXPECT_EQ(ReadDesktopExec(*gwenview),
            (QStringList{QStringLiteral("gwenview"), QStringLiteral("%U")}));
  const auto eog = FindDesktopEntry(QStringLiteral("eog.desktop"));
  ASSERT_TRUE(eog);
  EXPECT_EQ(*eog, user + QStringLiteral("/eog.desktop"));
  EXPECT_EQ(ReadDesktopExec(*eog), (QStringList{QStringLiteral("/opt/eog"), QStringLiteral("--new"),
                                                QStringLiteral("%F")}));
  EXPECT_FALSE(ReadDesktopExec(user + QStringLiteral("/gone.desktop")));
  EXPECT_FALSE(FindDesktopEntry(QStringLiteral("missing.desktop")));
  EXPECT_FALSE(FindDesktopEntry(QStringLiteral("../eog.desktop")));
  EXPECT_FALSE(FindDesktopEntry(QString()));
  QDir(user).removeRecursively();
  qputenv("XDG_DATA_DIRS", oldDirs);
}

}  // namespace
}  // namespace ld
