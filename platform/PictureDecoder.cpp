#include "platform/PictureDecoder.h"

#include <turbojpeg.h>

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "platform/LargeImage.h"
#include "platform/Orientation.h"
#include "platform/Paths.h"
#include "platform/PictureDecoding.h"
#include "platform/PictureFile.h"

namespace ld {

using decoding::Area;
using decoding::Failed;
using decoding::Oriented;
using decoding::Refused;
using decoding::Wanted;

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

thread_local TjHandle threadDecompressor;

// One decompressor per thread, kept: its working memory is then set up once
// instead of at every picture.
tjhandle Decompressor() { return threadDecompressor.h; }

// The header of `bytes` read with the thread's decompressor. After an error
// TurboJPEG leaves the decompressor in the middle of the broken header, and
// the next good file read with it comes out as 0 x 0: the thread then gets
// a fresh one.
bool ReadJpegHeader(const QByteArray& bytes, int& w, int& h, int& cs) {
  tjhandle tj = Decompressor();
  if (!tj) return false;
  int sub = 0;
  if (tjDecompressHeader3(tj, reinterpret_cast<const unsigned char*>(bytes.constData()),
                          static_cast<unsigned long>(bytes.size()), &w, &h, &sub, &cs) == 0)
    return true;
  tjDestroy(threadDecompressor.h);
  threadDecompressor.h = tjInitDecompress();
  return false;
}

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
    if (maxPixels <= 0 || Area(QSize(s.Apply(sw), s.Apply(sh))) <= maxPixels) return s;
    if (pick == 0) return std::nullopt;
    --pick;
  }
}

const QString kUndecodable = QStringLiteral("Image illisible");

// The largest picture a decode may make: maxPixels, or without it the bound
// of a picture decoded whole.
qint64 KeptPixelBound(const DecodeLimits& limits) {
  return limits.maxPixels > 0 ? limits.maxPixels : limits.maxSourcePixels;
}

// Qt's JPEG reader, for the CMYK pictures that TurboJPEG cannot decode into
// RGB: decoded at a reduced size when that is all the display needs, turned
// by the same orientation.
DecodedPicture DecodeCmykJpeg(const QByteArray& data, const DecodeLimits& limits, Orientation o) {
  QBuffer buffer;
  buffer.setData(data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "jpeg");
  reader.setAutoTransform(false);
  const QSize stored = reader.size();
  if (!stored.isValid() || stored.isEmpty()) return Failed(kUndecodable);
  const QSize own = Oriented(stored, o);
  const QSize need = Wanted(limits, own);
  const QSize storedNeed = SwapsWidthAndHeight(o) ? need.transposed() : need;
  const auto scale =
      ChooseScale(stored.width(), stored.height(), storedNeed, KeptPixelBound(limits));
  if (!scale) return Refused(QStringLiteral("Image trop grande"));
  const QSize target(scale->Apply(stored.width()), scale->Apply(stored.height()));
  if (target != stored) reader.setScaledSize(target);
  if (limits.maxDecodeBytes > 0 && Area(target) * 4 > limits.maxDecodeBytes)
    return decoding::OverBudget();
  reader.setAllocationLimit(
      static_cast<int>(std::max<qint64>(1, Area(target) * 4 / (1024 * 1024) + 1)));
  QImage img = reader.read();
  if (img.isNull() || img.width() <= 0) return Failed(kUndecodable);
  DecodedPicture out;
  out.image = ApplyOrientation(img, o);
  if (out.image.isNull()) return Failed(kUndecodable);
  out.ownSize = own;
  out.scaleNum = scale->num;
  out.scaleDenom = scale->denom;
  return out;
}

// A picture for Qt's readers (not JPEG or HEIF), of fileSize bytes read
// through `read` for its headers and through `device` by the reader: the
// checks on its headers, its Exif orientation, then the reader.
DecodedPicture DecodeQtContent(PictureContent content, qint64 fileSize,
                               const std::function<QByteArray(qint64, qint64)>& read,
                               QIODevice* device, const DecodeLimits& limits) {
  if (content == PictureContent::Bitmap && decoding::IsTruncatedBitmap(read(0, 64), fileSize))
    return Failed(QStringLiteral("Image BMP tronquée"));
  if (decoding::ChunkBeyondFile(content, fileSize, read))
    return Failed(QStringLiteral("Image endommagée : un bloc dépasse la fin du fichier"));
  const auto orientation = decoding::ContainerExifOrientation(content, fileSize, read);
  if (content == PictureContent::WebP) {
    if (auto webp = decoding::DecodeWebP(read(0, fileSize), orientation, limits)) return *webp;
  }
  return decoding::DecodeWithQt(device, content, orientation, limits);
}

