#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTransform>

#include "platform/Orientation.h"
#include "platform/PictureDecoder.h"
#include "show/PicturePrefetcher.h"
#include "support/JpegFixtures.h"
#include "support/TempData.h"

using namespace ld;
using namespace ld::testing;

namespace {

// Close to a colour, allowing for JPEG's losses.
bool Near(QRgb got, QColor want) {
  return std::abs(qRed(got) - want.red()) < 40 && std::abs(qGreen(got) - want.green()) < 40 &&
         std::abs(qBlue(got) - want.blue()) < 40;
}

struct Corners {
  QColor tl, tr, bl, br;
};

::testing::AssertionResult HasCorners(const QImage& img, const Corners& c) {
  if (img.isNull()) return ::testing::AssertionFailure() << "no picture";
  const int w = img.width(), h = img.height();
  const int m = 3;  // away from the blurred borders
  const QRgb tl = img.pixel(m, m), tr = img.pixel(w - 1 - m, m), bl = img.pixel(m, h - 1 - m),
             br = img.pixel(w - 1 - m, h - 1 - m);
  if (Near(tl, c.tl) && Near(tr, c.tr) && Near(bl, c.bl) && Near(br, c.br))
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "corners " << std::hex << tl << " " << tr << " " << bl << " " << br;
}

DecodeLimits Unlimited() { return DecodeLimits{}; }

DecodeLimits ForScreen(int effect = 0, int zoom = 16) {
  return DisplayTarget{QSize(1920, 1080), effect, zoom}.Limits();
}

// The table's operations done with Qt's own transforms, to compare with.
QImage Expected(const QImage& src, int tag) {
  auto rot = [](const QImage& i, int deg) { return i.transformed(QTransform().rotate(deg)); };
  auto mirror = [](const QImage& i) { return i.mirrored(true, false); };
  switch (tag) {
    case 2:
      return mirror(src);
    case 3:
      return rot(src, 180);
    case 4:
      return mirror(rot(src, 180));
    case 5:
      return mirror(rot(src, 90));
    case 6:
      return rot(src, 90);
    case 7:
      return mirror(rot(src, 270));
    case 8:
      return rot(src, 270);
    default:
      return src;
  }
}

Corners CornersOf(const QImage& img) {
  const int w = img.width(), h = img.height();
  return {QColor(img.pixel(0, 0)), QColor(img.pixel(w - 1, 0)), QColor(img.pixel(0, h - 1)),
          QColor(img.pixel(w - 1, h - 1))};
}

}  // namespace

TEST(PictureLoading, TheEightOrientationsTurnThePictureUprightOnce) {
  const QImage src = QuadrantImage(64, 32);
  for (int tag = 1; tag <= 8; ++tag) {
    SCOPED_TRACE(tag);
    const DecodedPicture d = DecodeJpeg(OrientedJpeg(src, static_cast<unsigned>(tag)), Unlimited());
    const bool swapped = tag >= 5;
    EXPECT_EQ(d.ownSize, swapped ? QSize(32, 64) : QSize(64, 32));
    EXPECT_EQ(d.image.size(), d.ownSize);
    EXPECT_TRUE(HasCorners(d.image, CornersOf(Expected(src, tag))));
  }
  // Tag 6, a photo taken with the camera turned right: the stored bottom
  // left (blue) comes to the top left.
  const DecodedPicture six = DecodeJpeg(OrientedJpeg(src, 6), Unlimited());
  EXPECT_TRUE(HasCorners(six.image, {Qt::blue, Qt::red, Qt::white, Qt::green}));
  // Motorola byte order reads the same value.
  const DecodedPicture be = DecodeJpeg(OrientedJpeg(src, 8, true), Unlimited());
  EXPECT_TRUE(HasCorners(be.image, {Qt::green, Qt::white, Qt::red, Qt::blue}));
  // Only the low byte of the value counts: 0x0106 is 6.
  EXPECT_EQ(ReadJpegOrientationTag(OrientedJpeg(src, 0x0106)), 6);
  EXPECT_EQ(DecodeJpeg(OrientedJpeg(src, 0x0106), Unlimited()).ownSize, QSize(32, 64));
}

