#include "platform/PictureDecoder.h"

#include <turbojpeg.h>

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <algorithm>
#include <memory>
#include <vector>

#include "platform/LargeImage.h"
#include "platform/Orientation.h"
#include "platform/Paths.h"

namespace ld {

namespace {

struct Scale {
  int num = 1, denom = 1;
  int Apply(int dim) const {
    return static_cast<int>((static_cast<long long>(dim) * num + denom - 1) / denom);
  }
  double Value() const { return static_cast<double>(num) / denom; }
};

// TurboJPEG's scaling factors up to 1, smallest first.
const std::vector<Scale>& DownScales() {
  static const std::vector<Scale> scales = [] {
    std::vector<Scale> v;
    int n = 0;
    if (tjscalingfactor* f = tjGetScalingFactors(&n)) {
      for (int i = 0; i < n; ++i)
        if (f[i].num <= f[i].denom) v.push_back({f[i].num, f[i].denom});
    }
    if (v.empty()) v.push_back({1, 1});
    std::sort(v.begin(), v.end(),
              [](const Scale& a, const Scale& b) { return a.Value() < b.Value(); });
    return v;
  }();
  return scales;
}

struct TjHandle {
  tjhandle h = tjInitDecompress();
  ~TjHandle() {
    if (h) tjDestroy(h);
  }
};

// One decompressor per thread, kept: its working memory is then set up once
// instead of at every picture.
tjhandle Decompressor() {
  thread_local TjHandle tj;
  return tj.h;
}

QSize Wanted(const DecodeLimits& limits, QSize own) {
  if (!limits.wanted) return own;
  const QSize w = limits.wanted(own);
  return w.isValid() ? w.boundedTo(own) : own;
}

qint64 Area(int w, int h) { return static_cast<qint64>(w) * h; }

// The smallest scale at which the stored picture (sw x sh) covers `need`
// (in stored orientation), lowered until it fits maxPixels. Nothing when
// even the smallest scale is too large.
std::optional<Scale> ChooseScale(int sw, int sh, QSize need, qint64 maxPixels) {
  const auto& scales = DownScales();
  size_t pick = scales.size() - 1;
  for (size_t i = 0; i < scales.size(); ++i) {
    if (scales[i].Apply(sw) >= need.width() && scales[i].Apply(sh) >= need.height()) {
      pick = i;
      break;
    }
  }
  for (;;) {
    const Scale& s = scales[pick];
    if (maxPixels <= 0 || Area(s.Apply(sw), s.Apply(sh)) <= maxPixels) return s;
    if (pick == 0) return std::nullopt;
    --pick;
  }
}

QSize Oriented(QSize stored, Orientation o) {
  return SwapsWidthAndHeight(o) ? stored.transposed() : stored;
}

// Qt's JPEG reader, for what TurboJPEG refuses: decoded at a reduced size
// when that is all the display needs, turned by the same orientation.
DecodedPicture DecodeJpegWithQt(const QByteArray& data, const DecodeLimits& limits, Orientation o) {
  DecodedPicture out;
  QBuffer buffer;
  buffer.setData(data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "jpeg");
  reader.setAutoTransform(false);
  const QSize stored = reader.size();
  if (!stored.isValid() || stored.isEmpty()) return out;
  const QSize own = Oriented(stored, o);
  const QSize need = Wanted(limits, own);
  const QSize storedNeed = SwapsWidthAndHeight(o) ? need.transposed() : need;
  const auto scale = ChooseScale(stored.width(), stored.height(), storedNeed, limits.maxPixels);
  if (!scale) return out;
  const QSize target(scale->Apply(stored.width()), scale->Apply(stored.height()));
  if (target != stored) reader.setScaledSize(target);
  if (limits.maxPixels > 0)
    reader.setAllocationLimit(
        static_cast<int>(std::max<qint64>(1, limits.maxPixels * 4 / (1024 * 1024) + 1)));
  QImage img = reader.read();
  if (img.isNull() || img.width() <= 0) return out;
  out.image = ApplyOrientation(img, o);
  if (out.image.isNull()) return DecodedPicture();
  out.ownSize = own;
  out.scaleNum = scale->num;
  out.scaleDenom = scale->denom;
  return out;
}

}  // namespace

PictureFormat PictureFormatOf(const QString& path) {
  const QString ext = LowerExtension(path);
  if (ext == QLatin1String(".jpg") || ext == QLatin1String(".jpeg")) return PictureFormat::Jpeg;
  if (ext == QLatin1String(".bmp")) return PictureFormat::Bitmap;
  if (ext == QLatin1String(".ico")) return PictureFormat::Icon;
  return PictureFormat::Other;
}

qint64 MaxDecodedPixelsForScreen(QSize screen) {
  return std::max<qint64>(16 * Area(std::max(screen.width(), 1), std::max(screen.height(), 1)),
                          4 * 1024 * 1024);
}

QSize JpegOwnSize(const QByteArray& data) {
  tjhandle tj = Decompressor();
  if (!tj) return QSize();
  int w = 0, h = 0, sub = 0, cs = 0;
  if (tjDecompressHeader3(tj, reinterpret_cast<const unsigned char*>(data.constData()),
                          static_cast<unsigned long>(data.size()), &w, &h, &sub, &cs) != 0)
    return QSize();
  return Oriented(QSize(w, h), OrientationFromTag(ReadJpegOrientationTag(data).value_or(1)));
}

DecodedPicture DecodeJpeg(const QByteArray& data, const DecodeLimits& limits) {
  const Orientation o = OrientationFromTag(ReadJpegOrientationTag(data).value_or(1));
  tjhandle tj = Decompressor();
  if (!tj) return DecodeJpegWithQt(data, limits, o);
  const auto* bytes = reinterpret_cast<const unsigned char*>(data.constData());
  const auto size = static_cast<unsigned long>(data.size());
  int sw = 0, sh = 0, sub = 0, cs = 0;
  if (tjDecompressHeader3(tj, bytes, size, &sw, &sh, &sub, &cs) != 0 || sw <= 0 || sh <= 0)
    return DecodeJpegWithQt(data, limits, o);
  if (cs == TJCS_CMYK || cs == TJCS_YCCK) return DecodeJpegWithQt(data, limits, o);

  const QSize own = Oriented(QSize(sw, sh), o);
  const QSize need = Wanted(limits, own);
  const QSize storedNeed = SwapsWidthAndHeight(o) ? need.transposed() : need;
  const auto scale = ChooseScale(sw, sh, storedNeed, limits.maxPixels);
  // A header that announces more than the screen could ever show, even at
  // the smallest scale, is refused before anything is allocated.
  if (!scale) return DecodedPicture();
  const int dw = scale->Apply(sw), dh = scale->Apply(sh);
  QImage img = AllocateLargeImage(dw, dh);
  if (img.isNull()) return DecodedPicture();
  // Default flags: accurate DCT and smooth upsampling, the quality djpeg
  // gives. Progressive files with absurd scan counts are refused.
  const int rc =
      tjDecompress2(tj, bytes, size, img.bits(), dw, static_cast<int>(img.bytesPerLine()), dh,
                    TJPF_BGRX, TJFLAG_LIMITSCANS);
  // A warning (a truncated file, for instance) still leaves a whole picture,
  // the missing part grey; only an error makes it undecodable here.
  if (rc != 0 && tjGetErrorCode(tj) != TJERR_WARNING) {
    img = QImage();
    return DecodeJpegWithQt(data, limits, o);
  }
  DecodedPicture out;
  out.image = ApplyOrientation(img, o);
  if (out.image.isNull()) return DecodedPicture();
  out.ownSize = own;
  out.scaleNum = scale->num;
  out.scaleDenom = scale->denom;
  return out;
}

DecodedPicture DecodeJpegFile(const QString& path, const DecodeLimits& limits) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return DecodedPicture();
  const QByteArray data = f.readAll();
  f.close();
  return DecodeJpeg(data, limits);
}