// The failure's text with the file named.
DecodedPicture Named(DecodedPicture d, const QString& path) {
  if (d.image.isNull()) {
    d.ownSize = QSize(0, 0);
    if (d.error.isEmpty()) d.error = kUndecodable;
    if (!d.error.contains(path)) d.error += QStringLiteral(" : ") + path;
  }
  return d;
}

}  // namespace

PictureFormat PictureFormatOf(const QString& path) {
  const QString ext = LowerExtension(path);
  auto is = [&](std::initializer_list<const char*> list) {
    for (const char* e : list)
      if (ext == QLatin1String(e)) return true;
    return false;
  };
  if (is({".jpg", ".jpeg", ".jpe", ".jfif"})) return PictureFormat::Jpeg;
  if (is({".bmp"})) return PictureFormat::Bitmap;
  if (is({".ico"})) return PictureFormat::Icon;
  if (is({".png"})) return PictureFormat::Png;
  if (is({".webp"})) return PictureFormat::WebP;
  if (is({".tif", ".tiff"})) return PictureFormat::Tiff;
  if (is({".heic", ".heif", ".avif"})) return PictureFormat::Heif;
  return PictureFormat::Other;
}

PictureContent SniffPictureContent(const QByteArray& head) {
  auto starts = [&](const char* magic, qsizetype n, qsizetype at = 0) {
    return head.size() >= at + n && std::memcmp(head.constData() + at, magic, n) == 0;
  };
  if (starts("\xFF\xD8\xFF", 3)) return PictureContent::Jpeg;
  if (starts("\x89PNG\r\n\x1A\n", 8)) return PictureContent::Png;
  if (starts("RIFF", 4) && starts("WEBP", 4, 8)) return PictureContent::WebP;
  if (starts("II*\0", 4) || starts("MM\0*", 4)) return PictureContent::Tiff;
  if (starts("ftyp", 4, 4)) return PictureContent::Heif;
  if (starts("BM", 2)) return PictureContent::Bitmap;
  if (starts("GIF87a", 6) || starts("GIF89a", 6)) return PictureContent::Gif;
  if (starts("\0\0\1\0", 4)) return PictureContent::Icon;
  return PictureContent::Unknown;
}

qint64 MaxDecodedPixelsForScreen(QSize screen) {
  return std::max<qint64>(
      16 * Area(QSize(std::max(screen.width(), 1), std::max(screen.height(), 1))), 4 * 1024 * 1024);
}

qint64 DecodeBudgetForScreen(QSize screen) {
  const qint64 pixels = Area(QSize(std::max(screen.width(), 1), std::max(screen.height(), 1)));
  return std::clamp<qint64>(256 * pixels, 256LL << 20, 1LL << 30);
}

DecodeLimits LimitsForScreen(QSize screen) {
  DecodeLimits l;
  l.maxPixels = MaxDecodedPixelsForScreen(screen);
  l.maxSourcePixels = std::min<qint64>(4 * l.maxPixels, 256LL * 1024 * 1024);
  l.maxFileBytes = 4 * l.maxSourcePixels;
  l.maxDecodeBytes = DecodeBudgetForScreen(screen);
  return l;
}

QSize JpegOwnSize(const QByteArray& data) {
  int w = 0, h = 0, cs = 0;
  if (!ReadJpegHeader(data, w, h, cs)) return QSize();
  return Oriented(QSize(w, h), OrientationFromTag(ReadJpegOrientationTag(data).value_or(1)));
}

namespace {

// giveBackRead: see DecodeJpegUpright. With a file (fd not -1), data is the
// file's start, holding every header (JpegHeadersWithin), and the picture is
// decoded from the file; `whole` reads the file whole for the decoders that
// need it.
DecodedPicture DecodeJpegData(const QByteArray& data, const DecodeLimits& limits, bool giveBackRead,
                              int fd = -1, const std::function<QByteArray()>& whole = {}) {
  const Orientation o = OrientationFromTag(ReadJpegOrientationTag(data).value_or(1));
  int sw = 0, sh = 0, cs = 0;
  if (!ReadJpegHeader(data, sw, sh, cs) || sw <= 0 || sh <= 0) return Failed(kUndecodable);
  // TurboJPEG does not turn CMYK into RGB; Qt's reader does.
  if (cs == TJCS_CMYK || cs == TJCS_YCCK)
    return DecodeCmykJpeg(fd >= 0 ? whole() : data, limits, o);

  const QSize own = Oriented(QSize(sw, sh), o);
  const QSize need = Wanted(limits, own);
  const QSize storedNeed = SwapsWidthAndHeight(o) ? need.transposed() : need;
  const auto scale = ChooseScale(sw, sh, storedNeed, KeptPixelBound(limits));
  // A header that announces more than the screen could ever show, even at
  // the smallest scale, is refused before anything is allocated.
  if (!scale) return Refused(QStringLiteral("Image trop grande"));
  // A warning (a truncated file, for instance) still leaves a whole
  // picture, the missing part grey. An error, the scan limit's included,
  // makes it undecodable: no slower decoder gets a file that was refused.
  decoding::JpegControl control;
  control.budget = limits.maxDecodeBytes;
  control.cancel = limits.cancel.get();
  std::optional<QImage> img =
      fd >= 0
          ? decoding::DecodeJpegUprightFromFile(fd, scale->num, scale->denom, o, &control)
          : decoding::DecodeJpegUpright(data, scale->num, scale->denom, o, giveBackRead, &control);
  if (control.stop == decoding::JpegStop::OverBudget) return decoding::OverBudget();
  if (control.stop == decoding::JpegStop::Cancelled) return decoding::Cancelled();
  if (!img) return Failed(kUndecodable);
  if (img->isNull()) return Refused(QStringLiteral("Mémoire insuffisante pour l'image"));
  DecodedPicture out;
  out.image = std::move(*img);
  out.ownSize = own;
  out.scaleNum = scale->num;
  out.scaleDenom = scale->denom;
  return out;
}

}  // namespace

