#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/PictureDecoder.h"

// The entry functions of the fuzz targets. Each takes one input as raw bytes,
// runs it through one parser the way the program would meet it in a file,
// checks what must hold whatever the input, and returns a description of the
// first broken rule (empty when everything held). The libFuzzer programs
// abort on a non-empty result; the corpus test of the normal test build runs
// every kept input through the same functions.
namespace ld::fuzz {

using Entry = QString (*)(const std::uint8_t* data, std::size_t size);

// The settings reader: lines "key = value" looked up by every known key.
QString FuzzSettingsReader(const std::uint8_t* data, std::size_t size);

// The text-file decoder: UTF-8 or Windows-1252, then lines.
QString FuzzTextFile(const std::uint8_t* data, std::size_t size);

// The exclusion-file parser.
QString FuzzExclusionFile(const std::uint8_t* data, std::size_t size);

// The catalogue loader. The input is the two files: two bytes (little
// endian) give the length of the directory table, which follows; the rest is
// the record file. Both are written into the data directory, then loaded.
QString FuzzCatalogueLoader(const std::uint8_t* data, std::size_t size);

// The picture loader and its Exif reader: JPEG from memory and from a file
// (its headers read a piece at a time), and inputs that start like a BMP or
// an icon through Qt's reader from a temporary file.
QString FuzzPictureLoader(const std::uint8_t* data, std::size_t size);

// One reader each, from a temporary file as in the show: the input gets the
// format's signature in front when it lacks it.
QString FuzzHeif(const std::uint8_t* data, std::size_t size);
QString FuzzPng(const std::uint8_t* data, std::size_t size);
QString FuzzWebp(const std::uint8_t* data, std::size_t size);
QString FuzzTiff(const std::uint8_t* data, std::size_t size);
QString FuzzGif(const std::uint8_t* data, std::size_t size);

// The Exif orientation and the chunk walk of PNG and WebP files.
QString FuzzContainerExif(const std::uint8_t* data, std::size_t size);

// The screen-saver dialog's profile file: read, two keys set, written, read.
QString FuzzIniFile(const std::uint8_t* data, std::size_t size);

// The order of names: one name a line.
QString FuzzNameOrder(const std::uint8_t* data, std::size_t size);

// The limits the picture targets decode for (a small screen, the program's
// own bounds and budget), and the rules a decoded picture must keep.
DecodeLimits FuzzScreenLimits();
QString CheckDecodedPicture(const DecodedPicture& p, qint64 maxPixels, const char* what);

struct Target {
  const char* name;  // also the folder of its corpus: fuzz/corpus/<name>
  Entry entry;
};

// Every target, by name.
const std::vector<Target>& Targets();

}  // namespace ld::fuzz
