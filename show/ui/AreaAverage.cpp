#include "show/ui/AreaAverage.h"

#include "platform/Simd.h"

#if LD_SIMD_SSE2
#include <immintrin.h>
#endif

#include <algorithm>
#include <cmath>

namespace ld::area {

namespace {

// Drawn pixels from..from + n - 1 of a length-`drawn` line showing `source`
// pixels.
Taps MakeTaps(int source, int drawn, int from, int n, int one) {
  const double s = static_cast<double>(source) / drawn;
  Taps t;
  t.count = static_cast<int>(std::ceil(s)) + 1;
  t.first.resize(n);
  t.weights.assign(static_cast<size_t>(n) * t.count, 0);
  for (int i = 0; i < n; ++i) {
    const double a = (from + i) * s, b = a + s;
    const int f = std::clamp(static_cast<int>(std::floor(a)), 0, source - 1);
    // Kept inside the source: the last taps may not run past its end.
    const int first = std::min(f, std::max(0, source - t.count));
    t.first[i] = first;
    int sum = 0, largest = 0;
    for (int k = 0; k < t.count; ++k) {
      const int px = first + k;
      const double cover = std::min(b, px + 1.0) - std::max(a, static_cast<double>(px));
      const int w = cover > 0 ? static_cast<int>(std::lround(cover / s * one)) : 0;
      t.weights[static_cast<size_t>(i) * t.count + k] = static_cast<quint16>(w);
      sum += w;
      if (w > t.weights[static_cast<size_t>(i) * t.count + largest]) largest = k;
    }
    // Rounding leaves the sum a little off: the largest weight takes it up.
    t.weights[static_cast<size_t>(i) * t.count + largest] += one - sum;
  }
  return t;
}

// Columns from..cols - 1 of `row`: each source byte summed over the rows
// `lines`, times their weights (out of 256, so the sum fits 16 bits).
void SumRowsPlain(const uchar* const* lines, const int* weights, int taps, int from, int cols,
                  quint16* row) {
  for (int x = from; x < cols; ++x) {
    for (int c = 0; c < 4; ++c) {
      int sum = 0;
      for (int k = 0; k < taps; ++k) sum += lines[k][4 * x + c] * weights[k];
      row[static_cast<size_t>(x) * 4 + c] = static_cast<quint16>(sum);
    }
  }
}

// One row of drawn pixels from the summed source row `base` (indexed by
// source column): each product of a sum and a column weight (out of 65535)
// keeps its high 16 bits, as the vector loop's multiply does, and the total
// is rounded to a byte.
void HorizontalPassPlain(const quint16* base, const Plan& plan, uchar* d, int n) {
  const Taps& tx = plan.tx;
  for (int X = 0; X < n; ++X) {
    const quint16* p = base + static_cast<qsizetype>(tx.first[X]) * 4;
    const quint16* w = &tx.weights[static_cast<size_t>(X) * tx.count];
    for (int c = 0; c < 4; ++c) {
      quint16 acc = 0;
      for (int k = 0; k < tx.count; ++k)
        acc = static_cast<quint16>(acc + ((static_cast<quint32>(p[4 * k + c]) * w[k]) >> 16));
      d[4 * X + c] = static_cast<uchar>(std::min(acc + 128, 65535) >> 8);
    }
  }
}

#if LD_SIMD_SSE2
// One row of drawn pixels from the summed source row `base` (indexed by
// source column), `Count` taps per pixel.
template <int Count>
void HorizontalPassOf(const quint16* base, const Plan& plan, quint32* d, int n) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i round = _mm_set1_epi16(128);
  const int* first = plan.tx.first.data();
  for (int X = 0; X < n; X += 2) {
    const int X1 = std::min(X + 1, n - 1);
    const quint16* p0 = base + static_cast<qsizetype>(first[X]) * 4;
    const quint16* p1 = base + static_cast<qsizetype>(first[X1]) * 4;
    const Plan::PairWeights* w = &plan.wx[static_cast<size_t>(X / 2) * Count];
    __m128i acc = zero;
    for (int k = 0; k < Count; ++k) {
      const __m128i p =
          _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p0 + 4 * k)),
                             _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p1 + 4 * k)));
      acc = _mm_add_epi16(
          acc, _mm_mulhi_epu16(p, _mm_load_si128(reinterpret_cast<const __m128i*>(w[k].w))));
    }
    acc = _mm_packus_epi16(_mm_srli_epi16(_mm_adds_epu16(acc, round), 8), zero);
    if (X + 1 < n)
      _mm_storel_epi64(reinterpret_cast<__m128i*>(d + X), acc);
    else
      d[X] = static_cast<quint32>(_mm_cvtsi128_si32(acc));
  }
}

