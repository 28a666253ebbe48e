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
  return Upright(stored, o, own);
}

DecodedPicture Upright(const QImage& kept, Orientation o, QSize own) {
  DecodedPicture out;
  out.image = ApplyOrientation(kept, o);
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

DecodedPicture OverBudget() {
  DecodedPicture d =
      Refused(QStringLiteral("Image refusée : son décodage demanderait plus de "
                             "mémoire que la limite permise"));
  d.overBudget = true;
  return d;
}

DecodedPicture Cancelled() { return Refused(QStringLiteral("Décodage abandonné")); }

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
    // Width and height up to 2^31 and bpp up to 2^16 give a row of at most
    // 2^45 bytes; the rows together can pass 2^63, so the product is only
    // formed when it can be: more than the file holds is truncated anyway.
    const qint64 rowBytes = (width * bpp + 31) / 32 * 4;
    if (rowBytes > (fileSize - offBits) / height + 1) return true;
    needed = rowBytes * height;
  } else {
    needed = sizeImage;  // compressed: its stated size, when it is given
  }
  return offBits + needed > fileSize;
}

void WalkContainerChunks(
    PictureContent content, qint64 fileSize, const std::function<QByteArray(qint64, qint64)>& read,
    const std::function<bool(const QByteArray& type, qint64 at, qint64 length)>& visit) {
  // PNG: length (big-endian), type, data, CRC from byte 8. WebP: type,
  // length (little-endian), data padded to an even length from byte 12.
  const bool png = content == PictureContent::Png;
  if (!png && content != PictureContent::WebP) return;
  qint64 at = png ? 8 : 12;
  while (at + 8 <= fileSize) {
    const QByteArray h = read(at, 8);
    if (h.size() < 8) return;
    const qint64 length = png ? qFromBigEndian<quint32>(h.constData())
                              : qFromLittleEndian<quint32>(h.constData() + 4);
    if (!visit(png ? h.mid(4, 4) : h.left(4), at + 8, length)) return;
    at += png ? 12 + length : 8 + length + (length & 1);
  }
}

std::optional<int> ContainerExifOrientation(PictureContent content, qint64 fileSize,
                                            const std::function<QByteArray(qint64, qint64)>& read) {
  // Only chunk headers are read on the way; a chunk is at most 64 KB of
  // Exif worth reading.
  constexpr qint64 kMaxExif = 64 * 1024;
  std::optional<int> tag;
  WalkContainerChunks(content, fileSize, read, [&](const QByteArray& type, qint64 at, qint64 len) {
    if (type == "eXIf" || type == "EXIF") {
      if (len <= kMaxExif) tag = ReadExifOrientationTag(read(at, len));
      return false;
    }
    return type != "IEND";
  });
  return tag;
}

bool ChunkBeyondFile(PictureContent content, qint64 fileSize,
                     const std::function<QByteArray(qint64, qint64)>& read) {
  bool beyond = false;
  WalkContainerChunks(content, fileSize, read, [&](const QByteArray& type, qint64 at, qint64 len) {
    // A PNG's picture data is read a piece at a time whatever its chunk
    // says: a file cut inside it is the reader's to judge.
    if (type == "IDAT") return true;
    beyond = len > fileSize - at;
    return !beyond && type != "IEND";
  });
  return beyond;
}

}  // namespace ld::decoding