TEST(PictureLoading, OrientationValuesOutsideTheTableChangeNothing) {
  const QImage src = QuadrantImage(64, 32);
  const Corners stored{Qt::red, Qt::green, Qt::blue, Qt::white};
  for (unsigned v : {0u, 9u, 255u}) {
    SCOPED_TRACE(v);
    const DecodedPicture d = DecodeJpeg(OrientedJpeg(src, v), Unlimited());
    EXPECT_EQ(d.ownSize, QSize(64, 32));
    EXPECT_TRUE(HasCorners(d.image, stored));
  }
  // No Exif block at all.
  EXPECT_FALSE(ReadJpegOrientationTag(EncodeJpeg(src)).has_value());
  EXPECT_TRUE(HasCorners(DecodeJpeg(EncodeJpeg(src), Unlimited()).image, stored));
  // Broken Exif blocks: cut short, garbage after the header, an entry whose
  // value points outside the block.
  QByteArray cut = ExifWithOrientation(6).left(14);
  QByteArray garbage("Exif\0\0II*\0\xff\xff\xff\x7f\x01\x02\x03", 17);
  QByteArray badCount = ExifWithOrientation(6);
  badCount[6 + 8 + 2 + 4] = char(0xFF);  // component count of the entry
  badCount[6 + 8 + 2 + 5] = char(0xFF);
  for (const QByteArray& exif : {cut, garbage, badCount}) {
    const DecodedPicture d = DecodeJpeg(WithApp1(EncodeJpeg(src), exif), Unlimited());
    EXPECT_EQ(d.ownSize, QSize(64, 32));
    EXPECT_TRUE(HasCorners(d.image, stored));
  }
  // An APP1 length running past the end of the file.
  QByteArray longSeg = WithApp1(EncodeJpeg(src), ExifWithOrientation(6));
  longSeg[4] = char(0x7F);
  EXPECT_FALSE(ReadJpegOrientationTag(longSeg).has_value());
}

TEST(PictureLoading, DecodedAtTheSizeTheEffectShowsButLaidOutAtItsOwnSize) {
  const QImage big = QuadrantImage(4000, 3000);
  const QByteArray jpeg = EncodeJpeg(big, 70);
  // Fitted on 1920 x 1080: 1440 x 1080 is needed, 3/8 (1500 x 1125) gives it.
  DecodedPicture d = DecodeJpeg(jpeg, ForScreen(0));
  EXPECT_EQ(d.ownSize, QSize(4000, 3000));
  EXPECT_EQ(d.image.size(), QSize(1500, 1125));
  EXPECT_TRUE(HasCorners(d.image, {Qt::red, Qt::green, Qt::blue, Qt::white}));
  // Filled: 1920 x 1440, so 1/2.
  EXPECT_EQ(DecodeJpeg(jpeg, ForScreen(1)).image.size(), QSize(2000, 1500));
  // The zoom to 32 tenths wants more than the picture: full size.
  EXPECT_EQ(DecodeJpeg(jpeg, ForScreen(3, 32)).image.size(), QSize(4000, 3000));
  // Turned by its tag: the portrait is 3000 x 4000, fitted 810 x 1080.
  d = DecodeJpeg(WithApp1(jpeg, ExifWithOrientation(6)), ForScreen(0));
  EXPECT_EQ(d.ownSize, QSize(3000, 4000));
  EXPECT_EQ(d.image.size(), QSize(1125, 1500));
  EXPECT_TRUE(HasCorners(d.image, {Qt::blue, Qt::red, Qt::white, Qt::green}));
  EXPECT_EQ(JpegOwnSize(WithApp1(jpeg, ExifWithOrientation(6))), QSize(3000, 4000));
}

