#include "platform/LargeImage.h"

#include <sys/mman.h>

#include <cstdint>
#include <limits>
#include <mutex>
#include <utility>

namespace ld {

namespace {

constexpr size_t kHugePage = 2 * 1024 * 1024;
constexpr size_t kLargeBytes = 4 * 1024 * 1024;

struct Mapping {
  void* base;
  size_t length;
};

// The memory of the last large picture freed, kept for the next one of the
// same size: a show decodes picture after picture of one camera's size, and
// fresh pages cost the kernel's zeroing and, on a virtual machine, the host's
// faults (a tenth of a full decode), where pages already in place cost
// nothing. One picture's memory at most, and only until a picture of another
// size is asked for: the next picture of a show is decoded as soon as the
// previous one is freed, so the show's peak does not grow.
std::mutex spareMutex;
Mapping* spare = nullptr;

void Release(Mapping* m) {
  munmap(m->base, m->length);
  delete m;
}

void Unmap(void* info) {
  Mapping* older = nullptr;
  {
    std::lock_guard lock(spareMutex);
    older = std::exchange(spare, static_cast<Mapping*>(info));
  }
  if (older) Release(older);
}

// The spare when it has this length, else a fresh mapping (the spare of
// another size is given back first).
Mapping* Map(size_t length) {
  Mapping* kept = nullptr;
  {
    std::lock_guard lock(spareMutex);
    kept = std::exchange(spare, nullptr);
  }
  if (kept && kept->length == length) return kept;
  if (kept) Release(kept);
  void* base = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (base == MAP_FAILED) return nullptr;
  return new Mapping{base, length};
}

}  // namespace

QImage AllocateLargeImage(int w, int h) {
  if (w <= 0 || h <= 0) return QImage();
  const size_t bpl = static_cast<size_t>(w) * 4;
  if (static_cast<size_t>(h) > std::numeric_limits<size_t>::max() / bpl) return QImage();
  const size_t bytes = bpl * static_cast<size_t>(h);
  if (bytes < kLargeBytes) return QImage(w, h, QImage::Format_RGB32);
  // One huge page more than needed, so the picture can start on a huge-page
  // boundary.
  const size_t length = bytes + kHugePage;
  Mapping* info = Map(length);
  if (!info) return QImage();
  const auto start =
      (reinterpret_cast<std::uintptr_t>(info->base) + kHugePage - 1) & ~(kHugePage - 1);
  auto* data = reinterpret_cast<uchar*>(start);
  madvise(data, bytes, MADV_HUGEPAGE);  // a hint; without it the pages are ordinary
  QImage img(data, w, h, static_cast<qsizetype>(bpl), QImage::Format_RGB32, Unmap, info);
  if (img.isNull()) {
    Release(info);
    return QImage();
  }
  return img;
}

}  // namespace ld