DecodedPicture DecodeJpeg(const QByteArray& data, const DecodeLimits& limits) {
  return DecodeJpegData(data, limits, false);
}

DecodedPicture DecodePicture(const QByteArray& data, const DecodeLimits& limits) {
  if (limits.maxFileBytes > 0 && data.size() > limits.maxFileBytes)
    return Refused(QStringLiteral("Fichier bien trop grand pour une image"));
  const PictureContent content = SniffPictureContent(data.left(16));
  switch (content) {
    case PictureContent::Jpeg:
      return DecodeJpeg(data, limits);
    case PictureContent::Heif:
      return decoding::DecodeHeif(data, limits);
    case PictureContent::Unknown:
      return Failed(QStringLiteral("Format d'image non reconnu"));
    default:
      break;
  }
  QBuffer buffer;
  buffer.setData(data);
  buffer.open(QIODevice::ReadOnly);
  return DecodeQtContent(
      content, data.size(), [&](qint64 at, qint64 n) { return data.mid(at, n); }, &buffer, limits);
}

namespace {

// Where a JPEG's headers are looked for before its picture is decoded from
// the file: Exif blocks (64 KB at most) and colour profiles come first.
constexpr qint64 kJpegHeadBytes = 256 * 1024;

DecodedPicture DecodeOpenedFile(const QString& path, const DecodeLimits& limits) {
  const PictureFile file(path, limits.maxFileBytes);
  if (!file.IsOpen()) return Named(Refused(file.Error()), path);
  const QByteArray head = file.Read(0, 64);
  const PictureContent content = SniffPictureContent(head);
  switch (content) {
    case PictureContent::Jpeg: {
      // The usual JPEG: its headers read first, then its picture decoded
      // from the file a piece at a time.
      const QByteArray start = file.Read(0, kJpegHeadBytes);
      if (decoding::JpegHeadersWithin(start))
        return Named(
            DecodeJpegData(start, limits, false, file.Descriptor(), [&] { return file.ReadAll(); }),
            path);
      // Headers longer than that: the file whole, within its bound, its
      // pages given back as they are decoded.
      const decoding::FileBytes bytes(file.Descriptor(), file.Size());
      const QByteArray data = bytes.View();
      if (data.isEmpty()) return Named(DecodeJpeg(file.ReadAll(), limits), path);
      return Named(DecodeJpegData(data, limits, true), path);
    }
    case PictureContent::Heif:
      return Named(decoding::DecodeHeif(file.ReadAll(), limits), path);
    case PictureContent::Unknown:
      return Named(Failed(QStringLiteral("Format d'image non reconnu")), path);
    default:
      break;
  }
  // Qt's readers read from the open file as far as they need.
  QFile device;
  if (!device.open(file.Descriptor(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
    return Named(Failed(QStringLiteral("Impossible de lire le fichier")), path);
  return Named(DecodeQtContent(
                   content, file.Size(), [&](qint64 at, qint64 n) { return file.Read(at, n); },
                   &device, limits),
               path);
}

}  // namespace

DecodedPicture DecodePictureFile(const QString& path, const DecodeLimits& limits) {
  DecodedPicture picture = DecodeOpenedFile(path, limits);
  // A file refused for the memory it asks for is not damaged, and nothing
  // on screen says why it shows red: the reason goes to the error stream.
  if (picture.overBudget)
    std::fprintf(stderr, "luminodrift : %s\n", picture.error.toLocal8Bit().constData());
  return picture;
}

}  // namespace ld
