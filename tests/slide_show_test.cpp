// The show engine on its own: no widget, a decoder and a random source of
// the test's, the window's side played by plain variables.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "catalogue/Catalogue.h"
#include "show/SlideShow.h"
#include "support/DecodeGate.h"
#include "support/Recording.h"
#include "support/TempData.h"

using namespace ld;
using namespace ld::testing;

namespace {

// Lets events through until pred holds or ms have passed.
bool WaitUntil(const std::function<bool()>& pred, int ms = 5000) {
  QElapsedTimer t;
  t.start();
  while (!pred()) {
    if (t.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

// Each decode gives a picture of 400 x 300 (landscape) or 300 x 400 (a name
// starting with "t") stamped with its serial number; the calls are recorded.
struct Decoder {
  struct Call {
    QString name;
    std::thread::id thread;
    int serial;
  };
  std::mutex m;
  std::vector<Call> calls;

  PicturePrefetcher::Decoder Make() {
    return [this](const QString& path, const DecodeLimits&) {
      const QString name = path.section('/', -1);
      const bool tall = name.startsWith('t');
      DecodedPicture d;
      d.image = QImage(tall ? 30 : 40, tall ? 40 : 30, QImage::Format_RGB32);
      d.ownSize = tall ? QSize(300, 400) : QSize(400, 300);
      std::lock_guard lock(m);
      calls.push_back({name, std::this_thread::get_id(), int(calls.size())});
      d.image.setText("serial", QString::number(calls.back().serial));
      return d;
    };
  }
  std::vector<Call> Of(const QString& name) {
    std::lock_guard lock(m);
    std::vector<Call> out;
    for (const Call& c : calls)
      if (c.name == name) out.push_back(c);
    return out;
  }
};

// Runs the pending zero-length steps (a decode being waited for, the turn
// between two pictures) until a real pause or nothing is pending.
void ToPause(SlideShow& s) {
  for (int i = 0; i < 10000 && s.PendingShowPause() == 0; ++i) s.AdvanceShow();
}

// The window's side: its settings, its panel, its guard.
struct Rig : ShowControls {
  explicit Rig(const QStringList& names) {
    for (const QString& n : names) {
      WriteBytes(dir.path() + '/' + n, "x");
      catalogue.AppendCatalogueEntry(dir.path(), n);
    }
    settings.selection.random = false;
    settings.target = DisplayTarget{QSize(1920, 1080), 0, 16};
    settings.durations.dt0_a = 250;
    settings.inc_dx = 10;
    settings.caption_item = 1;
    show = std::make_unique<SlideShow>(catalogue, random, *this, decoder.Make());
    QObject::connect(show.get(), &SlideShow::catalogueOutdated,
                     [] { FAIL() << "no file is missing here"; });
  }
  QString Path(const QString& name) const { return dir.path() + '/' + name; }
  ShowSettings CurrentShowSettings() const override { return settings; }
  bool PanelOpen() const override { return false; }
  void RunGuarded(const std::function<void()>& fn) override { fn(); }

  QTemporaryDir dir;
  Catalogue catalogue;
  ScriptedRandom random;
  Decoder decoder;
  ShowSettings settings;
  std::unique_ptr<SlideShow> show;
};

}  // namespace

TEST(SlideShow, ARunShowsThePicturesInOrderWithTheirPauses) {
  Rig r({"a.jpg", "t.jpg", "c.jpg"});
  SlideShow& s = *r.show;
  QSignalSpy placed(&s, &SlideShow::picturePlaced);
  QSignalSpy captions(&s, &SlideShow::captionChanged);
  QSignalSpy shown(&s, &SlideShow::pictureShown);
  QSignalSpy stopped(&s, &SlideShow::runStopped);
  s.SetSequentialIndex(1);
  s.Start();
  ToPause(s);
  // Position 2, the first picture, fitted; 250 ms waits 200.
  EXPECT_EQ(s.CurrentPath(), r.Path("c.jpg"));
  ASSERT_EQ(placed.size(), 1);
  EXPECT_EQ(placed[0][0].toRect(), QRect(240, 0, 1440, 1080));
  EXPECT_EQ(captions[0][0].toString(),
            QString("(2/3)  ") + r.dir.path().section('/', -1).replace('.', ' '));
  EXPECT_EQ(s.PendingShowPause(), 200);
  EXPECT_TRUE(shown.isEmpty());
  // The pause ends by itself, on the timer; the catalogue wraps to 0.
  ASSERT_TRUE(WaitUntil([&] { return shown.size() == 1; }));
  ToPause(s);
  EXPECT_EQ(s.CurrentPath(), r.Path("a.jpg"));
  EXPECT_EQ(placed.size(), 2);
  EXPECT_EQ(shown[0][0].toString(), r.Path("c.jpg"));
  EXPECT_EQ(s.LastShownPath(), r.Path("c.jpg"));
  // Effect 2: fit, 300 ms; fill with the top edge 40 % of the way, 400 ms.
  r.settings.target.effect = 2;
  r.settings.durations.dt2_a = 300;
  r.settings.durations.dt2_b = 499;
  r.settings.haut = 40;
  ASSERT_TRUE(s.AdvanceShow());  // the pause over
  ToPause(s);                    // the next step
  EXPECT_EQ(s.CurrentPath(), r.Path("t.jpg"));
  EXPECT_EQ(placed.last()[0].toRect(), QRect(555, 0, 810, 1080));
  EXPECT_EQ(s.PendingShowPause(), 300);
  s.AdvanceShow();
  EXPECT_EQ(placed.last()[0].toRect(), QRect(0, -444, 1920, 2560));
  EXPECT_EQ(s.PendingShowPause(), 400);
  EXPECT_EQ(s.History().Entries(),
            (QStringList{r.Path("c.jpg"), r.Path("a.jpg"), r.Path("t.jpg")}));
  EXPECT_EQ(s.HistoryPosition(), 2);
  EXPECT_EQ(s.SequentialIndex(), 1);
  // Another key: the run stops once the pause is over, the window told once.
  s.RequestStop();
  s.KeyInterrupt();
  EXPECT_TRUE(s.Active());
  s.AdvanceShow();
  s.AdvanceShow();
  EXPECT_FALSE(s.Active());
  EXPECT_EQ(stopped.size(), 1);
  EXPECT_EQ(s.PendingShowPause(), -1);
}

TEST(SlideShow, TheNextPictureIsDecodedAheadOnceOffThisThreadAfterThePaint) {
  Rig r({"a.jpg", "b.jpg"});
  r.settings.durations.dt0_a = 60000;  // never ends by itself here
  SlideShow& s = *r.show;
  s.SetSequentialIndex(1);  // a, then b
  QSignalSpy decoded(&s, &SlideShow::pictureDecoded);
  s.Start();
  ToPause(s);
  ASSERT_EQ(s.CurrentPath(), r.Path("a.jpg"));
  ASSERT_EQ(decoded.size(), 1);
  // Not before the picture on screen is painted: the decode would compete
  // with the paint.
  WaitUntil([] { return false; }, 100);
  EXPECT_TRUE(r.decoder.Of("b.jpg").empty());
  s.PicturePainted();
  s.PicturePainted();  // a second paint (a zoom frame) asks for nothing more
  ASSERT_TRUE(WaitUntil([&] { return !r.decoder.Of("b.jpg").empty(); }))
      << "b was not decoded while a was on screen";
  WaitUntil([] { return false; }, 50);
  const auto ahead = r.decoder.Of("b.jpg");
  ASSERT_EQ(ahead.size(), 1u);
  EXPECT_NE(ahead[0].thread, std::this_thread::get_id());
  // Its turn: the picture decoded ahead is the one shown, not decoded again.
  s.AdvanceShow();
  ToPause(s);
  ASSERT_EQ(s.CurrentPath(), r.Path("b.jpg"));
  ASSERT_EQ(decoded.size(), 2);
  EXPECT_EQ(decoded[1][0].value<QImage>().text("serial").toInt(), ahead[0].serial);
  EXPECT_EQ(r.decoder.Of("b.jpg").size(), 1u);
  EXPECT_EQ(r.decoder.Of("a.jpg").size(), 1u);
}

TEST(SlideShow, DrawnIntoAHostWindowMissingPicturesAreSkippedWithoutSpinning) {
  Rig r({"a.jpg", "gone.jpg", "c.jpg"});
  r.show->SetHostWindow(true);
  QFile::remove(r.Path("gone.jpg"));
  SlideShow& s = *r.show;
  QSignalSpy decoded(&s, &SlideShow::pictureDecoded);
  s.SetSequentialIndex(2);  // a, gone, c
  s.Start();
  ToPause(s);
  ASSERT_EQ(s.CurrentPath(), r.Path("a.jpg"));
  s.AdvanceShow();
  ToPause(s);
  // The missing picture is passed over: c follows, nothing was reset.
  EXPECT_EQ(s.CurrentPath(), r.Path("c.jpg"));
  EXPECT_EQ(decoded.size(), 2);
  EXPECT_TRUE(s.Active());
  EXPECT_EQ(s.PendingShowPause(), 200);

  // Every picture gone (a drive unplugged): the show keeps trying, but
  // after a long run of misses only once a second.
  Rig all({"x.jpg", "y.jpg"});
  all.show->SetHostWindow(true);
  QFile::remove(all.Path("x.jpg"));
  QFile::remove(all.Path("y.jpg"));
  all.show->Start();
  ToPause(*all.show);
  EXPECT_TRUE(all.show->Active());
  EXPECT_EQ(all.show->PendingShowPause(), 1000);
  EXPECT_GE(all.show->History().Count(), 2);
}

TEST(SlideShow, EventsKeepTheirPaceWhileTheShowWaitsForAStalledDecode) {
  Rig r({"a.jpg"});
  SlideShow& s = *r.show;
  // a's decode does not end until released.
  auto gate = DecodeGate::Make();
  s.SetDecoder(DecodeGate::Wrap(
      gate, [](const QString&) { return true; }, r.decoder.Make()));
  QSignalSpy decoded(&s, &SlideShow::pictureDecoded);
  // A 10 ms timer ticks from before the run starts until 60 ticks have gone
  // by; the run starts from the event loop, as a key would start it.
  QElapsedTimer clock;
  std::vector<qint64> ticks;
  QEventLoop loop;
  QTimer tick;
  tick.setTimerType(Qt::PreciseTimer);
  QObject::connect(&tick, &QTimer::timeout, [&] {
    ticks.push_back(clock.elapsed());
    if (ticks.size() == 60) loop.quit();
  });
  clock.start();
  tick.start(10);
  QTimer::singleShot(5, &s, [&] { s.Start(); });
  loop.exec();
  tick.stop();
  // The show is still waiting for its picture, and the ticks kept their
  // pace: no stretch of waiting on the thread (a blocking wait would show
  // as gaps of its length at every turn).
  EXPECT_TRUE(decoded.isEmpty());
  EXPECT_TRUE(s.Active());
  EXPECT_EQ(s.PendingShowPause(), 0);
  std::vector<qint64> gaps;
  for (size_t i = 1; i < ticks.size(); ++i) gaps.push_back(ticks[i] - ticks[i - 1]);
  std::sort(gaps.begin(), gaps.end());
  EXPECT_LT(gaps[gaps.size() / 2], 30) << "median gap between 10 ms ticks";
  EXPECT_LT(gaps.back(), 150) << "longest gap between 10 ms ticks";
  // Released, the picture arrives by itself and is shown.
  gate->Open();
  ASSERT_TRUE(WaitUntil([&] { return decoded.size() == 1; }));
  EXPECT_EQ(s.PendingShowPause(), 200);
}
