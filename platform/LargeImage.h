#pragma once

#include <QImage>

namespace ld {

// A Format_RGB32 picture of w x h, uninitialised. A large one gets memory of
// its own, mapped in huge pages where the system allows it: a 24-megapixel
// picture then costs tens of page faults instead of tens of thousands, which
// on a virtual machine is most of a full decode's time. The memory of the
// last large picture freed is used again for one of the same size, so the
// pixels may hold an earlier picture's: every one must be written. Null when
// the memory cannot be had.
QImage AllocateLargeImage(int w, int h);

}  // namespace ld
