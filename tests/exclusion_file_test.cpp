#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdint>
#include <iterator>

#include "catalogue/CatalogueFiles.h"
#include "catalogue/ExclusionFile.h"
#include "catalogue/ScanRules.h"
#include "platform/DataDir.h"
#include "platform/Error.h"
#include "platform/TextFile.h"
#include "support/Recording.h"
#include "support/TempData.h"
#include "support/TestWindow.h"

namespace ld {
namespace {

using testing::RecordingDialogs;

QStringList L(std::initializer_list<const char*> lines) {
  QStringList out;
  for (const char* l : lines) out << QString::fromUtf8(l);
  return out;
}

TEST(ExclusionFile, ExampleOfTheFormat) {
  RecordingDialogs d;
  const ExclusionLists lists = ParseExclusionLines(
      L({"' mes exclusions", "", "**/p/Privé", "+*/p/2005-07 Vacances", "IMG_0001.JPG",
         "DSC1.JPG...DSC3.JPG", "-", "texte libre", "**/p/Autre", ""}),
      d);
  EXPECT_EQ(lists.directories, L({"/p/Privé", "/p/Autre"}));
  EXPECT_EQ(PictureItems(lists),
            L({"/p/2005-07 Vacances/IMG_0001.JPG", "/p/2005-07 Vacances/DSC1.JPG",
               "/p/2005-07 Vacances/DSC2.JPG", "/p/2005-07 Vacances/DSC3.JPG"}));
  EXPECT_TRUE(d.notices.isEmpty());
}

TEST(ExclusionFile, RangesAndBlockLines) {
  RecordingDialogs d;
  const ExclusionLists lists = ParseExclusionLines(
      L({"+*/D", "IMG_0008.JPG...IMG_0010.JPG", "DSC1.JPG...5", "old/DSC1.JPG...DSC2.JPG",
         "old/DSC1.JPG", "IMG2_001.JPG...IMG2_003.JPG", "B9.JPG...B8.JPG", "- ", "-", "x"}),
      d);
  EXPECT_EQ(PictureItems(lists),
            L({"/D/IMG_8.JPG", "/D/IMG_9.JPG", "/D/IMG_10.JPG",             // zeros are not kept
               "/D/1.JPG", "/D/2.JPG", "/D/3.JPG", "/D/4.JPG", "/D/5.JPG",  // prefix of "5"
               "/D/DSC1.JPG", "/D/DSC2.JPG",  // the part up to the last "/" is dropped
               "/D/old/DSC1.JPG",             // but kept without a range
               "/D/IMG_2001.JPG", "/D/IMG_2002.JPG", "/D/IMG_2003.JPG",
               // B9...B8 gives nothing; "- " does not end the block
               "/D/- "}));
  EXPECT_TRUE(lists.directories.isEmpty());
}

TEST(ExclusionFile, MarkersAndBlocksAtTheEnd) {
  RecordingDialogs d;
  // Misspelt markers and a leading blank make plain text.
  ExclusionLists lists = ParseExclusionLines(L({"*+/a", " **/b", "'**/c", "**"}), d);
  EXPECT_EQ(lists.directories, L({""}));
  EXPECT_TRUE(lists.pictures.isEmpty());

  // A block left open at the end of the file loses its last line.
  lists = ParseExclusionLines(L({"+*/D", "a.jpg", "b.jpg", "c.jpg"}), d);
  EXPECT_EQ(lists.pictures, L({"/D/a.jpg", "/D/b.jpg"}));
  // A header on the last line opens an empty block.
  lists = ParseExclusionLines(L({"**/x", "+*/D"}), d);
  EXPECT_EQ(lists.directories, L({"/x"}));
  EXPECT_TRUE(lists.pictures.isEmpty());
  // After "-", ordinary lines again, and a second block.
  lists = ParseExclusionLines(L({"+*/D", "a.jpg", "-", "**/y", "+*/E", "b.jpg", "-", ""}), d);
  EXPECT_EQ(lists.directories, L({"/y"}));
  EXPECT_EQ(lists.pictures, L({"/D/a.jpg", "/E/b.jpg"}));
  // "**" is taken away first; what is left may open a block.
  lists = ParseExclusionLines(L({"**+*/F", "c.jpg", "-"}), d);
  EXPECT_EQ(lists.directories, L({"+*/F"}));
  EXPECT_EQ(lists.pictures, L({"/F/c.jpg"}));
}

TEST(ExclusionFile, RepairedUtf8AndBoundedRanges) {
  RecordingDialogs d;
  ExclusionLists lists = ParseExclusionLines(
      QStringList{QStringLiteral("**/p/Ã©tÃ©"), QStringLiteral("+*/p/Ã©tÃ©"),
                  QStringLiteral("A1.JPG...A1000000000.JPG"), QStringLiteral("-")},
      d);
  EXPECT_EQ(lists.directories, QStringList{QStringLiteral("/p/été")});
  // A range of a billion numbers yields the first 100000 only.
  const QStringList items = PictureItems(lists);
  ASSERT_EQ(items.size(), kMaxRangeItems);
  EXPECT_EQ(items.front(), QStringLiteral("/p/été/A1.JPG"));
  EXPECT_EQ(items.back(), QStringLiteral("/p/été/A100000.JPG"));

  // Too many digits for a 32-bit number: the conversion message, and 0.
  lists = ParseExclusionLines(L({"+*/D", "X99999999999.JPG...X2.JPG", "-", ""}), d);
  EXPECT_EQ(d.notices.size(), 1);
  EXPECT_TRUE(d.notices.front().contains(QStringLiteral("99999999999")));
  EXPECT_EQ(PictureItems(lists), L({"/D/X0.JPG", "/D/X1.JPG", "/D/X2.JPG"}));

  // The largest number ends the loop.
  lists = ParseExclusionLines(L({"+*/D", "X2147483646.JPG...X2147483647.JPG", "-", ""}), d);
  EXPECT_EQ(PictureItems(lists), L({"/D/X2147483646.JPG", "/D/X2147483647.JPG"}));
}

TEST(ExclusionFile, ReadingTheFile) {
  testing::ResetDataDirs();
  RecordingDialogs d;
  const QString path = DataFile(QString::fromLatin1(files::kExclusion));
  EXPECT_TRUE(ReadExclusionFile(path, true, d).directories.isEmpty());  // missing file

  // CR LF, LF alone and CR alone all end lines; 0x1A ends the file.
  testing::WriteBytes(path, "**/a\r\n**/b\n**/c\r+*/D\nx.jpg\n-\n\x1a**/after\r\n");
  ExclusionLists lists = ReadExclusionFile(path, true, d);
  EXPECT_EQ(lists.directories, L({"/a", "/b", "/c"}));
  EXPECT_EQ(lists.pictures, L({"/D/x.jpg"}));
  // The box unchecked: nothing, although the file is there.
  EXPECT_TRUE(ReadExclusionFile(path, false, d).directories.isEmpty());

  // Windows-1252 bytes.
  testing::WriteBytes(path, "**/p/Priv\xe9\r\n");
  EXPECT_EQ(ReadExclusionFile(path, true, d).directories, QStringList{QStringLiteral("/p/Privé")});
  // UTF-8 bytes.
  testing::WriteBytes(path, "**/p/Priv\xc3\xa9\n");
  EXPECT_EQ(ReadExclusionFile(path, true, d).directories, QStringList{QStringLiteral("/p/Privé")});
}

TEST(ExclusionFile, StarterFileExplainsAndExcludesNothing) {
  testing::ResetDataDirs();
  RecordingDialogs d;
  const QString path = DataFile(QString::fromLatin1(files::kExclusion));
  CreateExclusionFileIfMissing(path);  // creates the data directory too
  const auto lines = ReadTextLines(path);
  ASSERT_TRUE(lines.has_value());
  EXPECT_GE(lines->size(), 5);
  for (const QString& l : *lines)
    EXPECT_TRUE(l.isEmpty() || l.startsWith(u'\'')) << l.toStdString();
  const ExclusionLists lists = ReadExclusionFile(path, true, d);
  EXPECT_TRUE(lists.directories.isEmpty());
  EXPECT_TRUE(lists.pictures.isEmpty());

  // An existing file is never replaced.
  testing::WriteBytes(path, "**/mine\r\n");
  CreateExclusionFileIfMissing(path);
  EXPECT_EQ(testing::ReadBytes(path), QByteArray("**/mine\r\n"));
}

TEST(ExclusionFile, RangesMatchAsTheirWrittenOutItemsWould) {
  RecordingDialogs d;
  const ExclusionLists lists = ParseExclusionLines(
      L({"**/p/Priv", "+*/p/V", "IMG_0008.JPG...IMG_0012.JPG", "DSC1...DSC30", "0.jpg...3.jpg",
         "a5.png...a7.png", "IMG_9.JPG", "-", "+*/p", "x9.jpg...x11.jpg", "-", ""}),
      d);
  QStringList items = lists.directories + PictureItems(lists);
  ScanFilter f;
  f.marking = 1;
  f.useExclusionLists = true;
  const PictureRules rules(f, lists);
  const ExclusionMatcher& matcher = rules.Exclusions();
  const char* const starts[] = {"/p/V/", "/p/", "x/p/V/", "/p/Priv", "/q/", "/p/V/DSC3/"};
  const char* const pieces[] = {"/",    "IMG_", "DSC",  "0",  "1",  "2",    "3",
                                "8",    "9",    "10",   "12", "30", "31",   "007",
                                ".JPG", ".jpg", ".png", "a",  "x",  "/p/V/"};
  std::uint32_t seed = 99;
  auto random = [&](int n) {
    seed = seed * 1103515245u + 12345u;
    return static_cast<int>((seed >> 16) % static_cast<std::uint32_t>(n));
  };
  int excluded = 0;
  for (int round = 0; round < 3000; ++round) {
    QString path = QString::fromLatin1(starts[random(static_cast<int>(std::size(starts)))]);
    const int n = 1 + random(5);
    for (int i = 0; i < n; ++i)
      path += QString::fromLatin1(pieces[random(static_cast<int>(std::size(pieces)))]);
    bool expected = false;
    for (const QString& item : items) expected = expected || path.contains(item);
    excluded += expected ? 1 : 0;
    ASSERT_EQ(!rules.PassesExclusionLists(path), expected) << path.toStdString();
    // The scan's way: the directory once, then the name.
    const qsizetype slash = path.lastIndexOf(u'/');
    if (slash < 0) continue;
    const auto state = matcher.ForDirectory(path.left(slash));
    ASSERT_EQ(matcher.MatchesName(state, path.mid(slash + 1)), expected) << path.toStdString();
  }
  EXPECT_GT(excluded, 500);
  EXPECT_LT(excluded, 2500);
}

TEST(ExclusionFile, UnreadableOrHugeFilesStopTheReadingWithTheirName) {
  testing::ResetDataDirs();
  RecordingDialogs d;
  const QString path = DataFile(QString::fromLatin1(files::kExclusion));
  QDir().mkpath(path);  // a directory in its place: even root cannot read it
  try {
    ReadExclusionFile(path, true, d);
    ADD_FAILURE() << "a directory was read as an empty exclusion file";
  } catch (const Error& e) {
    EXPECT_TRUE(e.message().contains(path)) << e.message().toStdString();
    EXPECT_TRUE(e.message().startsWith(QStringLiteral("Impossible de lire")))
        << e.message().toStdString();
  }
  // The box unchecked: the file is not looked at.
  EXPECT_TRUE(ReadExclusionFile(path, false, d).directories.isEmpty());
  QDir().rmdir(path);
  // A FIFO is refused at once instead of waiting for a writer.
  ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
  EXPECT_THROW(ReadExclusionFile(path, true, d), Error);
  QFile::remove(path);
  // Too large to be a list of exclusions.
  testing::WriteBytes(path, QByteArray(kMaxExclusionFileBytes + 1, '\n'));
  EXPECT_THROW(ReadExclusionFile(path, true, d), Error);

  // 200 ranges of a billion numbers each once took gigabytes; they are kept
  // as 200 intervals.
  QByteArray many = "+*/p\r\n";
  for (int i = 0; i < 200; ++i) many += "A1.JPG...A1000000000.JPG\r\n";
  many += "-\r\n";
  testing::WriteBytes(path, many);
  const ExclusionLists lists = ReadExclusionFile(path, true, d);
  EXPECT_EQ(lists.ranges.size(), 200);
  EXPECT_TRUE(lists.pictures.isEmpty());
  // Items that repeat a long block directory are bounded in all.
  const QByteArray longDir = "+*/" + QByteArray(100000, 'd') + "\r\n";
  QByteArray repeated = longDir;
  for (int i = 0; i < 200; ++i) repeated += "x.jpg\r\n";
  repeated += "-\r\n";
  testing::WriteBytes(path, repeated);
  EXPECT_THROW(ReadExclusionFile(path, true, d), Error);
}

TEST(ExclusionFile, UnreadableFileStopsTheStartBeforeAnyRebuild) {
  QTemporaryDir photos;
  testing::WriteBytes(photos.path() + QStringLiteral("/a.jpg"), "xyz");
  {
    testing::TestWindow w;
    w->CheckBox_fic_exclusion->setChecked(true);
    w->SaveSettings();
  }
  testing::WriteBytes(DataFile(QString::fromLatin1(files::kDirectoryList)),
                      photos.path().toUtf8() + "\r\n");
  QFile::remove(DataFile(QString::fromLatin1(files::kDirectoryFlags)));  // every directory ticked
  const QString path = DataFile(QString::fromLatin1(files::kExclusion));
  QDir().mkpath(path);
  testing::TestWindow w(QSize(1920, 1080), QString(), /*keepData=*/true);
  w->Start();
  // The message names the file, and the pictures it might exclude were not
  // catalogued without it.
  ASSERT_EQ(w.fake.dialogs.errors.size(), 1);
  EXPECT_TRUE(w.fake.dialogs.errors.front().contains(path));
  EXPECT_EQ(w->catalogue.Count(), 0);
  EXPECT_FALSE(QFileInfo::exists(CatalogueRecordsPath()));
}

}  // namespace
}  // namespace ld
