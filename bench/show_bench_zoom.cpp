// The show benchmark's zoom frames drawn again offscreen: timed, and compared
// with QImage::scaled(SmoothTransformation) against an exact area average.
#include <libheif/heif.h>
#include <malloc.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <turbojpeg.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QStringList>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/ui/Tdiapo.h"
#include "bench/show_bench.h"
#include "platform/PictureDecoder.h"
#include "platform/ui/UiServices.h"
#include "show/PicturePrefetcher.h"
#include "show/ui/PictureView.h"

extern char** environ;

namespace showbench {

double Psnr(const QImage& a, const QImage& b) {
  double sum = 0;
  for (int y = 0; y < a.height(); ++y) {
    const auto* p = reinterpret_cast<const QRgb*>(a.constScanLine(y));
    const auto* q = reinterpret_cast<const QRgb*>(b.constScanLine(y));
    for (int x = 0; x < a.width(); ++x) {
      const int dr = qRed(p[x]) - qRed(q[x]), dg = qGreen(p[x]) - qGreen(q[x]),
                db = qBlue(p[x]) - qBlue(q[x]);
      sum += dr * dr + dg * dg + db * db;
    }
  }
  const double mse = sum / (3.0 * a.width() * a.height());
  return mse <= 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

// The exact area average: the picture `src` drawn w x h, the part `target`
// of it, each pixel the average of the source area it covers (as a box of
// width W / w and height H / h; when that is under one pixel, the source
// pixels it overlaps, weighted by the overlap). Computed in double
// precision, one direction after the other.
QImage AreaAverage(const QImage& src, QSize drawn, QRect target) {
  struct Tap {
    int first;
    std::vector<double> weights;
  };
  auto taps = [](int srcLen, int drawnLen, int from, int count) {
    const double s = static_cast<double>(srcLen) / drawnLen;
    std::vector<Tap> out(count);
    for (int i = 0; i < count; ++i) {
      const double a = (from + i) * s, b = a + s;
      Tap& t = out[i];
      t.first = std::clamp(static_cast<int>(std::floor(a)), 0, srcLen - 1);
      for (int k = t.first; k < srcLen && k < b; ++k)
        t.weights.push_back((std::min<double>(b, k + 1) - std::max<double>(a, k)) / s);
    }
    return out;
  };
  const std::vector<Tap> tx = taps(src.width(), drawn.width(), target.x(), target.width());
  const std::vector<Tap> ty = taps(src.height(), drawn.height(), target.y(), target.height());
  const int rowFirst = ty.front().first;
  const int rowLast = ty.back().first + static_cast<int>(ty.back().weights.size());
  std::vector<double> rows(static_cast<size_t>(rowLast - rowFirst) * target.width() * 3);
  for (int y = rowFirst; y < rowLast; ++y) {
    const auto* p = reinterpret_cast<const QRgb*>(src.constScanLine(y));
    double* out = &rows[static_cast<size_t>(y - rowFirst) * target.width() * 3];
    for (int x = 0; x < target.width(); ++x) {
      double r = 0, g = 0, b = 0;
      const Tap& t = tx[x];
      for (size_t k = 0; k < t.weights.size(); ++k) {
        const QRgb c = p[t.first + k];
        r += t.weights[k] * qRed(c);
        g += t.weights[k] * qGreen(c);
        b += t.weights[k] * qBlue(c);
      }
      out[3 * x] = r;
      out[3 * x + 1] = g;
      out[3 * x + 2] = b;
    }
  }
  QImage result(target.size(), QImage::Format_RGB32);
  for (int y = 0; y < target.height(); ++y) {
    auto* d = reinterpret_cast<QRgb*>(result.scanLine(y));
    const Tap& t = ty[y];
    for (int x = 0; x < target.width(); ++x) {
      double c[3] = {0, 0, 0};
      for (size_t k = 0; k < t.weights.size(); ++k) {
        const double* p =
            &rows[(static_cast<size_t>(t.first + k - rowFirst) * target.width() + x) * 3];
        for (int i = 0; i < 3; ++i) c[i] += t.weights[k] * p[i];
      }
      d[x] = qRgb(static_cast<int>(std::lround(c[0])), static_cast<int>(std::lround(c[1])),
                  static_cast<int>(std::lround(c[2])));
    }
  }
  return result;
}

// Each zoom frame (Image2's geometry on a 1920 x 1080 screen) drawn again
// into an image of the screen: the view's smooth draw and the former
// nearest-pixel draw of the whole picture, timed; on a sample of frames,
// both and QImage::scaled(SmoothTransformation) of the same rectangle
// compared with the exact area average.
ZoomDraws RedrawZoomFrames(ld::PictureView& view, const std::vector<QRect>& frames) {
  ZoomDraws out;
  out.source = view.Picture();
  out.reduced = view.ReducedCopies() > 0;
  if (out.source.isNull() || frames.empty()) return out;
  QImage screen(kScreen, QImage::Format_RGB32);
  const QRect screenRect(QPoint(0, 0), kScreen);
  const size_t step = std::max<size_t>(1, frames.size() / 20);
  for (size_t i = 0; i < frames.size(); ++i) {
    const QRect frame = frames[i];
    const QRect visible = frame & screenRect;
    const QRect target = visible.translated(-frame.topLeft());  // in the view's coordinates
    if (target.isEmpty()) continue;
    QElapsedTimer t;
    for (int pass = 0; pass < 2; ++pass) {
      screen.fill(Qt::black);
      QPainter p(&screen);
      p.translate(frame.topLeft());
      t.start();
      if (pass == 0) {
        view.PaintPart(p, frame.size(), target);
        out.smoothMs.push_back(t.nsecsElapsed() / 1e6);
      } else {
        const double sx = static_cast<double>(out.source.width()) / frame.width();
        const double sy = static_cast<double>(out.source.height()) / frame.height();
        p.drawImage(
            QRectF(target), out.source,
            QRectF(target.x() * sx, target.y() * sy, target.width() * sx, target.height() * sy));
        out.nearestMs.push_back(t.nsecsElapsed() / 1e6);
      }
    }
    if (i % step != 0 && i + 1 != frames.size()) continue;
    const QImage exact = AreaAverage(out.source, frame.size(), target);
    const QImage qt =
        out.source.scaled(frame.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
            .copy(target);
    const QImage smooth = view.RenderedPart(frame.size(), target);
    QImage nearest(target.size(), QImage::Format_RGB32);
    {
      QPainter p(&nearest);
      p.translate(-target.topLeft());
      const double sx = static_cast<double>(out.source.width()) / frame.width();
      const double sy = static_cast<double>(out.source.height()) / frame.height();
      p.drawImage(
          QRectF(target), out.source,
          QRectF(target.x() * sx, target.y() * sy, target.width() * sx, target.height() * sy));
    }
    out.qtDb.push_back(Psnr(qt, exact));
    out.smoothDb.push_back(Psnr(smooth, exact));
    out.nearestDb.push_back(Psnr(nearest, exact));
    out.smoothToQtDb.push_back(Psnr(smooth, qt));
    out.worstGapDb = std::max(out.worstGapDb, out.qtDb.back() - out.smoothDb.back());
    if (qEnvironmentVariableIsSet("LD_BENCH_VERBOSE"))
      std::printf(
          "    frame %zu: %d x %d, smooth %.1f ms, nearest %.1f ms; PSNR Qt %.1f, smooth %.1f, "
          "nearest %.1f dB; smooth against Qt %.1f dB\n",
          i, frame.width(), frame.height(), out.smoothMs.back(), out.nearestMs.back(),
          out.qtDb.back(), out.smoothDb.back(), out.nearestDb.back(), out.smoothToQtDb.back());
  }
  return out;
}

}  // namespace showbench
