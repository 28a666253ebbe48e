#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>
#include <vector>

namespace ld {

// One catalogued picture: its directory's position in the directory table and
// its file name as UTF-8 bytes (at most 80). 88 bytes, as in the record file.
// A plain record: `CatalogueEntry e{}` is all zeros; storage made by the
// loader is left uninitialised because the file's bytes overwrite it.
struct CatalogueEntry {
  std::int32_t DirIndex;
  std::uint8_t nameLength;
  char FileName[80];
  std::uint8_t padding[3];

  QString Name() const { return QString::fromUtf8(FileName, nameLength); }
};
static_assert(sizeof(CatalogueEntry) == 88, "a catalogue entry is one 88-byte record");

// The allocator of the entries: large blocks are aligned for, and offered to,
// transparent huge pages (a million entries then take a few dozen page faults
// instead of twenty thousand), and resizing does not zero what it adds.
template <class T>
struct EntryAllocator {
  using value_type = T;
  EntryAllocator() = default;
  template <class U>
  EntryAllocator(const EntryAllocator<U>&) noexcept {}
  T* allocate(std::size_t n) { return static_cast<T*>(AllocateEntryStorage(n * sizeof(T))); }
  void deallocate(T* p, std::size_t) noexcept { FreeEntryStorage(p); }
  template <class U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... A>
  void construct(U* p, A&&... a) {
    ::new (static_cast<void*>(p)) U(std::forward<A>(a)...);
  }
  friend bool operator==(const EntryAllocator&, const EntryAllocator&) { return true; }

  static void* AllocateEntryStorage(std::size_t bytes);
  static void FreeEntryStorage(void* p) noexcept;
};

using CatalogueEntries = std::vector<CatalogueEntry, EntryAllocator<CatalogueEntry>>;

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
  const QStringList& Directories() const { return directories_; }

  // Replaces the directory table (used by the loader); the index follows.
  void SetDirectories(QStringList dirs);

  // Replaces the entries (used by the loader).
  void SetEntries(CatalogueEntries entries) { entries_ = std::move(entries); }

 private:
  CatalogueEntries entries_;
  QStringList directories_;
  // Built on first use after a load: a loaded catalogue rarely needs it.
  QHash<QString, int> index_;
  bool indexStale_ = false;
};

}  // namespace ld
