#include <fcntl.h>
#include <gtest/gtest.h>
#include <libheif/heif.h>
#include <libheif/heif_plugin.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <atomic>
#include <cstring>
#include <thread>

#include "platform/PictureDecoder.h"
#include "show/PicturePrefetcher.h"
#include "support/HostileFiles.h"
#include "support/JpegFixtures.h"
#include "support/PictureFixtures.h"
#include "support/TempData.h"

#if defined(__SANITIZE_ADDRESS__)
// AddressSanitizer's count of the bytes allocated and not yet freed.
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

using namespace ld;
using namespace ld::testing;

namespace {

DecodeLimits ForScreen(int effect) { return DisplayTarget{QSize(1920, 1080), effect, 16}.Limits(); }

// A stand-in HEVC decoder that libheif prefers while it is armed: it counts
// the tiles it is asked for, gives each a grey picture of `side` pixels, and
// raises the cancel flag while decoding tile number `raiseAt` (0: never).
// Disarmed, it declines every format and libheif's own decoders work.
struct CountingHevc {
  static inline std::atomic<bool> armed{false};
  static inline std::atomic<int> decoded{0};
  static inline int raiseAt = 0, side = 0;
  static inline std::atomic<bool>* flag = nullptr;

  static heif_error Ok() { return {heif_error_Ok, heif_suberror_Unspecified, ""}; }
  static heif_error Decode(void*, heif_image** out) {
    if (++decoded == raiseAt && flag) flag->store(true);
    heif_image* img = nullptr;
    heif_image_create(side, side, heif_colorspace_YCbCr, heif_chroma_420, &img);
    for (const auto& [channel, s] : {std::pair{heif_channel_Y, side},
                                     {heif_channel_Cb, side / 2},
                                     {heif_channel_Cr, side / 2}}) {
      heif_image_add_plane(img, channel, s, s, 8);
      int stride = 0;
      uint8_t* plane = heif_image_get_plane(img, channel, &stride);
      std::memset(plane, 128, static_cast<size_t>(stride) * s);
    }
    *out = img;
    return Ok();
  }
  static inline const heif_decoder_plugin plugin = {
      1,
      [] { return "counting"; },
      nullptr,
      nullptr,
      [](heif_compression_format f) { return armed && f == heif_compression_HEVC ? 1000 : 0; },
      [](void** d) {
        *d = &decoded;
        return Ok();
      },
      [](void*) {},
      [](void*, const void*, size_t) { return Ok(); },
      Decode,
      nullptr,
      nullptr};

