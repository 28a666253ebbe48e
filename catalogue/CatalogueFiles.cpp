#include "catalogue/CatalogueFiles.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QtEndian>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <future>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <string_view>

#include "catalogue/DirectoryScan.h"
#include "platform/AtomicFile.h"
#include "platform/DataDir.h"
#include "platform/DataDirLock.h"
#include "platform/Error.h"
#include "platform/PathBytes.h"
#include "platform/Paths.h"
#include "platform/TextFile.h"

namespace ld {
namespace {

static_assert(offsetof(CatalogueEntry, DirIndex) == 0);
static_assert(offsetof(CatalogueEntry, nameLength) == 4);
static_assert(offsetof(CatalogueEntry, FileName) == 5);
static_assert(offsetof(CatalogueEntry, padding) == 85);
static_assert(sizeof(CatalogueEntry) == kRecordSize);

constexpr bool kHostIsLittleEndian = QSysInfo::ByteOrder == QSysInfo::LittleEndian;

// Records are written in chunks of this many, so saving a large catalogue
// needs no second copy of it in memory.
constexpr size_t kRecordsPerChunk = 4096;
// Records read at once when the loaded file is checked (176 KB).
constexpr size_t kCheckChunk = 2048;

// How long a save on the second thread goes without letting events through.
constexpr std::chrono::milliseconds kSaveEventsInterval{4};
constexpr int kWriterNice = 10;

bool Exists(const QString& path) { return QFileInfo::exists(path); }

// Writes the first count entries of block.
void WriteRecordFile(const QString& path, const EntryBlock& block, size_t count) {
  EnsureDataDir();
  AtomicFile f(path);
  f.Open();
  const CatalogueEntry* entries = block.Data();
  if (kHostIsLittleEndian && block.UnusedBytesAreZero()) {
    // The entries are the records byte for byte: written as they are, in
    // large writes.
    constexpr size_t kBytesPerWrite = size_t{8} << 20;
    const char* bytes = reinterpret_cast<const char*>(entries);
    for (size_t done = 0, total = count * kRecordSize; done < total; done += kBytesPerWrite)
      f.Write(bytes + done, static_cast<qint64>(std::min(kBytesPerWrite, total - done)));
  } else {
    std::vector<char> chunk(kRecordsPerChunk * kRecordSize);
    for (size_t i = 0; i < count; i += kRecordsPerChunk) {
      const size_t n = std::min(kRecordsPerChunk, count - i);
      for (size_t k = 0; k < n; ++k) EncodeCatalogueRecord(entries[i + k], &chunk[k * kRecordSize]);
      f.Write(chunk.data(), static_cast<qint64>(n * kRecordSize));
    }
  }
  f.Commit();
}

// Whether a catalogue file of this many bytes can be one that this machine
// made: the catalogue was held whole in memory when it was built, and it
// counts its entries in a signed 32-bit number. A larger file (a damaged or
// foreign one) is not read at all; allocating for it could exhaust memory.
bool CouldBeMadeHere(std::uint64_t bytes) {
  if (bytes / kRecordSize > static_cast<std::uint64_t>(INT32_MAX)) return false;
  const long pages = ::sysconf(_SC_PHYS_PAGES);
  const long pageSize = ::sysconf(_SC_PAGESIZE);
  if (pages <= 0 || pageSize <= 0) return true;  // unknown: the allocation decides
  return bytes / static_cast<std::uint64_t>(pageSize) < static_cast<std::uint64_t>(pages);
}

// Reads exactly n bytes from offset `at`; false on a read error or a short
// file.
bool ReadFully(int fd, char* out, size_t n, off_t at) {
  while (n > 0) {
    const ssize_t got = ::pread(fd, out, n, at);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    out += got;
    n -= static_cast<size_t>(got);
    at += got;
  }
  return true;
}

// Makes the pages under [p, p + n) present and writable in one call, so
// that the read into them does not stop at each page for a fault of its own
// (a call fewer per page: on a virtual machine each fault costs an exit to
// the host). Memory the system cannot give is left to the read's own faults,
// which then fail the read.
void PrepareFreshMemory(char* p, size_t n) {
#ifdef MADV_POPULATE_WRITE
  const long page = ::sysconf(_SC_PAGESIZE);
  if (page <= 0 || n == 0) return;
  const auto start = reinterpret_cast<std::uintptr_t>(p) / page * page;
  const auto end = reinterpret_cast<std::uintptr_t>(p) + n;
  ::madvise(reinterpret_cast<void*>(start), end - start, MADV_POPULATE_WRITE);
#else
  (void)p;
  (void)n;
#endif
}

// An open file's descriptor, closed when it goes.
struct OpenFile {
  explicit OpenFile(const QString& path)
      : fd(::open(PathToBytes(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {}
  ~OpenFile() {
    if (fd >= 0) ::close(fd);
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  const int fd;
};

// Reads the file's `count` records into `entries` and checks their fields, a
// piece at a time; the pieces are taken in turn from `next` by every thread
// that reads. False when the file cannot be read whole or a record's fields
// are out of range (a name longer than a record holds, a negative directory
// index); `largest` gets the largest index seen.
bool ReadAndCheckRecords(int fd, size_t count, CatalogueEntry* entries, std::atomic<size_t>& next,
                         std::int32_t& largest) {
  bool valid = true;
  std::int32_t most = -1;
  for (;;) {
    const size_t first = next.fetch_add(kCheckChunk);
    if (first >= count) break;
    const size_t n = std::min(kCheckChunk, count - first);
    char* bytes = reinterpret_cast<char*>(entries + first);
    PrepareFreshMemory(bytes, n * kRecordSize);
    if (!ReadFully(fd, bytes, n * kRecordSize, static_cast<off_t>(first * kRecordSize))) {
      valid = false;
      break;
    }
    for (size_t k = 0; k < n; ++k) {
      const char* r = bytes + k * kRecordSize;
      const auto dir = qFromLittleEndian<qint32>(r);
      valid &= static_cast<std::uint8_t>(r[4]) <= kMaxNameBytes && dir >= 0;
      most = std::max(most, dir);
    }
  }
  largest = most;
  return valid;
}

// The records, or nothing when the file cannot be read whole, its length is
// not a multiple of the record size, or a record's fields are out of range
// (a name longer than a record holds, a negative directory index); `largest`
// gets the largest directory index (-1 without records). The file is read
// whole into memory of the catalogue's own: whatever another program does
// to the file afterwards (truncating it, rewriting it in place), the loaded
// entries stay as they were read. On a little-endian host the records are
// the in-memory entries and are read straight into place, by a second
// thread and by this one once `alongside` has run. `alongside` runs
// whenever a result is returned.
std::optional<CatalogueEntries> ReadRecordFile(const QString& path, std::int32_t& largest,
                                               const std::function<void()>& alongside) {
  largest = -1;
  const OpenFile file(path);
  const int fd = file.fd;
  if (fd < 0) return std::nullopt;
  struct stat st;
  std::optional<CatalogueEntries> result;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 0 &&
      st.st_size % kRecordSize == 0 && CouldBeMadeHere(static_cast<std::uint64_t>(st.st_size))) {
    const size_t count = static_cast<size_t>(st.st_size) / kRecordSize;
    if (count == 0) {
      alongside();
      result.emplace();
    } else if (kHostIsLittleEndian) {
      auto block = std::make_unique<EntryBlock>();
      block->Reserve(count);
      CatalogueEntry* entries = block->AppendForRecords(count);
      std::atomic<size_t> next{0};
      std::int32_t largestThere = -1, largestHere = -1;
      auto there = std::async(std::launch::async, [fd, count, entries, &next, &largestThere] {
        return ReadAndCheckRecords(fd, count, entries, next, largestThere);
      });
      alongside();
      bool valid = ReadAndCheckRecords(fd, count, entries, next, largestHere);
      valid &= there.get();
      largest = std::max(largestThere, largestHere);
      if (valid) result.emplace(std::move(block));
    } else {
      CatalogueEntries entries;
      entries.reserve(count);
      std::vector<char> chunk(kRecordsPerChunk * kRecordSize);
      bool ok = true;
      for (size_t i = 0; ok && i < count; i += kRecordsPerChunk) {
        const size_t n = std::min(kRecordsPerChunk, count - i);
        ok = ReadFully(fd, chunk.data(), n * kRecordSize, static_cast<off_t>(i * kRecordSize));
        for (size_t k = 0; ok && k < n; ++k) {
          CatalogueEntry& e = entries.emplace_back();
          ok = DecodeCatalogueRecord(&chunk[k * kRecordSize], e) && e.DirIndex >= 0;
          largest = std::max(largest, e.DirIndex);
        }
      }
      if (ok) {
        alongside();
        result = std::move(entries);
      }
    }
  }
  return result;
}

// The directory table's lines, read whole into memory (so the table never
// depends on the file once loaded) and each line decoded when it is asked
// for. A line's bytes are the directory's path as on disk: valid UTF-8 reads
// as ever, and any other byte is kept as it is (PathFromBytes). A CR, an LF
// or the pair ends a line; a leading UTF-8 byte-order mark is dropped.
std::optional<DirectoryTable> ReadDirectoryTable(const QString& path) {
  const OpenFile file(path);
  const int fd = file.fd;
  if (fd < 0) return std::nullopt;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0 ||
      !CouldBeMadeHere(static_cast<std::uint64_t>(st.st_size)))
    return std::nullopt;
  const auto length = static_cast<size_t>(st.st_size);
  auto read = std::make_shared<QByteArray>(static_cast<qsizetype>(length), Qt::Uninitialized);
  if (length > 0 && !ReadFully(fd, read->data(), length, 0)) return std::nullopt;
  QByteArrayView bytes(*read);
  if (bytes.startsWith("\xEF\xBB\xBF")) bytes = bytes.sliced(3);
  return DirectoryTable::FromLines(bytes, std::move(read));
}

// The directory table as the file's bytes: each path's bytes as on disk,
// each line ended by CR LF.
QByteArray DirectoryTableBytes(const QStringList& dirs) {
  QByteArray bytes;
  for (const QString& d : dirs) {
    bytes += PathToBytes(d);
    bytes += "\r\n";
  }
  return bytes;
}

}  // namespace

QString CatalogueDirsPath() { return DataFile(QString::fromLatin1(files::kCatalogueDirs)); }
QString CatalogueRecordsPath() { return DataFile(QString::fromLatin1(files::kCatalogueRecords)); }
QString ResetMarkerPath() { return DataFile(QString::fromLatin1(files::kResetMarker)); }
QString HistoryPath() { return DataFile(QString::fromLatin1(files::kHistory)); }

void EncodeCatalogueRecord(const CatalogueEntry& entry, char* out) {
  std::memset(out, 0, kRecordSize);
  qToLittleEndian<qint32>(entry.DirIndex, out);
  const int length = std::min<int>(entry.nameLength, kMaxNameBytes);
  out[4] = static_cast<char>(length);
  std::memcpy(out + 5, entry.FileName, static_cast<size_t>(length));
}

bool DecodeCatalogueRecord(const char* in, CatalogueEntry& entry) {
  entry = CatalogueEntry{};
  entry.DirIndex = qFromLittleEndian<qint32>(in);
  entry.nameLength = static_cast<std::uint8_t>(in[4]);
  if (entry.nameLength > kMaxNameBytes) return false;
  std::memcpy(entry.FileName, in + 5, entry.nameLength);
  return true;
}

void SaveCatalogue(const Catalogue& catalogue, const std::function<void()>& letEventsThrough) {
  DeleteFileSilently(ResetMarkerPath());
  if (catalogue.IsEmpty()) return;
  const QString dirsPath = CatalogueDirsPath();
  const QString recordsPath = CatalogueRecordsPath();
  // What is written is taken now: the writer holds the entries' storage, so
  // it stays valid even if the catalogue is emptied meanwhile.
  const QByteArray dirs = DirectoryTableBytes(catalogue.Directories().ToList());
  const std::shared_ptr<const EntryBlock> block = catalogue.Entries().Share();
  const size_t count = catalogue.Entries().size();
  const QString markerPath = ResetMarkerPath();
  // The marker is created only once both files are in place.
  auto write = [dirsPath, recordsPath, markerPath, dirs, block, count] {
    WriteFileAtomically(dirsPath, dirs);
    WriteRecordFile(recordsPath, *block, count);
    CreateEmptyFile(markerPath);
  };
  if (!letEventsThrough) {
    write();
  } else {
    // Writing and syncing a large catalogue takes long: it is done on a
    // second thread while this one keeps processing events.
    auto done = std::async(std::launch::async, [&write] {
      // The writer yields to this thread: on a busy machine it would
      // otherwise hold a processor while events wait (on Linux a thread's
      // nice value is its own).
      ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kWriterNice);
      write();
    });
    while (done.wait_for(kSaveEventsInterval) != std::future_status::ready) letEventsThrough();
    done.get();  // rethrows the writer's error
  }
}

LoadResult LoadCatalogue(Catalogue& catalogue) {
  catalogue.Clear();
  try {
    // The two files are independent until they are checked against each
    // other: the directory table is read while the records are checked.
    std::optional<DirectoryTable> dirs;
    std::int32_t largestDir = -1;
    auto entries = ReadRecordFile(CatalogueRecordsPath(), largestDir,
                                  [&] { dirs = ReadDirectoryTable(CatalogueDirsPath()); });
    if (!dirs || !entries || largestDir >= dirs->size()) return LoadResult::Untrusted;
    catalogue.SetDirectories(std::move(*dirs));
    catalogue.SetEntries(std::move(*entries));
    return LoadResult::Loaded;
  } catch (const std::bad_alloc&) {
    // Files that do not fit in the memory left are rebuilt like damaged
    // ones, instead of stopping every start.
  } catch (const std::length_error&) {
    // The same: a size that no container can hold.
  }
  catalogue.Clear();
  return LoadResult::Untrusted;
}

QString NoTickedDirectoryMessage() {
  return QStringLiteral(
      "Aucun des répertoires cochés n'est présent (disque débranché ou non monté ?) : le "
      "catalogue enregistré, son marqueur et l'historique sont gardés tels quels.");
}

RebuildOutcome RebuildCatalogue(const QList<RootDirectory>& roots, DirectoryScan& scan,
                                bool keepFiles) {
  scan.GetCatalogue().Clear();
  bool anyTicked = false, anyPresent = false;
  for (const RootDirectory& root : roots) {
    if (!root.ticked) continue;
    anyTicked = true;
    anyPresent = anyPresent || IsExistingDirectory(root.path);
  }
  if (anyTicked && !anyPresent) return RebuildOutcome::NoTickedDirectoryPresent;
  if (!keepFiles) DeleteFileSilently(ResetMarkerPath());
  for (const RootDirectory& root : roots) {
    if (root.ticked && IsExistingDirectory(root.path)) scan.ScanDirectory(root.path);
    scan.LetEventsThrough();
  }
  return RebuildOutcome::Scanned;
}

CatalogueAction ChooseCatalogueAction(bool markerExists, bool recordsExist, bool dirsExist) {
  if (!markerExists) return CatalogueAction::RebuildDropHistory;
  return recordsExist && dirsExist ? CatalogueAction::Load : CatalogueAction::RebuildKeepHistory;
}

CatalogueAction ChooseCatalogueAction() {
  return ChooseCatalogueAction(Exists(ResetMarkerPath()), Exists(CatalogueRecordsPath()),
                               Exists(CatalogueDirsPath()));
}

PrepareOutcome PrepareCatalogue(Catalogue& catalogue,
                                const std::function<RebuildOutcome()>& rebuild,
                                const std::function<void()>& letEventsThrough) {
  catalogue.Clear();
  DataDirLock lock;
  if (!lock.Take(kWriterPatience, letEventsThrough)) return PrepareOutcome::Busy;
  PrepareOutcome outcome = PrepareOutcome::RebuiltMissingFile;
  switch (ChooseCatalogueAction()) {
    case CatalogueAction::Load:
      if (LoadCatalogue(catalogue) == LoadResult::Loaded) return PrepareOutcome::Loaded;
      outcome = PrepareOutcome::RebuiltUntrusted;
      break;
    case CatalogueAction::RebuildKeepHistory:
      break;
    case CatalogueAction::RebuildDropHistory:
      outcome = PrepareOutcome::RebuiltWithoutMarker;
      break;
  }
  if (rebuild() == RebuildOutcome::NoTickedDirectoryPresent)
    return PrepareOutcome::NoTickedDirectoryPresent;
  if (outcome == PrepareOutcome::RebuiltWithoutMarker) DeleteFileSilently(HistoryPath());
  SaveCatalogue(catalogue, letEventsThrough);
  return outcome;
}

}  // namespace ld
