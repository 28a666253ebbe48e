#include "show/ui/PictureView.h"

#include <emmintrin.h>

#include <QElapsedTimer>
#include <QPaintEvent>
#include <QPainter>
#include <QThreadPool>
#include <QTimer>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace ld {

struct PictureView::Reductions {
  std::mutex mutex;
  std::condition_variable cv;
  std::vector<QImage> halves;  // largest first
  bool done = false;
};

namespace {

// A 2 x 2 average of four pixels, each of their four bytes on its own.
inline quint32 Average4(quint32 a, quint32 b, quint32 c, quint32 d) {
  constexpr quint64 kMask = 0x00FF00FF;
  const quint64 lo = (a & kMask) + (b & kMask) + (c & kMask) + (d & kMask) + 0x00020002;
  const quint64 hi = ((a >> 8) & kMask) + ((b >> 8) & kMask) + ((c >> 8) & kMask) +
                     ((d >> 8) & kMask) + 0x00020002;
  return static_cast<quint32>(((lo >> 2) & kMask) | (((hi >> 2) & kMask) << 8));
}

bool Reducible(const QImage& image) {
  return image.format() == QImage::Format_RGB32 ||
         image.format() == QImage::Format_ARGB32_Premultiplied;
}

// How many halves a picture needs on a screen of `screen`: halves while
// the next one still covers the picture's fitted size on that screen.
int HalvesNeeded(QSize picture, QSize screen) {
  if (picture.isEmpty() || screen.isEmpty()) return 0;
  const QSize fitted = picture.scaled(screen, Qt::KeepAspectRatio);
  int n = 0;
  QSize s = picture;
  while (s.width() / 2 >= fitted.width() && s.height() / 2 >= fitted.height()) {
    s = QSize(s.width() / 2, s.height() / 2);
    ++n;
  }
  return n;
}

// Area averaging of a picture reduced by a factor of at most about 2 (or
// enlarged a little): each pixel drawn is the average of the source area it
// covers, as QImage::scaled(SmoothTransformation) makes it, at the cost of
// a bilinear draw. Rows first, then columns, in fixed point with SSE2.
namespace area {

// The source pixels each drawn pixel covers: `count` of them from `first`,
// weighted by the part of them it covers (weights summing to `one`).
struct Taps {
  int count = 0;
  std::vector<int> first;
  std::vector<quint16> weights;  // count per drawn pixel
};

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

// The part `target` of `src` drawn at size `drawn`: rows y0 .. y1 - 1 of
// it into `out` (target's width, rows from y0 on). The scale must be within
// what the taps allow (a source pixel per drawn pixel between about 0.5 and
// 3).
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

void DrawRows(const QImage& src, const Plan& plan, int y0, int y1, QImage& out, int outY0) {
  const Taps& ty = plan.ty;
  const int cols = plan.cols, n = out.width();
  // One row of the source columns needed, summed over the rows: 4 x 16 bits
  // per pixel, padded.
  std::vector<quint16> row(static_cast<size_t>(cols + 8) * 4);
  const __m128i zero = _mm_setzero_si128();
  for (int y = y0; y < y1; ++y) {
    const quint16* wy = &ty.weights[static_cast<size_t>(y) * ty.count];
    const uchar* lines[4];
    int weights[4];
    int taps = 0;
    for (int k = 0; k < ty.count && taps < 4; ++k) {
      if (wy[k] == 0) continue;
      lines[taps] = src.constScanLine(ty.first[y] + k) + static_cast<qsizetype>(plan.colFirst) * 4;
      weights[taps] = wy[k];
      ++taps;
    }
    auto* r = reinterpret_cast<__m128i*>(row.data());
    int x = 0;
    if (taps == 1 && weights[0] == 256) {
      // One source row: its bytes as they are (times 256).
      for (; x + 4 <= cols; x += 4) {
        const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lines[0] + 4 * x));
        _mm_storeu_si128(r + x / 2, _mm_unpacklo_epi8(zero, p));
        _mm_storeu_si128(r + x / 2 + 1, _mm_unpackhi_epi8(zero, p));
      }
    } else {
      __m128i wv[4];
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
    for (; x < cols; ++x) {
      for (int c = 0; c < 4; ++c) {
        int sum = 0;
        for (int k = 0; k < taps; ++k) sum += lines[k][4 * x + c] * weights[k];
        row[static_cast<size_t>(x) * 4 + c] = static_cast<quint16>(sum);
      }
    }
    // Columns: two drawn pixels per register.
    HorizontalPass(row.data() - static_cast<qsizetype>(plan.colFirst) * 4, plan,
                   reinterpret_cast<quint32*>(out.scanLine(y - y0 + outY0)), n);
  }
}

}  // namespace area

}  // namespace

