#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <QtGlobal>
#include <vector>

// Area averaging of a picture reduced by a factor of up to 4 (or enlarged a
// little): each pixel drawn is the average of the source area it covers, as
// QImage::scaled(SmoothTransformation) makes it. Rows first, then columns, in
// fixed point, with SSE2 (and AVX2 where the processor has it) on x86 and
// plain C++ loops giving the same pixels elsewhere. Used by the picture
// control.
namespace ld::area {

// The largest reduction the taps allow: five source pixels per drawn pixel.
constexpr double kMaxReduction = 4.0;

// The source pixels each drawn pixel covers: `count` of them from `first`,
// weighted by the part of them it covers (weights summing to `one`).
struct Taps {
  int count = 0;
  std::vector<int> first;
  std::vector<quint16> weights;  // count per drawn pixel
};

// How the part `target` of `src` drawn at size `drawn` is made.
struct Plan {
  Taps ty, tx;
  int colFirst = 0, cols = 0;
  // Per pair of drawn pixels and tap: the first pixel's weight four times,
  // then the second's.
  struct alignas(16) PairWeights {
    quint16 w[8];
  };
  std::vector<PairWeights> wx;
};

Plan MakePlan(const QImage& src, QSize drawn, QRect target);

// Rows y0 .. y1 - 1 of the target (counted from its top) into `out`, from
// its row outY0 on and its column 0 on; `out` is at least target's width.
// `row` is scratch space, kept by the caller between calls.
void DrawRows(const QImage& src, const Plan& plan, int y0, int y1, QImage& out, int outY0,
              std::vector<quint16>& row);
// The same with the plain C++ loops, whatever the build: the pixels the
// vector loops must give.
void DrawRowsPlain(const QImage& src, const Plan& plan, int y0, int y1, QImage& out, int outY0,
                   std::vector<quint16>& row);

}  // namespace ld::area
