#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "panel/ViewerCommand.h"
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

QStringList Args(ViewerSender s, const ViewerContext& c) {
  return BuildViewerCall(s, c).Arguments();
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
    EXPECT_EQ(call.Arguments(), slide);
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
  EXPECT_EQ(call.Arguments(), QStringList{QStringLiteral("./-slide")});
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
  const QStringList args = BuildViewerCall(ViewerSender::SlideShowButton, c).Arguments();
  QtShell shell;
  int waits = 0;
  ASSERT_TRUE(shell.RunAndWait(viewer, args, [&] { ++waits; }));
  EXPECT_GE(waits, 1);
  EXPECT_EQ(QString::fromUtf8(testing::ReadBytes(viewer + QStringLiteral(".txt"))),
            QStringLiteral("2\n-slide\n/p/l'été \"05\" $HOME `id` *\n"));
  EXPECT_FALSE(shell.RunAndWait(tmp.filePath(QStringLiteral("missing")), args, [] {}));
}

}  // namespace
}  // namespace ld
