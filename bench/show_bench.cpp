// Show benchmark: how fast a 24-megapixel photo is ready, how long the show
// waits between pictures, how long a zoom frame takes to paint, and how much
// memory the show holds. Each figure is printed beside its reference.
//
//   ld_show_bench generate DIR   writes DIR/photo24.jpg (6000 x 4000, 4:2:0,
//                                photo-like), DIR/photo24_o6.jpg (the same
//                                with Exif orientation 6), and the same
//                                picture as DIR/photo24.heic and .png
//   ld_show_bench decode DIR     picture-ready and full decode times against
//                                djpeg at the same scale (median of 7); the
//                                picture-ready time of the HEIC and the PNG
//   ld_show_bench show DIR       the real show, offscreen at 1920 x 1080 with
//                                short pauses: the gap between the end of a
//                                picture's pause and the next picture painted
//                                (median of 20), the same with HEIC and PNG
//                                pictures in the show, the zoom frame paint
//                                time (median), and the peak resident size
#include <libheif/heif.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <turbojpeg.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QStringList>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/ui/Tdiapo.h"
#include "platform/PictureDecoder.h"
#include "platform/ui/UiServices.h"
#include "show/PicturePrefetcher.h"

extern char** environ;

namespace {

constexpr int kW = 6000, kH = 4000;
const QSize kScreen(1920, 1080);

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// ---- generate ---------------------------------------------------------------

QByteArray ExifOrientation6() {
  // "Exif\0\0", little-endian TIFF header, IFD0 with the single tag 0x0112 = 6.
  const unsigned char b[] = {'E',  'x',  'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0,
                             0x12, 0x01, 3,   0,   1, 0, 0,   0,   6,  0, 0, 0, 0, 0, 0, 0};
  return QByteArray(reinterpret_cast<const char*>(b), sizeof b);
}

int Generate(const QString& dir) {
  QDir().mkpath(dir);
  // A landscape-like picture: smooth sky and ground gradients, a few
  // soft shapes, and fine grain, so that it compresses like a photo.
  std::vector<unsigned char> rgb(static_cast<size_t>(kW) * kH * 3);
  unsigned long long seed = 0x12345678ULL;
  for (int y = 0; y < kH; ++y) {
    unsigned char* row = &rgb[static_cast<size_t>(y) * kW * 3];
    const double fy = static_cast<double>(y) / kH;
    for (int x = 0; x < kW; ++x) {
      const double fx = static_cast<double>(x) / kW;
      seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
      const int grain = static_cast<int>((seed >> 59) & 15) - 8;
      double r, g, b;
      const double horizon = 0.55 + 0.05 * std::sin(fx * 9.0) + 0.03 * std::sin(fx * 31.0);
      if (fy < horizon) {
        r = 90 + 100 * fy;
        g = 140 + 80 * fy;
        b = 230 - 40 * fy;
        const double cx = fx - 0.7, cy = fy - 0.2;
        const double cloud = std::exp(-(cx * cx * 30 + cy * cy * 120));
        r += 120 * cloud;
        g += 100 * cloud;
        b += 20 * cloud;
      } else {
        const double t = (fy - horizon) / (1 - horizon);
        r = 70 + 60 * std::sin(fx * 40 + t * 12) * (1 - t) + 40 * t;
        g = 110 + 50 * std::sin(fx * 23 - t * 7) + 30 * t;
        b = 50 + 30 * t;
        if (((x / 97) + (y / 61)) % 7 == 0) r += 60;  // scattered details
      }
      row[x * 3 + 0] = static_cast<unsigned char>(std::clamp(static_cast<int>(r) + grain, 0, 255));
      row[x * 3 + 1] = static_cast<unsigned char>(std::clamp(static_cast<int>(g) + grain, 0, 255));
      row[x * 3 + 2] = static_cast<unsigned char>(std::clamp(static_cast<int>(b) + grain, 0, 255));
    }
  }
  tjhandle tj = tjInitCompress();
  unsigned char* out = nullptr;
  unsigned long size = 0;
  if (tjCompress2(tj, rgb.data(), kW, 0, kH, TJPF_RGB, &out, &size, TJSAMP_420, 90, 0) != 0) {
    std::fprintf(stderr, "compression failed: %s\n", tjGetErrorStr2(tj));
    return 1;
  }
  const QByteArray jpeg(reinterpret_cast<const char*>(out), static_cast<qsizetype>(size));
  tjFree(out);
  tjDestroy(tj);
  QFile f(dir + "/photo24.jpg");
  f.open(QIODevice::WriteOnly);
  f.write(jpeg);
  f.close();
  // The same picture as a camera held upright writes it: tag 6 in APP1.
  const QByteArray exif = ExifOrientation6();
  QByteArray app1;
  app1.append(char(0xFF)).append(char(0xE1));
  app1.append(char((exif.size() + 2) >> 8)).append(char((exif.size() + 2) & 0xFF));
  app1.append(exif);
  QFile g(dir + "/photo24_o6.jpg");
  g.open(QIODevice::WriteOnly);
  g.write(jpeg.left(2) + app1 + jpeg.mid(2));
  g.close();
  std::printf("generated %s/photo24.jpg (%d x %d, 4:2:0, %.1f MB) and photo24_o6.jpg\n",
              qPrintable(dir), kW, kH, size / 1e6);
  // The same picture as a PNG and as a HEIC (x265, quality 80, as a phone
  // writes it).
  const QImage img(rgb.data(), kW, kH, kW * 3, QImage::Format_RGB888);
  img.save(dir + "/photo24.png", "PNG");
  std::printf("generated %s/photo24.png (%.1f MB)\n", qPrintable(dir),
              QFileInfo(dir + "/photo24.png").size() / 1e6);
  heif_context* ctx = heif_context_alloc();
  heif_image* image = nullptr;
  heif_image_create(kW, kH, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image);
  heif_image_add_plane(image, heif_channel_interleaved, kW, kH, 8);
  int stride = 0;
  uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
  for (int y = 0; y < kH; ++y)
    std::memcpy(plane + static_cast<size_t>(y) * stride, &rgb[static_cast<size_t>(y) * kW * 3],
                static_cast<size_t>(kW) * 3);
  heif_encoder* encoder = nullptr;
  heif_context_get_encoder_for_format(ctx, heif_compression_HEVC, &encoder);
  if (!encoder) {
    std::fprintf(stderr, "no HEVC encoder in libheif\n");
    return 1;
  }
  heif_encoder_set_lossy_quality(encoder, 80);
  heif_context_encode_image(ctx, image, encoder, nullptr, nullptr);
  heif_encoder_release(encoder);
  heif_context_write_to_file(ctx, qPrintable(dir + "/photo24.heic"));
  heif_image_release(image);
  heif_context_free(ctx);
  std::printf("generated %s/photo24.heic (%.1f MB)\n", qPrintable(dir),
              QFileInfo(dir + "/photo24.heic").size() / 1e6);
  return 0;
}

// ---- decode -------------------------------------------------------------------

double RunMs(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  QElapsedTimer t;
  t.start();
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return t.nsecsElapsed() / 1e6;
}

struct Decoded {
  double ms = 0;
  ld::DecodedPicture picture;
};

Decoded TimeDecode(const QString& path, const ld::DisplayTarget& target, int runs) {
  std::vector<double> times;
  Decoded d;
  for (int i = 0; i < runs; ++i) {
    QElapsedTimer t;
    t.start();
    ld::DecodedPicture p = ld::DecodePictureFile(path, target.Limits());
    times.push_back(t.nsecsElapsed() / 1e6);
    if (i == runs - 1) d.picture = std::move(p);
  }
  d.ms = Median(times);
  return d;
}

double TimeDjpeg(const QString& path, const QString& scale, int runs) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    std::vector<std::string> args{"djpeg"};
    if (!scale.isEmpty()) {
      args.push_back("-scale");
      args.push_back(scale.toStdString());
    }
    args.push_back("-outfile");
    args.push_back("/dev/null");
    args.push_back(path.toStdString());
    times.push_back(RunMs(args));
  }
  return Median(times);
}

