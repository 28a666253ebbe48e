// Show benchmark: how fast a 24-megapixel photo is ready, how long the show
// waits between pictures, how long a zoom frame takes to paint, and how much
// memory the show holds. Each figure is printed beside its reference.
//
//   ld_show_bench generate DIR   writes DIR/photo24.jpg (6000 x 4000, 4:2:0,
//                                photo-like), DIR/photo24_o5..o8.jpg (the
//                                same with Exif orientations 5 to 8), the
//                                same in 4:4:4 (photo24_444*.jpg), and the
//                                picture as DIR/photo24.heic and .png
//   ld_show_bench decode DIR     picture-ready and full decode times against
//                                djpeg at the same scale (median of 7); full
//                                decodes of the turned pictures against djpeg
//                                of the same file, interleaved; the memory
//                                one turned decode takes; the picture-ready
//                                time of the HEIC and the PNG
//   ld_show_bench show DIR       the real show, offscreen at 1920 x 1080 with
//                                short pauses: the gap between the end of a
//                                picture's pause and the next picture painted
//                                (median of 20), the same with HEIC and PNG
//                                pictures in the show, the zoom frame paint
//                                time (median), and the peak resident size;
//                                then each zoom frame drawn again offscreen:
//                                the smooth draw and the former
//                                nearest-pixel draw timed, and both compared
//                                with QImage::scaled(SmoothTransformation)
//                                against an exact area average (PSNR)
//   ld_show_bench zoom DIR       the zoom part of `show` alone
#include <libheif/heif.h>
#include <malloc.h>
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
#include <QPainter>
#include <QStringList>
#include <QThread>
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
#include "show/ui/PictureView.h"

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

QByteArray ExifOrientation(unsigned char tag) {
  // "Exif\0\0", little-endian TIFF header, IFD0 with the single tag 0x0112.
  const unsigned char b[] = {'E',  'x',  'i', 'f', 0, 0, 'I', 'I', 42,  0, 8, 0, 0, 0, 1, 0,
                             0x12, 0x01, 3,   0,   1, 0, 0,   0,   tag, 0, 0, 0, 0, 0, 0, 0};
  return QByteArray(reinterpret_cast<const char*>(b), sizeof b);
}

// The JPEG with an APP1 segment holding orientation `tag` after its SOI.
QByteArray WithOrientation(const QByteArray& jpeg, unsigned char tag) {
  const QByteArray exif = ExifOrientation(tag);
  QByteArray app1;
  app1.append(char(0xFF)).append(char(0xE1));
  app1.append(char((exif.size() + 2) >> 8)).append(char((exif.size() + 2) & 0xFF));
  app1.append(exif);
  return jpeg.left(2) + app1 + jpeg.mid(2);
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  f.open(QIODevice::WriteOnly);
  f.write(bytes);
}

