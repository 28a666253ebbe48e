#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>

#include "catalogue/DirectoryTable.h"
#include "platform/PathBytes.h"

namespace ld {

// One catalogued picture: its directory's position in the directory table and
// its file name's bytes as on disk (at most 80; UTF-8 when the name is). 88 bytes, as in the record
// file. A plain record: `CatalogueEntry e{}` is all zeros.
struct CatalogueEntry {
  std::int32_t DirIndex;
  std::uint8_t nameLength;
  char FileName[80];
  std::uint8_t padding[3];

  QString Name() const { return PathFromBytes(QByteArrayView(FileName, nameLength)); }
};
static_assert(sizeof(CatalogueEntry) == 88, "a catalogue entry is one 88-byte record");

// One contiguous run of entries that never moves while it grows: anonymous
// memory, of which a large range of addresses is reserved up front and made
// usable a few megabytes at a time (so growing never copies what is there,
// and a million entries are never moved in one step). A loaded record file is
// read into it whole: the records are the in-memory layout, and nothing
// another program later does to the file can change or remove them.
class EntryBlock {
 public:
  EntryBlock() = default;
  ~EntryBlock();
  EntryBlock(const EntryBlock&) = delete;
  EntryBlock& operator=(const EntryBlock&) = delete;

  const CatalogueEntry* Data() const { return reinterpret_cast<const CatalogueEntry*>(base_); }
  std::size_t Size() const { return size_; }
  // Whether every entry's unused bytes (past the name, the padding) are
  // zero, so that the entries are byte for byte the records to write. Not
  // so for records read from a file, whose unused bytes have no meaning.
  bool UnusedBytesAreZero() const { return !unusedBytesUnknown_; }

  // Makes room for count entries; false when the reservation is too small.
  // Throws std::bad_alloc when the memory cannot be had.
  bool Reserve(std::size_t count);
  bool HasRoomForOneMore() const { return (size_ + 1) * sizeof(CatalogueEntry) <= committedBytes_; }
  // Appends an entry of zeros (room must have been reserved).
  CatalogueEntry& Append();
  // Appends count entries whose bytes the caller writes (records read from a
  // file; room must have been reserved); their unused bytes are then of no
  // meaning.
  CatalogueEntry* AppendForRecords(std::size_t count);
  // A writable block holding a copy of this one's entries, with room for at
  // least count entries.
  std::unique_ptr<EntryBlock> CopyWithRoomFor(std::size_t count) const;

 private:
  char* base_ = nullptr;
  std::size_t reservedBytes_ = 0;   // addresses owned
  std::size_t committedBytes_ = 0;  // usable memory at the start of them
  std::size_t size_ = 0;            // entries
  bool unusedBytesUnknown_ = false;
};

// The catalogue's entries, a value: copying copies them. The block behind
// them can be shared read-only (Share) with a writer on another thread; it
// stays valid for that writer even when the catalogue is emptied, and
// appending never disturbs the entries already there.
class CatalogueEntries {
 public:
  CatalogueEntries() = default;
  explicit CatalogueEntries(std::unique_ptr<EntryBlock> block) : block_(std::move(block)) {}
  CatalogueEntries(const CatalogueEntries& other);
  CatalogueEntries& operator=(const CatalogueEntries& other);
  CatalogueEntries(CatalogueEntries&&) noexcept = default;
  CatalogueEntries& operator=(CatalogueEntries&&) noexcept = default;

  std::size_t size() const { return block_ ? block_->Size() : 0; }
  bool empty() const { return size() == 0; }
  const CatalogueEntry* data() const { return block_ ? block_->Data() : nullptr; }
  const CatalogueEntry* begin() const { return data(); }
  const CatalogueEntry* end() const { return data() + size(); }
  const CatalogueEntry& operator[](std::size_t i) const { return data()[i]; }
  const CatalogueEntry& back() const { return data()[size() - 1]; }

  // Room for count entries ahead of time (never needed: growing is cheap).
  void reserve(std::size_t count);
  // Appends an entry of zeros and returns it.
  CatalogueEntry& emplace_back();
  // Empties and releases the storage (a sharer keeps its own reference).
  void clear() { block_.reset(); }

  std::shared_ptr<const EntryBlock> Share() const { return block_; }

 private:
  void MakeRoom(std::size_t count);
  std::shared_ptr<EntryBlock> block_;
};

inline constexpr int kMaxNameBytes = 80;

// The in-memory catalogue: the entries in scan order and the directory table
// (each directory of a catalogued picture once, in the order of its first
// picture), with a hash index on the exact path so that appending is O(1).
class Catalogue {
 public:
  int Count() const { return static_cast<int>(entries_.size()); }
  bool IsEmpty() const { return entries_.empty(); }

  // Empties entries and directory table.
  void Clear();

  // Appends a picture; the directory is looked up (exact path) and appended
  // to the table when new. Returns false, appending nothing, when the name
  // takes more than 80 bytes in UTF-8, or when the name or the directory
  // holds a line break (the directory table is a line-based file).
  bool AppendCatalogueEntry(const QString& directory, const QString& fileName);

  // The scan's fast path: the position of a directory in the table, appending
  // it when new (exact path; no check), then entries by position and UTF-8
  // name bytes (at most 80, checked by the caller).
  int DirectoryIndexFor(const QString& directory);
  void AppendEntry(int dirIndex, const char* nameUtf8, int length);

  // Directory + separator + file name of entry i (0 <= i < Count()).
  QString CataloguePath(int i) const;

  const CatalogueEntries& Entries() const { return entries_; }
  CatalogueEntries& MutableEntries() { return entries_; }
  const DirectoryTable& Directories() const { return directories_; }

  // Replaces the directory table (used by the loader); the index follows.
  void SetDirectories(DirectoryTable dirs);

  // Replaces the entries (used by the loader).
  void SetEntries(CatalogueEntries entries) { entries_ = std::move(entries); }

 private:
  CatalogueEntries entries_;
  DirectoryTable directories_;
  // Built on first use after a load: a loaded catalogue rarely needs it.
  QHash<QString, int> index_;
  bool indexStale_ = false;
};

}  // namespace ld
