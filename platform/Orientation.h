#pragma once

#include <QByteArray>
#include <QImage>
#include <functional>
#include <optional>

namespace ld {

// The Exif orientation of a photo (tag 0x0112) and the operation that turns
// the stored pixels upright: rotations clockwise, mirroring left-right.
enum class Orientation {
  Normal = 1,
  Mirror = 2,           // mirror
  Rotate180 = 3,        // rotate 180
  Rotate180Mirror = 4,  // rotate 180, then mirror
  Rotate90Mirror = 5,   // rotate 90, then mirror
  Rotate90 = 6,         // rotate 90
  Rotate270Mirror = 7,  // rotate 270, then mirror
  Rotate270 = 8,        // rotate 270
};

// The tag's value 1..8; 0 and values above 8 mean no operation.
Orientation OrientationFromTag(int value);

// 5 to 8 exchange width and height.
bool SwapsWidthAndHeight(Orientation o);

// The upright picture: the operation of o applied once, in one pass. The
// result is in Format_RGB32.
QImage ApplyOrientation(const QImage& stored, Orientation o);

// The orientation tag of a JPEG file's Exif block, read with libexif: the low
// byte of its value. Nothing when the file has no Exif block, the block is
// broken or holds no orientation.
std::optional<int> ReadJpegOrientationTag(const QByteArray& jpeg);

// The orientation tag of an Exif block, with or without its "Exif\0\0"
// header (PNG and WebP store it without): the low byte of its value.
std::optional<int> ReadExifOrientationTag(const QByteArray& exif);

// The Exif block (APP1 "Exif\0\0" segment, without the marker and length) of
// a JPEG file, found by walking the marker segments before the picture data;
// empty when there is none.
QByteArray FindExifSegment(const QByteArray& jpeg);

// Walks a JPEG's header segments from its start: visit(marker, at, length)
// for each segment with a length (its payload at `at`, `length` bytes, all
// within `jpeg`) until visit returns false. True when the walk reaches the
// scan's header whole: then every header segment is within `jpeg`.
bool WalkJpegHeaders(const QByteArray& jpeg,
                     const std::function<bool(unsigned char, qsizetype, qsizetype)>& visit);

}  // namespace ld