void HorizontalPass(const quint16* base, const Plan& plan, quint32* d, int n) {
  switch (plan.tx.count) {
    case 2:
      return HorizontalPassOf<2>(base, plan, d, n);
    case 3:
      return HorizontalPassOf<3>(base, plan, d, n);
    case 4:
      return HorizontalPassOf<4>(base, plan, d, n);
    default:
      return HorizontalPassOf<5>(base, plan, d, n);
  }
}

// Rows summed with AVX2, eight source pixels at a time, where the processor
// has it: the first columns of `row` (a multiple of eight), the rest left to
// the caller.
__attribute__((target("avx2"))) int SumRowsAvx2(const uchar* const* lines, const int* weights,
                                                int taps, int cols, quint16* row) {
  const __m256i zero = _mm256_setzero_si256();
  __m256i wv[5];
  for (int k = 0; k < taps; ++k) wv[k] = _mm256_set1_epi16(static_cast<short>(weights[k]));
  int x = 0;
  for (; x + 8 <= cols; x += 8) {
    __m256i lo = zero, hi = zero;
    for (int k = 0; k < taps; ++k) {
      // Pixels 0-1, 4-5 | 2-3, 6-7 after the permutation, so that the
      // unpacks, which work within each half, give pixels 0-3 and 4-7.
      const __m256i p = _mm256_permute4x64_epi64(
          _mm256_loadu_si256(reinterpret_cast<const __m256i*>(lines[k] + 4 * x)), 0xD8);
      lo = _mm256_add_epi16(lo, _mm256_mullo_epi16(_mm256_unpacklo_epi8(p, zero), wv[k]));
      hi = _mm256_add_epi16(hi, _mm256_mullo_epi16(_mm256_unpackhi_epi8(p, zero), wv[k]));
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + 4 * x), lo);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + 4 * x + 16), hi);
  }
  return x;
}

const bool kHasAvx2 = __builtin_cpu_supports("avx2");

// Columns 0.. of `row` summed with SSE2 (and AVX2 where the processor has
// it), four source pixels at a time; returns the first column left.
int SumRowsVector(const uchar* const* lines, const int* weights, int taps, int cols, quint16* row) {
  const __m128i zero = _mm_setzero_si128();
  auto* r = reinterpret_cast<__m128i*>(row);
  int x = kHasAvx2 ? SumRowsAvx2(lines, weights, taps, cols, row) : 0;
  if (taps == 1 && weights[0] == 256) {
    // One source row: its bytes as they are (times 256).
    for (; x + 4 <= cols; x += 4) {
      const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lines[0] + 4 * x));
      _mm_storeu_si128(r + x / 2, _mm_unpacklo_epi8(zero, p));
      _mm_storeu_si128(r + x / 2 + 1, _mm_unpackhi_epi8(zero, p));
    }
  } else {
    __m128i wv[5];
    for (int k = 0; k < taps; ++k) wv[k] = _mm_set1_epi16(static_cast<short>(weights[k]));
    for (; x + 4 <= cols; x += 4) {
      __m128i lo = zero, hi = zero;
      for (int k = 0; k < taps; ++k) {
        const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lines[k] + 4 * x));
        lo = _mm_add_epi16(lo, _mm_mullo_epi16(_mm_unpacklo_epi8(p, zero), wv[k]));
        hi = _mm_add_epi16(hi, _mm_mullo_epi16(_mm_unpackhi_epi8(p, zero), wv[k]));
      }
      _mm_storeu_si128(r + x / 2, lo);
      _mm_storeu_si128(r + x / 2 + 1, hi);
    }
  }
  return x;
}
#endif  // LD_SIMD_SSE2