TEST(PictureLoading, BadJpegFilesNeverCrash) {
  const QImage src = QuadrantImage(256, 128);
  const QByteArray good = EncodeJpeg(src);
  // Truncated: what was decoded is kept at its full size.
  const qsizetype sos = good.indexOf("\xff\xda");
  ASSERT_GT(sos, 0);
  const DecodedPicture cut = DecodeJpeg(good.left(sos + (good.size() - sos) / 2), Unlimited());
  EXPECT_EQ(cut.ownSize, QSize(256, 128));
  EXPECT_EQ(cut.image.size(), QSize(256, 128));
  // Only the header, or not even that: undecodable, width 0.
  EXPECT_EQ(DecodeJpeg(good.left(200), Unlimited()).ownSize.width(), 0);
  EXPECT_EQ(DecodeJpeg("Ceci est un fichier texte.\r\n", Unlimited()).ownSize.width(), 0);
  EXPECT_TRUE(DecodeJpeg(QByteArray(), Unlimited()).image.isNull());
  // A header claiming 60000 x 60000: refused before anything is allocated.
  const DecodedPicture bomb = DecodeJpeg(WithFrameSize(good, 60000, 60000), ForScreen(0));
  EXPECT_TRUE(bomb.image.isNull());
  EXPECT_EQ(bomb.ownSize, QSize(0, 0));
  // The same claim at a size the screen can show is decoded (as far as the
  // data goes) at a reduced scale.
  const DecodedPicture wide = DecodeJpeg(WithFrameSize(good, 8000, 4000), ForScreen(0));
  EXPECT_EQ(wide.ownSize, QSize(8000, 4000));
  EXPECT_LE(wide.image.width(), 2000);
}

TEST(PictureLoading, CmykJpegIsDecodedByQtsReader) {
  const QImage src = QuadrantImage(64, 32);
  const QByteArray cmyk = CmykJpeg(src);
  ASSERT_FALSE(cmyk.isEmpty());
  DecodedPicture d = DecodeJpeg(cmyk, ForScreen(0));
  EXPECT_EQ(d.ownSize, QSize(64, 32));
  EXPECT_TRUE(HasCorners(d.image, {Qt::red, Qt::green, Qt::blue, Qt::white}));
  // Its orientation tag is applied as well.
  d = DecodeJpeg(WithApp1(cmyk, ExifWithOrientation(6)), ForScreen(0));
  EXPECT_EQ(d.ownSize, QSize(32, 64));
  EXPECT_TRUE(HasCorners(d.image, {Qt::blue, Qt::red, Qt::white, Qt::green}));
}

TEST(PictureLoading, FilesByExtension) {
  QTemporaryDir dir;
  const QImage src = QuadrantImage(40, 20);
  EXPECT_EQ(PictureFormatOf("/p/IMG_0001.JPG"), PictureFormat::Jpeg);
  EXPECT_EQ(PictureFormatOf("/p/a.jpeg"), PictureFormat::Jpeg);
  EXPECT_EQ(PictureFormatOf("/p/a.Bmp"), PictureFormat::Bitmap);
  EXPECT_EQ(PictureFormatOf("/p/a.ico"), PictureFormat::Icon);
  EXPECT_EQ(PictureFormatOf("/p/a.png"), PictureFormat::Other);
  EXPECT_EQ(PictureFormatOf("/p/noext"), PictureFormat::Other);

  const QString jpg = dir.path() + "/IMG_0001.JPG";
  WriteBytes(jpg, OrientedJpeg(src, 3));
  DecodedPicture d = DecodePictureFile(jpg, Unlimited());
  EXPECT_TRUE(HasCorners(d.image, {Qt::white, Qt::blue, Qt::green, Qt::red}));

  const QString bmp = dir.path() + "/a.bmp";
  ASSERT_TRUE(src.save(bmp, "BMP"));
  d = DecodePictureFile(bmp, Unlimited());
  EXPECT_EQ(d.ownSize, QSize(40, 20));
  EXPECT_TRUE(d.error.isEmpty());

  const QString ico = dir.path() + "/a.ico";
  ASSERT_TRUE(QuadrantImage(32, 32).save(ico, "ICO"));
  EXPECT_EQ(DecodePictureFile(ico, Unlimited()).ownSize, QSize(32, 32));

  const QString broken = dir.path() + "/broken.bmp";
  WriteBytes(broken, QByteArray("BM\x10\0\0\0garbage", 13));
  d = DecodePictureFile(broken, Unlimited());
  EXPECT_TRUE(d.image.isNull());
  EXPECT_FALSE(d.error.isEmpty());

  // A file that cannot be read as JPEG: undecodable.
  EXPECT_EQ(DecodePictureFile(dir.path() + "/missing.jpg", Unlimited()).ownSize.width(), 0);
}
