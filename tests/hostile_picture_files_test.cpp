#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <atomic>
#include <thread>

#include "platform/PictureDecoder.h"
#include "show/PicturePrefetcher.h"
#include "support/JpegFixtures.h"
#include "support/PictureFixtures.h"
#include "support/TempData.h"

using namespace ld;
using namespace ld::testing;

namespace {

DecodeLimits ForScreen(int effect) { return DisplayTarget{QSize(1920, 1080), effect, 16}.Limits(); }

}  // namespace

TEST(PictureLoading, SpecialAndHugeFilesAreRefusedAtOnceWithoutReading) {
  QTemporaryDir dir;
  const DecodeLimits limits = ForScreen(0);
  const QString fifoJpg = dir.path() + "/fifo.jpg", fifoBmp = dir.path() + "/fifo.bmp";
  ASSERT_EQ(mkfifo(QFile::encodeName(fifoJpg).constData(), 0600), 0);
  ASSERT_EQ(mkfifo(QFile::encodeName(fifoBmp).constData(), 0600), 0);
  const QString zero = dir.path() + "/zero.jpg";
  ASSERT_TRUE(QFile::link("/dev/zero", zero));
  // 6 GB that take no room on the disk.
  const QString sparse = dir.path() + "/sparse.jpg";
  {
    const int fd = ::open(QFile::encodeName(sparse).constData(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, 6LL * 1024 * 1024 * 1024), 0);
    ::close(fd);
  }
  for (const QString& path : {fifoJpg, fifoBmp, zero, sparse}) {
    SCOPED_TRACE(path.toStdString());
    // Should an open() block on a FIFO, a writer that comes and goes after
    // 3 s ends it, so the test fails instead of hanging.
    std::atomic<bool> done{false};
    std::thread unblock([&] {
      for (int i = 0; i < 300 && !done; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      if (done) return;
      const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK);
      if (fd >= 0) ::close(fd);
    });
    QElapsedTimer t;
    t.start();
    DecodedPicture d;
    EXPECT_NO_THROW(d = DecodePictureFile(path, limits));
    EXPECT_LT(t.elapsed(), 2000);
    done = true;
    unblock.join();
    EXPECT_TRUE(d.image.isNull());
    EXPECT_EQ(d.ownSize, QSize(0, 0));
    EXPECT_TRUE(d.error.contains(path));
    EXPECT_FALSE(d.contentRejected);
  }
}

TEST(PictureLoading, AJpegOverTheScanLimitIsUndecodableWithoutFallback) {
  const QImage src = QuadrantImage(64, 32);
  // A few extra scans are fine; 600 are over TurboJPEG's limit, and Qt's
  // reader must not get the file instead.
  EXPECT_EQ(DecodeJpeg(ManyScansJpeg(src, 3), ForScreen(0)).ownSize, QSize(64, 32));
  const DecodedPicture d = DecodeJpeg(ManyScansJpeg(src, 600), ForScreen(0));
  EXPECT_TRUE(d.image.isNull());
  EXPECT_EQ(d.ownSize.width(), 0);
}

TEST(PictureLoading, ATruncatedBitmapIsRejectedInFrenchNamingTheFile) {
  QTemporaryDir dir;
  const QByteArray bmp = Encode(QuadrantImage(64, 32), "bmp");
  const QString cut = dir.path() + "/cut.bmp";
  WriteBytes(cut, bmp.left(bmp.size() - 100));
  DecodedPicture d = DecodePictureFile(cut, ForScreen(0));
  EXPECT_TRUE(d.image.isNull());
  EXPECT_TRUE(d.contentRejected);
  EXPECT_EQ(d.error, "Image BMP tronquée : " + cut);
  // Whole, it is read.
  WriteBytes(cut, bmp);
  EXPECT_EQ(DecodePictureFile(cut, ForScreen(0)).ownSize, QSize(64, 32));
  // Text and missing files: French, with the name.
  const QString text = dir.path() + "/text.png", missing = dir.path() + "/missing.bmp";
  WriteBytes(text, "Ceci n'est pas une image.");
  EXPECT_EQ(DecodePictureFile(text, ForScreen(0)).error, "Format d'image non reconnu : " + text);
  EXPECT_EQ(DecodePictureFile(missing, ForScreen(0)).error,
            "Impossible d'ouvrir le fichier " + missing);
}

// A JPEG file is decoded a piece at a time from the file once its headers
// are read, or whole when they are longer than what is read first: either
// way it gives the very picture its bytes give in memory, turned the same,
// and a file cut short keeps its full size as cut bytes do.
TEST(PictureLoading, AJpegFileDecodesAsItsBytesDo) {
  QTemporaryDir dir;
  const QImage src = QuadrantImage(300, 200);
  const QByteArray turned = OrientedJpeg(src, 6);
  // Colour profiles (APP2) in front of the Exif block, 300 KB of them.
  QByteArray longHeaders = turned.left(2);
  for (int i = 0; i < 5; ++i) {
    const QByteArray payload(60000, char('a' + i));
    longHeaders += QByteArray("\xFF\xE2") + char((payload.size() + 2) >> 8) +
                   char((payload.size() + 2) & 0xFF) + payload;
  }
  longHeaders += turned.mid(2);
  const qsizetype sos = turned.indexOf("\xff\xda");
  ASSERT_GT(sos, 0);
  const QByteArray cut = turned.left(sos + (turned.size() - sos) / 2);
  const QByteArray cmyk = WithApp1(CmykJpeg(QuadrantImage(64, 32)), ExifWithOrientation(6));
  ASSERT_FALSE(cmyk.isEmpty());
  struct Case {
    const char* name;
    QByteArray bytes;
    QSize own;
  };
  for (const Case& c :
       {Case{"turned", turned, QSize(200, 300)}, Case{"long headers", longHeaders, QSize(200, 300)},
        Case{"cut", cut, QSize(200, 300)}, Case{"cmyk", cmyk, QSize(32, 64)}}) {
    SCOPED_TRACE(c.name);
    const QString path = dir.path() + "/" + c.name + ".jpg";
    WriteBytes(path, c.bytes);
    const DecodedPicture fromFile = DecodePictureFile(path, DecodeLimits{});
    const DecodedPicture fromBytes = DecodeJpeg(c.bytes, DecodeLimits{});
    EXPECT_EQ(fromFile.ownSize, c.own);
    EXPECT_EQ(fromFile.ownSize, fromBytes.ownSize);
    EXPECT_FALSE(fromFile.image.isNull());
    EXPECT_TRUE(fromFile.image == fromBytes.image);
  }
}