QImage HalfSize(const QImage& image) {
  const int w = std::max(1, image.width() / 2), h = std::max(1, image.height() / 2);
  QImage out(w, h, image.format());
  if (out.isNull()) return out;
  const int lastX = image.width() - 1, lastY = image.height() - 1;
  for (int y = 0; y < h; ++y) {
    const auto* r0 = reinterpret_cast<const quint32*>(image.constScanLine(std::min(2 * y, lastY)));
    const auto* r1 =
        reinterpret_cast<const quint32*>(image.constScanLine(std::min(2 * y + 1, lastY)));
    auto* d = reinterpret_cast<quint32*>(out.scanLine(y));
    for (int x = 0; x < w; ++x) {
      const int x0 = std::min(2 * x, lastX), x1 = std::min(2 * x + 1, lastX);
      d[x] = Average4(r0[x0], r0[x1], r1[x0], r1[x1]);
    }
  }
  return out;
}

PictureView::PictureView(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent, false);
}

PictureView::~PictureView() = default;

void PictureView::SetPicture(QImage image) {
  const QSize own = image.isNull() ? QSize(0, 0) : image.size();
  SetPicture(std::move(image), own);
}

void PictureView::SetPicture(QImage image, QSize ownSize) {
  picture_ = std::move(image);
  own_ = picture_.isNull() ? QSize(0, 0) : ownSize;
  // The previous picture's copies go with it (a worker still making them
  // lets them go when it ends).
  reductions_ = std::make_shared<Reductions>();
  const QSize screen = parentWidget() ? parentWidget()->size() : size();
  const int halves = Reducible(picture_) ? HalvesNeeded(picture_.size(), screen) : 0;
  if (halves == 0) {
    reductions_->done = true;
  } else {
    QThreadPool::globalInstance()->start([r = reductions_, image = picture_, halves] {
      QImage current = image;
      for (int i = 0; i < halves; ++i) {
        current = HalfSize(current);
        if (current.isNull()) break;
        std::lock_guard lock(r->mutex);
        r->halves.push_back(current);
      }
      {
        std::lock_guard lock(r->mutex);
        r->done = true;
      }
      r->cv.notify_all();
    });
  }
  update();
}

void PictureView::SetFastScaling(bool fast) { fast_ = fast; }

QImage PictureView::SourceFor(QSize drawn, bool* ready, bool wait) {
  if (!reductions_) {
    if (ready) *ready = true;
    return picture_;
  }
  std::unique_lock lock(reductions_->mutex);
  if (wait) reductions_->cv.wait(lock, [&] { return reductions_->done; });
  if (ready) *ready = reductions_->done;
  // The smallest copy that still covers the drawn size.
  const QImage* best = &picture_;
  for (const QImage& half : reductions_->halves) {
    if (half.width() < drawn.width() || half.height() < drawn.height()) break;
    best = &half;
  }
  return *best;
}

