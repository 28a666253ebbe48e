#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <cstring>
#include <fstream>
#include <string>

#include "catalogue/CatalogueFiles.h"
#include "platform/DataDir.h"
#include "platform/Error.h"
#include "platform/Fatal.h"
#include "platform/PathBytes.h"
#include "platform/TextFile.h"
#include "support/FullDisk.h"
#include "support/TempData.h"

namespace ld {
namespace {

using testing::ReadBytes;
using testing::WriteBytes;

bool Exists(const QString& p) { return QFileInfo::exists(p); }

// The example of the format: 3 pictures in /d/A, then 2 in /d/A/B.
Catalogue FiveEntries() {
  Catalogue c;
  for (const char* n : {"a1.jpg", "a2.jpg", "a3.jpg"})
    EXPECT_TRUE(c.AppendCatalogueEntry(QStringLiteral("/d/A"), QString::fromLatin1(n)));
  for (const char* n : {"b1.jpg", "b2.jpg"})
    EXPECT_TRUE(c.AppendCatalogueEntry(QStringLiteral("/d/A/B"), QString::fromLatin1(n)));
  return c;
}

QByteArray Record(qint32 dirIndex, const QByteArray& name) {
  QByteArray r(kRecordSize, '\0');
  for (int i = 0; i < 4; ++i)
    r[i] = static_cast<char>((static_cast<quint32>(dirIndex) >> (8 * i)) & 0xFF);
  r[4] = static_cast<char>(name.size());
  for (int i = 0; i < name.size(); ++i) r[5 + i] = name[i];
  return r;
}

TEST(CatalogueFiles, RecordLayoutByteForByte) {
  CatalogueEntry e;
  std::memset(&e, 0xAB, sizeof e);  // whatever memory held before
  e.DirIndex = 0x01020304;
  const QByteArray name = QStringLiteral("Noël §.jpg").toUtf8();
  e.nameLength = static_cast<std::uint8_t>(name.size());
  std::memcpy(e.FileName, name.constData(), name.size());
  // Bytes of no meaning in memory are written as zero.
  char out[kRecordSize];
  EncodeCatalogueRecord(e, out);
  const QByteArray bytes(out, kRecordSize);
  EXPECT_EQ(bytes.left(4), QByteArray("\x04\x03\x02\x01", 4));
  EXPECT_EQ(static_cast<unsigned char>(bytes[4]), name.size());
  EXPECT_EQ(bytes.mid(5, name.size()), name);
  EXPECT_EQ(bytes.mid(5 + name.size()), QByteArray(kRecordSize - 5 - name.size(), '\0'));

  e.DirIndex = -2;
  EncodeCatalogueRecord(e, out);
  EXPECT_EQ(QByteArray(out, 4), QByteArray("\xfe\xff\xff\xff", 4));

  CatalogueEntry back;
  ASSERT_TRUE(DecodeCatalogueRecord(out, back));
  EXPECT_EQ(back.DirIndex, -2);
  EXPECT_EQ(back.Name(), QStringLiteral("Noël §.jpg"));
  out[4] = 81;
  EXPECT_FALSE(DecodeCatalogueRecord(out, back));
}

TEST(CatalogueFiles, SaveAndLoadTheFiveEntryExample) {
  testing::ResetDataDirs();  // no data directory: saving creates it
  const Catalogue c = FiveEntries();
  SaveCatalogue(c);
  EXPECT_TRUE(Exists(ResetMarkerPath()));
  EXPECT_EQ(ReadBytes(ResetMarkerPath()).size(), 0);
  EXPECT_EQ(ReadBytes(CatalogueDirsPath()), QByteArray("/d/A\r\n/d/A/B\r\n"));
  const QByteArray records = ReadBytes(CatalogueRecordsPath());
  ASSERT_EQ(records.size(), 440);
  EXPECT_EQ(records, Record(0, "a1.jpg") + Record(0, "a2.jpg") + Record(0, "a3.jpg") +
                         Record(1, "b1.jpg") + Record(1, "b2.jpg"));

  Catalogue loaded;
  ASSERT_EQ(LoadCatalogue(loaded), LoadResult::Loaded);
  ASSERT_EQ(loaded.Count(), 5);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(loaded.Entries()[i].DirIndex, c.Entries()[i].DirIndex);
    EXPECT_EQ(loaded.CataloguePath(i), c.CataloguePath(i));
  }
  EXPECT_EQ(loaded.CataloguePath(4), QStringLiteral("/d/A/B/b2.jpg"));
  // The loaded table keeps its index: a new picture of /d/A/B gets DirIndex 1.
  loaded.AppendCatalogueEntry(QStringLiteral("/d/A/B"), QStringLiteral("b3.jpg"));
  EXPECT_EQ(loaded.Entries().back().DirIndex, 1);
}

TEST(CatalogueFiles, NamesAndDirectoriesThatCannotBeStored) {
  Catalogue c;
  EXPECT_TRUE(c.AppendCatalogueEntry(QStringLiteral("/p/A"), QString(80, u'a')));
  EXPECT_FALSE(c.AppendCatalogueEntry(QStringLiteral("/p/A"), QString(81, u'a')));
  // 40 letters "é" are 80 bytes; one more is too many.
  EXPECT_TRUE(c.AppendCatalogueEntry(QStringLiteral("/p/A"), QString(40, QChar(0xE9))));
  EXPECT_FALSE(c.AppendCatalogueEntry(QStringLiteral("/p/A"), QString(41, QChar(0xE9))));
  EXPECT_FALSE(c.AppendCatalogueEntry(QStringLiteral("/p/A"), QStringLiteral("a\nb.jpg")));
  EXPECT_FALSE(c.AppendCatalogueEntry(QStringLiteral("/p/x\ry"), QStringLiteral("b.jpg")));
  // Letter case matters: two directories.
  EXPECT_TRUE(c.AppendCatalogueEntry(QStringLiteral("/p/a"), QStringLiteral("\"q\" 'r'.jpg")));
  EXPECT_EQ(c.Count(), 3);
  EXPECT_EQ(c.Directories(), (QStringList{QStringLiteral("/p/A"), QStringLiteral("/p/a")}));
  EXPECT_EQ(c.Entries()[2].DirIndex, 1);
  EXPECT_EQ(c.CataloguePath(2), QStringLiteral("/p/a/\"q\" 'r'.jpg"));
}

TEST(CatalogueFiles, AnEmptyCatalogueOnlyDeletesTheMarker) {
  testing::ResetDataDirs();
  SaveCatalogue(FiveEntries());
  const QByteArray before = ReadBytes(CatalogueRecordsPath());
  SaveCatalogue(Catalogue());
  EXPECT_FALSE(Exists(ResetMarkerPath()));
  EXPECT_EQ(ReadBytes(CatalogueRecordsPath()), before);
  EXPECT_TRUE(Exists(CatalogueDirsPath()));
}

TEST(CatalogueFiles, UntrustedFiles) {
  testing::ResetDataDirs();
  const QByteArray dirs2("/d/A\r\n/d/A/B\r\n");
  const QByteArray five =
      Record(0, "a") + Record(0, "b") + Record(0, "c") + Record(1, "d") + Record(1, "e");
  struct Case {
    const char* what;
    QByteArray dirs, records;
  };
  const Case cases[] = {
      {"cut in the middle of a record", dirs2, five.left(439)},
      {"one byte too many", dirs2, five + QByteArray(1, '\0')},
      {"DirIndex past the table", dirs2, five + Record(2, "f")},
      {"negative DirIndex", dirs2, Record(-1, "f")},
      {"directory file with fewer lines", QByteArray("/d/A\r\n"), five},
      {"length byte above 80", dirs2,
       [] {
         QByteArray r = Record(0, "a");
         r[4] = 81;
         return r;
       }()},
  };
  for (const Case& k : cases) {
    WriteBytes(CatalogueDirsPath(), k.dirs);
    WriteBytes(CatalogueRecordsPath(), k.records);
    Catalogue c = FiveEntries();
    EXPECT_EQ(LoadCatalogue(c), LoadResult::Untrusted) << k.what;
    EXPECT_EQ(c.Count(), 0) << k.what;
    EXPECT_TRUE(c.Directories().isEmpty()) << k.what;
  }
  // An empty record file is an empty catalogue, and a directory file that
  // is not UTF-8 is read too, each path keeping its bytes (the directory on
  // disk has exactly those bytes in its name).
  WriteBytes(CatalogueDirsPath(), QByteArray("/d/Noël\r\n").replace("\xc3\xab", "\xeb"));
  WriteBytes(CatalogueRecordsPath(), QByteArray());
  Catalogue empty;
  EXPECT_EQ(LoadCatalogue(empty), LoadResult::Loaded);
  EXPECT_EQ(empty.Count(), 0);
  ASSERT_EQ(empty.Directories().size(), 1);
  EXPECT_EQ(PathToBytes(empty.Directories()[0]), QByteArray("/d/No\xebl"));
}

// Enough entries to need several steps of storage growth (and the switch to
// large pages), saved while events are let through and loaded back.
TEST(CatalogueFiles, LargeCatalogueRoundTripsThroughTheFiles) {
  testing::ResetDataDirs();
  constexpr int kCount = 60000;
  Catalogue c;
  for (int i = 0; i < kCount; ++i) {
    const QByteArray name = "IMG_" + QByteArray::number(i) + (i % 7 ? ".jpg" : " été.JPG");
    c.AppendEntry(c.DirectoryIndexFor(QStringLiteral("/d/%1").arg(i / 1000)), name.constData(),
                  static_cast<int>(name.size()));
  }
  const Catalogue copy = c;  // a copy is its own: emptying c below leaves it whole
  // The catalogue is emptied during the save, as quitting does: what was
  // taken at the start is still written whole.
  SaveCatalogue(c, [&] { c.Clear(); });
  ASSERT_TRUE(Exists(ResetMarkerPath()));
  QByteArray expected;
  for (const CatalogueEntry& e : copy.Entries()) expected += Record(e.DirIndex, e.Name().toUtf8());
  ASSERT_EQ(ReadBytes(CatalogueRecordsPath()), expected);

  Catalogue loaded;
  ASSERT_EQ(LoadCatalogue(loaded), LoadResult::Loaded);
  ASSERT_EQ(loaded.Count(), kCount);
  EXPECT_EQ(loaded.Directories(), copy.Directories());
  for (int i : {0, 1, 23830, 23831, 47662, kCount - 1})
    EXPECT_EQ(loaded.CataloguePath(i), copy.CataloguePath(i)) << i;

  // Bytes of no meaning in a loaded file are written back as zero, and a
  // loaded catalogue can still grow.
  QByteArray dirty = Record(0, "a") + Record(0, "b");
  dirty[5 + 1 + 3] = 'x';
  dirty[kRecordSize + 86] = '\x7f';
  WriteBytes(CatalogueRecordsPath(), dirty);
  ASSERT_EQ(LoadCatalogue(loaded), LoadResult::Loaded);
  ASSERT_TRUE(loaded.AppendCatalogueEntry(copy.Directories()[0], QStringLiteral("c")));
  SaveCatalogue(loaded);
  EXPECT_EQ(ReadBytes(CatalogueRecordsPath()), Record(0, "a") + Record(0, "b") + Record(0, "c"));
}

// The directory table is kept as its file's lines and each name decoded when
// asked for: the names, their line ends of every kind, a U+FEFF that starts a
// later line and a last line without its end are what the text reader reads;
// the table's index finds a loaded name, and a new one goes after them.
TEST(CatalogueFiles, TheDirectoryTableReadsAsTheTextReaderReadsIt) {
  testing::ResetDataDirs();
  const QByteArray table =
      "\xEF\xBB\xBF/p/A\r\n/p/b\n/p/c\r\r/p/No\xC3\xABl\n\xEF\xBB\xBF/p/d\r\n/p/e";
  const QStringList lines = SplitLines(DecodeText(table));
  ASSERT_EQ(lines.size(), 7);
  WriteBytes(CatalogueDirsPath(), table);
  QByteArray records;
  for (int i = 0; i < lines.size(); ++i) records += Record(i, "x" + QByteArray::number(i));
  WriteBytes(CatalogueRecordsPath(), records);
  Catalogue c;
  ASSERT_EQ(LoadCatalogue(c), LoadResult::Loaded);
  EXPECT_EQ(c.Directories(), lines);
  EXPECT_EQ(c.CataloguePath(4), QStringLiteral("/p/Noël/x4"));
  EXPECT_EQ(c.CataloguePath(6), QStringLiteral("/p/e/x6"));
  EXPECT_EQ(c.DirectoryIndexFor(lines[5]), 5);
  EXPECT_EQ(c.DirectoryIndexFor(QStringLiteral("/p/f")), 7);
  EXPECT_EQ(c.Directories(), lines + QStringList{QStringLiteral("/p/f")});
}

TEST(CatalogueFiles, AFailedSaveLeavesNoMarker) {
  testing::ResetDataDirs();
  SaveCatalogue(FiveEntries());
  ASSERT_TRUE(Exists(ResetMarkerPath()));
  // The record file cannot be replaced (a directory stands in its place).
  QFile::remove(CatalogueRecordsPath());
  QDir().mkpath(CatalogueRecordsPath());
  try {
    SaveCatalogue(FiveEntries());
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_TRUE(e.message().startsWith(QStringLiteral("Impossible de créer le fichier")));
  }
  EXPECT_FALSE(Exists(ResetMarkerPath()));
  QDir(CatalogueRecordsPath()).removeRecursively();
}

TEST(CatalogueFiles, FullDiskKeepsTheOldFilesAndLeavesNoMarker) {
  testing::ResetDataDirs();
  SaveCatalogue(FiveEntries());
  const QByteArray oldRecords = ReadBytes(CatalogueRecordsPath());
  Catalogue bigger = FiveEntries();
  ASSERT_TRUE(bigger.AppendCatalogueEntry(QStringLiteral("/d/A"), QStringLiteral("a4.jpg")));
  // The directory file (14 bytes) fits under the limit, the records do not.
  EXPECT_EQ(
      testing::RunOnFullDisk(
          300, [&] { SaveCatalogue(bigger); }, CannotCreateFileMessage(CatalogueRecordsPath())),
      testing::kRaisedExpected);
  EXPECT_EQ(ReadBytes(CatalogueRecordsPath()), oldRecords);
  EXPECT_FALSE(Exists(ResetMarkerPath()));  // so the next start rebuilds
  EXPECT_EQ(testing::NamesIn(DataDir()), (QStringList{QString::fromLatin1(files::kCatalogueRecords),
                                                      QString::fromLatin1(files::kCatalogueDirs)}));
}

TEST(CatalogueFiles, RecordFileTooLargeForThisMachineIsRebuilt) {
  testing::ResetDataDirs();
  SaveCatalogue(FiveEntries());
  {
    // Sparse: 88 × 2^34 bytes (1.5 TB) take no room on the disk.
    QFile f(CatalogueRecordsPath());
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    if (!f.resize(qint64{kRecordSize} << 34)) GTEST_SKIP() << "no sparse file that large here";
  }
  Catalogue c;
  EXPECT_EQ(LoadCatalogue(c), LoadResult::Untrusted);
  EXPECT_EQ(c.Count(), 0);
  EXPECT_EQ(PrepareCatalogue(c,
                             [&] {
                               c = FiveEntries();
                               return RebuildOutcome::Scanned;
                             }),
            PrepareOutcome::RebuiltUntrusted);
  EXPECT_EQ(ReadBytes(CatalogueRecordsPath()).size(), 5 * kRecordSize);
  EXPECT_TRUE(Exists(ResetMarkerPath()));
}

TEST(CatalogueFiles, ChooseCatalogueAction) {
  EXPECT_EQ(ChooseCatalogueAction(true, true, true), CatalogueAction::Load);
  EXPECT_EQ(ChooseCatalogueAction(true, false, true), CatalogueAction::RebuildKeepHistory);
  EXPECT_EQ(ChooseCatalogueAction(true, true, false), CatalogueAction::RebuildKeepHistory);
  for (bool r : {false, true})
    for (bool d : {false, true})
      EXPECT_EQ(ChooseCatalogueAction(false, r, d), CatalogueAction::RebuildDropHistory);
}

TEST(CatalogueFiles, PrepareCatalogueCases) {
  const QByteArray history("/p/a.jpg\r\n");
  int rebuilds = 0;
  Catalogue c;
  auto rebuild = [&] {
    ++rebuilds;
    c.Clear();
    c.AppendCatalogueEntry(QStringLiteral("/new"), QStringLiteral("n.jpg"));
    return RebuildOutcome::Scanned;
  };
  auto setUp = [&](bool marker, bool records) {
    testing::ResetDataDirs();
    SaveCatalogue(FiveEntries());
    if (!marker) QFile::remove(ResetMarkerPath());
    if (!records) QFile::remove(CatalogueRecordsPath());
    WriteBytes(HistoryPath(), history);
    rebuilds = 0;
    c.Clear();
  };

  // Marker and both files: loaded, nothing else touched.
  setUp(true, true);
  EXPECT_EQ(PrepareCatalogue(c, rebuild), PrepareOutcome::Loaded);
  EXPECT_EQ(rebuilds, 0);
  EXPECT_EQ(c.Count(), 5);
  EXPECT_EQ(ReadBytes(HistoryPath()), history);

  // Marker without the record file: rebuilt and saved, history kept.
  setUp(true, false);
  EXPECT_EQ(PrepareCatalogue(c, rebuild), PrepareOutcome::RebuiltMissingFile);
  EXPECT_EQ(rebuilds, 1);
  EXPECT_EQ(ReadBytes(HistoryPath()), history);
  EXPECT_TRUE(Exists(ResetMarkerPath()));
  EXPECT_EQ(ReadBytes(CatalogueRecordsPath()).size(), kRecordSize);

  // No marker: the history file goes, then rebuilt and saved.
  setUp(false, true);
  EXPECT_EQ(PrepareCatalogue(c, rebuild), PrepareOutcome::RebuiltWithoutMarker);
  EXPECT_EQ(rebuilds, 1);
  EXPECT_FALSE(Exists(HistoryPath()));
  EXPECT_TRUE(Exists(ResetMarkerPath()));
  EXPECT_EQ(ReadBytes(CatalogueDirsPath()), QByteArray("/new\r\n"));

  // An untrusted pair beside the marker: rebuilt like a missing file.
  setUp(true, true);
  WriteBytes(CatalogueRecordsPath(), ReadBytes(CatalogueRecordsPath()).chopped(1));
  EXPECT_EQ(PrepareCatalogue(c, rebuild), PrepareOutcome::RebuiltUntrusted);
  EXPECT_EQ(rebuilds, 1);
  EXPECT_EQ(ReadBytes(HistoryPath()), history);
  Catalogue again;
  EXPECT_EQ(LoadCatalogue(again), LoadResult::Loaded);
  EXPECT_EQ(again.CataloguePath(0), QStringLiteral("/new/n.jpg"));

  // A rebuild that finds nothing leaves no marker, so the next start
  // rebuilds again.
  setUp(false, true);
  EXPECT_EQ(PrepareCatalogue(c,
                             [&] {
                               c.Clear();
                               return RebuildOutcome::Scanned;
                             }),
            PrepareOutcome::RebuiltWithoutMarker);
  EXPECT_FALSE(Exists(ResetMarkerPath()));
  EXPECT_EQ(ChooseCatalogueAction(), CatalogueAction::RebuildDropHistory);
}

// The loaded catalogue is the program's own: another program truncating or
// rewriting the files in place afterwards changes nothing in it (and the
// show never faults on it).
TEST(CatalogueFiles, ALoadedCatalogueOutlivesChangesToItsFiles) {
  testing::ResetDataDirs();
  Catalogue saved;
  for (int i = 0; i < 3000; ++i)
    saved.AppendCatalogueEntry(QStringLiteral("/d/%1").arg(i / 100),
                               QStringLiteral("%1.jpg").arg(i));
  SaveCatalogue(saved);
  Catalogue loaded;
  ASSERT_EQ(LoadCatalogue(loaded), LoadResult::Loaded);
  const QByteArray records = ReadBytes(CatalogueRecordsPath());
  for (const QString& path : {CatalogueRecordsPath(), CatalogueDirsPath()})
    ASSERT_EQ(::truncate(PathToBytes(path).constData(), 0), 0);
  for (int i = 0; i < loaded.Count(); ++i)
    ASSERT_EQ(loaded.CataloguePath(i), saved.CataloguePath(i));
  // Rewritten in place (same file, same length) with other directory numbers.
  {
    QByteArray other = records;
    for (qsizetype at = 0; at < other.size(); at += kRecordSize) other[at] = 0x7f;
    QFile f(CatalogueRecordsPath());
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_EQ(f.write(other), other.size());
  }
  for (int i = 0; i < loaded.Count(); ++i)
    ASSERT_EQ(loaded.CataloguePath(i), saved.CataloguePath(i));
}

// The process's address space in use now (VmSize), in bytes.
rlim_t AddressSpaceInUse() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmSize:", 0) == 0) return std::stoull(line.substr(7)) * 1024;
  return 0;
}

