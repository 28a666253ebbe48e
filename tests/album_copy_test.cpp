#include <gtest/gtest.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "panel/AlbumCopy.h"
#include "platform/Error.h"
#include "platform/PathBytes.h"
#include "platform/TextFile.h"
#include "support/FullDisk.h"
#include "support/TempData.h"

namespace ld {
namespace {

using testing::ReadBytes;
using testing::WriteBytes;

TEST(AlbumCopy, TargetIsDirectoryNameDashFileNameInTheAlbum) {
  EXPECT_EQ(AlbumTargetName(QStringLiteral("/e/Album"),
                            QStringLiteral("/d/Photos/2005-08-28 avg/img001.jpg")),
            QStringLiteral("/e/Album/2005-08-28 avg-img001.jpg"));
  // Same directory name under another parent: the same album file.
  EXPECT_EQ(AlbumTargetName(QStringLiteral("/e/Album"),
                            QStringLiteral("/mnt/usb/2005-08-28 avg/img001.jpg")),
            QStringLiteral("/e/Album/2005-08-28 avg-img001.jpg"));
  // A picture directly in the root has an empty directory name.
  EXPECT_EQ(AlbumTargetName(QStringLiteral("/e/A"), QStringLiteral("/x.jpg")),
            QStringLiteral("/e/A/-x.jpg"));
}

QStringList EntriesOf(const QString& dir) {
  return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

TEST(AlbumCopy, CopiesAndReplacesAnExistingCopyLeavingNoTemporaryFile) {
  QTemporaryDir tmp;
  const QString album = tmp.filePath(QStringLiteral("album"));
  QDir().mkpath(album);
  const QString first = tmp.filePath(QStringLiteral("one/2005 avg/img.jpg"));
  const QString second = tmp.filePath(QStringLiteral("two/2005 avg/img.jpg"));
  WriteBytes(first, QByteArray("first picture"));
  WriteBytes(second, QByteArray(3 << 20, 'x') + "end");             // more than one copy block
  const QDateTime old = QDateTime::fromSecsSinceEpoch(1125230400);  // 2005-08-28
  {
    QFile f(second);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(old, QFileDevice::FileModificationTime));
  }

  const QString target = AlbumTargetName(album, first);
  ASSERT_TRUE(CopyReplacing(first, target));
  EXPECT_EQ(ReadBytes(target), QByteArray("first picture"));
  ASSERT_TRUE(CopyReplacing(first, target));  // the same picture twice
  EXPECT_EQ(ReadBytes(target), QByteArray("first picture"));
  ASSERT_TRUE(CopyReplacing(second, AlbumTargetName(album, second)));
  EXPECT_EQ(ReadBytes(target), QByteArray(3 << 20, 'x') + "end");
  EXPECT_EQ(QFileInfo(target).lastModified().toSecsSinceEpoch(), old.toSecsSinceEpoch());
  EXPECT_EQ(EntriesOf(album), QStringList{QStringLiteral("2005 avg-img.jpg")});
  // The source is untouched.
  EXPECT_EQ(ReadBytes(first), QByteArray("first picture"));
}

TEST(AlbumCopy, FailedCopyKeepsTheOldCopyAndSaysWhy) {
  QTemporaryDir tmp;
  const QString album = tmp.filePath(QStringLiteral("album"));
  QDir().mkpath(album);
  const QString target = album + QStringLiteral("/d-img.jpg");
  WriteBytes(target, QByteArray("old copy"));

  // The picture vanished, or is a directory: nothing changes.
  EXPECT_EQ(
      CopyReplacing(tmp.filePath(QStringLiteral("gone/img.jpg")), target).reason,
      QStringLiteral("l'image %1 n'existe pas").arg(tmp.filePath(QStringLiteral("gone/img.jpg"))));
  QDir().mkpath(tmp.filePath(QStringLiteral("dir.jpg")));
  EXPECT_FALSE(CopyReplacing(tmp.filePath(QStringLiteral("dir.jpg")), target));
  EXPECT_EQ(ReadBytes(target), QByteArray("old copy"));

  const QString picture = tmp.filePath(QStringLiteral("d/img.jpg"));
  WriteBytes(picture, QByteArray("picture"));
  // An album that cannot be made: the reason says which directory.
  WriteBytes(tmp.filePath(QStringLiteral("file")), QByteArray("x"));
  const QString impossible = tmp.filePath(QStringLiteral("file/album"));
  EXPECT_EQ(CopyReplacing(picture, AlbumTargetName(impossible, picture)).reason,
            QStringLiteral("le répertoire %1 ne peut pas être créé").arg(impossible));

  // A directory standing where the album file would go is left alone.
  QDir().mkpath(album + QStringLiteral("/d-dir.jpg"));
  EXPECT_FALSE(CopyReplacing(picture, album + QStringLiteral("/d-dir.jpg")));
  EXPECT_TRUE(QFileInfo(album + QStringLiteral("/d-dir.jpg")).isDir());
  EXPECT_EQ(EntriesOf(album),
            (QStringList{QStringLiteral("d-dir.jpg"), QStringLiteral("d-img.jpg")}));
}

TEST(AlbumCopy, ReadOnlyAlbumFailsAndKeepsTheOldCopy) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not stop the superuser";
  QTemporaryDir tmp;
  const QString album = tmp.filePath(QStringLiteral("album"));
  QDir().mkpath(album);
  const QString picture = tmp.filePath(QStringLiteral("d/img.jpg"));
  WriteBytes(picture, QByteArray("new"));
  const QString target = AlbumTargetName(album, picture);
  WriteBytes(target, QByteArray("old copy"));
  QFile::setPermissions(album, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
  EXPECT_FALSE(CopyReplacing(picture, target));
  QFile::setPermissions(album,
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  EXPECT_EQ(ReadBytes(target), QByteArray("old copy"));
  EXPECT_EQ(EntriesOf(album), QStringList{QStringLiteral("d-img.jpg")});
}

TEST(AlbumCopy, AnEntryThatIsALinkIsReplacedAndWhatItLedToIsKept) {
  QTemporaryDir tmp;
  const QString album = tmp.filePath(QStringLiteral("album"));
  QDir().mkpath(album);
  const QString original = tmp.filePath(QStringLiteral("originals/2019/vacances/p1.jpg"));
  WriteBytes(original, QByteArray("2019 original"));
  const QString picture = tmp.filePath(QStringLiteral("2020/vacances/p1.jpg"));
  WriteBytes(picture, QByteArray("2020 picture"));
  const QString entry = AlbumTargetName(album, picture);
  const QString nowhere = tmp.filePath(QStringLiteral("nowhere/p1.jpg"));
  for (const QString& target : {original, nowhere, tmp.filePath(QStringLiteral("originals"))}) {
    QFile::remove(entry);
    ASSERT_TRUE(QFile::link(target, entry));
    ASSERT_TRUE(CopyIntoAlbum(Album::A, album, picture).ok) << target.toStdString();
    EXPECT_FALSE(QFileInfo(entry).isSymLink());
    EXPECT_EQ(ReadBytes(entry), QByteArray("2020 picture"));
  }
  EXPECT_EQ(ReadBytes(original), QByteArray("2019 original"));
  EXPECT_FALSE(QFileInfo::exists(nowhere));
  EXPECT_EQ(EntriesOf(album), QStringList{QStringLiteral("vacances-p1.jpg")});
}

// A picture whose names are not UTF-8 (a Latin-1 disk) gives an album entry
// with the same bytes, and the copy says where in readable letters.
TEST(AlbumCopy, ANameThatIsNotUtf8KeepsItsBytesInTheAlbum) {
  QTemporaryDir tmp;
  const QByteArray base = PathToBytes(tmp.path());
  const QByteArray picture = base + "/\xe9t\xe9 2003/f\xeate.jpg";
  ASSERT_TRUE(testing::WriteRawFile(picture, "latin"));
  const QString album = tmp.filePath(QStringLiteral("album"));
  const AlbumCopyOutcome copy = CopyIntoAlbum(Album::B, album, PathFromBytes(picture));
  ASSERT_TRUE(copy.ok) << copy.message.toStdString();
  const QString entry = PathFromBytes("\xe9t\xe9 2003-f\xeate.jpg");
  EXPECT_EQ(ListDirectoryNames(album, false, true), QStringList{entry});
  EXPECT_EQ(ReadDataFile(album + u'/' + entry), QByteArray("latin"));
  EXPECT_TRUE(copy.message.startsWith(album + QString::fromUtf16(u"/été 2003-fête.jpg")));
  testing::RemoveRawTree(base);
}

TEST(AlbumCopy, AFullDiskIsReportedInFrench) {
  QTemporaryDir tmp;
  const QString picture = tmp.filePath(QStringLiteral("d/img.jpg"));
  WriteBytes(picture, QByteArray(64 << 10, 'x'));
  const QString target = tmp.filePath(QStringLiteral("album/d-img.jpg"));
  const QString reason =
      QStringLiteral("%1 ne peut pas être écrit (fichier trop grand)").arg(target);
  EXPECT_EQ(testing::RunOnFullDisk(
                4096,
                [&] {
                  const CopyResult r = CopyReplacing(picture, target);
                  if (!r) throw Error(r.reason);
                },
                reason),
            testing::kRaisedExpected);
  EXPECT_EQ(EntriesOf(tmp.filePath(QStringLiteral("album"))), QStringList());
}

}  // namespace
}  // namespace ld