  CountingHevc(std::atomic<bool>* cancel, int tileSide) {
    static const bool registered = [] {
      heif_init(nullptr);
      return heif_register_decoder_plugin(&plugin).code == heif_error_Ok;
    }();
    EXPECT_TRUE(registered);
    flag = cancel;
    side = tileSide;
    armed = true;
  }
  ~CountingHevc() { armed = false; }
  void Start(int raiseTileAt) {
    decoded = 0;
    raiseAt = raiseTileAt;
  }
};

// The memory the process holds in its heap, in bytes.
size_t HeapInUse() {
#if defined(__SANITIZE_ADDRESS__)
  return __sanitizer_get_current_allocated_bytes();
#else
  const struct mallinfo2 m = mallinfo2();
  return m.uordblks + m.hblkhd;
#endif
}

// What a decode cost in a child process of its own: the peak of its
// resident memory above what the child held before, in bytes.
struct ChildDecode {
  bool ran = false;
  bool decoded = false;
  bool overBudget = false;
  long long peakBytes = 0;
  char error[256] = {};
};

ChildDecode DecodeInChild(const QString& path, const DecodeLimits& limits) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    ::close(fds[0]);
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    const DecodedPicture d = DecodePictureFile(path, limits);
    getrusage(RUSAGE_SELF, &after);
    ChildDecode out;
    out.ran = true;
    out.decoded = !d.image.isNull();
    out.overBudget = d.overBudget;
    out.peakBytes = (after.ru_maxrss - before.ru_maxrss) * 1024LL;
    qstrncpy(out.error, d.error.toUtf8().constData(), sizeof out.error);
    (void)!::write(fds[1], &out, sizeof out);
    _exit(0);
  }
  ::close(fds[1]);
  ChildDecode out;
  if (pid < 0 || ::read(fds[0], &out, sizeof out) != sizeof out) out = {};
  ::close(fds[0]);
  if (pid > 0) waitpid(pid, nullptr, 0);
  return out;
}

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
  // Headers short enough to be read first, with a segment across the end of
  // the file source's first 64 KB: an APP2 block the decoder skips, or the
  // quantisation tables it reads byte by byte.
  const auto app2 = [](int payload) {
    return QByteArray("\xFF\xE2") + char((payload + 2) >> 8) + char((payload + 2) & 0xFF) +
           QByteArray(payload, 'p');
  };
  const QByteArray skippedAcross = turned.left(2) + app2(40000) + app2(40000) + turned.mid(2);
  const qsizetype dqt = turned.indexOf("\xff\xdb");
  ASSERT_GT(dqt, 0);
  const QByteArray tablesAcross =
      turned.left(dqt) + app2(static_cast<int>(65536 - 30 - 4 - dqt)) + turned.mid(dqt);
  struct Case {
    const char* name;
    QByteArray bytes;
    QSize own;
  };
  for (const Case& c :
       {Case{"turned", turned, QSize(200, 300)}, Case{"long headers", longHeaders, QSize(200, 300)},
        Case{"cut", cut, QSize(200, 300)}, Case{"cmyk", cmyk, QSize(32, 64)},
        Case{"skipped across", skippedAcross, QSize(200, 300)},
        Case{"tables across", tablesAcross, QSize(200, 300)}}) {
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

// TurboJPEG's decompressor, kept for the thread, is left in the middle of a
// broken header by a file cut inside its headers: the next good JPEG read on
// the same thread must still come out whole, from a file and from memory.
TEST(PictureLoading, AJpegCutInItsHeadersLeavesTheNextOneOnTheThreadWhole) {
  QTemporaryDir dir;
  const QByteArray good = OrientedJpeg(QuadrantImage(64, 32), 6);
  const QString cutPath = dir.path() + "/cut.jpg", goodPath = dir.path() + "/good.jpg";
  WriteBytes(cutPath, good.left(200));
  WriteBytes(goodPath, good);
  for (int round = 0; round < 2; ++round) {
    EXPECT_TRUE(DecodePictureFile(cutPath, ForScreen(0)).image.isNull());
    const DecodedPicture d = DecodePictureFile(goodPath, ForScreen(0));
    EXPECT_EQ(d.ownSize, QSize(32, 64));
    EXPECT_EQ(d.image.size(), QSize(32, 64));
  }
  EXPECT_EQ(JpegOwnSize(good.left(200)), QSize());
  EXPECT_EQ(JpegOwnSize(good), QSize(32, 64));
  EXPECT_TRUE(DecodeJpeg(good.left(200), ForScreen(0)).image.isNull());
  EXPECT_EQ(DecodeJpeg(good, ForScreen(0)).ownSize, QSize(32, 64));
}

// Tiny files that ask for gigabytes are refused before anything is
// allocated, each decoded in a child process whose peak memory is measured;
// the show then goes on with a red screen, and the reason is told.
TEST(PictureLoading, TinyFilesAskingForGigabytesAreRefusedWithinTheBudget) {
  QTemporaryDir dir;
  const DecodeLimits limits = ForScreen(0);
  ASSERT_EQ(limits.maxDecodeBytes, 256LL * 1920 * 1080);
  struct Case {
    const char* name;
    QByteArray bytes;
    bool overBudget;  // refused for its size rather than as damaged
  };
  for (const Case& c : {Case{"grid.heic", LyingHeic(Lie::Grid), true},
                        Case{"coded.heic", LyingHeic(Lie::Configuration), true},
                        Case{"inband.heic", LyingHeic(Lie::Data), true},
                        Case{"progressive.jpg", HugeOneScanJpeg(), true},
                        Case{"text.png", PngWithHugeTextChunk(), false}}) {
    SCOPED_TRACE(c.name);
    const QString path = dir.path() + "/" + c.name;
    WriteBytes(path, c.bytes);
    EXPECT_LT(c.bytes.size(), 1024);
    const ChildDecode d = DecodeInChild(path, limits);
    ASSERT_TRUE(d.ran);
    EXPECT_FALSE(d.decoded);
    EXPECT_EQ(d.overBudget, c.overBudget) << d.error;
    EXPECT_LT(d.peakBytes, limits.maxDecodeBytes);
    EXPECT_TRUE(QString::fromUtf8(d.error).endsWith(path)) << d.error;
  }
  // Pictures within the budget still decode: the same progressive JPEG at
  // its true size, a PNG with a text chunk that fits the file.
  const QByteArray progressive = ManyScansJpeg(QuadrantImage(640, 480), 0);
  EXPECT_EQ(DecodeJpeg(progressive, limits).ownSize, QSize(640, 480));
  const QByteArray png = Encode(QuadrantImage(16, 16), "png");
  const QByteArray text = QByteArray("Comment\0") + "bonjour";
  const QByteArray withText = png.left(png.size() - 12) + Be(text.size(), 4) + "tEXt" + text +
                              Be(Crc32("tEXt" + text), 4) + png.right(12);
  EXPECT_EQ(DecodePicture(withText, limits).ownSize, QSize(16, 16));
  // An AVIF is judged by the size its AV1 headers give, whatever its size
  // boxes say: 512 x 512 posing as 64 x 64 is over a budget that 64 x 64 fits.
  const QByteArray avif = HeifFile(QuadrantImage(512, 512), true);
  if (avif.isEmpty()) return;  // no AV1 encoder
  DecodeLimits small = limits;
  small.maxDecodeBytes = 1024 * 1024;
  EXPECT_EQ(DecodePicture(HeifFile(QuadrantImage(64, 64), true), small).ownSize, QSize(64, 64));
  const DecodedPicture lying = DecodePicture(WithSizeBoxes(avif, 64, 64), small);
  EXPECT_TRUE(lying.image.isNull());
  EXPECT_TRUE(lying.overBudget);
}

// A decode whose cancel flag is raised stops without a picture, whatever
// decoder the content goes to; with the flag down the same files decode.
TEST(PictureLoading, ACancelledDecodeStopsWithoutAPicture) {
  QTemporaryDir dir;
  const QImage src = QuadrantImage(64, 32);
  struct Case {
    const char* name;
    QByteArray bytes;
  };
  std::vector<Case> cases = {{"a.jpg", EncodeJpeg(src)},
                             {"b.jpg", ManyScansJpeg(src, 2)},
                             {"c.png", Encode(src, "png")},
                             {"d.tif", Encode(src, "tiff")},
                             {"g.webp", Encode(src, "webp", 100)}};
  if (const QByteArray avif = HeifFile(src, true); !avif.isEmpty())
    cases.push_back({"e.avif", avif});
  cases.push_back({"f.heic", HeifFile(src, false)});
  DecodeLimits limits = ForScreen(0);
  auto flag = std::make_shared<std::atomic<bool>>(false);
  limits.cancel = flag;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString path = dir.path() + "/" + c.name;
    WriteBytes(path, c.bytes);
    flag->store(false);
    const DecodedPicture whole = DecodePictureFile(path, limits);
    EXPECT_EQ(whole.ownSize, QSize(64, 32));
    // Decoded with the flag watched, each quadrant keeps its colour.
    for (const QPoint at : {QPoint(16, 8), QPoint(48, 8), QPoint(16, 24), QPoint(48, 24)}) {
      const QColor got = whole.image.pixelColor(at), want = src.pixelColor(at);
      EXPECT_LT(std::abs(got.red() - want.red()) + std::abs(got.green() - want.green()) +
                    std::abs(got.blue() - want.blue()),
                60)
          << at.x() << "," << at.y();
    }
    flag->store(true);
    const DecodedPicture d = DecodePictureFile(path, limits);
    EXPECT_TRUE(d.image.isNull());
    EXPECT_EQ(d.error, "Décodage abandonné : " + path);
  }
}

