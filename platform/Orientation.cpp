#include "platform/Orientation.h"

#include <libexif/exif-data.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>

#include "platform/LargeImage.h"

namespace ld {

Orientation OrientationFromTag(int value) {
  if (value >= 1 && value <= 8) return static_cast<Orientation>(value);
  return Orientation::Normal;
}

bool SwapsWidthAndHeight(Orientation o) { return static_cast<int>(o) >= 5; }

QImage ApplyOrientation(const QImage& stored, Orientation o) {
  QImage src = stored.format() == QImage::Format_RGB32
                   ? stored
                   : stored.convertToFormat(QImage::Format_RGB32);
  if (o == Orientation::Normal || src.isNull()) return src;
  const int w = src.width(), h = src.height();
  const bool swap = SwapsWidthAndHeight(o);
  QImage dst = AllocateLargeImage(swap ? h : w, swap ? w : h);
  if (dst.isNull()) return QImage();
  const qsizetype spp = src.bytesPerLine() / 4;  // source stride in pixels
  // Destination pixel (X, Y) comes from source offset base + X*dX + Y*dY.
  qsizetype base = 0, dX = 1, dY = spp;
  const qsizetype lastRow = static_cast<qsizetype>(h - 1) * spp, lastCol = w - 1;
  switch (o) {
    case Orientation::Mirror:
      base = lastCol;
      dX = -1;
      dY = spp;
      break;
    case Orientation::Rotate180:
      base = lastRow + lastCol;
      dX = -1;
      dY = -spp;
      break;
    case Orientation::Rotate180Mirror:
      base = lastRow;
      dX = 1;
      dY = -spp;
      break;
    case Orientation::Rotate90Mirror:
      base = 0;
      dX = spp;
      dY = 1;
      break;
    case Orientation::Rotate90:
      base = lastRow;
      dX = -spp;
      dY = 1;
      break;
    case Orientation::Rotate270Mirror:
      base = lastRow + lastCol;
      dX = -spp;
      dY = -1;
      break;
    case Orientation::Rotate270:
      base = lastCol;
      dX = spp;
      dY = -1;
      break;
    case Orientation::Normal:
      break;
  }
  const auto* s = reinterpret_cast<const quint32*>(src.constBits());
  const int dw = dst.width(), dh = dst.height();
  // Tiles keep both the rows read and the rows written in the cache when
  // the source is walked down its columns.
  constexpr int kTile = 64;
  for (int ty = 0; ty < dh; ty += kTile) {
    const int yEnd = std::min(dh, ty + kTile);
    for (int tx = 0; tx < dw; tx += kTile) {
      const int xEnd = std::min(dw, tx + kTile);
      for (int y = ty; y < yEnd; ++y) {
        auto* d = reinterpret_cast<quint32*>(dst.scanLine(y));
        const quint32* p = s + base + y * dY + tx * dX;
        for (int x = tx; x < xEnd; ++x, p += dX) d[x] = *p;
      }
    }
  }
  return dst;
}

bool WalkJpegHeaders(const QByteArray& jpeg,
                     const std::function<bool(unsigned char, qsizetype, qsizetype)>& visit) {
  const auto* b = reinterpret_cast<const unsigned char*>(jpeg.constData());
  const qsizetype n = jpeg.size();
  if (n < 4 || b[0] != 0xFF || b[1] != 0xD8) return false;
  qsizetype i = 2;
  while (i + 4 <= n) {
    if (b[i] != 0xFF) return false;
    const unsigned char marker = b[i + 1];
    if (marker == 0xFF) {  // fill byte
      ++i;
      continue;
    }
    if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
      i += 2;  // segments without a length
      continue;
    }
    if (marker == 0xD9) return false;  // the end, before any picture data
    const qsizetype len = (qsizetype(b[i + 2]) << 8) | b[i + 3];
    if (len < 2 || i + 2 + len > n) return false;
    if (marker == 0xDA) return true;  // the scan's header, whole: no more headers
    if (!visit(marker, i + 4, len - 2)) return false;
    i += 2 + len;
  }
  return false;
}

QByteArray FindExifSegment(const QByteArray& jpeg) {
  QByteArray found;
  WalkJpegHeaders(jpeg, [&](unsigned char marker, qsizetype at, qsizetype len) {
    if (marker == 0xE1 && len >= 6 && std::memcmp(jpeg.constData() + at, "Exif\0\0", 6) == 0) {
      found = jpeg.mid(at, len);
      return false;
    }
    return true;
  });
  return found;
}

std::optional<int> ReadJpegOrientationTag(const QByteArray& jpeg) {
  return ReadExifOrientationTag(FindExifSegment(jpeg));
}

std::optional<int> ReadExifOrientationTag(const QByteArray& block) {
  if (block.isEmpty()) return std::nullopt;
  // libexif looks for the header and otherwise for JPEG markers.
  const QByteArray header("Exif\0\0", 6);
  const QByteArray exif = block.startsWith(header) ? block : header + block;
  std::unique_ptr<ExifData, void (*)(ExifData*)> data(exif_data_new(), exif_data_unref);
  if (!data) return std::nullopt;
  // Read what is there; do not let the library add or "repair" entries.
  exif_data_unset_option(data.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
  exif_data_load_data(data.get(), reinterpret_cast<const unsigned char*>(exif.constData()),
                      static_cast<unsigned int>(exif.size()));
  ExifContent* ifd0 = data->ifd[EXIF_IFD_0];
  if (!ifd0) return std::nullopt;
  ExifEntry* e = exif_content_get_entry(ifd0, EXIF_TAG_ORIENTATION);
  if (!e || !e->data || e->components < 1) return std::nullopt;
  const ExifByteOrder order = exif_data_get_byte_order(data.get());
  switch (e->format) {
    case EXIF_FORMAT_SHORT:
    case EXIF_FORMAT_SSHORT:
      if (e->size < 2) return std::nullopt;
      return exif_get_short(e->data, order) & 0xFF;
    case EXIF_FORMAT_LONG:
    case EXIF_FORMAT_SLONG:
      if (e->size < 4) return std::nullopt;
      return static_cast<int>(exif_get_long(e->data, order) & 0xFF);
    case EXIF_FORMAT_BYTE:
    case EXIF_FORMAT_SBYTE:
    case EXIF_FORMAT_UNDEFINED:
      if (e->size < 1) return std::nullopt;
      return e->data[0];
    default:
      return std::nullopt;
  }
}

}  // namespace ld