void Line(const char* what, double ms, const char* refName, double ref, double limitFactor) {
  const double ratio = ref > 0 ? ms / ref : 0;
  std::printf("%-44s %8.1f ms   %-26s %8.1f ms   ratio %.2f (at most %.1f) %s\n", what, ms, refName,
              ref, ratio, limitFactor, ratio <= limitFactor ? "ok" : "OVER");
}

int Decode(const QString& dir) {
  const int runs = 7;
  for (const char* name : {"photo24.jpg", "photo24_o6.jpg"}) {
    const QString path = dir + "/" + name;
    std::printf("%s\n", name);
    // Effect 0 (fit) on 1920 x 1080.
    const Decoded fit = TimeDecode(path, ld::DisplayTarget{kScreen, 0, 16}, runs);
    const int m = fit.picture.scaleNum * 8 / fit.picture.scaleDenom;
    const QString scale = QStringLiteral("%1/8").arg(m);
    std::printf("  decoded for effect 0: %d x %d of %d x %d (scale %s)\n",
                fit.picture.image.width(), fit.picture.image.height(), fit.picture.ownSize.width(),
                fit.picture.ownSize.height(), qPrintable(scale));
    const double djpegScaled = TimeDjpeg(path, scale, runs);
    Line("  picture ready, effect 0 (file to upright)", fit.ms, qPrintable("djpeg -scale " + scale),
         djpegScaled, 1.3);
    // The zoom to 32 tenths needs the whole picture.
    const Decoded full = TimeDecode(path, ld::DisplayTarget{kScreen, 3, 32}, runs);
    std::printf("  decoded for the zoom: %d x %d\n", full.picture.image.width(),
                full.picture.image.height());
    const double djpegFull = TimeDjpeg(path, QString(), runs);
    Line("  full-size decode for the zoom", full.ms, "djpeg", djpegFull, 1.3);
    // Reading the whole entropy-coded file is common to every scale, so a
    // scaled decode saves only the inverse DCT and the colour work.
    std::printf(
        "  effect 0 costs %.0f %% of a full decode (goal 25 %%); djpeg -scale %s costs %.0f %% of "
        "djpeg\n",
        100 * fit.ms / full.ms, qPrintable(scale), 100 * djpegScaled / djpegFull);
  }
  // The other formats have no scaled decode: decoded whole, then scaled
  // down to the fitted size. Beside them, the JPEG of the same picture.
  const Decoded jpeg = TimeDecode(dir + "/photo24.jpg", ld::DisplayTarget{kScreen, 0, 16}, runs);
  for (const char* name : {"photo24.heic", "photo24.png"}) {
    const Decoded d = TimeDecode(dir + "/" + name, ld::DisplayTarget{kScreen, 0, 16}, 3);
    std::printf("%s\n  decoded for effect 0: %d x %d of %d x %d\n", name, d.picture.image.width(),
                d.picture.image.height(), d.picture.ownSize.width(), d.picture.ownSize.height());
    std::printf("%-44s %8.1f ms   %-26s %8.1f ms   (median of 3)\n",
                "  picture ready, effect 0 (file to upright)", d.ms, "JPEG of the same picture",
                jpeg.ms);
  }
  return 0;
}