// A grid HEIC cancelled while its first tile is decoded stops before the
// next tile and gives back the grid picture it had made; not cancelled, the
// same file decodes every tile.
TEST(PictureLoading, ACancelledHeifGridStopsAfterItsCurrentTile) {
  QTemporaryDir dir;
  const QString path = dir.path() + "/grid.heic";
  WriteBytes(path, GridHeic(8, 8, 256, QSize(2048, 2048), QSize(2048, 2048)));
  DecodeLimits limits = ForScreen(0);
  auto flag = std::make_shared<std::atomic<bool>>(false);
  limits.cancel = flag;
  CountingHevc tiles(flag.get(), 256);

  tiles.Start(0);
  EXPECT_EQ(DecodePictureFile(path, limits).ownSize, QSize(2048, 2048));
  EXPECT_EQ(CountingHevc::decoded, 64);

  tiles.Start(1);
  const size_t before = HeapInUse();
  const DecodedPicture d = DecodePictureFile(path, limits);
  EXPECT_TRUE(d.image.isNull());
  EXPECT_EQ(d.error, "Décodage abandonné : " + path);
  EXPECT_EQ(CountingHevc::decoded, 1);
  // The grid's planes alone are 12 MB.
  EXPECT_LT(HeapInUse(), before + 2 * 1024 * 1024);
}
