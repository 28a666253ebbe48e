#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

namespace ld {

// One catalogued picture: its directory's position in the directory table and
// its file name as UTF-8 bytes (at most 80). 88 bytes, as in the record file.
struct CatalogueEntry {
  std::int32_t DirIndex = 0;
  std::uint8_t nameLength = 0;
  char FileName[80] = {};
  std::uint8_t padding[3] = {};

  QString Name() const { return QString::fromUtf8(FileName, nameLength); }
};
static_assert(sizeof(CatalogueEntry) == 88, "a catalogue entry is one 88-byte record");

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

  const std::vector<CatalogueEntry>& Entries() const { return entries_; }
  std::vector<CatalogueEntry>& MutableEntries() { return entries_; }
  const QStringList& Directories() const { return directories_; }

  // Replaces the directory table (used by the loader); rebuilds the index.
  void SetDirectories(QStringList dirs);

  // Replaces the entries (used by the loader).
  void SetEntries(std::vector<CatalogueEntry> entries) { entries_ = std::move(entries); }

 private:
  std::vector<CatalogueEntry> entries_;
  QStringList directories_;
  QHash<QString, int> index_;
};

}  // namespace ld
