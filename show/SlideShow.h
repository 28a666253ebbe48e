#pragma once

#include <QColor>
#include <QImage>
#include <QObject>
#include <QRect>
#include <QSize>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "show/DisplayGeometry.h"
#include "show/PicturePrefetcher.h"
#include "show/Selection.h"

class QTimer;

namespace ld {

class Catalogue;
class IRandom;

// What the show reads from the panel's controls, taken afresh at each step
// (the user may change them while the show runs).
struct ShowSettings {
  SelectionSettings selection;
  DisplayTarget target;  // the screen, the effect of Rdg1, zoom_max10
  EffectDurations durations;
  int haut = 0;          // "_haut": the vertical offset of the fill and zoom
  int inc_dx = 0;        // zoom steps
  int caption_item = 0;  // the item of RadioGroup_titre_ecran
  bool show_date = false;
};

// The window's fields that the show reads and writes; the rest of the
// program (quit, settings, tools) reads them too.
struct ShowVariables {
  int& last_key;
  bool& stop_requested;
  bool& show_running;
  bool& replaying_history;
  int& history_position;
  int& sequential_index;
  QString& current_path;
};

// What the show asks of the window.
struct ShowQueries {
  std::function<ShowSettings()> settings;
  std::function<bool()> panel_open;
  // Drawn into another program's window: a missing file is skipped.
  std::function<bool()> host_window;
  // The history list (the window shows it in the panel).
  std::function<int()> history_count;
  std::function<QString(int)> history_at;
  // The current-directory list: the picture that replaces `chosen` (the
  // list is shortened), and the one it would give next without shortening.
  std::function<QString(const QString& chosen)> take_from_current_list;
  std::function<std::optional<QString>()> peek_current_list;
  // The catalogue is out of date: save, request a rebuild and quit; with
  // `notice`, the message on the missing file follows. May not return.
  std::function<void(const QString& path, bool notice)> reset_catalogue;
  // Runs fn as an entry point of its own: an ld::Error is reported and the
  // program goes on.
  std::function<void(const std::function<void()>& fn)> guarded;
};

// The run of the show, without a widget. A run is a chain of steps on the Qt
// event loop: each pause is one single-shot timer, each zoom frame one turn
// of the loop; nothing sleeps and no event loop is nested. Starting a new
// run abandons the old one: its pending step is dropped.
//
// A forward step chooses the next catalogue position (or the
// current-directory list's picture), writes it into the history, decodes
// the picture on the prefetcher's worker, then places it phase by phase
// with its pauses and zoom frames. With the panel open the run browses the
// history instead. The window turns the signals into widget changes and
// reports each paint of the picture (PicturePainted); once the picture is
// on screen the next one is decoded ahead.
class SlideShow : public QObject {
  Q_OBJECT
 public:
  SlideShow(const Catalogue& catalogue, IRandom& random, ShowVariables vars, ShowQueries queries,
            PicturePrefetcher::Decoder decoder = DecodePictureFile, QObject* parent = nullptr);
  ~SlideShow() override;

  // A new run: a fresh group, the generator re-seeded, the history
  // overwritten from slot 0; then the first step at once (nothingToShow
  // when the catalogue is empty).
  void Start();
  // The run in progress stops where it is (a replay ends as it would have).
  void Abandon();
  // A key other than the show's own: a browsing run waiting for a key stops
  // now; a forward run stops after the picture on screen (stop_requested).
  void KeyInterrupt();
  // Shows the history entries from the current position to the newest, then
  // runs `done`.
  void Replay(std::function<void()> done);
  // The picture of path, decoded on the prefetcher's worker, becomes the
  // current picture (pictureDecoded); then `then` runs, at once when the
  // picture was decoded ahead, else at the turn of the event loop that
  // brings its decode's end. After picture_time_limit_ms it is given up as
  // undecodable.
  void LoadPicture(const QString& path, std::function<void()> then = nullptr);
  // Starts the display of the picture just loaded; `done` runs when its
  // pauses and zoom are over (never if the run is abandoned first).
  void ShowPicture(const QString& path, std::function<void()> done);

