// On-screen benchmark: what reaches a real X server's screen and when, seen
// through X DAMAGE events on a connection of its own (see x_damage_watch.h).
// Every mode needs $DISPLAY (bench/run_screen_bench.sh starts an Xvfb).
//
//   ld_screen_bench gap DIR [PICTURES] [PAUSE_MS]
//       The show at 1920 x 1080, effect 0, PAUSE_MS pauses (default 300),
//       PICTURES gaps (default 40) over links to DIR/photo24.jpg and
//       DIR/photo24_o6.jpg in turn. A gap runs from the end of a pause (the
//       window's on_pause_over hook) to the damage event after which the
//       damage received since then covers the whole rectangle of the new
//       picture. Reference, in the same process: a bare Qt window that shows
//       a ready 1920 x 1080 picture, from update() to the same damage.
//       Prints: "gap MEDIAN MAX N PAINT_MEDIAN" and "gapref MEDIAN MAX N".
//   ld_screen_bench zoom DIR
//       The zoom of DIR/photo24.jpg to 32 tenths of the screen's width: the
//       intervals between two frames' damage (a frame is the damage events
//       of one drawing, the last one with more = false) from the end of the
//       first pause to the end of the zoom. Reference: a bare Qt window that
//       redraws a ready 1920 x 1080 picture as fast as it can.
//       Prints: "zoom MEDIAN FRAMES" and "zoomref MEDIAN FRAMES".
//   ld_screen_bench start CMD [ARGS...]
//       Starts CMD with this environment and prints "start FIRST_DAMAGE_MS
//       PICTURE_MS": from just before the fork to the first drawing on the
//       screen, and to the damage after which five points around the
//       screen's centre show a picture's colours (StartToPicture).
//   ld_screen_bench tree DIR TARGET COUNT DIRS
//       COUNT symbolic links to TARGET in DIRS sub-directories of DIR.
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QRegion>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/ui/Tdiapo.h"
#include "bench/zoom_run.h"
#include "platform/ui/UiServices.h"
#include "x_damage_watch.h"

namespace {

const QSize kScreen(1920, 1080);

double Median(std::vector<double> v) {
  if (v.empty()) return -1;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}
double Max(const std::vector<double>& v) {
  return v.empty() ? -1 : *std::max_element(v.begin(), v.end());
}

// The time (ns) at which the damage received after `from` first covers
// `rect`, or -1.
int64_t CoveredAt(const std::vector<xbench::DamageEvent>& events, int64_t from, const QRect& rect) {
  QRegion damaged;
  for (const auto& e : events) {
    if (e.ns < from) continue;
    damaged += QRect(e.x, e.y, e.w, e.h);
    if ((QRegion(rect) - damaged).isEmpty()) return e.ns;
  }
  return -1;
}

// The end times of the frames drawn in [from, to): a frame ends with the
// event whose `more` is false.
std::vector<double> FrameIntervals(const std::vector<xbench::DamageEvent>& events, int64_t from,
                                   int64_t to) {
  std::vector<int64_t> ends;
  for (const auto& e : events)
    if (e.ns >= from && e.ns < to && !e.more) ends.push_back(e.ns);
  std::vector<double> out;
  for (size_t i = 1; i < ends.size(); ++i) out.push_back((ends[i] - ends[i - 1]) / 1e6);
  return out;
}

bool StartWatch(xbench::DamageWatch& watch, QWidget& w) {
  if (watch.Start(w.winId())) return true;
  std::fprintf(stderr, "%s\n", watch.error().c_str());
  return false;
}

// Lets the events through for ms (the window is mapped and drawn).
void Settle(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// A bare Qt window that paints one of two ready screen-sized pictures.
class BareWindow : public QWidget {
 public:
  BareWindow() {
    for (int i = 0; i < 2; ++i) {
      QImage img(kScreen, QImage::Format_RGB32);
      for (int y = 0; y < img.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x)
          row[x] = qRgb((x + 80 * i) & 255, (y + 40 * i) & 255, ((x ^ y) + 100 * i) & 255);
      }
      images_[i] = img;
    }
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(kScreen);
  }
  int current = 0;
  std::function<void()> on_painted;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.drawImage(0, 0, images_[current]);
    p.end();
    if (on_painted) on_painted();
  }

 private:
  QImage images_[2];
};

QStringList MakeLinks(const QString& dir, const QString& sub, const QStringList& targets, int n) {
  const QString links = dir + "/" + sub;
  QDir(links).removeRecursively();
  QDir().mkpath(links);
  QStringList names;
  for (int i = 0; i < n; ++i) {
    names << QStringLiteral("p%1.jpg").arg(i, 3, 10, QChar('0'));
    QFile::link(dir + "/" + targets[i % targets.size()], links + "/" + names.back());
  }
  return names;
}

