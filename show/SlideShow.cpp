#include "show/SlideShow.h"

#include <QCoreApplication>
#include <QTimer>

#include "catalogue/Catalogue.h"
#include "platform/Error.h"
#include "platform/Paths.h"
#include "platform/Services.h"
#include "show/Captions.h"
#include "show/History.h"
#include "show/KeyCodes.h"

namespace ld {

namespace {
// Drawn into another program's window, missing pictures are skipped; after
// this many in a row the next try waits kMissingRetryMs.
constexpr int kMissingInARowBeforePause = 100;
constexpr int kMissingRetryMs = 1000;

}  // namespace

SlideShow::SlideShow(const Catalogue& catalogue, IRandom& random, ShowControls& controls,
                     PicturePrefetcher::Decoder decoder, QObject* parent)
    : QObject(parent),
      catalogue_(catalogue),
      random_(random),
      controls_(controls),
      prefetcher_(MakePrefetcher(std::move(decoder))) {
  timer_ = new QTimer(this);
  timer_->setObjectName(QStringLiteral("ShowTimer"));
  timer_->setSingleShot(true);
  // Pauses end when they should, not up to 5 % early or late.
  timer_->setTimerType(Qt::PreciseTimer);
  connect(timer_, &QTimer::timeout, this, [this] { RunPendingShowStep(); });
  // The longest wait for a picture being decoded: a timer, so that the
  // events flow meanwhile.
  decode_limit_ = new QTimer(this);
  decode_limit_->setSingleShot(true);
  // A coarse timer may fire up to 5 % early: the limit is a promise to the
  // decode, not a hint.
  decode_limit_->setTimerType(Qt::PreciseTimer);
  connect(decode_limit_, &QTimer::timeout, this, [this] { RunStep([this] { DecodeTooLong(); }); });
}

std::unique_ptr<PicturePrefetcher> SlideShow::MakePrefetcher(PicturePrefetcher::Decoder decoder) {
  // Each decode's end is posted to this thread; the picture awaited, if it
  // is the one, is then taken at that turn of the event loop.
  return std::make_unique<PicturePrefetcher>(std::move(decoder), [this] {
    QMetaObject::invokeMethod(
        this, [this] { RunStep([this] { TakeAwaitedPicture(); }); }, Qt::QueuedConnection);
  });
}

SlideShow::~SlideShow() = default;

void SlideShow::SetDecoder(PicturePrefetcher::Decoder decoder) {
  pending_prefetch_ = nullptr;
  prefetcher_ = MakePrefetcher(std::move(decoder));
}

// ---- the run ----------------------------------------------------------------

void SlideShow::RunPendingShowStep() {
  auto step = std::move(step_);
  step_ = nullptr;
  if (!step) return;
  if (timer_->interval() > 0 && on_pause_over) on_pause_over();
  RunStep(step);
}

void SlideShow::RunStep(const std::function<void()>& step) {
  // A step is an entry point of its own: an error ends the run, is
  // reported, and the program goes on.
  controls_.RunGuarded([&] {
    try {
      step();
    } catch (...) {
      EndRun();
      throw;
    }
  });
}

bool SlideShow::AdvanceShow() {
  if (awaited_) {
    // The picture's arrival is the step: one turn of the event loop, which
    // brings the decode's end or the time limit when nothing else comes.
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return true;
  }
  if (!timer_->isActive() || !step_) return false;
  timer_->stop();
  RunPendingShowStep();
  return true;
}

int SlideShow::PendingShowPause() const {
  if (awaited_) return 0;
  if (!timer_->isActive() || !step_) return -1;
  return timer_->interval();
}

void SlideShow::ScheduleShow(int ms, std::function<void()> step) {
  step_ = std::move(step);
  timer_->start(ms);
}

void SlideShow::Abandon() {
  timer_->stop();
  emit fastScalingChanged(false);
  step_ = nullptr;
  awaited_.reset();
  decode_limit_->stop();
  pending_prefetch_ = nullptr;
  browsing_idle_ = false;
  if (replay_active_) {
    // The panel is closed: what the replay would have ended with applies now.
    FinishReplay();
    show_running_ = true;
    emit replayEnded(true);
  }
  run_active_ = false;
}

// A run that ends by itself leaves the same state as one that is abandoned.
void SlideShow::EndRun() { Abandon(); }

void SlideShow::BeginRun(PictureSelection& selection, IRandom& random) {
  selection.StartRun();
  random.Reseed();
}

QString SlideShow::ChooseForwardPath(PictureSelection& selection, const Catalogue& catalogue,
                                     const SelectionSettings& s, IRandom& random,
                                     CurrentPictureList& list, bool take, int& index) {
  index = selection.NextPictureIndex(catalogue.Count(), s, random);
  // The current-directory list may name the picture instead.
  const std::optional<QString> listed = take ? list.Take() : list.Peek();
  return listed.value_or(catalogue.CataloguePath(index));
}

QString SlideShow::FirstForwardPath(const Catalogue& catalogue, const SelectionSettings& s,
                                    int sequentialIndex, IRandom& random) {
  if (catalogue.Count() == 0) return QString();
  PictureSelection selection;
  BeginRun(selection, random);
  selection.sequential_index = sequentialIndex;
  CurrentPictureList list;
  int index = 0;
  return ChooseForwardPath(selection, catalogue, s, random, list, false, index);
}

bool SlideShow::DecodesPicture(const QString& path) {
  // As LoadPicture decides: a missing file is skipped, another format keeps
  // the picture on screen.
  return IsExistingFile(path) && PictureFormatOf(path) != PictureFormat::Other;
}

void SlideShow::Start() {
  Abandon();
  // Step 1: a fresh group, the generator re-seeded, overwriting from slot 0.
  BeginRun(selection_, random_);
  stop_requested_ = false;
  history_.StartRun();
  // Step 2.
  if (catalogue_.Count() == 0) {
    emit nothingToShow();
    return;
  }
  // Step 3.
  emit runStarting();
  run_active_ = true;
  try {
    LoopStep();
  } catch (...) {
    EndRun();
    throw;
  }
}

void SlideShow::StartForward() {
  show_running_ = true;
  Start();
}

void SlideShow::StartBrowsing() {
  show_running_ = false;
  Start();
}

void SlideShow::Continue() {
  Replay([this] {
    show_running_ = true;
    emit forwardResumed();
    Start();
  });
}

void SlideShow::KeyReleased(int key) {
  stop_requested_ = true;
  last_key_ = key;
}

void SlideShow::KeyHandled() { last_key_ = 0; }

void SlideShow::RequestStop() { stop_requested_ = true; }

void SlideShow::ClearStopRequest() { stop_requested_ = false; }

void SlideShow::ClearReplayMark() { replaying_history_ = false; }

void SlideShow::LoadHistory(const QStringList& lines) {
  history_.Reset(lines);
  history_position_ = history_.Count() - 1;
}

void SlideShow::SetSequentialIndex(int index) { sequential_index_ = index; }

void SlideShow::SetHostWindow(bool host) {
  host_window_ = host;
  current_list_.KeepInMemory(host);
}

void SlideShow::KeyInterrupt() {
  if (run_active_ && browsing_idle_) {
    EndRun();
    emit runStopped();
  }
}

void SlideShow::LoopStep() {
  if (stop_requested_) {
    EndRun();
    emit runStopped();
    return;
  }
  if (show_running_)
    ForwardStep();
  else
    BrowsingStep();
}

void SlideShow::ForwardStep() {
  const int n = catalogue_.Count();
  const ShowSettings s = controls_.CurrentShowSettings();
  // Steps 1 and 2: the catalogue position, and the current-directory list
  // that may name the picture instead.
  selection_.sequential_index = sequential_index_;
  int i = 0;
  const QString path =
      ChooseForwardPath(selection_, catalogue_, s.selection, random_, current_list_, true, i);
  if (!s.selection.random) {
    sequential_index_ = selection_.sequential_index;
    emit sequentialIndexShown(sequential_index_);
  }
  current_path_ = path;
  // Step 3: the history.
  history_position_ = history_.Write(current_path_);
  // Steps 4 to 6.
  emit positionShown(history_position_, n);
  emit captionChanged(ForwardCaption(s.caption_item, i, n, current_path_));
  if (s.show_date) emit dateWanted();
  // Step 7. While this picture is on screen, the next one is decoded.
  LoadPicture(current_path_, [this] {
    pending_prefetch_ = [this] {
      if (!run_active_ || !show_running_) return;
      const ShowSettings s = controls_.CurrentShowSettings();
      if (const auto next = PeekNextForwardPath(s)) prefetcher_->Prefetch(*next, s.target);
    };
    ShowPicture(current_path_, [this] {
      AfterShowStep();
      // Skipped pictures follow one another at once, unless so many are
      // missing in a row (a drive unplugged) that trying at full speed would
      // only keep a core busy: then one try a second.
      ScheduleShow(missing_in_a_row_ >= kMissingInARowBeforePause ? kMissingRetryMs : 0,
                   [this] { LoopStep(); });
    });
  });
}

void SlideShow::AfterShowStep() {
  // Step 8.
  last_shown_path_ = current_path_;
  emit pictureShown(current_path_);
}

void SlideShow::BrowsingStep() {
  const int count = history_.Count();
  // Nothing changes until the next Left or Right, which starts a new run, so
  // after its step a browsing run waits for a key instead of spinning.
  browsing_idle_ = true;
  if (count == 0) return;
  const int n = catalogue_.Count();
  // Steps 1 and 2.
  const BrowseMove m = BrowseHistory(last_key_, history_position_, count);
  history_position_ = m.position;
  last_key_ = m.last_key;
  // Step 3.
  emit browsed(history_position_, n, m.newerEntries);
  current_path_ = history_.At(history_position_);
  emit positionShown(history_position_, n);
  // Step 4.
  if (current_path_ == last_shown_path_ && last_key_ != keys::kHistoryStep) return;
  browsing_idle_ = false;
  const ShowSettings s = controls_.CurrentShowSettings();
  emit captionChanged(BrowsingCaption(s.caption_item, history_position_, n, current_path_));
  if (s.show_date) emit dateWanted();
  LoadPicture(current_path_, [this] {
    ShowPicture(current_path_, [this] {
      AfterShowStep();
      if (stop_requested_) {
        EndRun();
        emit runStopped();
      } else {
        browsing_idle_ = true;
      }
    });
  });
}

std::optional<QString> SlideShow::PeekNextForwardPath(const ShowSettings& s) {
  const int n = catalogue_.Count();
  if (n == 0) return std::nullopt;
  selection_.sequential_index = sequential_index_;
  const int i = selection_.PeekNextIndex(n, s.selection, random_);
  // The current-directory list is read, never shortened, here.
  if (auto listed = current_list_.Peek()) return listed;
  return catalogue_.CataloguePath(i);
}

void SlideShow::PicturePainted() {
  if (on_picture_painted) on_picture_painted();
  // The paint is flushed to the screen after this returns: the decode starts
  // at the event loop's next turn.
  if (!pending_prefetch_ || prefetch_queued_) return;
  prefetch_queued_ = true;
  QTimer::singleShot(0, this, [this] {
    prefetch_queued_ = false;
    StartPendingPrefetch();
  });
}

void SlideShow::StartPendingPrefetch() {
  auto prefetch = std::move(pending_prefetch_);
  pending_prefetch_ = nullptr;
  if (prefetch) prefetch();
}

// ---- loading ------------------------------------------------------------------

void SlideShow::LoadPicture(const QString& path, std::function<void()> then) {
  // A prefetch still waiting for a paint would now ask for the wrong picture.
  pending_prefetch_ = nullptr;
  new_picture_ = false;
  if (!IsExistingFile(path)) {
    // Drawn into another program's window nothing is saved and nobody can
    // answer a message: the picture is skipped (its display does nothing)
    // and the show goes on with the next one.
    if (host_window_) {
      ++missing_in_a_row_;
      if (then) then();
      return;
    }
    // The catalogue is out of date: save, request a rebuild and quit. The
    // quit returns while the Space key is being handled.
    emit catalogueOutdated(path, true);
    if (then) then();
    return;
  }
  missing_in_a_row_ = 0;
  if (PictureFormatOf(path) == PictureFormat::Other) {  // the previous picture stays
    if (then) then();
    return;
  }
  // Decoded on the worker, never here: no open() of this thread can block
  // on a special file, and this thread never waits for a decode. A picture
  // decoded ahead is taken at once; any other arrives at a later turn of the
  // event loop, and one that takes too long is given up.
  const DisplayTarget target = controls_.CurrentShowSettings().target;
  prefetcher_->Prefetch(path, target);
  awaited_ = AwaitedPicture{path, target, std::move(then)};
  decode_limit_->start(picture_time_limit_ms);
  TakeAwaitedPicture();
}

void SlideShow::TakeAwaitedPicture() {
  if (!awaited_) return;
  std::optional<DecodedPicture> picture = prefetcher_->Take(awaited_->path, awaited_->target);
  if (!picture) {
    // Still being decoded: its end will be posted here. Otherwise the file
    // changed since it was asked for: it is asked for again.
    if (!prefetcher_->Decoding(awaited_->path, awaited_->target))
      prefetcher_->Prefetch(awaited_->path, awaited_->target);
    return;
  }
  decode_limit_->stop();
  AwaitedPicture a = std::move(*awaited_);
  awaited_.reset();
  HandOver(a.path, std::move(*picture), std::move(a.then));
}

void SlideShow::DecodeTooLong() {
  if (!awaited_) return;
  AwaitedPicture a = std::move(*awaited_);
  awaited_.reset();
  prefetcher_->Abandon(a.path, a.target);
  DecodedPicture picture;
  picture.error = QStringLiteral("Image trop longue à décoder : ") + a.path;
  HandOver(a.path, std::move(picture), std::move(a.then));
}

void SlideShow::HandOver(const QString& path, DecodedPicture picture, std::function<void()> then) {
  // A bitmap or icon whose content the reader rejects is reported, as the
  // platform's loader did; anything else that could not be decoded leaves
  // an empty picture (width 0), shown as a red screen.
  const PictureFormat format = PictureFormatOf(path);
  if ((format == PictureFormat::Bitmap || format == PictureFormat::Icon) &&
      picture.image.isNull() && picture.contentRejected)
    throw Error(picture.error);
  picture_size_ = picture.image.isNull() ? QSize(0, 0) : picture.ownSize;
  new_picture_ = !picture.image.isNull();
  {
    // Handed over, not kept: the window holds the only copy.
    const QImage image = std::move(picture.image);
    picture = DecodedPicture();
    emit pictureDecoded(image, picture_size_);
  }
  if (then) then();
}

// ---- the replay -----------------------------------------------------------------

void SlideShow::Replay(std::function<void()> done) {
  replaying_history_ = true;
  const int count = history_.Count();
  // Nothing newer than the position: replaying_history stays set, so a
  // history step with the panel open sounds its tone.
  if (count - history_position_ - 1 <= 0) return done();
  emit replayStarted();
  replay_active_ = true;
  ReplayEntry(std::max(history_position_, 0), count, std::move(done));
}

void SlideShow::ReplayEntry(int j, int count, std::function<void()> done) {
  if (j >= count || j >= history_.Count()) {
    FinishReplay();
    emit replayEnded(false);
    done();
    return;
  }
  const QString path = history_.At(j);
  emit captionChanged(ReplayCaption(path));
  auto next = [this, j, count, path, done = std::move(done)]() mutable {
    emit pictureShown(path);
    ScheduleShow(0, [this, j, count, done = std::move(done)]() mutable {
      ReplayEntry(j + 1, count, std::move(done));
    });
  };
  LoadPicture(path, [this, j, count, path, next = std::move(next)]() mutable {
    pending_prefetch_ = [this, j, count] {
      if (replay_active_ && j + 1 < count && j + 1 < history_.Count())
        prefetcher_->Prefetch(history_.At(j + 1), controls_.CurrentShowSettings().target);
    };
    ShowPicture(path, std::move(next));
  });
}

void SlideShow::FinishReplay() {
  replay_active_ = false;
  replaying_history_ = false;
}

}  // namespace ld