// Under an address-space limit (ulimit -v) of 1.5 GB more than the process
// uses, a catalogue of 100 000 pictures is built, copied, saved and loaded;
// and an allocation that fails with nothing to catch it ends the process
// with a French message and exit code 1, not an abort. Each in a child
// process, which alone has the limit.
TEST(CatalogueFiles, AnAddressSpaceLimitAndAFailedAllocation) {
  testing::ResetDataDirs();
  const rlim_t limit = AddressSpaceInUse() + (rlim_t{3} << 29);
  ASSERT_GT(limit, rlim_t{3} << 29);
  const auto inChild = [limit](const std::function<int()>& work) {
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
      const rlimit l{limit, limit};
      ::setrlimit(RLIMIT_AS, &l);
      // An exception leaving the work meets no handler of the test's.
      std::_Exit([&]() noexcept { return work(); }());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
  };
  const int built = inChild([] {
    try {
      Catalogue c;
      for (int i = 0; i < 100000; ++i)
        c.AppendCatalogueEntry(QStringLiteral("/p/%1").arg(i / 200),
                               QStringLiteral("IMG_%1.jpg").arg(i));
      const Catalogue copy = c;
      SaveCatalogue(copy);
      Catalogue loaded;
      if (LoadCatalogue(loaded) != LoadResult::Loaded || loaded.Count() != 100000) return 3;
      return loaded.CataloguePath(99999) == QStringLiteral("/p/499/IMG_99999.jpg") ? 0 : 4;
    } catch (const std::bad_alloc&) {
      return 2;
    }
  });
  EXPECT_TRUE(WIFEXITED(built) && WEXITSTATUS(built) == 0) << "status " << built;

  const int failed = inChild([] {
    EndCleanlyOnUncaughtException("luminodrift-test");
    // What an allocation throws when the limit stops it (thrown here, as the
    // sanitizers' allocator would end the process itself).
    throw std::bad_alloc();
    return 0;
  });
  EXPECT_TRUE(WIFEXITED(failed) && WEXITSTATUS(failed) == 1) << "status " << failed;
}

}  // namespace
}  // namespace ld