int Gap(const QString& dir, int pictures, int pauseMs) {
  ld::RealServices real;
  // One more picture than gaps: the first one follows no pause.
  const QStringList names =
      MakeLinks(dir, "screen-gap", {"photo24.jpg", "photo24_o6.jpg"}, pictures + 1);
  std::vector<double> gaps, paints;
  {
    ld::Tdiapo w(real.services, QString(), kScreen);
    w.Timer1->stop();  // the mouse is not watched here
    w.Panel1->hide();
    w.CheckBox_rnd->setChecked(false);
    w.Rdg1->SetItemIndex(0);
    w.RadioGroup_titre_ecran->SetItemIndex(2);
    w.dt0_a = pauseMs;
    w.Show().SetSequentialIndex(names.size() - 1);
    for (const QString& name : names) w.catalogue.AppendCatalogueEntry(dir + "/screen-gap", name);
    xbench::DamageWatch watch;
    if (!StartWatch(watch, w)) return 1;
    w.show();
    Settle(300);
    std::vector<int64_t> pauseOver;
    std::vector<QRect> rects;
    int64_t lastPause = -1;
    w.Show().on_pause_over = [&] { lastPause = xbench::NowNs(); };
    w.Show().on_picture_painted = [&] {
      if (lastPause < 0) return;
      pauseOver.push_back(lastPause);
      rects.push_back(w.Image2->geometry());
      paints.push_back((xbench::NowNs() - lastPause) / 1e6);
      lastPause = -1;
      if (static_cast<int>(pauseOver.size()) >= pictures)
        QTimer::singleShot(200, qApp, [] { QCoreApplication::quit(); });
    };
    QTimer::singleShot(0, &w, [&] { w.ShowNextPicture(); });
    QTimer::singleShot(pictures * (pauseMs + 5000) + 30000, qApp, [] { QCoreApplication::quit(); });
    qApp->exec();
    w.Show().on_pause_over = nullptr;
    w.Show().on_picture_painted = nullptr;
    const auto events = watch.Events();
    watch.Stop();
    for (size_t i = 0; i < pauseOver.size(); ++i) {
      const int64_t at = CoveredAt(events, pauseOver[i], rects[i]);
      if (at >= 0) gaps.push_back((at - pauseOver[i]) / 1e6);
    }
  }
  std::printf("gap %.2f %.2f %zu %.2f\n", Median(gaps), Max(gaps), gaps.size(), Median(paints));

  // The reference: the same request for a new full-screen picture, with
  // nothing to decode or scale.
  std::vector<double> refGaps;
  {
    BareWindow b;
    xbench::DamageWatch watch;
    if (!StartWatch(watch, b)) return 1;
    b.show();
    Settle(300);
    std::vector<int64_t> asked;
    QTimer tick;
    tick.setInterval(100);
    QObject::connect(&tick, &QTimer::timeout, [&] {
      if (static_cast<int>(asked.size()) >= pictures) {
        tick.stop();
        QTimer::singleShot(200, qApp, [] { QCoreApplication::quit(); });
        return;
      }
      asked.push_back(xbench::NowNs());
      b.current ^= 1;
      b.update();
    });
    tick.start();
    qApp->exec();
    const auto events = watch.Events();
    watch.Stop();
    for (int64_t t : asked) {
      const int64_t at = CoveredAt(events, t, QRect(QPoint(0, 0), kScreen));
      if (at >= 0) refGaps.push_back((at - t) / 1e6);
    }
  }
  std::printf("gapref %.2f %.2f %zu\n", Median(refGaps), Max(refGaps), refGaps.size());
  return 0;
}

