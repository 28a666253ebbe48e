#include "platform/PictureDecoding.h"

#include <QtEndian>
#include <cmath>
#include <cstring>

namespace ld::decoding {

QSize Wanted(const DecodeLimits& limits, QSize own) {
  if (!limits.wanted) return own;
  const QSize w = limits.wanted(own);
  return w.isValid() && !w.isEmpty() ? w.boundedTo(own) : own;
}

QSize KeptSize(const DecodeLimits& limits, QSize own) {
  QSize kept = Wanted(limits, own);
  if (limits.maxPixels > 0 && Area(kept) > limits.maxPixels) {
    const double f = std::sqrt(static_cast<double>(limits.maxPixels) / Area(kept));
    kept = QSize(std::max(1, static_cast<int>(kept.width() * f)),
                 std::max(1, static_cast<int>(kept.height() * f)));
  }
  return kept;
}

DecodedPicture Finish(QImage stored, Orientation o, const DecodeLimits& limits) {
  if (stored.isNull()) return Failed(QStringLiteral("Image illisible"));
  const QSize own = Oriented(stored.size(), o);
  const QSize kept = KeptSize(limits, own);
  const QSize storedKept = SwapsWidthAndHeight(o) ? kept.transposed() : kept;
  if (storedKept != stored.size())
    stored = stored.scaled(storedKept, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  DecodedPicture out;
  out.image = ApplyOrientation(stored, o);
  if (out.image.isNull()) return Refused(QStringLiteral("Mémoire insuffisante pour l'image"));
  out.ownSize = own;
  return out;
}

DecodedPicture Failed(const QString& error) {
  DecodedPicture d;
  d.error = error;
  d.contentRejected = true;
  return d;
}

DecodedPicture Refused(const QString& error) {
  DecodedPicture d;
  d.error = error;
  return d;
}

bool IsTruncatedBitmap(const QByteArray& head, qint64 fileSize) {
  if (head.size() < 26) return true;
  const auto* b = reinterpret_cast<const uchar*>(head.constData());
  const qint64 offBits = qFromLittleEndian<quint32>(b + 10);
  const quint32 dibSize = qFromLittleEndian<quint32>(b + 14);
  qint64 width = 0, height = 0, bpp = 0, compression = 0, sizeImage = 0;
  if (dibSize == 12) {  // OS/2 core header
    width = qFromLittleEndian<quint16>(b + 18);
    height = qFromLittleEndian<quint16>(b + 20);
    bpp = qFromLittleEndian<quint16>(b + 24);
  } else {
    if (head.size() < 38) return true;
    width = qFromLittleEndian<qint32>(b + 18);
    height = std::abs(static_cast<qint64>(qFromLittleEndian<qint32>(b + 22)));
    bpp = qFromLittleEndian<quint16>(b + 28);
    compression = qFromLittleEndian<quint32>(b + 30);
    sizeImage = qFromLittleEndian<quint32>(b + 34);
  }
  if (width <= 0 || height <= 0 || bpp <= 0) return false;  // the reader judges those
  qint64 needed = 0;
  if (compression == 0 || compression == 3 || compression == 6) {  // rows as stored
    const qint64 rowBytes = (width * bpp + 31) / 32 * 4;
    needed = rowBytes * height;
  } else {
    needed = sizeImage;  // compressed: its stated size, when it is given
  }
  return offBits + needed > fileSize;
}

std::optional<int> ContainerExifOrientation(PictureContent content, qint64 fileSize,
                                            const std::function<QByteArray(qint64, qint64)>& read) {
  // Only chunk headers are read on the way; a chunk is at most 64 KB of
  // Exif worth reading.
  constexpr qint64 kMaxExif = 64 * 1024;
  if (content == PictureContent::Png) {
    qint64 at = 8;
    while (at + 8 <= fileSize) {
      const QByteArray h = read(at, 8);
      if (h.size() < 8) return std::nullopt;
      const qint64 len = qFromBigEndian<quint32>(h.constData());
      const QByteArray type = h.mid(4, 4);
      if (type == "eXIf") {
        if (len > kMaxExif) return std::nullopt;
        return ReadExifOrientationTag(read(at + 8, len));
      }
      if (type == "IEND") return std::nullopt;
      at += 12 + len;
    }
  } else if (content == PictureContent::WebP) {
    qint64 at = 12;
    while (at + 8 <= fileSize) {
      const QByteArray h = read(at, 8);
      if (h.size() < 8) return std::nullopt;
      const qint64 len = qFromLittleEndian<quint32>(h.constData() + 4);
      if (h.startsWith("EXIF")) {
        if (len > kMaxExif) return std::nullopt;
        return ReadExifOrientationTag(read(at + 8, len));
      }
      at += 8 + len + (len & 1);
    }
  }
  return std::nullopt;
}

}  // namespace ld::decoding
