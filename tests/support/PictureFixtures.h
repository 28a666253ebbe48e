#pragma once

#include <libheif/heif.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>
#include <QtEndian>

#include "support/JpegFixtures.h"

// PNG, WebP, TIFF and HEIF/AVIF files made in code, with an orientation
// where the format has one.
namespace ld::testing {

inline QByteArray Encode(const QImage& img, const char* format, int quality = -1) {
  QByteArray out;
  QBuffer b(&out);
  b.open(QIODevice::WriteOnly);
  QImageWriter w(&b, format);
  if (quality >= 0) w.setQuality(quality);
  w.write(img);
  return out;
}

inline quint32 Crc32(const QByteArray& data) {
  quint32 c = 0xFFFFFFFFu;
  for (char ch : data) {
    c ^= static_cast<uchar>(ch);
    for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
  }
  return ~c;
}

// A PNG with an eXIf chunk (the Exif block without its "Exif\0\0" header)
// right after IHDR.
inline QByteArray PngWithExif(const QImage& img, unsigned orientation) {
  const QByteArray png = Encode(img, "png");
  const QByteArray exif = ExifWithOrientation(orientation).mid(6);
  QByteArray chunk(4, '\0');
  qToBigEndian<quint32>(static_cast<quint32>(exif.size()), chunk.data());
  const QByteArray body = QByteArray("eXIf") + exif;
  QByteArray crc(4, '\0');
  qToBigEndian<quint32>(Crc32(body), crc.data());
  const qsizetype afterIhdr = 8 + 8 + 13 + 4;
  return png.left(afterIhdr) + chunk + body + crc + png.mid(afterIhdr);
}

// A lossless WebP in the extended layout: VP8X announcing Exif, the
// picture, then an EXIF chunk.
inline QByteArray WebpWithExif(const QImage& img, unsigned orientation) {
  const QByteArray webp = Encode(img, "webp", 100);
  QByteArray chunks = webp.mid(12);
  if (chunks.startsWith("VP8X")) chunks = chunks.mid(8 + 10);  // made again below
  QByteArray vp8x("VP8X\x0a\0\0\0", 8);
  QByteArray flags(11, '\0');
  flags[0] = 0x08;  // Exif present
  qToLittleEndian<quint32>(static_cast<quint32>(img.width() - 1), flags.data() + 4);
  qToLittleEndian<quint32>(static_cast<quint32>(img.height() - 1), flags.data() + 7);
  flags.truncate(10);
  const QByteArray exif = ExifWithOrientation(orientation).mid(6);
  QByteArray exifChunk("EXIF", 4);
  exifChunk += QByteArray(4, '\0');
  qToLittleEndian<quint32>(static_cast<quint32>(exif.size()), exifChunk.data() + 4);
  exifChunk += exif;
  if (exif.size() % 2) exifChunk += '\0';
  const QByteArray body = QByteArray("WEBP") + vp8x + flags + chunks + exifChunk;
  QByteArray riff("RIFF\0\0\0\0", 8);
  qToLittleEndian<quint32>(static_cast<quint32>(body.size()), riff.data() + 4);
  return riff + body;
}

// A TIFF whose orientation tag asks for the turn of the Exif value.
inline QByteArray TiffWithOrientation(const QImage& img, unsigned orientation) {
  static const QImageIOHandler::Transformations byTag[] = {
      QImageIOHandler::TransformationNone,     QImageIOHandler::TransformationNone,
      QImageIOHandler::TransformationMirror,   QImageIOHandler::TransformationRotate180,
      QImageIOHandler::TransformationFlip,     QImageIOHandler::TransformationFlipAndRotate90,
      QImageIOHandler::TransformationRotate90, QImageIOHandler::TransformationMirrorAndRotate90,
      QImageIOHandler::TransformationRotate270};
  QByteArray out;
  QBuffer b(&out);
  b.open(QIODevice::WriteOnly);
  QImageWriter w(&b, "tiff");
  w.setTransformation(byTag[orientation <= 8 ? orientation : 0]);
  w.write(img);
  return out;
}

// A HEIC (HEVC) or AVIF (AV1) file made with libheif's encoders, with the
// container's rotation for the Exif orientation value `orientation` and,
// when exifOrientation is given, an Exif block holding that value as well.
inline QByteArray HeifFile(const QImage& src, bool avif, int orientation = 1,
                           int exifOrientation = 0) {
  const QImage rgb = src.convertToFormat(QImage::Format_RGB888);
  heif_context* ctx = heif_context_alloc();
  heif_image* image = nullptr;
  heif_image_create(rgb.width(), rgb.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB,
                    &image);
  heif_image_add_plane(image, heif_channel_interleaved, rgb.width(), rgb.height(), 8);
  int stride = 0;
  uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
  for (int y = 0; y < rgb.height(); ++y)
    std::memcpy(plane + static_cast<size_t>(y) * stride, rgb.constScanLine(y),
                static_cast<size_t>(rgb.width()) * 3);
  heif_encoder* encoder = nullptr;
  heif_context_get_encoder_for_format(ctx, avif ? heif_compression_AV1 : heif_compression_HEVC,
                                      &encoder);
  QByteArray out;
  if (encoder) {
    heif_encoder_set_lossy_quality(encoder, 90);
    heif_encoding_options* options = heif_encoding_options_alloc();
    options->image_orientation = static_cast<heif_orientation>(orientation);
    heif_image_handle* handle = nullptr;
    heif_context_encode_image(ctx, image, encoder, options, &handle);
    if (handle && exifOrientation > 0) {
      const QByteArray exif = ExifWithOrientation(static_cast<unsigned>(exifOrientation)).mid(6);
      heif_context_add_exif_metadata(ctx, handle, exif.constData(), static_cast<int>(exif.size()));
    }
    heif_encoding_options_free(options);
    if (handle) heif_image_handle_release(handle);
    heif_encoder_release(encoder);
    heif_writer writer{};
    writer.writer_api_version = 1;
    writer.write = [](heif_context*, const void* data, size_t size, void* userdata) {
      static_cast<QByteArray*>(userdata)->append(static_cast<const char*>(data),
                                                 static_cast<qsizetype>(size));
      return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
    };
    heif_context_write(ctx, &writer, &out);
  }
  heif_image_release(image);
  heif_context_free(ctx);
  return out;
}

}  // namespace ld::testing
