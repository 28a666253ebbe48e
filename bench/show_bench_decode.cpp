// The show benchmark's decode figures: picture ready and full decodes
// against djpeg of the same file, interleaved, and the memory they take.
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
#include "bench/show_bench.h"
#include "platform/PictureDecoder.h"
#include "platform/ui/UiServices.h"
#include "show/PicturePrefetcher.h"
#include "show/ui/PictureView.h"

extern char** environ;

namespace showbench {

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

}  // namespace showbench
