#pragma once

#include <QColor>
#include <QImage>
#include <QObject>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

#include "show/CurrentPictureList.h"
#include "show/DisplayGeometry.h"
#include "show/History.h"
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

// What the show asks of the window, afresh at each step: the controls'
// settings (the user may change them while the show runs), whether the
// panel is open, and how a step runs as an entry point of its own.
class ShowControls {
 public:
  virtual ~ShowControls() = default;
  virtual ShowSettings CurrentShowSettings() const = 0;
  virtual bool PanelOpen() const = 0;
  // Runs fn as an entry point of its own: an ld::Error is reported and the
  // program goes on.
  virtual void RunGuarded(const std::function<void()>& fn) = 0;
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
//
// The show owns its state: the history, the key last released, the stop
// request, the mode (forward or browsing), the replay mark, the history
// position, the sequential position and the current picture. The window
// reads them through the accessors and changes them only through the
// inputs below.
class SlideShow : public QObject {
  Q_OBJECT
 public:
  SlideShow(const Catalogue& catalogue, IRandom& random, ShowControls& controls,
            PicturePrefetcher::Decoder decoder = DecodePictureFile, QObject* parent = nullptr);
  ~SlideShow() override;

  // The picture that the first forward step of a fresh run chooses, with the
  // catalogue, the selection settings, the sequential position and the
  // current-directory list as they are, drawing from `random` as Start and
  // that step draw; the list is read, never shortened. Worked out by the
  // same code as the run's own step, so that an early decode of it is the
  // picture the run asks for.
  static QString FirstForwardPath(const Catalogue& catalogue, const SelectionSettings& selection,
                                  int sequentialIndex, IRandom& random);
  // Whether LoadPicture decodes the file at path (an existing file of a
  // picture format), rather than skipping it or keeping the picture shown.
  static bool DecodesPicture(const QString& path);

  // A new run: a fresh group, the generator re-seeded, the history
  // overwritten from slot 0; then the first step at once (nothingToShow
  // when the catalogue is empty). Start keeps the mode; StartForward shows
  // new pictures, StartBrowsing browses the history (the panel is open).
  void Start();
  void StartForward();
  void StartBrowsing();
  // The panel is closed: the newer history is shown again (Replay), then a
  // forward run starts (forwardResumed just before it).
  void Continue();
  // The run in progress stops where it is (a replay ends as it would have).
  void Abandon();
  // A key other than the show's own: a browsing run waiting for a key stops
  // now; a forward run stops after the picture on screen (StopRequested).
  void KeyInterrupt();

  // A key was released: it is the last key, and it asks the run (and a
  // catalogue scan) to stop. KeyHandled: the key has been acted on and
  // leaves no mark (QuitProgram and the browsing step look at it).
  void KeyReleased(int key);
  void KeyHandled();
  // The stop request, shared with the catalogue scan and the end signal:
  // one flag for all of them.
  void RequestStop();
  void ClearStopRequest();
  // The replay mark that an empty replay leaves set is cleared.
  void ClearReplayMark();
  // The history file's lines, as loaded: the position goes to the newest.
  void LoadHistory(const QStringList& lines);
  // The position of the sequential order (a saved setting).
  void SetSequentialIndex(int index);
  // Drawn into another program's window: a missing picture is skipped, and
  // the current-directory list is shortened in memory only.
  void SetHostWindow(bool host);

  const HistoryList& History() const { return history_; }
  // The history for a view to show (Qt's views take a model that is not
  // const; the list is read-only through it).
  QAbstractItemModel* HistoryModel() { return &history_; }
  int LastKey() const { return last_key_; }
  bool StopRequested() const { return stop_requested_; }
  bool ShowRunning() const { return show_running_; }
  bool ReplayingHistory() const { return replaying_history_; }
  int HistoryPosition() const { return history_position_; }
  int SequentialIndex() const { return sequential_index_; }
  const QString& CurrentPath() const { return current_path_; }
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
  // After Continue's replay, just before its forward run starts.
  void forwardResumed();
  // The catalogue is out of date (a picture of it has vanished): save,
  // request a rebuild and quit; with `notice`, the message on the missing
  // file follows. May not return.
  void catalogueOutdated(const QString& path, bool notice);

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
  // The start of a run and its forward step's choice, shared with
  // FirstForwardPath: the catalogue position in `index`, the picture
  // returned (the list's, taken or only read, when it names one).
  static void BeginRun(PictureSelection& selection, IRandom& random);
  static QString ChooseForwardPath(PictureSelection& selection, const Catalogue& catalogue,
                                   const SelectionSettings& s, IRandom& random,
                                   CurrentPictureList& list, bool take, int& index);

  const Catalogue& catalogue_;
  IRandom& random_;
  ShowControls& controls_;
  PictureSelection selection_;
  HistoryList history_;
  CurrentPictureList current_list_;
  int last_key_ = 0;
  bool stop_requested_ = false;
  bool show_running_ = true;
  bool replaying_history_ = false;
  int history_position_ = -1;
  int sequential_index_ = 0;
  QString current_path_;
  bool host_window_ = false;
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
