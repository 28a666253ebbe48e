#include "catalogue/CatalogueFiles.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QSysInfo>
#include <QtEndian>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <future>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <string_view>

#include "catalogue/DirectoryScan.h"
#include "catalogue/Utf8.h"
#include "platform/AtomicFile.h"
#include "platform/DataDir.h"
#include "platform/Error.h"
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

// Reads exactly n bytes; false on a read error or a short file.
bool ReadFully(int fd, char* out, size_t n) {
  while (n > 0) {
    const ssize_t got = ::read(fd, out, n);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    out += got;
    n -= static_cast<size_t>(got);
  }
  return true;
}

// The records, or nothing when the file cannot be read whole or its length
// is not a multiple of the record size. On a little-endian host the file is
// mapped: its records are the in-memory entries, so nothing is copied and no
// memory is cleared for them (the caller checks every field in one pass).
std::optional<CatalogueEntries> ReadRecordFile(const QString& path) {
  const QByteArray name = QFile::encodeName(path);
  const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat st;
  std::optional<CatalogueEntries> result;
  if (::fstat(fd, &st) == 0 && st.st_size >= 0 && st.st_size % kRecordSize == 0 &&
      CouldBeMadeHere(static_cast<std::uint64_t>(st.st_size))) {
    const size_t count = static_cast<size_t>(st.st_size) / kRecordSize;
    if (count == 0) {
      result.emplace();
    } else if (kHostIsLittleEndian) {
      if (auto block = EntryBlock::MapFile(fd, count * kRecordSize))
        result.emplace(std::move(block));
    } else {
      CatalogueEntries entries;
      entries.reserve(count);
      std::vector<char> chunk(kRecordsPerChunk * kRecordSize);
      bool ok = true;
      for (size_t i = 0; ok && i < count; i += kRecordsPerChunk) {
        const size_t n = std::min(kRecordsPerChunk, count - i);
        ok = ReadFully(fd, chunk.data(), n * kRecordSize);
        for (size_t k = 0; ok && k < n; ++k)
          ok = DecodeCatalogueRecord(&chunk[k * kRecordSize], entries.emplace_back());
      }
      if (ok) result = std::move(entries);
    }
  }
  ::close(fd);
  return result;
}

