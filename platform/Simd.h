#pragma once

// Which vector instructions the drawing and decoding loops are built with.
// LD_SIMD_SSE2 is 1 on x86 processors (where SSE2 is always there) unless the
// build turns the vector paths off (cmake -DLD_SIMD=OFF defines
// LD_SIMD_DISABLED); every such loop then has a plain C++ version that gives
// the same pixels, which is also what other processors (arm64) build.
// AVX2, where used, is chosen at run time on top of SSE2.
#if defined(__SSE2__) && !defined(LD_SIMD_DISABLED)
#define LD_SIMD_SSE2 1
#else
#define LD_SIMD_SSE2 0
#endif