DecodedPicture DecodeWithQtReader(const QString& path, const DecodeLimits& limits) {
  DecodedPicture out;
  QImageReader reader(path);
  reader.setAutoTransform(false);
  if (limits.maxPixels > 0)
    reader.setAllocationLimit(
        static_cast<int>(std::max<qint64>(1, limits.maxPixels * 4 / (1024 * 1024) + 1)));
  QImage img = reader.read();
  if (img.isNull()) {
    out.error = reader.errorString();
    if (out.error.isEmpty()) out.error = QStringLiteral("Image non valide");
    return out;
  }
  if (limits.maxPixels > 0 && Area(img.width(), img.height()) > limits.maxPixels) {
    out.error = QStringLiteral("Image trop grande");
    return out;
  }
  out.ownSize = img.size();
  out.image = std::move(img);
  return out;
}

DecodedPicture DecodePictureFile(const QString& path, const DecodeLimits& limits) {
  switch (PictureFormatOf(path)) {
    case PictureFormat::Jpeg:
      return DecodeJpegFile(path, limits);
    case PictureFormat::Bitmap:
    case PictureFormat::Icon:
      return DecodeWithQtReader(path, limits);
    case PictureFormat::Other:
      break;
  }
  return DecodedPicture();
}

}  // namespace ld
