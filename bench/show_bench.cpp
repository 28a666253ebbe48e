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
#include "bench/show_bench.h"

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
#include "bench/zoom_run.h"
#include "platform/Allocator.h"
#include "platform/PictureDecoder.h"
#include "platform/ui/UiServices.h"
#include "show/PicturePrefetcher.h"
#include "show/ui/PictureView.h"

namespace showbench {

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
    w.Show().SetSequentialIndex(pictures - 1);
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
    w.show();
    bench::SetZoomRun(w);
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

}  // namespace showbench

using namespace showbench;

int main(int argc, char** argv) {
  ld::TuneAllocator();  // as the program does, so that the resident sizes are its own
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