// ---- show -----------------------------------------------------------------------

long PeakRssKb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

// The gap between the end of a picture's pause and the next picture
// painted, effect 0 with pauses of pauseMs, over `pictures` distinct paths
// that link to `targets` in turn.
std::vector<double> Gaps(ld::RealServices& real, const QString& dir, const QString& sub,
                         const QStringList& targets, int pictures, int pauseMs) {
  const QString links = dir + "/" + sub;
  QDir(links).removeRecursively();
  QDir().mkpath(links);
  QStringList names;
  for (int i = 0; i < pictures; ++i) {
    const QString target = dir + "/" + targets[i % targets.size()];
    names << QStringLiteral("p%1.%2").arg(i, 2, 10, QChar('0')).arg(QFileInfo(target).suffix());
    QFile::link(target, links + "/" + names.back());
  }
  std::vector<double> gaps;
  {
    ld::Tdiapo w(real.services, QString(), kScreen);
    w.Timer1->stop();  // the mouse is not watched here
    w.show();
    w.Panel1->hide();
    w.CheckBox_rnd->setChecked(false);
    w.Rdg1->SetItemIndex(0);
    w.RadioGroup_titre_ecran->SetItemIndex(2);
    w.dt0_a = pauseMs;
    w.sequential_index = pictures - 1;
    for (const QString& name : names) w.catalogue.AppendCatalogueEntry(links, name);
    QElapsedTimer clock;
    clock.start();
    qint64 pauseOver = -1;
    int shown = 0;
    w.Show().on_pause_over = [&] { pauseOver = clock.nsecsElapsed(); };
    w.Show().on_picture_painted = [&] {
      if (pauseOver < 0) return;
      gaps.push_back((clock.nsecsElapsed() - pauseOver) / 1e6);
      pauseOver = -1;
      if (++shown >= pictures - 1) QCoreApplication::quit();
    };
    QTimer::singleShot(0, &w, [&] { w.ShowNextPicture(); });
    QTimer::singleShot(pictures * (pauseMs + 5000) + 30000, qApp, [] { QCoreApplication::quit(); });
    qApp->exec();
    w.Show().on_pause_over = nullptr;
    w.Show().on_picture_painted = nullptr;
  }
  return gaps;
}

void GapLine(const char* what, const std::vector<double>& gaps) {
  std::printf("%-44s %8.1f ms   %-26s %8.1f ms   %s  (median of %zu; max %.1f ms)\n", what,
              Median(gaps), "reference", 20.0, Median(gaps) <= 20 ? "ok" : "OVER", gaps.size(),
              gaps.empty() ? 0.0 : *std::max_element(gaps.begin(), gaps.end()));
}