// The directory table's lines. A UTF-8 file (the usual case) is cut into
// lines on its bytes and each line decoded alone, which spares a copy of the
// whole text; anything else goes through the general text reader
// (Windows-1252). A CR, an LF or the pair ends a line.
std::optional<QStringList> ReadDirectoryTable(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly) || !CouldBeMadeHere(static_cast<std::uint64_t>(f.size())))
    return std::nullopt;
  // Mapped rather than read: a fresh process's every new page of memory
  // costs a fault, and the file's pages are already in the cache. The file
  // is replaced by renaming, never rewritten in place, so the mapping stays
  // whole while the file is open.
  QByteArray bytes;
  const qint64 size = f.size();
  if (uchar* mapped = size > 0 ? f.map(0, size) : nullptr)
    bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(mapped), size);
  else
    bytes = f.readAll();
  std::string_view all(bytes.constData(), static_cast<size_t>(bytes.size()));
  if (all.substr(0, 3) == "\xEF\xBB\xBF") all.remove_prefix(3);
  if (!IsValidUtf8(all)) return SplitLines(DecodeText(bytes));
  // QString::fromUtf8 would drop a U+FEFF that starts a line; the text
  // reader keeps it, and so does this decoder.
  QStringDecoder utf8(QStringDecoder::Utf8,
                      QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
  auto line = [&](size_t from, size_t to) {
    const QByteArrayView piece(all.data() + from, static_cast<qsizetype>(to - from));
    return QString(utf8.decode(piece));
  };
  QStringList lines;
  lines.reserve(static_cast<qsizetype>(std::count(all.begin(), all.end(), '\n')) + 1);
  size_t start = 0;
  for (size_t i = 0; i < all.size(); ++i) {
    const char c = all[i];
    if (c != '\r' && c != '\n') continue;
    lines.append(line(start, i));
    if (c == '\r' && i + 1 < all.size() && all[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < all.size()) lines.append(line(start, all.size()));
  return lines;
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
  const QStringList dirs = catalogue.Directories();
  const std::shared_ptr<const EntryBlock> block = catalogue.Entries().Share();
  const size_t count = catalogue.Entries().size();
  const QString markerPath = ResetMarkerPath();
  // The marker is created only once both files are in place.
  auto write = [dirsPath, recordsPath, markerPath, dirs, block, count] {
    WriteTextLines(dirsPath, dirs);
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
    // other: the records are mapped and their fields checked on a second
    // thread while this one reads the directory table. The table's many
    // small strings are made on this thread, whose heap grows cheaply; a
    // second thread's heap grows a page at a time.
    struct Records {
      std::optional<CatalogueEntries> entries;
      std::int32_t largestDir = -1;  // the largest directory index, -1 when none
      bool valid = true;
    };
    const QString recordsPath = CatalogueRecordsPath();
    auto records = std::async(std::launch::async, [recordsPath] {
      Records r;
      r.entries = ReadRecordFile(recordsPath);
      if (!r.entries) return r;
      // On a little-endian host the records were read as they are; their
      // fields are checked here (on other hosts DecodeCatalogueRecord did it).
      std::int32_t largest = -1;
      bool valid = true;
      for (const CatalogueEntry& e : *r.entries) {
        valid &= e.nameLength <= kMaxNameBytes && e.DirIndex >= 0;
        largest = std::max(largest, e.DirIndex);
      }
      r.valid = valid;
      r.largestDir = largest;
      return r;
    });
    auto dirs = ReadDirectoryTable(CatalogueDirsPath());
    Records r = records.get();
    if (!dirs || !r.entries || !r.valid || r.largestDir >= dirs->size())
      return LoadResult::Untrusted;
    auto& entries = r.entries;
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

void RebuildCatalogue(const QList<RootDirectory>& roots, DirectoryScan& scan, bool keepFiles) {
  scan.GetCatalogue().Clear();
  if (!keepFiles) DeleteFileSilently(ResetMarkerPath());
  for (const RootDirectory& root : roots) {
    if (root.ticked && IsExistingDirectory(root.path)) scan.ScanDirectory(root.path);
    scan.LetEventsThrough();
  }
}

CatalogueAction ChooseCatalogueAction(bool markerExists, bool recordsExist, bool dirsExist) {
  if (!markerExists) return CatalogueAction::RebuildDropHistory;
  return recordsExist && dirsExist ? CatalogueAction::Load : CatalogueAction::RebuildKeepHistory;
}

CatalogueAction ChooseCatalogueAction() {
  return ChooseCatalogueAction(Exists(ResetMarkerPath()), Exists(CatalogueRecordsPath()),
                               Exists(CatalogueDirsPath()));
}

PrepareOutcome PrepareCatalogue(Catalogue& catalogue, const std::function<void()>& rebuild,
                                const std::function<void()>& letEventsThrough) {
  PrepareOutcome outcome = PrepareOutcome::RebuiltMissingFile;
  switch (ChooseCatalogueAction()) {
    case CatalogueAction::Load:
      if (LoadCatalogue(catalogue) == LoadResult::Loaded) return PrepareOutcome::Loaded;
      outcome = PrepareOutcome::RebuiltUntrusted;
      break;
    case CatalogueAction::RebuildKeepHistory:
      break;
    case CatalogueAction::RebuildDropHistory:
      DeleteFileSilently(HistoryPath());
      outcome = PrepareOutcome::RebuiltWithoutMarker;
      break;
  }
  rebuild();
  SaveCatalogue(catalogue, letEventsThrough);
  return outcome;
}

}  // namespace ld
