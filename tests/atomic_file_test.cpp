// Files replaced whole or not at all, under real write failures.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QDir>
#include <QTemporaryDir>

#include "platform/AtomicFile.h"
#include "platform/Error.h"
#include "platform/TextFile.h"
#include "support/FullDisk.h"
#include "support/TempData.h"

namespace ld {
namespace {

using testing::ReadBytes;

TEST(AtomicFile, FullDiskKeepsTheOldFileRemovesTheTemporaryAndRaises) {
  QTemporaryDir tmp;
  const QString path = tmp.filePath(QStringLiteral("luminodrift_var.prm"));
  QStringList lines;
  for (int i = 0; i < 37; ++i) lines << QStringLiteral("clé_%1 = %2").arg(i).arg(i * 1000);
  WriteTextLines(path, lines);
  const QByteArray old = ReadBytes(path);

  // A settings file small enough for a write buffer, whose failure a
  // buffered device only meets when it flushes.
  lines[0] = QStringLiteral("changé = 1");
  const QString failure = CannotCreateFileMessage(path);
  EXPECT_EQ(testing::RunOnFullDisk(
                200, [&] { WriteTextLines(path, lines); }, failure),
            testing::kRaisedExpected);
  EXPECT_EQ(ReadBytes(path), old);
  EXPECT_EQ(testing::NamesIn(tmp.path()), QStringList{QStringLiteral("luminodrift_var.prm")});

  // Within the limit the same save goes through.
  EXPECT_EQ(testing::RunOnFullDisk(
                4096, [&] { WriteTextLines(path, lines); }, failure),
            testing::kReturned);
  EXPECT_EQ(ReadTextLines(path).value(), lines);
}

TEST(AtomicFile, LineBasedFileRefusesAnItemWithALineBreak) {
  QTemporaryDir tmp;
  const QString path = tmp.filePath(QStringLiteral("luminodrift.rep"));
  WriteTextLines(path, {QStringLiteral("/photos")});
  for (const QString& bad : {QStringLiteral("/a\nb"), QStringLiteral("/a\rb")}) {
    try {
      WriteTextLines(path, {QStringLiteral("/photos"), bad});
      ADD_FAILURE() << "written";
    } catch (const Error& e) {
      EXPECT_EQ(e.message(), LineBreakRefusedMessage(bad, path));
    }
  }
  EXPECT_EQ(ReadBytes(path), QByteArray("/photos\r\n"));
}

mode_t TypeOf(const QString& path) {
  struct stat st {};
  if (::lstat(QFile::encodeName(path).constData(), &st) != 0) return 0;
  return st.st_mode & S_IFMT;
}

TEST(AtomicFile, WritesThroughALinkToAFileAndReplacesNothingElse) {
  QTemporaryDir tmp;
  const QString dots = tmp.filePath(QStringLiteral("dotfiles"));
  QDir().mkpath(dots);
  const QString kept = dots + QStringLiteral("/luminodrift_var.prm");
  testing::WriteBytes(kept, "old\r\n");
  ASSERT_TRUE(QFile::setPermissions(
      kept, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup));
  auto link = [&](const QString& name, const QString& target) {
    const QString path = tmp.filePath(name);
    EXPECT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(path).constData()),
              0);
    return path;
  };

  // A link to a file (through a second, relative link): the file it leads to
  // gets the new text in its own directory, keeps its permissions, and both
  // links stay.
  link(QStringLiteral("relative"), QStringLiteral("dotfiles/luminodrift_var.prm"));
  const QString settings =
      link(QStringLiteral("settings"), tmp.filePath(QStringLiteral("relative")));
  WriteTextLines(settings, {QStringLiteral("new")});
  EXPECT_EQ(testing::ReadBytes(kept), QByteArray("new\r\n"));
  EXPECT_EQ(TypeOf(settings), S_IFLNK);
  EXPECT_EQ(TypeOf(tmp.filePath(QStringLiteral("relative"))), S_IFLNK);
  struct stat st {};
  ASSERT_EQ(::stat(QFile::encodeName(kept).constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(testing::NamesIn(dots), QStringList{QStringLiteral("luminodrift_var.prm")});

  // Anything but a regular file behind the name, directly or through a link,
  // is refused with the usual message and left as it was; a dangling link
  // creates nothing at its target.
  const QString fifo = tmp.filePath(QStringLiteral("fifo"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  const QString dir = tmp.filePath(QStringLiteral("dir"));
  QDir().mkpath(dir);
  QStringList refused{fifo, dir, link(QStringLiteral("to-fifo"), fifo),
                      link(QStringLiteral("to-dir"), dir),
                      link(QStringLiteral("dangling"), tmp.filePath(QStringLiteral("nowhere")))};
  // A device node, as /dev/zero is, made here when the test may make one.
  const QString device = tmp.filePath(QStringLiteral("zero"));
  if (::mknod(QFile::encodeName(device).constData(), S_IFCHR | 0666, makedev(1, 5)) == 0)
    refused << device << link(QStringLiteral("to-device"), device);
  for (const QString& path : refused) {
    const mode_t before = TypeOf(path);
    try {
      WriteTextLines(path, {QStringLiteral("x")});
      ADD_FAILURE() << path.toStdString() << " written";
    } catch (const Error& e) {
      EXPECT_EQ(e.message(), CannotCreateFileMessage(path));
    }
    EXPECT_EQ(TypeOf(path), before) << path.toStdString();
  }
  EXPECT_EQ(TypeOf(fifo), S_IFIFO);
  EXPECT_TRUE(QDir(dir).isEmpty());
  EXPECT_FALSE(QFileInfo::exists(tmp.filePath(QStringLiteral("nowhere"))));
  EXPECT_EQ(testing::NamesIn(tmp.path()).filter(QStringLiteral(".tmp")), QStringList());
}

}  // namespace
}  // namespace ld
