// Entry functions of the decoder targets: one per picture reader (libheif,
// Qt's PNG, WebP, TIFF and GIF readers) and the container Exif reader.
#include <QFile>

#include "fuzz/FuzzEntries.h"
#include "platform/DataDir.h"
#include "platform/PictureDecoder.h"
#include "platform/PictureDecoding.h"

namespace ld::fuzz {
namespace {

QByteArray Bytes(const std::uint8_t* data, std::size_t size) {
  return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// The input as a file of the content's kind: its signature put in front when
// it does not start with it, so that every input reaches the reader.
QByteArray WithSignature(QByteArray bytes, PictureContent content) {
  if (SniffPictureContent(bytes.left(16)) == content) return bytes;
  switch (content) {
    case PictureContent::Png:
      return QByteArray("\x89PNG\r\n\x1A\n") + bytes;
    case PictureContent::WebP:
      return QByteArray("RIFF\0\0\0\0WEBP", 12) + bytes;
    case PictureContent::Tiff:
      return QByteArray("II*\0", 4) + bytes;
    case PictureContent::Gif:
      return QByteArray("GIF89a") + bytes;
    case PictureContent::Heif:
      return QByteArray(
                 "\0\0\0\x10"
                 "ftypheic\0\0\0\0",
                 16) +
             bytes;
    default:
      return bytes;
  }
}

// Decoded from a file, as the show decodes it, for a small screen; the
// kept picture must have a size and stay within the screen's pixel bound.
QString DecodeAsFile(const QByteArray& bytes, const char* extension) {
  const QString path = DataFile(QStringLiteral("fuzz-reader") + QLatin1String(extension));
  {
    QFile f(path);
    if (!EnsureDataDir() || !f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        f.write(bytes) != bytes.size())
      return QStringLiteral("cannot write the picture file");
  }
  const DecodeLimits limits = FuzzScreenLimits();
  const DecodedPicture p = DecodePictureFile(path, limits);
  QFile::remove(path);
  return CheckDecodedPicture(p, limits.maxPixels, "DecodePictureFile");
}

QString FuzzReader(const std::uint8_t* data, std::size_t size, PictureContent content,
                   const char* extension) {
  return DecodeAsFile(WithSignature(Bytes(data, size), content), extension);
}

}  // namespace

DecodeLimits FuzzScreenLimits() {
  const QSize screen(640, 480);
  DecodeLimits limits = LimitsForScreen(screen);
  limits.wanted = [screen](QSize own) { return own.scaled(screen, Qt::KeepAspectRatio); };
  return limits;
}

QString CheckDecodedPicture(const DecodedPicture& p, qint64 maxPixels, const char* what) {
  if (p.image.isNull()) {
    if (p.ownSize != QSize(0, 0))
      return QLatin1String(what) + QStringLiteral(": size without picture");
    if (p.error.isEmpty()) return QLatin1String(what) + QStringLiteral(": failure without reason");
    return QString();
  }
  if (p.ownSize.isEmpty()) return QLatin1String(what) + QStringLiteral(": picture without size");
  if (static_cast<qint64>(p.image.width()) * p.image.height() > maxPixels)
    return QLatin1String(what) + QStringLiteral(": picture above the pixel bound");
  return QString();
}

QString FuzzHeif(const std::uint8_t* data, std::size_t size) {
  return FuzzReader(data, size, PictureContent::Heif, ".heic");
}
QString FuzzPng(const std::uint8_t* data, std::size_t size) {
  return FuzzReader(data, size, PictureContent::Png, ".png");
}
QString FuzzWebp(const std::uint8_t* data, std::size_t size) {
  return FuzzReader(data, size, PictureContent::WebP, ".webp");
}
QString FuzzTiff(const std::uint8_t* data, std::size_t size) {
  return FuzzReader(data, size, PictureContent::Tiff, ".tif");
}
QString FuzzGif(const std::uint8_t* data, std::size_t size) {
  return FuzzReader(data, size, PictureContent::Gif, ".gif");
}

QString FuzzContainerExif(const std::uint8_t* data, std::size_t size) {
  const QByteArray bytes = Bytes(data, size);
  for (const PictureContent content : {PictureContent::Png, PictureContent::WebP}) {
    const QByteArray file = WithSignature(bytes, content);
    qint64 reads = 0;
    const auto read = [&](qint64 at, qint64 n) {
      ++reads;
      return file.mid(at, n);
    };
    const auto tag = decoding::ContainerExifOrientation(content, file.size(), read);
    if (tag && (*tag < 0 || *tag > 255))
      return QStringLiteral("orientation tag outside its low byte");
    decoding::ChunkBeyondFile(content, file.size(), read);
    // Each chunk header read moves on by at least 8 bytes.
    if (reads > 2 * (file.size() / 8 + 2)) return QStringLiteral("chunk walk does not move on");
  }
  return QString();
}

}  // namespace ld::fuzz
