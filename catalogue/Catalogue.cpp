#include "catalogue/Catalogue.h"

#include <sys/mman.h>

#include <cstdlib>
#include <cstring>

#include "platform/Paths.h"

namespace ld {

void Catalogue::Clear() {
  entries_.clear();
  entries_.shrink_to_fit();
  directories_.clear();
  index_.clear();
  indexStale_ = false;
}

namespace {
constexpr std::size_t kHugePage = 2u << 20;
}  // namespace

template <class T>
void* EntryAllocator<T>::AllocateEntryStorage(std::size_t bytes) {
  void* p = nullptr;
  if (bytes >= 2 * kHugePage) {
    if (posix_memalign(&p, kHugePage, bytes) != 0) throw std::bad_alloc();
    ::madvise(p, bytes, MADV_HUGEPAGE);  // a hint; ignored where unsupported
    return p;
  }
  p = std::malloc(bytes > 0 ? bytes : 1);
  if (!p) throw std::bad_alloc();
  return p;
}

template <class T>
void EntryAllocator<T>::FreeEntryStorage(void* p) noexcept {
  std::free(p);
}

template struct EntryAllocator<CatalogueEntry>;

bool Catalogue::AppendCatalogueEntry(const QString& directory, const QString& fileName) {
  const QByteArray name = fileName.toUtf8();
  if (name.size() > kMaxNameBytes) return false;
  if (HasLineBreak(fileName) || HasLineBreak(directory)) return false;
  AppendEntry(DirectoryIndexFor(directory), name.constData(), static_cast<int>(name.size()));
  return true;
}

int Catalogue::DirectoryIndexFor(const QString& directory) {
  if (indexStale_) {
    index_.clear();
    index_.reserve(directories_.size());
    for (int i = 0; i < directories_.size(); ++i) index_.insert(directories_[i], i);
    indexStale_ = false;
  }
  auto it = index_.constFind(directory);
  if (it != index_.cend()) return it.value();
  const int dirIndex = static_cast<int>(directories_.size());
  directories_.append(directory);
  index_.insert(directory, dirIndex);
  return dirIndex;
}

void Catalogue::AppendEntry(int dirIndex, const char* nameUtf8, int length) {
  CatalogueEntry& e = entries_.emplace_back(CatalogueEntry{});
  e.DirIndex = dirIndex;
  e.nameLength = static_cast<std::uint8_t>(length);
  std::memcpy(e.FileName, nameUtf8, static_cast<size_t>(length));
}

QString Catalogue::CataloguePath(int i) const {
  const CatalogueEntry& e = entries_[static_cast<size_t>(i)];
  return JoinPath(directories_[e.DirIndex], e.Name());
}

void Catalogue::SetDirectories(QStringList dirs) {
  directories_ = std::move(dirs);
  index_.clear();
  indexStale_ = true;
}

}  // namespace ld
