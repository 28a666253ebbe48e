#pragma once
// Small crafted picture files that ask a decoder for far more than their
// size: the tests check that they are refused within the memory budget, and
// the hostile-show benchmark puts them among photos.
#include <QByteArray>
#include <QSize>
#include <vector>

#include "support/JpegFixtures.h"
#include "support/PictureFixtures.h"

namespace ld::testing {

inline QByteArray Be(quint64 v, int bytes) {
  QByteArray out;
  for (int i = bytes - 1; i >= 0; --i) out += char(i < 8 ? (v >> (8 * i)) & 0xFF : 0);
  return out;
}

inline QByteArray IsoBox(const char* type, const QByteArray& body) {
  return Be(static_cast<quint64>(body.size()) + 8, 4) + type + body;
}

// An HEVC sequence parameter set (NAL unit of type 33) for a w x h picture.
inline QByteArray SpsNal(int w, int h) {
  std::vector<bool> bits;
  const auto put = [&](quint64 v, int n) {
    for (int i = n - 1; i >= 0; --i) bits.push_back((v >> i) & 1);
  };
  const auto ue = [&](quint64 v) {
    int n = 0;
    while ((v + 1) >> (n + 1)) ++n;
    put(0, n);
    put(v + 1, n + 1);
  };
  put(0, 4), put(0, 3), put(1, 1);     // ids, one layer
  bits.insert(bits.end(), 96, false);  // profile and level
  ue(0), ue(1), ue(static_cast<quint64>(w)), ue(static_cast<quint64>(h));
  put(1, 1);
  while (bits.size() % 8) bits.push_back(false);
  QByteArray nal("\x42\x01");
  for (size_t i = 0; i < bits.size(); i += 8) {
    int byte = 0;
    for (size_t k = 0; k < 8; ++k) byte = (byte << 1) | bits[i + k];
    nal += char(byte);
  }
  return nal;
}

inline const QByteArray kFullBox = Be(0, 4);  // version 0, no flags

inline QByteArray InfeBox(int id, const char* type) {
  return IsoBox("infe", Be(2, 1) + Be(0, 3) + Be(id, 2) + Be(0, 2) + type + '\0');
}

// An iloc entry (version 1) of one extent in the idat box.
inline QByteArray IdatItem(int id, int offset, int length) {
  return Be(id, 2) + Be(1, 2) + Be(0, 2) + Be(1, 2) + Be(offset, 4) + Be(length, 4);
}

inline QByteArray HeicFile(const QByteArray& items, const QByteArray& idat) {
  const QByteArray hdlr = IsoBox("hdlr", kFullBox + Be(0, 4) + "pict" + Be(0, 12) + '\0');
  const QByteArray pitm = IsoBox("pitm", kFullBox + Be(1, 2));
  const QByteArray meta = IsoBox("meta", kFullBox + hdlr + pitm + items + IsoBox("idat", idat));
  return IsoBox("ftyp", QByteArray("heic") + Be(0, 4) + "mif1heic") + meta;
}

// A grid HEIC of rows x columns tiles of `tile` pixels a side, whose grid
// data makes a picture of `output` while its size box says `box`. The tiles'
// HEVC configuration has no parameter sets and their data is 8 zero bytes:
// a real decoder refuses them, a stand-in one decodes them.
inline QByteArray GridHeic(int rows, int columns, int tile, QSize box, QSize output) {
  const int tiles = rows * columns;
  const QByteArray hvcC = IsoBox("hvcC", Be(1, 1) + QByteArray(21, '\0') + Be(0, 1));
  const QByteArray ipco = IsoBox("ispe", kFullBox + Be(box.width(), 4) + Be(box.height(), 4)) +
                          IsoBox("ispe", kFullBox + Be(tile, 4) + Be(tile, 4)) + hvcC;
  QByteArray infes = InfeBox(1, "grid"), dimg = Be(1, 2) + Be(tiles, 2);
  QByteArray ipma = Be(1, 2) + Be(1, 1) + Be(0x01, 1);
  QByteArray iloc = IdatItem(1, 0, 8);
  for (int id = 2; id <= tiles + 1; ++id) {
    infes += InfeBox(id, "hvc1");
    dimg += Be(id, 2);
    ipma += Be(id, 2) + Be(2, 1) + Be(0x02, 1) + Be(0x83, 1);
    iloc += IdatItem(id, 8, 8);
  }
  const QByteArray items =
      IsoBox("iinf", kFullBox + Be(tiles + 1, 2) + infes) +
      IsoBox("iref", kFullBox + IsoBox("dimg", dimg)) +
      IsoBox("iprp", IsoBox("ipco", ipco) + IsoBox("ipma", kFullBox + Be(tiles + 1, 4) + ipma)) +
      IsoBox("iloc", Be(1, 1) + Be(0, 3) + Be(0x44, 1) + Be(0, 1) + Be(tiles + 1, 2) + iloc);
  const QByteArray grid = Be(0, 2) + Be(rows - 1, 1) + Be(columns - 1, 1) + Be(output.width(), 2) +
                          Be(output.height(), 2);
  return HeicFile(items, grid + Be(0, 8));
}

// An HEIC whose size box says 64 x 64 while the picture is 20 000 x 20 000:
// a grid of one tile whose own data gives that size, or a coded picture
// whose parameter set does, in its decoder configuration or in its data.
// Only the boxes that lead libheif to the primary item, no coded picture.
enum class Lie { Grid, Configuration, Data };
inline QByteArray LyingHeic(Lie lie) {
  if (lie == Lie::Grid) return GridHeic(1, 1, 64, QSize(64, 64), QSize(20000, 20000));
  const QByteArray sps = SpsNal(20000, 20000);
  const QByteArray hvcC =
      IsoBox("hvcC", Be(1, 1) + QByteArray(21, '\0') +
                         (lie == Lie::Configuration
                              ? Be(1, 1) + Be(33, 1) + Be(1, 2) + Be(sps.size(), 2) + sps
                              : Be(0, 1)));
  // The item's data: NAL units after their 4-byte length.
  const QByteArray data = lie == Lie::Data ? Be(sps.size(), 4) + sps : Be(0, 8);
  const QByteArray ispe = IsoBox("ispe", kFullBox + Be(64, 4) + Be(64, 4));
  const QByteArray items =
      IsoBox("iinf", kFullBox + Be(1, 2) + InfeBox(1, "hvc1")) +
      IsoBox("iprp", IsoBox("ipco", ispe + hvcC) +
                         IsoBox("ipma", kFullBox + Be(1, 4) + Be(1, 2) + Be(2, 1) + Be(0x01, 1) +
                                            Be(0x82, 1))) +
      IsoBox("iloc", Be(1, 1) + Be(0, 3) + Be(0x44, 1) + Be(0, 1) + Be(1, 2) +
                         IdatItem(1, 0, static_cast<int>(data.size())));
  return HeicFile(items, data);
}

// A HEIF file with every size box made to say w x h.
inline QByteArray WithSizeBoxes(QByteArray heif, int w, int h) {
  for (qsizetype at = heif.indexOf("ispe"); at >= 0; at = heif.indexOf("ispe", at + 4))
    heif.replace(at + 8, 8, Be(w, 4) + Be(h, 4));
  return heif;
}

// A progressive JPEG that announces 32 000 x 32 000 and holds only its first
// scan: libjpeg would keep every coefficient of the picture, 3 GB of them.
inline QByteArray HugeOneScanJpeg() {
  const QByteArray jpeg = ManyScansJpeg(QuadrantImage(64, 64), 0);
  const qsizetype second = jpeg.indexOf("\xff\xda", jpeg.indexOf("\xff\xda") + 2);
  return WithFrameSize(jpeg.left(second) + "\xff\xd9", 32000, 32000);
}

// A PNG with a text chunk after its picture data that claims 2 GB.
inline QByteArray PngWithHugeTextChunk() {
  const QByteArray png = Encode(QuadrantImage(16, 16), "png");
  return png.left(png.size() - 12) + Be(0x7FFFFFF0, 4) + "tEXtComment\0" + QByteArray(40, 'x');
}

}  // namespace ld::testing
