#include "platform/Allocator.h"

// Any C library header defines __GLIBC__ under glibc; without one the
// test below is always false and the tuning silently compiles to nothing.
#include <cstdlib>

#ifdef __GLIBC__
#include <malloc.h>
#elif defined(__gnu_linux__)
#error "a GNU/Linux target without __GLIBC__: the allocator would not be tuned"
#endif

namespace ld {

void TuneAllocator() {
#ifdef __GLIBC__
  // glibc raises its mmap threshold (up to 32 MB) each time a mapped block
  // is freed, and its trim threshold to twice that: after a HEIC's or a
  // PNG's planes are freed, blocks of several megabytes (a file's bytes, a
  // fitted picture) come from the heaps instead, and tens of megabytes stay
  // resident after they are freed, on every decoding thread. Fixed
  // thresholds keep every block of 1 MB or more in a mapping of its own,
  // given back when it is freed, and the heaps trimmed above 1 MB free.
  constexpr int kThreshold = 1024 * 1024;
  mallopt(M_MMAP_THRESHOLD, kThreshold);
  mallopt(M_TRIM_THRESHOLD, kThreshold);
#endif
}

}  // namespace ld
