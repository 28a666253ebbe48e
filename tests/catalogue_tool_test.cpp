// The catalogue tool run as a real process on the test's data directory.
#include <fcntl.h>
#include <ftw.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include "catalogue/CatalogueFiles.h"
#include "panel/DateRenaming.h"
#include "platform/DataDir.h"
#include "platform/DataDirLock.h"
#include "platform/PathBytes.h"
#include "platform/PictureDecoder.h"
#include "support/JpegFixtures.h"
#include "support/TempData.h"

namespace ld {
namespace {

using testing::EncodeJpeg;
using testing::QuadrantImage;
using testing::ReadBytes;
using testing::WriteBytes;

struct ToolRun {
  int code = -1;
  QString err;
};

QProcess* StartTool(QObject* owner) {
  auto* p = new QProcess(owner);
  p->setProgram(QStringLiteral(LD_CATALOGUE_TOOL_PATH));
  p->setArguments({QStringLiteral("rebuild")});
  p->start();
  return p;
}

ToolRun Finish(QProcess& p) {
  ToolRun r;
  if (!p.waitForFinished(120000)) return r;
  r.err = QString::fromUtf8(p.readAllStandardError());
  r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  return r;
}

ToolRun Rebuild() {
  QObject owner;
  return Finish(*StartTool(&owner));
}

void WriteRaw(const QByteArray& path, const QByteArray& bytes) {
  ASSERT_TRUE(testing::WriteRawFile(path, bytes)) << path.constData();
}

// The root ticked in the directory list, with a history line.
void ListRoot(const QString& root) {
  WriteBytes(DataFile(QString::fromLatin1(files::kDirectoryList)), PathToBytes(root) + "\r\n");
  WriteBytes(DataFile(QString::fromLatin1(files::kDirectoryFlags)), "true\r\n");
  WriteBytes(HistoryPath(), PathToBytes(root) + "/a.jpg\r\n");
}

QByteArray AllCatalogueFiles() {
  return ReadBytes(CatalogueDirsPath()) + '|' + ReadBytes(CatalogueRecordsPath()) + '|' +
         (QFileInfo::exists(ResetMarkerPath()) ? "marker" : "") + '|' + ReadBytes(HistoryPath());
}

// Names from old Windows or FAT disks (Latin-1 bytes) are catalogued with
// their bytes, and each catalogued path opens and decodes.
TEST(CatalogueTool, NamesThatAreNotUtf8AreCataloguedWithTheirBytes) {
  testing::ResetDataDirs();
  QTemporaryDir tmp;
  const QByteArray root = PathToBytes(tmp.path()) + "/Photos";
  const QByteArray jpeg = EncodeJpeg(QuadrantImage(64, 48));
  const QList<QByteArray> pictures{root + "/a.jpg", root + "/f\xeate.jpg",
                                   root + "/\xe9t\xe9 2003/p.jpg",
                                   root + "/\xe9t\xe9 2003/q\xff.jpg"};
  for (const QByteArray& p : pictures) WriteRaw(p, jpeg);
  ListRoot(PathFromBytes(root));

  const ToolRun run = Rebuild();
  ASSERT_EQ(run.code, 0) << run.err.toStdString();
  Catalogue c;
  ASSERT_EQ(LoadCatalogue(c), LoadResult::Loaded);
  QList<QByteArray> found;
  for (int i = 0; i < c.Count(); ++i) {
    found << PathToBytes(c.CataloguePath(i));
    const DecodedPicture picture = DecodePictureFile(c.CataloguePath(i), DecodeLimits{});
    EXPECT_EQ(picture.ownSize, QSize(64, 48)) << found.last().toStdString();
  }
  std::sort(found.begin(), found.end());
  QList<QByteArray> expected = pictures;
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(found, expected);
  // Valid names are stored exactly as ever: UTF-8 text, one line each.
  EXPECT_TRUE(ReadBytes(CatalogueDirsPath()).startsWith(root + "\r\n"));

  // The renaming lists and renames such a dated directory, its bytes kept.
  WriteRaw(root + "/051231 f\xeate/x.jpg", jpeg);
  const RenamePass preview = RenameByDate(PathFromBytes(root), false, QStringLiteral("20"));
  EXPECT_EQ(preview.count, 1);
  const RenamePass pass = RenameByDate(PathFromBytes(root), true, QStringLiteral("20"));
  EXPECT_EQ(pass.count, 1);
  EXPECT_EQ(::access((root + "/2005-12-31 f\xeate/x.jpg").constData(), F_OK), 0);
  // Qt's own removal cannot name these files.
  testing::RemoveRawTree(root);
}

// The nightly rebuild with the photo drive unplugged keeps the catalogue,
// its marker and the history, says so and fails.
TEST(CatalogueTool, NoTickedDirectoryPresentKeepsTheCatalogue) {
  testing::ResetDataDirs();
  QTemporaryDir tmp;
  const QString root = tmp.path() + QStringLiteral("/Disque");
  WriteRaw(PathToBytes(root) + "/a.jpg", "xyz");
  ListRoot(root);
  ASSERT_EQ(Rebuild().code, 0);
  WriteBytes(HistoryPath(), PathToBytes(root) + "/a.jpg\r\n");
  const QByteArray before = AllCatalogueFiles();
  ASSERT_TRUE(before.contains("marker"));

  ASSERT_TRUE(QDir(root).removeRecursively());
  const ToolRun run = Rebuild();
  EXPECT_EQ(run.code, 1);
  EXPECT_TRUE(run.err.contains(QStringLiteral("Aucun des répertoires cochés n'est présent")))
      << run.err.toStdString();
  EXPECT_EQ(AllCatalogueFiles(), before);
}

// One writer at a time in a data directory: while another holds it, the
// rebuild waits a little, then says it is busy and touches nothing; two
// rebuilds started together both end well, one after the other.
TEST(CatalogueTool, OneWriterAtATime) {
  testing::ResetDataDirs();
  QTemporaryDir tmp;
  const QString root = tmp.path() + QStringLiteral("/Photos");
  for (int d = 0; d < 20; ++d)
    for (int i = 0; i < 50; ++i)
      WriteRaw(
          PathToBytes(root) + "/d" + QByteArray::number(d) + "/" + QByteArray::number(i) + ".jpg",
          "xyz");
  ListRoot(root);
  ASSERT_EQ(Rebuild().code, 0);
  const QByteArray before = AllCatalogueFiles();
  {
    DataDirLock held;  // this process is the other writer
    ASSERT_TRUE(held.Take(kWriterPatience));
    const ToolRun run = Rebuild();
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("en cours d'écriture"))) << run.err.toStdString();
    EXPECT_EQ(AllCatalogueFiles(), before);
  }
  for (int round = 0; round < 3; ++round) {
    QObject owner;
    QProcess* first = StartTool(&owner);
    QProcess* second = StartTool(&owner);
    const ToolRun a = Finish(*first);
    const ToolRun b = Finish(*second);
    EXPECT_EQ(a.code, 0) << a.err.toStdString();
    EXPECT_EQ(b.code, 0) << b.err.toStdString();
    Catalogue c;
    ASSERT_EQ(LoadCatalogue(c), LoadResult::Loaded);
    ASSERT_EQ(c.Count(), 1000);
    for (int i = 0; i < c.Count(); ++i)
      ASSERT_TRUE(QFileInfo(c.CataloguePath(i)).isFile()) << c.CataloguePath(i).toStdString();
  }
}

}  // namespace
}  // namespace ld