void PictureView::Draw(QPainter& p, QSize drawn, QRect target, const QImage& source) {
  const double fx = static_cast<double>(source.width()) / drawn.width();
  const double fy = static_cast<double>(source.height()) / drawn.height();
  if (Reducible(source) && fx >= 0.9 && fx <= 2.05 && fy >= 0.9 && fy <= 2.05 &&
      !target.isEmpty()) {
    // Reduced (or barely enlarged): averaged over the area each pixel
    // covers, in bands of rows that are copied while they are in the cache;
    // the lower half of the bands on a second thread.
    const area::Plan plan = area::MakePlan(source, drawn, target);
    constexpr int kBand = 32;
    const int bands = (target.height() + kBand - 1) / kBand;
    auto drawBands = [&](int firstBand, int endBand, QImage& band) {
      for (int b = firstBand; b < endBand; ++b) {
        const int y0 = b * kBand, y1 = std::min(target.height(), y0 + kBand);
        area::DrawRows(source, plan, y0, y1, band, 0);
        if (y1 - y0 < kBand) band = band.copy(0, 0, band.width(), y1 - y0);
        p.drawImage(QPoint(target.x(), target.y() + y0), band);
      }
    };
    const int split = bands / 2;
    std::vector<QImage> lowerBands;
    std::thread helper;
    if (split > 0) {
      // The helper only computes; the painter is used by this thread alone.
      lowerBands.resize(static_cast<size_t>(bands - split));
      helper = std::thread([&] {
        for (int b = split; b < bands; ++b) {
          const int y0 = b * kBand, y1 = std::min(target.height(), y0 + kBand);
          QImage band(target.width(), y1 - y0, QImage::Format_RGB32);
          area::DrawRows(source, plan, y0, y1, band, 0);
          lowerBands[static_cast<size_t>(b - split)] = std::move(band);
        }
      });
    }
    QImage upper(target.width(), kBand, QImage::Format_RGB32);
    drawBands(0, split > 0 ? split : bands, upper);
    if (helper.joinable()) {
      helper.join();
      for (int b = split; b < bands; ++b)
        p.drawImage(QPoint(target.x(), target.y() + b * kBand),
                    lowerBands[static_cast<size_t>(b - split)]);
    }
    return;
  }
  // Enlarged, or reduced further (a picture whose reduced copies are not
  // there yet): bilinear.
  p.setRenderHint(QPainter::SmoothPixmapTransform, true);
  // Only the target part is drawn: map it back to the source rectangle.
  const double sx = static_cast<double>(source.width()) / drawn.width();
  const double sy = static_cast<double>(source.height()) / drawn.height();
  const QRectF from(target.x() * sx, target.y() * sy, target.width() * sx, target.height() * sy);
  p.drawImage(QRectF(target), source, from);
}

QImage PictureView::RenderedPart(QSize drawn, QRect target) {
  QImage out(target.size(), QImage::Format_RGB32);
  out.fill(Qt::black);
  if (picture_.isNull() || drawn.isEmpty()) return out;
  QPainter p(&out);
  p.translate(-target.topLeft());
  PaintPart(p, drawn, target);
  return out;
}

void PictureView::PaintPart(QPainter& p, QSize drawn, QRect target) {
  if (picture_.isNull() || drawn.isEmpty()) return;
  Draw(p, drawn, target, SourceFor(drawn, nullptr, true));
}

int PictureView::ReducedCopies() {
  if (!reductions_) return 0;
  std::unique_lock lock(reductions_->mutex);
  reductions_->cv.wait(lock, [&] { return reductions_->done; });
  return static_cast<int>(reductions_->halves.size());
}

void PictureView::paintEvent(QPaintEvent* e) {
  if (picture_.isNull() || width() <= 0 || height() <= 0) return;
  QElapsedTimer clock;
  clock.start();
  bool ready = true;
  const QImage source = SourceFor(size(), &ready);
  {
    QPainter p(this);
    Draw(p, size(), e->rect() & rect(), source);
  }
  // A still picture drawn from a larger copy than it needs is drawn again
  // once its reduced copies are there; a moving one is drawn again anyway.
  if (!ready && !fast_ && !redraw_pending_) {
    redraw_pending_ = true;
    QTimer::singleShot(40, this, [this] {
      redraw_pending_ = false;
      update();
    });
  }
  if (on_painted) on_painted(clock.nsecsElapsed() / 1e6);
}

}  // namespace ld
