#include "platform/LargeImage.h"

#include <sys/mman.h>

#include <cstdint>
#include <limits>

namespace ld {

namespace {

constexpr size_t kHugePage = 2 * 1024 * 1024;
constexpr size_t kLargeBytes = 4 * 1024 * 1024;

struct Mapping {
  void* base;
  size_t length;
};

void Unmap(void* info) {
  auto* m = static_cast<Mapping*>(info);
  munmap(m->base, m->length);
  delete m;
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
  void* base = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (base == MAP_FAILED) return QImage();
  const auto start = (reinterpret_cast<std::uintptr_t>(base) + kHugePage - 1) & ~(kHugePage - 1);
  auto* data = reinterpret_cast<uchar*>(start);
  madvise(data, bytes, MADV_HUGEPAGE);  // a hint; without it the pages are ordinary
  auto* info = new Mapping{base, length};
  QImage img(data, w, h, static_cast<qsizetype>(bpl), QImage::Format_RGB32, Unmap, info);
  if (img.isNull()) {
    Unmap(info);
    return QImage();
  }
  return img;
}

}  // namespace ld
