#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <functional>

namespace ld {

// Picture files by their extension (compared in lower case).
enum class PictureFormat { Jpeg, Bitmap, Icon, Other };
PictureFormat PictureFormatOf(const QString& path);

// How large a picture is decoded. `wanted` gives, from the picture's own
// upright size, the size the display can show of it; the decoder takes the
// smallest decoding scale that still gives at least that size (never more
// than the picture itself). `maxPixels` bounds the decoded picture whatever
// the file's header claims, so a decompression bomb cannot exhaust memory.
struct DecodeLimits {
  std::function<QSize(QSize ownSize)> wanted;
  qint64 maxPixels = 0;
};

// The pixel bound for a screen: what sixteen screens hold, at least 4 Mpx.
qint64 MaxDecodedPixelsForScreen(QSize screen);

struct DecodedPicture {
  // The upright picture, possibly smaller than ownSize. Null when nothing
  // could be decoded.
  QImage image;
  // The picture's own width and height after orientation: what the display
  // lays out, whatever scale the picture was decoded at. 0 x 0 when nothing
  // could be decoded.
  QSize ownSize{0, 0};
  // A bitmap or icon that Qt's reader rejected: the reader's text.
  QString error;
  // The decoding scale actually used (num/denom), for measurements.
  int scaleNum = 1, scaleDenom = 1;
};

// JPEG: decoded with TurboJPEG at the scale chosen from the limits and
// turned upright by its Exif orientation; a JPEG that TurboJPEG cannot decode
// (CMYK, for example) is tried with Qt's reader before it counts as
// undecodable (null image, own size 0 x 0). Never throws.
DecodedPicture DecodeJpeg(const QByteArray& data, const DecodeLimits& limits);
DecodedPicture DecodeJpegFile(const QString& path, const DecodeLimits& limits);

// Bitmap or icon with Qt's reader, unchanged; a rejected file gives a null
// image and the reader's text in `error`. Never throws.
DecodedPicture DecodeWithQtReader(const QString& path, const DecodeLimits& limits);

// By extension: ".jpg"/".jpeg" DecodeJpegFile, ".bmp"/".ico"
// DecodeWithQtReader. Other extensions must not come here.
DecodedPicture DecodePictureFile(const QString& path, const DecodeLimits& limits);

// The size of a JPEG picture after its orientation, read from its header
// (0 x 0 when the header cannot be read).
QSize JpegOwnSize(const QByteArray& data);

}  // namespace ld
