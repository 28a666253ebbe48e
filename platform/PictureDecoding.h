#pragma once

// The pieces shared by the picture decoders (platform/ only).

#include <QIODevice>
#include <QImage>
#include <QSize>
#include <atomic>
#include <optional>

#include "platform/Orientation.h"
#include "platform/PictureDecoder.h"

namespace ld::decoding {

inline qint64 Area(QSize s) { return static_cast<qint64>(s.width()) * s.height(); }

inline QSize Oriented(QSize stored, Orientation o) {
  return SwapsWidthAndHeight(o) ? stored.transposed() : stored;
}

// The size the display can show of a picture of own size (upright), never
// more than the picture itself.
QSize Wanted(const DecodeLimits& limits, QSize own);

// The size a picture of own size is kept at: the wanted size, lowered
// (keeping its proportions) until maxPixels holds it.
QSize KeptSize(const DecodeLimits& limits, QSize own);

// A picture decoded whole, as stored, made what is kept: scaled down to the
// kept size, then turned upright by o, in Format_RGB32.
DecodedPicture Finish(QImage stored, Orientation o, const DecodeLimits& limits);

// A picture already at its kept size, as stored, turned upright by o; own is
// the picture's own (upright) size.
DecodedPicture Upright(const QImage& kept, Orientation o, QSize own);

// A failed decode with its French text: content rejected, or a file or
// picture refused before decoding (Refused).
DecodedPicture Failed(const QString& error);
DecodedPicture Refused(const QString& error);
// A picture refused because its decode would take more memory than the
// limits' budget, and a decode stopped by the caller's cancel flag.
DecodedPicture OverBudget();
DecodedPicture Cancelled();

// Why a JPEG decode stopped without a picture, and what it is given: the
// memory it may take (0: no bound) and the caller's cancel flag.
enum class JpegStop { None, OverBudget, Cancelled };
struct JpegControl {
  qint64 budget = 0;
  const std::atomic<bool>* cancel = nullptr;
  JpegStop stop = JpegStop::None;
};

// A JPEG (not CMYK) decoded at scale num/denom straight into its upright
// picture in Format_RGB32, turned by o band by band: no full-size copy of
// the stored picture is ever made. Nothing when the data is refused (broken,
// more than 500 scans, over the control's budget, cancelled: the control
// says which); a null image when the memory cannot be had. With
// giveBackRead, the whole pages of data the decoder has read are given back
// to the system as it goes (they then read as zeros): data must be the
// FileBytes of a file that nothing reads afterwards.
std::optional<QImage> DecodeJpegUpright(const QByteArray& data, int num, int denom, Orientation o,
                                        bool giveBackRead = false, JpegControl* control = nullptr);

// The same, read from the open file `fd` from its start, a piece at a time.
std::optional<QImage> DecodeJpegUprightFromFile(int fd, int num, int denom, Orientation o,
                                                JpegControl* control = nullptr);

// Whether `head`, the start of a JPEG file, holds every header segment up to
// and with the scan's: then its Exif orientation and its header read from
// it are the whole file's.
bool JpegHeadersWithin(const QByteArray& head);

// A file's bytes read into memory of their own (page-aligned, mapped for
// them alone), so that a decode can give back the pages it has read. Empty
// when the file cannot be read whole or the memory cannot be had.
class FileBytes {
 public:
  FileBytes(int fd, qint64 size);
  ~FileBytes();
  FileBytes(const FileBytes&) = delete;
  FileBytes& operator=(const FileBytes&) = delete;
  // The bytes, not copied: valid while this object lives.
  QByteArray View() const;

 private:
  void* base_ = nullptr;
  size_t length_ = 0;
};

// HEIC, HEIF and AVIF with libheif.
DecodedPicture DecodeHeif(const QByteArray& data, const DecodeLimits& limits);

// A WebP held whole, decoded with libwebp at the kept size and turned by
// its Exif orientation; a cancel is seen between two small pieces of its
// data. Nothing for an animation, which Qt's reader decodes.
std::optional<DecodedPicture> DecodeWebP(const QByteArray& data, std::optional<int> exifOrientation,
                                         const DecodeLimits& limits);

// PNG, WebP, TIFF, BMP, ICO and GIF with Qt's readers, read from `device`
// as far as the reader needs. PNG and WebP are turned by the orientation of
// their Exif chunk (`exifOrientation`), TIFF by its own orientation tag.
DecodedPicture DecodeWithQt(QIODevice* device, PictureContent content,
                            std::optional<int> exifOrientation, const DecodeLimits& limits);

// A BMP whose pixel data ends before its headers say: the check is made on
// the headers (the first 64 bytes or more) and the file's size.
bool IsTruncatedBitmap(const QByteArray& head, qint64 fileSize);

// The Exif orientation tag of a PNG (eXIf chunk) or WebP (EXIF chunk),
// read through `read` (offset, length -> bytes) without reading the picture
// data.
std::optional<int> ContainerExifOrientation(PictureContent content, qint64 fileSize,
                                            const std::function<QByteArray(qint64, qint64)>& read);

// The chunks of a PNG or WebP file, in order, read through `read`: the
// chunk's type, where its data starts and the length its header claims;
// the walk stops when visit returns false or at the end of the file.
void WalkContainerChunks(
    PictureContent content, qint64 fileSize, const std::function<QByteArray(qint64, qint64)>& read,
    const std::function<bool(const QByteArray& type, qint64 at, qint64 length)>& visit);

// Whether a chunk of a PNG (other than its picture data) or of a WebP
// claims more bytes than the file has left: libpng would clear a buffer of
// the claimed size, up to 4 GB, before finding the file short.
bool ChunkBeyondFile(PictureContent content, qint64 fileSize,
                     const std::function<QByteArray(qint64, qint64)>& read);

// Keeps the image readers' warnings (libpng, libtiff, Qt's allocation limit)
// off the error stream; the first call installs the filter.
void QuietImageReaders();

}  // namespace ld::decoding
