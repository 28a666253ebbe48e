#include <gtest/gtest.h>

#include <cstring>

#include "show/ui/AreaAverage.h"

namespace ld {
namespace {

// The vector loops (SSE2, and AVX2 where the processor has it) give the
// plain C++ loops' pixels byte for byte: every tap count from a picture
// barely enlarged to one reduced four times, a source row taken as it is
// (drawn at its own size), target parts that start anywhere and end in odd
// columns, and the alpha byte averaged like the others.
TEST(AreaAverage, VectorLoopsGiveThePlainLoopsPixels) {
  QImage src(1003, 611, QImage::Format_ARGB32_Premultiplied);
  quint32 seed = 11;
  for (int y = 0; y < src.height(); ++y)
    for (qsizetype x = 0; x < src.bytesPerLine(); ++x)
      src.scanLine(y)[x] = static_cast<uchar>((seed = seed * 1664525 + 1013904223) >> 24);
  struct Case {
    QSize drawn;
    QRect target;
  };
  const Case cases[] = {
      {QSize(1003, 611), QRect(0, 0, 1003, 611)},  // own size: one tap per row
      {QSize(1111, 677), QRect(5, 3, 1001, 97)},   // enlarged a little
      {QSize(990, 600), QRect(1, 2, 777, 33)},     // two taps
      {QSize(501, 305), QRect(0, 0, 501, 305)},    // three
      {QSize(333, 203), QRect(17, 9, 299, 41)},    // four
      {QSize(251, 153), QRect(0, 0, 251, 153)},    // five, reduced nearly four times
      {QSize(260, 160), QRect(258, 100, 1, 60)},   // one column at the right edge
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.drawn.width() << "x" << c.drawn.height());
    const area::Plan plan = area::MakePlan(src, c.drawn, c.target);
    QImage vector(c.target.size(), src.format()), plain(c.target.size(), src.format());
    vector.fill(0);
    plain.fill(0);
    std::vector<quint16> row;
    // In two calls, as the picture control draws bands.
    const int half = c.target.height() / 2;
    area::DrawRows(src, plan, 0, half, vector, 0, row);
    area::DrawRows(src, plan, half, c.target.height(), vector, half, row);
    area::DrawRowsPlain(src, plan, 0, c.target.height(), plain, 0, row);
    int differing = 0;
    for (int y = 0; y < c.target.height(); ++y)
      differing += std::memcmp(vector.constScanLine(y), plain.constScanLine(y),
                               static_cast<size_t>(c.target.width()) * 4) != 0;
    EXPECT_EQ(differing, 0);
  }
}

}  // namespace
}  // namespace ld