int Show(const QString& dir) {
  ld::RealServices real;
  // Twenty-one distinct paths, upright and turned pictures in turn, 300 ms
  // pauses.
  const std::vector<double> gaps =
      Gaps(real, dir, "show", {"photo24.jpg", "photo24_o6.jpg"}, 21, 300);
  // HEIC and PNG take longer to decode than a JPEG: pauses long enough for
  // the next picture to be decoded while one is on screen, as a show's
  // pauses of several seconds are.
  const Decoded heic = TimeDecode(dir + "/photo24.heic", ld::DisplayTarget{kScreen, 0, 16}, 1);
  const Decoded png = TimeDecode(dir + "/photo24.png", ld::DisplayTarget{kScreen, 0, 16}, 1);
  const int mixedPause =
      std::max(300, static_cast<int>(std::ceil(std::max(heic.ms, png.ms) * 1.5 / 100)) * 100);
  const std::vector<double> mixedGaps =
      Gaps(real, dir, "mixed", {"photo24.heic", "photo24.png", "photo24.jpg"}, 13, mixedPause);
  const QString links = dir + "/show";

  // --- zoom frames from the 24 Mpx picture, zoom to 32 tenths ---
  std::vector<double> paints;
  int frames = 0;
  double zoomMs = 0;
  {
    ld::Tdiapo w(real.services, QString(), kScreen);
    w.Timer1->stop();
    w.show();
    w.Panel1->hide();
    w.CheckBox_rnd->setChecked(false);
    w.Rdg1->SetItemIndex(3);
    w.dt3_a = 200;
    w.dt3_b = 200;
    w.zoom_max10 = 32;
    w.inc_dx = 120;
    w._haut = 40;
    w.sequential_index = 0;
    w.catalogue.AppendCatalogueEntry(links, QStringLiteral("p00.jpg"));
    w.catalogue.AppendCatalogueEntry(links, QStringLiteral("p02.jpg"));
    int pausesOver = 0;
    QElapsedTimer zoomClock;
    bool zooming = false;
    w.Show().on_pause_over = [&] {
      ++pausesOver;
      if (pausesOver == 1) {  // dt3_a over: the zoom starts
        zooming = true;
        zoomClock.start();
      } else if (pausesOver == 2) {
        zooming = false;
        QCoreApplication::quit();
      }
    };
    w.Image2->on_painted = [&](double ms) {
      if (!zooming) return;
      paints.push_back(ms);
      if (w.Show().PendingShowPause() == 0) ++frames;
      zoomMs = zoomClock.nsecsElapsed() / 1e6;
    };
    QTimer::singleShot(0, &w, [&] { w.ShowNextPicture(); });
    QTimer::singleShot(60000, qApp, [] { QCoreApplication::quit(); });
    qApp->exec();
    w.Show().on_pause_over = nullptr;
    w.Image2->on_painted = nullptr;
  }

  std::printf(
      "show offscreen at 1920 x 1080, 24 Mpx pictures (upright and orientation 6 in turn)\n");
  GapLine("  end of pause to next picture painted", gaps);
  std::printf("show with HEIC, PNG and JPEG in turn, %d ms pauses\n", mixedPause);
  GapLine("  end of pause to next picture painted", mixedGaps);
  std::printf(
      "%-44s %8.1f ms   %-26s %8.1f ms   %s  (median of %zu paints, %d frames in %.0f ms = %.0f "
      "fps)\n",
      "  zoom frame paint, 6000 x 4000 source", Median(paints), "reference", 8.0,
      Median(paints) <= 8 ? "ok" : "OVER", paints.size(), frames, zoomMs,
      zoomMs > 0 ? frames * 1000.0 / zoomMs : 0.0);
  const double peakMb = PeakRssKb() / 1024.0;
  std::printf("%-44s %8.0f MB   %-26s %8.0f MB   %s\n", "  peak resident size", peakMb, "reference",
              400.0, peakMb <= 400 ? "ok" : "OVER");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s generate|decode|show DIR\n", argv[0]);
    return 2;
  }
  const std::string mode = argv[1];
  if (mode == "show") {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return Show(QString::fromLocal8Bit(argv[2]));
  }
  QCoreApplication app(argc, argv);
  if (mode == "generate") return Generate(QString::fromLocal8Bit(argv[2]));
  if (mode == "decode") return Decode(QString::fromLocal8Bit(argv[2]));
  return 2;
}
