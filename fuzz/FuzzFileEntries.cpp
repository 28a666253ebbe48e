// Entry functions of the file targets: the catalogue loader and the picture
// loader with its Exif reader; and the table of every target.
#include <QFile>
#include <algorithm>

#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueFiles.h"
#include "fuzz/FuzzEntries.h"
#include "platform/DataDir.h"
#include "platform/Orientation.h"
#include "platform/PathBytes.h"
#include "platform/PictureDecoder.h"
#include "platform/TextFile.h"

namespace ld::fuzz {
namespace {

QByteArray Bytes(const std::uint8_t* data, std::size_t size) {
  return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

bool WriteWhole(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

}  // namespace

QString FuzzCatalogueLoader(const std::uint8_t* data, std::size_t size) {
  const QByteArray all = Bytes(data, size);
  const qsizetype declared = size >= 2 ? (data[0] | (data[1] << 8)) : 0;
  const qsizetype tableSize = std::min<qsizetype>(declared, std::max<qsizetype>(all.size() - 2, 0));
  const QByteArray table = all.mid(2, tableSize);
  const QByteArray records = size >= 2 ? all.mid(2 + tableSize) : QByteArray();
  if (!EnsureDataDir() || !WriteWhole(CatalogueDirsPath(), table) ||
      !WriteWhole(CatalogueRecordsPath(), records))
    return QStringLiteral("cannot write the catalogue files");

  Catalogue catalogue;
  const LoadResult result = LoadCatalogue(catalogue);

  // The same files judged record by record with the portable decoder; the
  // directory table's lines (a CR, an LF or the pair ends one; a leading
  // UTF-8 byte-order mark dropped) are paths by their bytes.
  QStringList dirs;
  {
    QByteArrayView rest(table);
    if (rest.startsWith("\xEF\xBB\xBF")) rest = rest.sliced(3);
    qsizetype start = 0;
    for (qsizetype i = 0; i < rest.size(); ++i) {
      if (rest[i] != '\r' && rest[i] != '\n') continue;
      dirs << PathFromBytes(rest.sliced(start, i - start));
      if (rest[i] == '\r' && i + 1 < rest.size() && rest[i + 1] == '\n') ++i;
      start = i + 1;
    }
    if (start < rest.size()) dirs << PathFromBytes(rest.sliced(start));
  }
  const qsizetype count = records.size() / kRecordSize;
  bool trusted = records.size() % kRecordSize == 0;
  std::vector<CatalogueEntry> expected(static_cast<size_t>(trusted ? count : 0));
  for (size_t i = 0; trusted && i < expected.size(); ++i) {
    trusted = DecodeCatalogueRecord(records.constData() + i * kRecordSize, expected[i]) &&
              expected[i].DirIndex >= 0 && expected[i].DirIndex < dirs.size();
  }
  if (trusted != (result == LoadResult::Loaded))
    return trusted ? QStringLiteral("valid files refused") : QStringLiteral("broken files loaded");
  if (result != LoadResult::Loaded) {
    if (!catalogue.IsEmpty() || !catalogue.Directories().isEmpty())
      return QStringLiteral("refused files left a catalogue behind");
    return QString();
  }
  if (catalogue.Directories() != dirs)
    return QStringLiteral("directory table read differently from its lines' bytes");
  if (catalogue.Count() != count) return QStringLiteral("wrong number of entries");
  for (int i = 0; i < catalogue.Count(); ++i) {
    const CatalogueEntry& e = catalogue.Entries()[static_cast<size_t>(i)];
    const CatalogueEntry& x = expected[static_cast<size_t>(i)];
    if (e.DirIndex != x.DirIndex || e.Name() != x.Name())
      return QStringLiteral("entry %1 differs from its record").arg(i);
    if (!catalogue.CataloguePath(i).endsWith(x.Name()))
      return QStringLiteral("path of entry %1 does not end with its name").arg(i);
  }
  return QString();
}

QString FuzzPictureLoader(const std::uint8_t* data, std::size_t size) {
  const QByteArray bytes = Bytes(data, size);
  const QByteArray exif = FindExifSegment(bytes);
  if (!exif.isEmpty() && (!exif.startsWith(QByteArray("Exif\0\0", 6)) || !bytes.contains(exif)))
    return QStringLiteral("FindExifSegment: not an Exif segment of the file");
  if (const auto tag = ReadJpegOrientationTag(bytes); tag && (*tag < 0 || *tag > 255))
    return QStringLiteral("orientation tag outside its low byte");
  JpegOwnSize(bytes);

  const DecodeLimits limits = FuzzScreenLimits();
  const DecodedPicture jpeg = DecodeJpeg(bytes, limits);
  QString problem = CheckDecodedPicture(jpeg, limits.maxPixels, "DecodeJpeg");
  if (!problem.isEmpty()) return problem;
  // Every operation of the orientation table on a small decoded picture.
  if (!jpeg.image.isNull() &&
      static_cast<qint64>(jpeg.image.width()) * jpeg.image.height() <= 64 * 1024) {
    for (int tag = 1; tag <= 8; ++tag) {
      const Orientation o = OrientationFromTag(tag);
      const QSize s = jpeg.image.size();
      if (ApplyOrientation(jpeg.image, o).size() != (SwapsWidthAndHeight(o) ? s.transposed() : s))
        return QStringLiteral("ApplyOrientation: wrong size for tag %1").arg(tag);
    }
  }

  // JPEGs from a file too (their headers read first, then the picture a
  // piece at a time); bitmaps and icons through Qt's reader from a file, as
  // in the show.
  const char* extension = nullptr;
  if (bytes.startsWith("\xFF\xD8\xFF")) extension = ".jpg";
  if (bytes.startsWith("BM")) extension = ".bmp";
  if (bytes.startsWith(QByteArray("\0\0\1\0", 4))) extension = ".ico";
  if (!extension) return QString();
  const QString path = DataFile(QStringLiteral("fuzz-picture") + QLatin1String(extension));
  if (!EnsureDataDir() || !WriteWhole(path, bytes))
    return QStringLiteral("cannot write the picture file");
  const DecodedPicture picture = DecodePictureFile(path, limits);
  QFile::remove(path);
  problem = CheckDecodedPicture(picture, limits.maxPixels, "DecodePictureFile");
  if (!problem.isEmpty()) return problem;
  // The file gives the picture its bytes give (a cut file included).
  if (*extension == 'j' && picture.ownSize != jpeg.ownSize)
    return QStringLiteral("a JPEG file and its bytes give different sizes");
  return QString();
}

const std::vector<Target>& Targets() {
  static const std::vector<Target> targets = {
      {"settings", FuzzSettingsReader},
      {"textfile", FuzzTextFile},
      {"exclusion", FuzzExclusionFile},
      {"catalogue", FuzzCatalogueLoader},
      {"picture", FuzzPictureLoader},
      {"heif", FuzzHeif},
      {"png", FuzzPng},
      {"webp", FuzzWebp},
      {"tiff", FuzzTiff},
      {"gif", FuzzGif},
      {"exif", FuzzContainerExif},
      {"ini", FuzzIniFile},
      {"nameorder", FuzzNameOrder},
  };
  return targets;
}

}  // namespace ld::fuzz
