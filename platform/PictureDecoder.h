#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>

namespace ld {

// Picture files by their extension (compared in lower case). Other
// extensions are not loaded at all: the previous picture stays.
enum class PictureFormat { Jpeg, Bitmap, Icon, Png, WebP, Tiff, Heif, Other };
PictureFormat PictureFormatOf(const QString& path);

// What a file holds, from its first bytes; the decoder follows the content,
// so a PNG named ".jpg" is decoded as a PNG.
enum class PictureContent { Jpeg, Png, Bitmap, Icon, WebP, Tiff, Heif, Gif, Unknown };
PictureContent SniffPictureContent(const QByteArray& head);

// How large a picture is decoded. `wanted` gives, from the picture's own
// upright size, the size the display can show of it; the decoder takes the
// smallest decoding scale that still gives at least that size (never more
// than the picture itself), or decodes the whole picture and scales it down
// before it is kept. `maxPixels` bounds the kept picture whatever the file's
// header claims (0: no bound). `maxSourcePixels` bounds a picture that has
// to be decoded whole before it is scaled down, and `maxFileBytes` the
// files read at all: a header announcing an enormous picture, or a file far
// larger than any photo, is undecodable before anything is allocated.
// `maxDecodeBytes` bounds the memory one decode may take, its picture
// included (0: no bound): every decoder works out what the file asks for
// (the picture's real size, a grid's tiles, libjpeg's coefficient buffers)
// and refuses the file before allocating when it is over. `cancel`, when
// set and raised by the caller, stops a decode at its next row, band or
// tile: it then gives its memory back and returns an undecodable picture.
struct DecodeLimits {
  std::function<QSize(QSize ownSize)> wanted;
  qint64 maxPixels = 0;
  qint64 maxSourcePixels = 128LL * 1024 * 1024;
  qint64 maxFileBytes = 512LL * 1024 * 1024;
  qint64 maxDecodeBytes = 0;
  std::shared_ptr<const std::atomic<bool>> cancel;
  bool Cancelled() const { return cancel && cancel->load(std::memory_order_relaxed); }
};

// The bounds for a screen: the kept picture at most what sixteen screens
// hold (at least 4 Mpx), a picture decoded whole at most four times that
// (at most 256 Mpx), a file at most 4 bytes per pixel of that, and the
// memory of one decode 256 bytes per pixel of the screen (512 MB at
// 1920 x 1080), at least 256 MB and at most 1 GB.
qint64 MaxDecodedPixelsForScreen(QSize screen);
qint64 DecodeBudgetForScreen(QSize screen);
DecodeLimits LimitsForScreen(QSize screen);

struct DecodedPicture {
  // The upright picture, possibly smaller than ownSize. Null when nothing
  // could be decoded.
  QImage image;
  // The picture's own width and height after orientation: what the display
  // lays out, whatever scale the picture was decoded at. 0 x 0 when nothing
  // could be decoded.
  QSize ownSize{0, 0};
  // Why nothing could be decoded: a French text, naming the file when the
  // picture came from one.
  QString error;
  // The content was read and rejected (not a picture, damaged, truncated),
  // as opposed to a file refused before decoding (not a regular file, far
  // too large) or a decode given up.
  bool contentRejected = false;
  // Refused before decoding for the memory its decode would take.
  bool overBudget = false;
  // The decoding scale actually used (num/denom), for measurements.
  int scaleNum = 1, scaleDenom = 1;
};

// JPEG: decoded with libjpeg-turbo at the scale chosen from the limits,
// turned upright by its Exif orientation while it is decoded. A JPEG that libjpeg-turbo cannot
// decode by design (CMYK) goes to Qt's reader; one it refuses (a safety limit such as the scan
// count, a broken stream) is undecodable (null image, own size 0 x 0), never handed to a slower
// decoder. Never throws.
DecodedPicture DecodeJpeg(const QByteArray& data, const DecodeLimits& limits);

// Any supported picture held in memory, decoded by its content. Never throws.
DecodedPicture DecodePicture(const QByteArray& data, const DecodeLimits& limits);

// A picture file, decoded by its content whatever its extension: JPEG with
// libjpeg-turbo, HEIC/HEIF/AVIF with libheif (the container's own rotation and
// mirror, no Exif turn), PNG, WebP, TIFF, BMP and ICO with Qt's readers
// (PNG, WebP and TIFF turned by their Exif orientation). Only regular files
// within the limits are read. Never throws.
DecodedPicture DecodePictureFile(const QString& path, const DecodeLimits& limits);

// The size of a JPEG picture after its orientation, read from its header
// (0 x 0 when the header cannot be read).
QSize JpegOwnSize(const QByteArray& data);

}  // namespace ld