  // True while a run or a replay is under way.
  bool Active() const { return run_active_ || replay_active_; }
  // The window painted the current picture. The next picture's decode
  // starts once this paint is flushed, so it never competes with it.
  void PicturePainted();

  // Runs the pending step at once, as if its pause were over (while a
  // picture is awaited: one turn of the event loop, waiting for an event);
  // false when nothing is pending. The pause the pending step waits for, in
  // ms (0 while a picture is awaited); -1 when nothing is pending.
  bool AdvanceShow();
  int PendingShowPause() const;
  // Whether the show waits for a picture being decoded.
  bool AwaitingPicture() const { return awaited_.has_value(); }

  void SetDecoder(PicturePrefetcher::Decoder decoder);
  const QString& LastShownPath() const { return last_shown_path_; }

  // The decode of the next picture starts while the current one is on
  // screen; once its pause is over the show waits at most this long more,
  // then gives the picture up (its decode is cancelled) and shows the red
  // screen: the current picture never stays more than 2 s past its pause.
  int picture_time_limit_ms = 1800;
  // Measurement hooks (benchmark): after each paint of the picture, and
  // when a pause is over, before the step that follows it.
  std::function<void()> on_picture_painted;
  std::function<void()> on_pause_over;

 signals:
  void nothingToShow();
  void runStarting();
  // The run ended by itself (a key, an error): not emitted by Abandon.
  void runStopped();
  void historyWritten(int index, const QString& path);  // index == count: appended
  void sequentialIndexShown(int index);
  void positionShown(int position, int count);
  void browsed(int position, int count, bool newerEntries);
  void captionChanged(const QString& text);
  void dateWanted();
  void pictureDecoded(const QImage& image, QSize ownSize);
  void picturePlaced(const QRect& rect);
  void fastScalingChanged(bool fast);
  void windowColourChanged(const QColor& colour);
  void toneWanted(int frequency, int ms, int amplitude);
  // The picture's display is over: its directory and name go to the panel.
  void pictureShown(const QString& path);
  void replayStarted();
  // abandoned: the panel was closed while the replay ran.
  void replayEnded(bool abandoned);

 private:
  struct DisplayRun;
  void EndRun();
  void ScheduleShow(int ms, std::function<void()> step);
  void RunPendingShowStep();
  void LoopStep();
  void ForwardStep();
  void BrowsingStep();
  void AfterShowStep();
  void ReplayEntry(int j, int count, std::function<void()> done);
  void FinishReplay();
  void PlaceBrowsedPicture();
  void RunPhase(std::shared_ptr<DisplayRun> run);
  void ZoomFrame(std::shared_ptr<DisplayRun> run);
  void RunStep(const std::function<void()>& step);
  std::unique_ptr<PicturePrefetcher> MakePrefetcher(PicturePrefetcher::Decoder decoder);
  void TakeAwaitedPicture();
  void DecodeTooLong();
  void HandOver(const QString& path, DecodedPicture picture, std::function<void()> then);
  std::optional<QString> PeekNextForwardPath(const ShowSettings& s);
  void StartPendingPrefetch();

  const Catalogue& catalogue_;
  IRandom& random_;
  ShowVariables v_;
  ShowQueries q_;
  PictureSelection selection_;
  int history_slot_ = -1;
  QString last_shown_path_;
  QSize picture_size_{0, 0};  // the current picture's own size
  bool new_picture_ = false;  // the last load handed a new picture over
  int missing_in_a_row_ = 0;  // pictures skipped as missing since the last one found
  QTimer* timer_ = nullptr;
  std::function<void()> step_;
  bool run_active_ = false;
  bool replay_active_ = false;
  bool browsing_idle_ = false;
  // The picture being decoded that the show waits for, and what follows it.
  struct AwaitedPicture {
    QString path;
    DisplayTarget target;
    std::function<void()> then;
  };
  std::optional<AwaitedPicture> awaited_;
  QTimer* decode_limit_ = nullptr;
  // The next picture's decode, waiting for the current one to be painted.
  std::function<void()> pending_prefetch_;
  bool prefetch_queued_ = false;
  std::unique_ptr<PicturePrefetcher> prefetcher_;
};

}  // namespace ld