int Zoom(const QString& dir) {
  ld::RealServices real;
  const QStringList names = MakeLinks(dir, "screen-zoom", {"photo24.jpg"}, 2);
  std::vector<double> intervals;
  {
    ld::Tdiapo w(real.services, QString(), kScreen);
    bench::SetZoomRun(w);
    w.RadioGroup_titre_ecran->SetItemIndex(2);
    for (const QString& name : names) w.catalogue.AppendCatalogueEntry(dir + "/screen-zoom", name);
    xbench::DamageWatch watch;
    if (!StartWatch(watch, w)) return 1;
    w.show();
    Settle(300);
    int pausesOver = 0;
    bool zooming = false;
    std::vector<int64_t> painted;  // the end of each zoom frame's paint
    w.Show().on_pause_over = [&] {
      ++pausesOver;
      if (pausesOver == 1) {  // the first pause is over: the zoom starts
        zooming = true;
      } else if (pausesOver == 2) {  // the pause after the zoom is over
        QCoreApplication::quit();
      }
    };
    // A zoom frame is followed at once by the next step; the last, smooth
    // paint of the zoomed picture comes with the final pause and is left out.
    w.Image2->on_painted = [&](double) {
      if (zooming && w.Show().PendingShowPause() == 0) painted.push_back(xbench::NowNs());
    };
    QTimer::singleShot(0, &w, [&] { w.ShowNextPicture(); });
    QTimer::singleShot(60000, qApp, [] { QCoreApplication::quit(); });
    qApp->exec();
    w.Show().on_pause_over = nullptr;
    w.Image2->on_painted = nullptr;
    Settle(50);
    const auto events = watch.Events();
    watch.Stop();
    // Each frame's damage: the first complete drawing after its paint.
    std::vector<int64_t> ends;
    size_t k = 0;
    for (int64_t p : painted) {
      while (k < events.size() && (events[k].ns < p || events[k].more)) ++k;
      if (k == events.size()) break;
      ends.push_back(events[k].ns);
      ++k;
    }
    for (size_t i = 1; i < ends.size(); ++i) intervals.push_back((ends[i] - ends[i - 1]) / 1e6);
  }
  std::printf("zoom %.2f %zu\n", Median(intervals), intervals.size() + 1);

  std::vector<double> refIntervals;
  {
    BareWindow b;
    xbench::DamageWatch watch;
    if (!StartWatch(watch, b)) return 1;
    b.show();
    Settle(300);
    int frames = 0;
    const int64_t from = xbench::NowNs();
    // As the zoom does: the next frame is asked for once one is painted.
    b.on_painted = [&] {
      if (++frames >= 200) {
        QTimer::singleShot(100, qApp, [] { QCoreApplication::quit(); });
        return;
      }
      QTimer::singleShot(0, &b, [&] {
        b.current ^= 1;
        b.update();
      });
    };
    b.update();
    qApp->exec();
    b.on_painted = nullptr;
    refIntervals = FrameIntervals(watch.Events(), from, INT64_MAX);
  }
  std::printf("zoomref %.2f %zu\n", Median(refIntervals), refIntervals.size() + 1);
  return 0;
}

int Start(int argc, char** argv) {
  std::vector<std::string> args(argv + 2, argv + argc), env;
  for (char** e = environ; *e; ++e) env.emplace_back(*e);
  const int cx = kScreen.width() / 2, cy = kScreen.height() / 2;
  const std::vector<xbench::ScreenPoint> points{{cx, cy},
                                                {cx - 200, cy + 40},
                                                {cx + 200, cy + 40},
                                                {cx - 100, cy + 250},
                                                {cx + 100, cy + 250}};
  const xbench::StartTimes t = xbench::StartToPicture(args, env, points, 4, 20000);
  if (!t.error.empty()) {
    std::fprintf(stderr, "%s: %s\n", argv[2], t.error.c_str());
    return 1;
  }
  std::printf("start %.1f %.1f\n", t.firstDamageMs, t.pictureMs);
  return 0;
}

int Tree(const QString& dir, const QString& target, int count, int dirs) {
  QDir(dir).removeRecursively();
  const QByteArray t = QFileInfo(target).absoluteFilePath().toLocal8Bit();
  for (int d = 0; d < dirs; ++d) {
    const QString sub = QStringLiteral("%1/d%2").arg(dir).arg(d, 4, 10, QChar('0'));
    QDir().mkpath(sub);
    for (int i = d; i < count; i += dirs) {
      const QByteArray link = QStringLiteral("%1/IMG_%2.jpg").arg(sub).arg(i).toLocal8Bit();
      if (symlink(t.constData(), link.constData()) != 0) {
        std::perror(link.constData());
        return 1;
      }
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s gap|zoom DIR | start CMD... | tree DIR TARGET COUNT DIRS\n",
                 argv[0]);
    return 2;
  }
  const std::string mode = argv[1];
  if (mode == "start") return Start(argc, argv);
  if (mode == "tree" && argc == 6)
    return Tree(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                std::atoi(argv[4]), std::atoi(argv[5]));
  // A real X server: the window is drawn by the xcb platform, as the program is.
  qputenv("QT_QPA_PLATFORM", "xcb");
  QApplication app(argc, argv);
  const QString dir = QString::fromLocal8Bit(argv[2]);
  if (mode == "gap")
    return Gap(dir, argc > 3 ? std::atoi(argv[3]) : 40, argc > 4 ? std::atoi(argv[4]) : 300);
  if (mode == "zoom") return Zoom(dir);
  return 2;
}
