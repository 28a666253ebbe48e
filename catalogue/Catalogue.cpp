#include "catalogue/Catalogue.h"

#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>

#include "platform/Paths.h"

namespace ld {

void Catalogue::Clear() {
  entries_.clear();
  directories_.clear();
  index_.clear();
  indexStale_ = false;
}

namespace {

constexpr std::size_t kHugePage = 2u << 20;
// Memory is made usable in steps of this many bytes (a huge page's size).
constexpr std::size_t kCommitStep = kHugePage;

// The smallest range asked for when larger ones are refused (about 190 000
// entries).
constexpr std::size_t kLeastReservation = 8 * kHugePage;

std::size_t RoundUp(std::size_t n, std::size_t step) { return (n + step - 1) / step * step; }

// The addresses first asked for a growing catalogue: as many as this machine
// has memory (a larger catalogue could not have been built), or more when
// asked for more. Reserved addresses cost no memory until they are used, but
// they do count against an address-space limit (ulimit -v): under one, a
// quarter of the addresses still free under it at most, so that the rest of
// the program keeps room, and a smaller range still when that is refused.
std::size_t AddressesToReserve(std::size_t bytes) {
  const long pages = ::sysconf(_SC_PHYS_PAGES);
  const long pageSize = ::sysconf(_SC_PAGESIZE);
  std::size_t wanted = 1u << 30;
  if (pages > 0 && pageSize > 0) wanted = static_cast<std::size_t>(pages) * pageSize;
  rlimit limit{};
  if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
    // The addresses in use: the first number of /proc/self/statm, in pages.
    std::size_t inUse = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "re")) {
      unsigned long long usedPages = 0;
      if (std::fscanf(statm, "%llu", &usedPages) == 1 && pageSize > 0)
        inUse = static_cast<std::size_t>(usedPages) * static_cast<std::size_t>(pageSize);
      std::fclose(statm);
    }
    const std::size_t free = limit.rlim_cur > inUse ? limit.rlim_cur - inUse : 0;
    wanted = std::min(wanted, free / 4);
  }
  return RoundUp(std::max(bytes, wanted), kHugePage);
}

}  // namespace

EntryBlock::~EntryBlock() {
  if (base_) ::munmap(base_, reservedBytes_);
}

bool EntryBlock::Reserve(std::size_t count) {
  const std::size_t bytes = count * sizeof(CatalogueEntry);
  if (!base_) {
    // Reserved with one huge page of slack, so that the start can be aligned
    // on a huge page.
    // Under an address-space limit the range is halved until it is granted,
    // down to what is needed now; outgrowing it later copies the entries
    // into a larger range (CatalogueEntries::MakeRoom).
    const std::size_t least = RoundUp(std::max(bytes, kLeastReservation), kHugePage);
    std::size_t want = AddressesToReserve(bytes);
    std::size_t length = 0;
    void* p = MAP_FAILED;
    for (;;) {
      length = want + kHugePage;
      p = ::mmap(nullptr, length, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
      if (p != MAP_FAILED) break;
      if (want <= least) throw std::bad_alloc();
      want = std::max(least, RoundUp(want / 2, kHugePage));
    }
    char* start = static_cast<char*>(p);
    char* aligned =
        reinterpret_cast<char*>(RoundUp(reinterpret_cast<std::uintptr_t>(start), kHugePage));
    if (aligned != start) ::munmap(start, static_cast<std::size_t>(aligned - start));
    base_ = aligned;
    reservedBytes_ = length - static_cast<std::size_t>(aligned - start);
    // Small pages only: asking for huge pages (MADV_HUGEPAGE) makes the
    // kernel compact memory inside the page fault when none is free, which
    // stopped the window's thread for 20 to 35 ms at every 2 MB of a rebuild.
  }
  if (bytes > reservedBytes_) return false;
  if (bytes > committedBytes_) {
    const std::size_t upTo = std::min(reservedBytes_, RoundUp(bytes, kCommitStep));
    if (::mprotect(base_ + committedBytes_, upTo - committedBytes_, PROT_READ | PROT_WRITE) != 0)
      throw std::bad_alloc();
    committedBytes_ = upTo;
  }
  return true;
}

CatalogueEntry& EntryBlock::Append() {
  // Memory past the last entry has never been written: fresh anonymous
  // pages, which the system hands out as zeros.
  return reinterpret_cast<CatalogueEntry*>(base_)[size_++];
}

CatalogueEntry* EntryBlock::AppendForRecords(std::size_t count) {
  CatalogueEntry* first = reinterpret_cast<CatalogueEntry*>(base_) + size_;
  size_ += count;
  unusedBytesUnknown_ = true;
  return first;
}

std::unique_ptr<EntryBlock> EntryBlock::CopyWithRoomFor(std::size_t count) const {
  auto copy = std::make_unique<EntryBlock>();
  copy->Reserve(std::max(count, size_));
  if (size_ > 0) std::memcpy(copy->base_, base_, size_ * sizeof(CatalogueEntry));
  copy->size_ = size_;
  copy->unusedBytesUnknown_ = unusedBytesUnknown_;
  return copy;
}

CatalogueEntries::CatalogueEntries(const CatalogueEntries& other) {
  if (other.block_) block_ = other.block_->CopyWithRoomFor(0);
}

CatalogueEntries& CatalogueEntries::operator=(const CatalogueEntries& other) {
  if (this != &other) *this = CatalogueEntries(other);
  return *this;
}

void CatalogueEntries::MakeRoom(std::size_t count) {
  if (!block_) block_ = std::make_shared<EntryBlock>();
  // A reservation is outgrown only by a catalogue larger than this machine's
  // memory, or one that an address-space limit kept small: it is copied.
  if (!block_->Reserve(count)) block_ = block_->CopyWithRoomFor(std::max(count, 2 * size()));
}

void CatalogueEntries::reserve(std::size_t count) { MakeRoom(count); }

CatalogueEntry& CatalogueEntries::emplace_back() {
  if (!block_ || !block_->HasRoomForOneMore()) MakeRoom(size() + 1);
  return block_->Append();
}

bool Catalogue::AppendCatalogueEntry(const QString& directory, const QString& fileName) {
  const QByteArray name = PathToBytes(fileName);
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
  CatalogueEntry& e = entries_.emplace_back();
  e.DirIndex = dirIndex;
  e.nameLength = static_cast<std::uint8_t>(length);
  std::memcpy(e.FileName, nameUtf8, static_cast<size_t>(length));
}

QString Catalogue::CataloguePath(int i) const {
  const CatalogueEntry& e = entries_[static_cast<size_t>(i)];
  return JoinPath(directories_[e.DirIndex], e.Name());
}

void Catalogue::SetDirectories(DirectoryTable dirs) {
  directories_ = std::move(dirs);
  index_.clear();
  indexStale_ = true;
}

}  // namespace ld
