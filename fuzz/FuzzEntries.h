#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <vector>

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

// The picture loader and its Exif reader: JPEG from memory, and inputs that
// start like a BMP or an icon through Qt's reader from a temporary file.
QString FuzzPictureLoader(const std::uint8_t* data, std::size_t size);

struct Target {
  const char* name;  // also the folder of its corpus: fuzz/corpus/<name>
  Entry entry;
};

// Every target, by name.
const std::vector<Target>& Targets();

}  // namespace ld::fuzz