// The turned pictures of the decode benchmark: orientations 5 to 8, 4:2:0
// and 4:4:4.
QStringList TurnedPictures() {
  QStringList names;
  for (const char* sub : {"", "_444"})
    for (int o = 5; o <= 8; ++o) names << QStringLiteral("photo24%1_o%2.jpg").arg(sub).arg(o);
  return names;
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
  QByteArray jpeg, jpeg444;
  for (const int sub : {TJSAMP_420, TJSAMP_444}) {
    unsigned char* out = nullptr;
    unsigned long size = 0;
    if (tjCompress2(tj, rgb.data(), kW, 0, kH, TJPF_RGB, &out, &size, sub, 90, 0) != 0) {
      std::fprintf(stderr, "compression failed: %s\n", tjGetErrorStr2(tj));
      return 1;
    }
    (sub == TJSAMP_420 ? jpeg : jpeg444) =
        QByteArray(reinterpret_cast<const char*>(out), static_cast<qsizetype>(size));
    tjFree(out);
  }
  tjDestroy(tj);
  WriteFile(dir + "/photo24.jpg", jpeg);
  WriteFile(dir + "/photo24_444.jpg", jpeg444);
  // The same picture as a camera held upright (or turned and mirrored)
  // writes it: the tag in APP1.
  WriteFile(dir + "/photo24_o6.jpg", WithOrientation(jpeg, 6));
  for (int o = 5; o <= 8; ++o) {
    WriteFile(dir + QStringLiteral("/photo24_o%1.jpg").arg(o), WithOrientation(jpeg, o));
    WriteFile(dir + QStringLiteral("/photo24_444_o%1.jpg").arg(o), WithOrientation(jpeg444, o));
  }
  std::printf("generated %s/photo24*.jpg (%d x %d, 4:2:0 %.1f MB, 4:4:4 %.1f MB, orientations)\n",
              qPrintable(dir), kW, kH, jpeg.size() / 1e6, jpeg444.size() / 1e6);
  if (QFileInfo::exists(dir + "/photo24.png") && QFileInfo::exists(dir + "/photo24.heic")) return 0;
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

const char* Met(bool met) { return met ? "met" : "NOT met"; }

void Line(const char* what, double ms, const char* refName, double ref, double limitFactor) {
  const double ratio = ref > 0 ? ms / ref : 0;
  std::printf("%-44s %8.1f ms   %-26s %8.1f ms   ratio %.2f (goal at most %.1f) %s\n", what, ms,
              refName, ref, ratio, limitFactor, Met(ratio <= limitFactor));
}

// Processor time (user and system) of this process and of its waited-for
// children, in ms: less disturbed than the wall time when other programs
// share the machine.
double CpuMs(int who) {
  rusage u{};
  getrusage(who, &u);
  return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
         (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

// Full decodes of one file and djpeg of the same file, in turn: wall and
// processor time medians of `runs` each.
struct Race {
  double ours = 0, djpeg = 0, oursCpu = 0, djpegCpu = 0;
};
Race FullDecodeAgainstDjpeg(const QString& path, int runs) {
  const ld::DecodeLimits limits = ld::DisplayTarget{kScreen, 3, 32}.Limits();
  std::vector<double> ours, djpeg, oursCpu, djpegCpu;
  for (int i = 0; i < runs; ++i) {
    QElapsedTimer t;
    t.start();
    double cpu = CpuMs(RUSAGE_SELF);
    const ld::DecodedPicture p = ld::DecodePictureFile(path, limits);
    ours.push_back(t.nsecsElapsed() / 1e6);
    oursCpu.push_back(CpuMs(RUSAGE_SELF) - cpu);
    if (p.image.isNull()) std::printf("  %s: not decoded\n", qPrintable(path));
    cpu = CpuMs(RUSAGE_CHILDREN);
    djpeg.push_back(RunMs({"djpeg", "-outfile", "/dev/null", path.toStdString()}));
    djpegCpu.push_back(CpuMs(RUSAGE_CHILDREN) - cpu);
  }
  return {Median(ours), Median(djpeg), Median(oursCpu), Median(djpegCpu)};
}

// Resident memory figures of this process, in MB: "VmRSS" now, "VmHWM" the
// peak since the last ResetPeak().
double StatusMb(const char* key) {
  QFile f("/proc/self/status");
  if (!f.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : f.readAll().split('\n'))
    if (line.startsWith(key))
      return line.mid(qstrlen(key) + 1).trimmed().split(' ')[0].toDouble() / 1024;
  return -1;
}
// With LD_BENCH_SMAPS=MB: the mappings holding more than MB resident and
// the allocator's totals, on stderr, to find where the memory goes.
void DumpResident(const char* when) {
  if (!qEnvironmentVariableIsSet("LD_BENCH_SMAPS")) return;
  QFile f("/proc/self/smaps");
  if (!f.open(QIODevice::ReadOnly)) return;
  QByteArray header;
  const double minMb = std::max(0.1, qEnvironmentVariable("LD_BENCH_SMAPS").toDouble());
  std::fprintf(stderr, "-- resident at %s: %.0f MB (anonymous %.0f MB, files %.0f MB)\n", when,
               StatusMb("VmRSS:"), StatusMb("RssAnon:"), StatusMb("RssFile:"));
  for (const QByteArray& line : f.readAll().split('\n')) {
    // A mapping's first line starts with its address range; its fields
    // ("Rss:" among them) follow.
    const QByteArray first = line.left(line.indexOf(' '));
    if (first.contains('-') && !first.endsWith(':')) header = line;
    if (line.startsWith("Rss:")) {
      const double mb = line.mid(4).trimmed().split(' ')[0].toDouble() / 1024;
      if (mb > minMb) std::fprintf(stderr, "   %6.1f MB  %s\n", mb, header.constData());
    }
  }
  const struct mallinfo2 mi = mallinfo2();
  std::fprintf(stderr, "   malloc: arena %.1f MB, mmapped %.1f MB, in use %.1f MB, free %.1f MB\n",
               mi.arena / 1048576.0, mi.hblkhd / 1048576.0, mi.uordblks / 1048576.0,
               mi.fordblks / 1048576.0);
}
bool ResetPeak() {
  QFile f("/proc/self/clear_refs");
  return f.open(QIODevice::WriteOnly) && f.write("5") == 1;
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
        "  effect 0 costs %.0f %% of a full decode (goal at most 25 %%) %s; djpeg -scale %s costs "
        "%.0f %% of djpeg\n",
        100 * fit.ms / full.ms, Met(fit.ms <= 0.25 * full.ms), qPrintable(scale),
        100 * djpegScaled / djpegFull);
  }
  // Turned pictures, decoded whole (the zoom's decode), against djpeg of the
  // same file: djpeg writes the stored picture, unturned, to /dev/null.
  std::printf(
      "full-size decode of turned pictures (file to upright picture) against djpeg of the same "
      "file,\n  interleaved, median of 5; goal at most 1.1 x djpeg (wall time)\n");
  for (const QString& name : TurnedPictures()) {
    const Race r = FullDecodeAgainstDjpeg(dir + "/" + name, 5);
    std::printf(
        "  %-22s ours %7.1f ms  djpeg %7.1f ms  ratio %.2f %-7s  (processor time %5.0f / %5.0f ms "
        "= %.2f)\n",
        qPrintable(name), r.ours, r.djpeg, r.ours / r.djpeg, Met(r.ours <= 1.1 * r.djpeg),
        r.oursCpu, r.djpegCpu, r.oursCpu / r.djpegCpu);
  }
  // The memory a turned full decode takes at its peak, above what the
  // process held before: the picture itself (6000 x 4000 x 4 bytes) plus
  // the decoder's work; a second full-size copy would double it.
  {
    const double before = StatusMb("VmRSS:");
    if (ResetPeak()) {
      ld::DecodedPicture p = ld::DecodePictureFile(dir + "/photo24_o6.jpg",
                                                   ld::DisplayTarget{kScreen, 3, 32}.Limits());
      const double peak = StatusMb("VmHWM:") - before;
      const double picture = p.image.sizeInBytes() / (1024.0 * 1024.0);
      std::printf(
          "  peak memory of one full decode, orientation 6: %.0f MB above the process before it; "
          "the picture %.0f MB\n  (goal: no second full-size copy, under 1.5 x the picture) %s\n",
          peak, picture, Met(peak < 1.5 * picture));
    }
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

double Max(const std::vector<double>& v) {
  return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}
double Min(const std::vector<double>& v) {
  return v.empty() ? 0 : *std::min_element(v.begin(), v.end());
}

double Psnr(const QImage& a, const QImage& b) {
  double sum = 0;
  for (int y = 0; y < a.height(); ++y) {
    const auto* p = reinterpret_cast<const QRgb*>(a.constScanLine(y));
    const auto* q = reinterpret_cast<const QRgb*>(b.constScanLine(y));
    for (int x = 0; x < a.width(); ++x) {
      const int dr = qRed(p[x]) - qRed(q[x]), dg = qGreen(p[x]) - qGreen(q[x]),
                db = qBlue(p[x]) - qBlue(q[x]);
      sum += dr * dr + dg * dg + db * db;
    }
  }
  const double mse = sum / (3.0 * a.width() * a.height());
  return mse <= 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

// The exact area average: the picture `src` drawn w x h, the part `target`
// of it, each pixel the average of the source area it covers (as a box of
// width W / w and height H / h; when that is under one pixel, the source
// pixels it overlaps, weighted by the overlap). Computed in double
// precision, one direction after the other.
QImage AreaAverage(const QImage& src, QSize drawn, QRect target) {
  struct Tap {
    int first;
    std::vector<double> weights;
  };
  auto taps = [](int srcLen, int drawnLen, int from, int count) {
    const double s = static_cast<double>(srcLen) / drawnLen;
    std::vector<Tap> out(count);
    for (int i = 0; i < count; ++i) {
      const double a = (from + i) * s, b = a + s;
      Tap& t = out[i];
      t.first = std::clamp(static_cast<int>(std::floor(a)), 0, srcLen - 1);
      for (int k = t.first; k < srcLen && k < b; ++k)
        t.weights.push_back((std::min<double>(b, k + 1) - std::max<double>(a, k)) / s);
    }
    return out;
  };
  const std::vector<Tap> tx = taps(src.width(), drawn.width(), target.x(), target.width());
  const std::vector<Tap> ty = taps(src.height(), drawn.height(), target.y(), target.height());
  const int rowFirst = ty.front().first;
  const int rowLast = ty.back().first + static_cast<int>(ty.back().weights.size());
  std::vector<double> rows(static_cast<size_t>(rowLast - rowFirst) * target.width() * 3);
  for (int y = rowFirst; y < rowLast; ++y) {
    const auto* p = reinterpret_cast<const QRgb*>(src.constScanLine(y));
    double* out = &rows[static_cast<size_t>(y - rowFirst) * target.width() * 3];
    for (int x = 0; x < target.width(); ++x) {
      double r = 0, g = 0, b = 0;
      const Tap& t = tx[x];
      for (size_t k = 0; k < t.weights.size(); ++k) {
        const QRgb c = p[t.first + k];
        r += t.weights[k] * qRed(c);
        g += t.weights[k] * qGreen(c);
        b += t.weights[k] * qBlue(c);
      }
      out[3 * x] = r;
      out[3 * x + 1] = g;
      out[3 * x + 2] = b;
    }
  }
  QImage result(target.size(), QImage::Format_RGB32);
  for (int y = 0; y < target.height(); ++y) {
    auto* d = reinterpret_cast<QRgb*>(result.scanLine(y));
    const Tap& t = ty[y];
    for (int x = 0; x < target.width(); ++x) {
      double c[3] = {0, 0, 0};
      for (size_t k = 0; k < t.weights.size(); ++k) {
        const double* p =
            &rows[(static_cast<size_t>(t.first + k - rowFirst) * target.width() + x) * 3];
        for (int i = 0; i < 3; ++i) c[i] += t.weights[k] * p[i];
      }
      d[x] = qRgb(static_cast<int>(std::lround(c[0])), static_cast<int>(std::lround(c[1])),
                  static_cast<int>(std::lround(c[2])));
    }
  }
  return result;
}

struct ZoomDraws {
  QImage source;
  bool reduced = false;
  std::vector<double> smoothMs, nearestMs;
  std::vector<double> qtDb, smoothDb, nearestDb;
  std::vector<double> smoothToQtDb;  // the smooth draw against QImage::scaled itself
  double worstGapDb = 0;
};

// Each zoom frame (Image2's geometry on a 1920 x 1080 screen) drawn again
// into an image of the screen: the view's smooth draw and the former
// nearest-pixel draw of the whole picture, timed; on a sample of frames,
// both and QImage::scaled(SmoothTransformation) of the same rectangle
// compared with the exact area average.
ZoomDraws RedrawZoomFrames(ld::PictureView& view, const std::vector<QRect>& frames) {
  ZoomDraws out;
  out.source = view.Picture();
  out.reduced = view.ReducedCopies() > 0;
  if (out.source.isNull() || frames.empty()) return out;
  QImage screen(kScreen, QImage::Format_RGB32);
  const QRect screenRect(QPoint(0, 0), kScreen);
  const size_t step = std::max<size_t>(1, frames.size() / 20);
  for (size_t i = 0; i < frames.size(); ++i) {
    const QRect frame = frames[i];
    const QRect visible = frame & screenRect;
    const QRect target = visible.translated(-frame.topLeft());  // in the view's coordinates
    if (target.isEmpty()) continue;
    QElapsedTimer t;
    for (int pass = 0; pass < 2; ++pass) {
      screen.fill(Qt::black);
      QPainter p(&screen);
      p.translate(frame.topLeft());
      t.start();
      if (pass == 0) {
        view.PaintPart(p, frame.size(), target);
        out.smoothMs.push_back(t.nsecsElapsed() / 1e6);
      } else {
        const double sx = static_cast<double>(out.source.width()) / frame.width();
        const double sy = static_cast<double>(out.source.height()) / frame.height();
        p.drawImage(
            QRectF(target), out.source,
            QRectF(target.x() * sx, target.y() * sy, target.width() * sx, target.height() * sy));
        out.nearestMs.push_back(t.nsecsElapsed() / 1e6);
      }
    }
    if (i % step != 0 && i + 1 != frames.size()) continue;
    const QImage exact = AreaAverage(out.source, frame.size(), target);
    const QImage qt =
        out.source.scaled(frame.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
            .copy(target);
    const QImage smooth = view.RenderedPart(frame.size(), target);
    QImage nearest(target.size(), QImage::Format_RGB32);
    {
      QPainter p(&nearest);
      p.translate(-target.topLeft());
      const double sx = static_cast<double>(out.source.width()) / frame.width();
      const double sy = static_cast<double>(out.source.height()) / frame.height();
      p.drawImage(
          QRectF(target), out.source,
          QRectF(target.x() * sx, target.y() * sy, target.width() * sx, target.height() * sy));
    }
    out.qtDb.push_back(Psnr(qt, exact));
    out.smoothDb.push_back(Psnr(smooth, exact));
    out.nearestDb.push_back(Psnr(nearest, exact));
    out.smoothToQtDb.push_back(Psnr(smooth, qt));
    out.worstGapDb = std::max(out.worstGapDb, out.qtDb.back() - out.smoothDb.back());
    if (qEnvironmentVariableIsSet("LD_BENCH_VERBOSE"))
      std::printf(
          "    frame %zu: %d x %d, smooth %.1f ms, nearest %.1f ms; PSNR Qt %.1f, smooth %.1f, "
          "nearest %.1f dB; smooth against Qt %.1f dB\n",
          i, frame.width(), frame.height(), out.smoothMs.back(), out.nearestMs.back(),
          out.qtDb.back(), out.smoothDb.back(), out.nearestDb.back(), out.smoothToQtDb.back());
  }
  return out;
}

int Show(const QString& dir, bool zoomOnly) {
  ld::RealServices real;
  std::vector<double> gaps, mixedGaps;
  // The peak resident size of each part (the peak is reset between them).
  double gapsPeakMb = 0, mixedPeakMb = 0;
  int mixedPause = 0;
  if (zoomOnly) {
    const QString links = dir + "/show";
    QDir().mkpath(links);
    QFile::link(dir + "/photo24.jpg", links + "/p00.jpg");
    QFile::link(dir + "/photo24_o6.jpg", links + "/p01.jpg");
  } else {
    // Twenty-one distinct paths, upright and turned pictures in turn, 300 ms
    // pauses.
    gaps = Gaps(real, dir, "show", {"photo24.jpg", "photo24_o6.jpg"}, 21, 300);
    gapsPeakMb = StatusMb("VmHWM:");
    ResetPeak();
    // HEIC and PNG take longer to decode than a JPEG: pauses long enough for
    // the next picture to be decoded while one is on screen, as a show's
    // pauses of several seconds are.
    const Decoded heic = TimeDecode(dir + "/photo24.heic", ld::DisplayTarget{kScreen, 0, 16}, 1);
    const Decoded png = TimeDecode(dir + "/photo24.png", ld::DisplayTarget{kScreen, 0, 16}, 1);
    mixedPause =
        std::max(300, static_cast<int>(std::ceil(std::max(heic.ms, png.ms) * 1.5 / 100)) * 100);
    mixedGaps =
        Gaps(real, dir, "mixed", {"photo24.heic", "photo24.png", "photo24.jpg"}, 13, mixedPause);
    // The closed window's prefetch may still be decoding a HEIC on its own
    // thread: let it end, so that the zoom below is measured alone.
    QThread::msleep(static_cast<unsigned long>(mixedPause));
    mixedPeakMb = StatusMb("VmHWM:");
    ResetPeak();
  }
  const QString links = dir + "/show";

  // --- zoom frames from the turned 24 Mpx picture, zoom to 32 tenths ---
  std::vector<double> paints;
  std::vector<QRect> frameRects;  // Image2's geometry at each paint of the zoom
  int frames = 0;
  double zoomMs = 0;
  ZoomDraws draws;
  double peakMb = 0;
  DumpResident("the zoom's start");
  const double beforeZoomMb = StatusMb("VmRSS:");
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
    w.catalogue.AppendCatalogueEntry(links, QStringLiteral("p01.jpg"));
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
    // The window's own hook (the paint lets the next picture's decode
    // start) is kept and called first.
    w.Image2->on_painted = [&, shown = w.Image2->on_painted](double ms) {
      if (shown) shown(ms);
      if (!zooming) return;
      paints.push_back(ms);
      if (frameRects.empty() || frameRects.back() != w.Image2->geometry())
        frameRects.push_back(w.Image2->geometry());
      if (w.Show().PendingShowPause() == 0) ++frames;
      zoomMs = zoomClock.nsecsElapsed() / 1e6;
    };
    QTimer::singleShot(0, &w, [&] { w.ShowNextPicture(); });
    QTimer::singleShot(60000, qApp, [] { QCoreApplication::quit(); });
    qApp->exec();
    w.Show().on_pause_over = nullptr;
    w.Image2->on_painted = nullptr;
    // The show's peak, before the measurements below add their own images.
    peakMb = StatusMb("VmHWM:");
    DumpResident("the zoom's end");
    draws = RedrawZoomFrames(*w.Image2, frameRects);
  }

  if (!zoomOnly) {
    std::printf(
        "show offscreen at 1920 x 1080, 24 Mpx pictures (upright and orientation 6 in turn)\n");
    GapLine("  end of pause to next picture painted", gaps);
    std::printf("show with HEIC, PNG and JPEG in turn, %d ms pauses\n", mixedPause);
    GapLine("  end of pause to next picture painted", mixedGaps);
  }
  std::printf(
      "zoom to 32 tenths of the screen's width, 120 steps, of a turned 24 Mpx picture "
      "(orientation 6; the next one, upright, decoded whole meanwhile)\n");
  std::printf(
      "%-44s %8.1f ms   %-26s %8.1f ms   %s  (median of %zu paints, %d frames in %.0f ms = %.0f "
      "fps)\n",
      "  zoom frame paint in the show, smooth", Median(paints), "goal at most", 8.0,
      Met(Median(paints) <= 8), paints.size(), frames, zoomMs,
      zoomMs > 0 ? frames * 1000.0 / zoomMs : 0.0);
  std::printf(
      "zoom frames drawn again into a 1920 x 1080 image, %zu frames from the %d x %d picture%s\n",
      draws.smoothMs.size(), draws.source.width(), draws.source.height(),
      draws.reduced ? " and its reduced copies" : "");
  std::printf(
      "  smooth draw (area average, nearest larger copy) median %5.1f ms  max %5.1f ms  (goal at "
      "most 8 ms) %s\n",
      Median(draws.smoothMs), Max(draws.smoothMs), Met(Median(draws.smoothMs) <= 8));
  std::printf("  nearest-pixel draw from the picture (former)   median %5.1f ms  max %5.1f ms\n",
              Median(draws.nearestMs), Max(draws.nearestMs));
  std::printf(
      "  PSNR against the exact area average of the same rectangle, %zu sampled frames (min):\n"
      "    QImage::scaled(SmoothTransformation) %.1f dB, smooth draw %.1f dB, nearest pixel %.1f "
      "dB\n    worst gap smooth draw to QImage::scaled %.2f dB (goal at most 1 dB) %s\n",
      draws.qtDb.size(), Min(draws.qtDb), Min(draws.smoothDb), Min(draws.nearestDb),
      draws.worstGapDb, Met(draws.worstGapDb <= 1));
  std::printf(
      "  PSNR of the smooth draw against QImage::scaled(SmoothTransformation) itself, min %.1f "
      "dB, median %.1f dB   reference: QImage::scaled against the exact average, min %.1f dB, "
      "median %.1f dB   (for information: no goal)\n",
      Min(draws.smoothToQtDb), Median(draws.smoothToQtDb), Min(draws.qtDb), Median(draws.qtDb));
  std::printf("%-44s %8.0f MB   %-26s %8.0f MB   %s  (resident before it: %.0f MB)\n",
              "  peak resident size, the zoom", peakMb, "goal at most", 260.0, Met(peakMb <= 260),
              beforeZoomMb);
  if (!zoomOnly) {
    std::printf("%-44s %8.0f MB   %-26s %8.0f MB   %s\n",
                "  peak resident size, upright and turned JPEG", gapsPeakMb, "goal at most", 260.0,
                Met(gapsPeakMb <= 260));
    std::printf("%-44s %8.0f MB   (HEIC and PNG are not 24 Mpx JPEGs; for information)\n",
                "  peak resident size, HEIC, PNG and JPEG", mixedPeakMb);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s generate|decode|show|zoom DIR\n", argv[0]);
    return 2;
  }
  const std::string mode = argv[1];
  if (mode == "show" || mode == "zoom") {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return Show(QString::fromLocal8Bit(argv[2]), mode == "zoom");
  }
  QCoreApplication app(argc, argv);
  if (mode == "generate") return Generate(QString::fromLocal8Bit(argv[2]));
  if (mode == "decode") return Decode(QString::fromLocal8Bit(argv[2]));
  return 2;
}