void DrawRowsWith(bool vector, const QImage& src, const Plan& plan, int y0, int y1, QImage& out,
                  int outY0, std::vector<quint16>& row) {
  const Taps& ty = plan.ty;
  const int cols = plan.cols, n = static_cast<int>(plan.tx.first.size());
  // One row of the source columns needed, summed over the rows: 4 x 16 bits
  // per pixel, padded.
  row.resize(static_cast<size_t>(cols + 8) * 4);
  for (int y = y0; y < y1; ++y) {
    const quint16* wy = &ty.weights[static_cast<size_t>(y) * ty.count];
    const uchar* lines[5];
    int weights[5];
    int taps = 0;
    for (int k = 0; k < ty.count && taps < 5; ++k) {
      if (wy[k] == 0) continue;
      lines[taps] = src.constScanLine(ty.first[y] + k) + static_cast<qsizetype>(plan.colFirst) * 4;
      weights[taps] = wy[k];
      ++taps;
    }
    const quint16* base = row.data() - static_cast<qsizetype>(plan.colFirst) * 4;
    uchar* d = out.scanLine(y - y0 + outY0);
#if LD_SIMD_SSE2
    if (vector) {
      const int x = SumRowsVector(lines, weights, taps, cols, row.data());
      SumRowsPlain(lines, weights, taps, x, cols, row.data());
      // Columns: two drawn pixels per register.
      HorizontalPass(base, plan, reinterpret_cast<quint32*>(d), n);
      continue;
    }
#else
    (void)vector;
#endif
    SumRowsPlain(lines, weights, taps, 0, cols, row.data());
    HorizontalPassPlain(base, plan, d, n);
  }
}

}  // namespace

Plan MakePlan(const QImage& src, QSize drawn, QRect target) {
  Plan plan;
  // Rows: weights of 1/256, so that a weighted sum of bytes fits 16 bits.
  plan.ty = MakeTaps(src.height(), drawn.height(), target.y(), target.height(), 256);
  // Columns: weights of 1/65535, taken by the high half of a 16-bit product.
  plan.tx = MakeTaps(src.width(), drawn.width(), target.x(), target.width(), 65535);
  const Taps& tx = plan.tx;
  plan.colFirst = tx.first.front();
  plan.cols = std::min(src.width(), tx.first.back() + tx.count) - plan.colFirst;
  const int n = target.width();
  plan.wx.resize(static_cast<size_t>((n + 1) / 2) * tx.count);
  for (int X = 0; X < n; X += 2) {
    const int X1 = std::min(X + 1, n - 1);
    for (int k = 0; k < tx.count; ++k) {
      Plan::PairWeights& pw = plan.wx[static_cast<size_t>(X / 2) * tx.count + k];
      for (int i = 0; i < 4; ++i) {
        pw.w[i] = tx.weights[static_cast<size_t>(X) * tx.count + k];
        pw.w[4 + i] = tx.weights[static_cast<size_t>(X1) * tx.count + k];
      }
    }
  }
  return plan;
}

void DrawRows(const QImage& src, const Plan& plan, int y0, int y1, QImage& out, int outY0,
              std::vector<quint16>& row) {
  DrawRowsWith(true, src, plan, y0, y1, out, outY0, row);
}

void DrawRowsPlain(const QImage& src, const Plan& plan, int y0, int y1, QImage& out, int outY0,
                   std::vector<quint16>& row) {
  DrawRowsWith(false, src, plan, y0, y1, out, outY0, row);
}

}  // namespace ld::area
