#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTransform>
#include <atomic>
#include <thread>

#include "platform/LargeImage.h"
#include "platform/Orientation.h"
#include "platform/PictureDecoder.h"
#include "show/PicturePrefetcher.h"
#include "support/JpegFixtures.h"
#include "support/PictureFixtures.h"
#include "support/TempData.h"

using namespace ld;
using namespace ld::testing;

// For the sanitizer build: x265, which makes the HEIC pictures of the
// tests, keeps one block of its set-up for the life of the process.
extern "C" const char* __lsan_default_suppressions() { return "leak:libx265\n"; }

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

// A picture turned while it is decoded is, pixel for pixel, the picture
// decoded as stored and then turned: the eight orientations, 4:2:0 and
// 4:4:4, sizes that end in partial blocks and bands, one large enough to get
// memory of its own, at full and at half scale.
TEST(PictureLoading, TurningWhileDecodingKeepsEveryPixelInPlace) {
  struct Case {
    int w, h, subsampling;
  };
  DecodeLimits half;
  half.wanted = [](QSize own) { return own / 2; };
  for (const Case c :
       {Case{203, 117, TJSAMP_420}, Case{150, 67, TJSAMP_444}, Case{1027, 1040, TJSAMP_420}}) {
    QImage src(c.w, c.h, QImage::Format_RGB888);
    quint32 seed = 7;
    for (int y = 0; y < c.h; ++y)
      for (int x = 0; x < c.w * 3; ++x)
        src.scanLine(y)[x] = (seed = seed * 1664525 + 1013904223) >> 24;
    tjhandle tj = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    ASSERT_EQ(tjCompress2(tj, src.constBits(), c.w, static_cast<int>(src.bytesPerLine()), c.h,
                          TJPF_RGB, &out, &size, c.subsampling, 90, 0),
              0);
    const QByteArray jpeg(reinterpret_cast<const char*>(out), static_cast<qsizetype>(size));
    tjFree(out);
    tjDestroy(tj);
    for (const DecodeLimits& limits : {Unlimited(), half}) {
      const QImage stored = DecodeJpeg(jpeg, limits).image;
      ASSERT_FALSE(stored.isNull());
      for (int tag = 1; tag <= 8; ++tag) {
        SCOPED_TRACE(::testing::Message()
                     << c.w << "x" << c.h << " tag " << tag << " " << stored.width());
        const QImage turned = DecodeJpeg(WithApp1(jpeg, ExifWithOrientation(tag)), limits).image;
        EXPECT_TRUE(turned == ApplyOrientation(stored, OrientationFromTag(tag)));
      }
    }
  }
}

// A show decodes picture after picture of one size: the memory of the last
// large picture freed serves the next one of its size (as it was left, not
// fresh zeroed pages), and never one of another size.
TEST(PictureLoading, AFreedLargePicturesMemoryServesTheNextOfItsSize) {
  QImage a = AllocateLargeImage(1111, 1501);
  ASSERT_FALSE(a.isNull());
  a.fill(0xFF123456u);
  const uchar* bits = a.constBits();
  a = QImage();
  QImage b = AllocateLargeImage(1501, 1111);  // turned: the same number of bytes
  ASSERT_FALSE(b.isNull());
  EXPECT_EQ(b.constBits(), bits);
  EXPECT_EQ(b.pixel(1500, 1110), 0xFF123456u);
  b = QImage();
  const QImage c = AllocateLargeImage(1111, 1502);
  ASSERT_FALSE(c.isNull());
  EXPECT_EQ(c.pixel(0, 0), qRgb(0, 0, 0));  // fresh memory
  EXPECT_EQ(c.pixel(1110, 1501), qRgb(0, 0, 0));
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
  EXPECT_EQ(PictureFormatOf("/p/a.png"), PictureFormat::Png);
  EXPECT_EQ(PictureFormatOf("/p/a.JFIF"), PictureFormat::Jpeg);
  EXPECT_EQ(PictureFormatOf("/p/a.tif"), PictureFormat::Tiff);
  EXPECT_EQ(PictureFormatOf("/p/a.avif"), PictureFormat::Heif);
  EXPECT_EQ(PictureFormatOf("/p/a.gif"), PictureFormat::Other);
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

TEST(PictureLoading, EveryFormatIsDecodedUprightByItsContentAtTheSizeShown) {
  QTemporaryDir dir;
  const QImage src = QuadrantImage(128, 64);
  const Corners turned{Qt::blue, Qt::red, Qt::white, Qt::green};  // tag 6
  struct Case {
    const char* name;
    QByteArray bytes;
  };
  const std::vector<Case> cases = {
      {"o6.jpg", OrientedJpeg(src, 6)},
      {"o6.png", PngWithExif(src, 6)},
      {"o6.webp", WebpWithExif(src, 6)},
      {"o6.tif", TiffWithOrientation(src, 6)},
      // The container turns it; its Exif tag says the same and is not
      // applied a second time.
      {"irot.heic", HeifFile(src, false, 6, 6)},
      {"irot.avif", HeifFile(src, true, 6)},
      // Content, not name: a PNG named .jpg, a JPEG named .heic.
      {"png.jpg", PngWithExif(src, 6)},
      {"jpeg.heic", OrientedJpeg(src, 6)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_FALSE(c.bytes.isEmpty());
    const QString path = dir.path() + "/" + c.name;
    WriteBytes(path, c.bytes);
    const DecodedPicture d = DecodePictureFile(path, ForScreen(0));
    EXPECT_EQ(d.ownSize, QSize(64, 128));
    EXPECT_EQ(d.image.size(), QSize(64, 128));
    EXPECT_TRUE(HasCorners(d.image, turned));
  }
  // Too large for Qt's own limit, shown scaled down: a 6000 x 6000 bitmap
  // fitted on 1920 x 1080 is kept at 1080 x 1080.
  const QString big = dir.path() + "/big.bmp";
  ASSERT_TRUE(QuadrantImage(6000, 6000).save(big, "BMP"));
  const DecodedPicture b = DecodePictureFile(big, ForScreen(0));
  EXPECT_EQ(b.ownSize, QSize(6000, 6000));
  EXPECT_EQ(b.image.size(), QSize(1080, 1080));
  EXPECT_TRUE(HasCorners(b.image, {Qt::red, Qt::green, Qt::blue, Qt::white}));
  // A PNG header announcing 100000 x 100000 is refused before decoding.
  QByteArray bomb = Encode(src, "png");
  qToBigEndian<quint32>(100000, bomb.data() + 16);
  qToBigEndian<quint32>(100000, bomb.data() + 20);
  qToBigEndian<quint32>(Crc32(bomb.mid(12, 17)), bomb.data() + 29);
  EXPECT_EQ(DecodePicture(bomb, ForScreen(0)).ownSize.width(), 0);
}
