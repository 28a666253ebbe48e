#pragma once

namespace ld {

// Fixes glibc's thresholds for handing memory back to the system, once, at
// the start of a program that decodes pictures (see Allocator.cpp). Does
// nothing with another C library.
void TuneAllocator();

}  // namespace ld
