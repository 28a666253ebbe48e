// The display of one picture: the phases of its effect, each placing the
// picture and waiting its pause, and the zoom's frames, one per turn of the
// event loop.
#include "platform/Paths.h"
#include "show/KeyCodes.h"
#include "show/SlideShow.h"

namespace ld {

// One picture's display in progress: the phases of its effect, then `done`.
struct SlideShow::DisplayRun {
  enum class Phase { Fit, Fill, Zoom, ZoomPause, Done };
  Phase phase = Phase::Fit;
  EffectPlan plan;
  int W = 0, H = 0;  // the picture's own size
  int w = 0;         // width left by the last phase
  int w0 = 0, wmax = 0, i = 0;
  std::function<void()> done;
};

namespace {
const QColor kRed(255, 0, 0);
constexpr int kRedScreenMs = 2000;
}  // namespace

void SlideShow::ShowPicture(const QString& path, std::function<void()> done) {
  // Whatever does not paint a new picture lets the next decode start now.
  auto unpainted = [&] {
    StartPendingPrefetch();
    done();
  };
  // Step 1: with the panel open a browsed picture is only placed, in its own
  // fit rectangle (never stretched into the previous picture's, which may be
  // a zoom frame larger than the screen).
  if (controls_.PanelOpen() && !replaying_history_) {
    PlaceBrowsedPicture();
    return done();
  }
  // Step 2.
  if (!IsExistingFile(path)) {
    if (!host_window_) emit catalogueOutdated(path, false);
    return unpainted();
  }
  // Step 3: a history step only sounds the tone.
  if (last_key_ == keys::kHistoryStep) {
    PlaceBrowsedPicture();
    emit toneWanted(640, 20, 30);
    last_key_ = 0;
    return done();
  }
  // Step 4.
  if (LowerExtension(path) == QLatin1String(".mp4")) return unpainted();
  // Step 5.
  emit windowColourChanged(Qt::black);
  const int W = picture_size_.width(), H = picture_size_.height();
  // Step 6: nothing could be decoded: a red screen for two seconds, while
  // the keys and the timer keep working.
  if (W <= 0 || H <= 0) {
    emit windowColourChanged(kRed);
    StartPendingPrefetch();  // nothing is painted
    ScheduleShow(kRedScreenMs, std::move(done));
    return;
  }
  const ShowSettings s = controls_.CurrentShowSettings();
  auto run = std::make_shared<DisplayRun>();
  run->plan = PlanForEffect(s.target.effect, s.durations);
  run->W = W;
  run->H = H;
  run->done = std::move(done);
  // The previous picture kept (another format): no new paint to wait for.
  if (!new_picture_) StartPendingPrefetch();
  RunPhase(run);
}

void SlideShow::PlaceBrowsedPicture() {
  const int W = picture_size_.width(), H = picture_size_.height();
  const QSize screen = controls_.CurrentShowSettings().target.screen;
  if (W > 0 && H > 0) emit picturePlaced(FitRect(screen.width(), screen.height(), W, H));
}

void SlideShow::RunPhase(std::shared_ptr<DisplayRun> run) {
  using Phase = DisplayRun::Phase;
  // The settings of now: they may change during a pause.
  const ShowSettings s = controls_.CurrentShowSettings();
  const int sw = s.target.screen.width(), sh = s.target.screen.height();
  // Each phase places the picture and then waits its pause; a pause under
  // 100 ms is none, so the next phase follows at once.
  auto pauseThen = [&](int ms) {
    const int wait = PauseMs(ms);
    if (wait <= 0) return false;
    ScheduleShow(wait, [this, run] { RunPhase(run); });
    return true;
  };
  for (;;) {
    switch (run->phase) {
      case Phase::Fit:
        run->phase = Phase::Fill;
        if (run->plan.fit) {
          const QRect r = FitRect(sw, sh, run->W, run->H);
          emit picturePlaced(r);
          run->w = r.width();
          if (pauseThen(run->plan.pauseAfterFit)) return;
        }
        break;
      case Phase::Fill:
        run->phase = Phase::Zoom;
        if (run->plan.fill) {
          const QRect r = FillRect(sw, sh, run->W, run->H, s.haut);
          emit picturePlaced(r);
          run->w = r.width();
          if (pauseThen(run->plan.pauseAfterFill)) return;
        }
        break;
      case Phase::Zoom:
        if (!run->plan.zoom) {
          run->phase = Phase::Done;
          break;
        }
        // The panel opened during the first pause: no zoom.
        if (controls_.PanelOpen() && !replaying_history_) {
          run->phase = Phase::Done;
          break;
        }
        run->w0 = run->w;
        run->wmax = ZoomMaxWidth(sw, s.target.zoom_max10);
        run->i = 0;
        ZoomFrame(run);
        return;
      case Phase::ZoomPause:
        run->phase = Phase::Done;
        if (pauseThen(run->plan.pauseAfterZoom)) return;
        break;
      case Phase::Done: {
        auto done = std::move(run->done);
        run->done = nullptr;
        if (done) done();
        return;
      }
    }
  }
}

void SlideShow::ZoomFrame(std::shared_ptr<DisplayRun> run) {
  // One frame per turn of the event loop, as fast as they can be drawn; a
  // key release ends the zoom, and the flag is cleared for the final pause.
  if (run->w < run->wmax && !stop_requested_) {
    const ShowSettings s = controls_.CurrentShowSettings();
    emit fastScalingChanged(true);
    emit picturePlaced(ZoomFrameRect(s.target.screen.width(), s.target.screen.height(), run->W,
                                     run->H, run->w, s.haut));
    run->w = ZoomFrameWidth(run->w0, run->wmax, s.inc_dx, run->i);
    ++run->i;
    ScheduleShow(0, [this, run] { ZoomFrame(run); });
    return;
  }
  emit fastScalingChanged(false);
  stop_requested_ = false;
  run->phase = DisplayRun::Phase::ZoomPause;
  RunPhase(run);
}

}  // namespace ld
