// The show of the main window: the show loop and the history, picture
// loading, the display effects and the zoom, the keys and the timer.
//
// A run of the show is a chain of steps on the Qt event loop. Each pause is
// one single-shot timer (show_timer_), each zoom frame one turn of the loop;
// nothing sleeps and no event loop is nested. Starting a new run abandons the
// old one: its pending step is dropped.
#include <QFileInfo>
#include <QFont>

#include "app/ui/Tdiapo.h"
#include "platform/DataDir.h"
#include "platform/Error.h"
#include "platform/Paths.h"
#include "platform/PictureDecoder.h"
#include "platform/TextFile.h"
#include "show/Captions.h"
#include "show/DisplayGeometry.h"
#include "show/History.h"
#include "show/PictureDate.h"
#include "show/PointerSpeed.h"
#include "show/Tone.h"

namespace ld {

// One picture's display in progress: the phases of its effect, then `done`.
struct Tdiapo::DisplayRun {
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
// The window waits for a picture being decoded at most this long at once
// (the first time a little longer, which is all a picture that was not
// prefetched usually needs); between two waits the keys and the timer run.
constexpr std::chrono::milliseconds kFirstWait(200), kWaitSlice(40);
}  // namespace

void Tdiapo::ConnectShowHandlers() {
  show_timer_ = new QTimer(this);
  show_timer_->setObjectName(QStringLiteral("ShowTimer"));
  show_timer_->setSingleShot(true);
  // Pauses end when they should, not up to 5 % early or late.
  show_timer_->setTimerType(Qt::PreciseTimer);
  connect(show_timer_, &QTimer::timeout, this, [this] { RunPendingShowStep(); });
  prefetcher_ = std::make_unique<PicturePrefetcher>();

  connect(Timer1, &QTimer::timeout, this, [this] { Guarded([this] { Timer1Timer(); }); });
  connect(Button_retour, &QPushButton::clicked, this,
          [this] { Guarded([this] { Button_retourClick(); }); });
  connect(Button_avance, &QPushButton::clicked, this,
          [this] { Guarded([this] { Button_avanceClick(); }); });
  connect(Panel_continuer, &ClickPanel::clicked, this,
          [this] { Guarded([this] { Panel_continuer_clik(); }); });
  connect(Button_close_param, &QPushButton::clicked, this,
          [this] { Guarded([this] { Button_close_paramClick(); }); });
  Image2->on_painted = [this](double) {
    if (on_picture_painted) on_picture_painted();
  };
}

// ---- the run ----------------------------------------------------------------

bool Tdiapo::ShowRunActive() const { return run_active_ || replay_active_; }

void Tdiapo::RunPendingShowStep() {
  auto step = std::move(show_step_);
  show_step_ = nullptr;
  if (!step) return;
  if (show_timer_->interval() > 0 && on_pause_over) on_pause_over();
  // A step is an entry point of its own: an error ends the run, shows its
  // text, and the program goes on.
  Guarded([&] {
    try {
      step();
    } catch (...) {
      EndRun();
      throw;
    }
  });
}

bool Tdiapo::AdvanceShow() {
  if (!show_timer_ || !show_timer_->isActive() || !show_step_) return false;
  show_timer_->stop();
  RunPendingShowStep();
  return true;
}

int Tdiapo::PendingShowPause() const {
  if (!show_timer_ || !show_timer_->isActive() || !show_step_) return -1;
  return show_timer_->interval();
}

void Tdiapo::ScheduleShow(int ms, std::function<void()> step) {
  show_step_ = std::move(step);
  show_timer_->start(ms);
}

void Tdiapo::AbandonRun() {
  show_timer_->stop();
  Image2->SetFastScaling(false);
  show_step_ = nullptr;
  browsing_idle_ = false;
  if (replay_active_) {
    // The panel is closed: what the replay would have ended with applies now.
    FinishReplay(replay_saved_top_);
    show_running = true;
    HidePointer();
  }
  run_active_ = false;
}

// A run that ends by itself leaves the same state as one that is abandoned.
void Tdiapo::EndRun() { AbandonRun(); }

void Tdiapo::ShowNextPicture() {
  AbandonRun();
  // Step 1: a fresh group, the generator re-seeded, overwriting from slot 0.
  selection.StartRun();
  stop_requested = false;
  services().random.Reseed();
  history_slot = -1;
  // Step 2.
  if (catalogue.Count() == 0) {
    if (host_window_mode_) {
      // No panel here: a word on what to do, in the middle of a black screen.
      SetWindowColour(Qt::black);
      Label1->clear();
      Label6->setText(
          QStringLiteral("Aucune image : lancez luminodrift pour choisir les répertoires"));
      Label6->adjustSize();
      Label6->move((width() - Label6->width()) / 2, height() / 3);
      Label6->show();
      return;
    }
    // Nothing to show: the panel stays open with the normal pointer so that
    // directories can be added.
    Panel1->show();
    RestorePointer();
    return;
  }
  // Step 3.
  Label6->hide();
  run_active_ = true;
  try {
    ShowLoopStep();
  } catch (...) {
    EndRun();
    throw;
  }
}

void Tdiapo::ShowLoopStep() {
  if (stop_requested) {
    // The run ends; the first one to end completes the window's creation.
    EndRun();
    FinishCreation();
    return;
  }
  if (show_running)
    ForwardStep();
  else
    BrowsingStep();
}

SelectionSettings Tdiapo::CurrentSelectionSettings() const {
  return SelectionSettings{CheckBox_rnd->isChecked(), rayon_rnd, nb_fouille};
}

DisplayTarget Tdiapo::CurrentDisplayTarget() const {
  return DisplayTarget{QSize(screen_width, screen_height), Rdg1->ItemIndex(), zoom_max10};
}

void Tdiapo::ForwardStep() {
  const int n = catalogue.Count();
  // Step 1.
  selection.sequential_index = sequential_index;
  const int i = selection.NextPictureIndex(n, CurrentSelectionSettings(), services().random);
  if (!CheckBox_rnd->isChecked()) {
    sequential_index = selection.sequential_index;
    const QString text = QString::number(sequential_index);
    if (Edit_indice_non_aleatoire->text() != text) {
      Edit_indice_non_aleatoire->setText(text);
      settings_changed = true;  // the position is saved at quit
    }
  }
  current_path = catalogue.CataloguePath(i);
  // Step 2: the current-directory list may name the picture instead.
  current_path = TakeFromCurrentDirectoryList(current_path);
  // Step 3: the history.
  const HistoryPlace place =
      PlaceInHistory(ListBox_passee->count(), history_list_limit, history_slot);
  if (place.append)
    ListBox_passee->addItem(current_path);
  else
    ListBox_passee->item(place.index)->setText(current_path);
  history_position = place.index;
  // Step 4.
  Label5->setText(QString::number(history_position));
  Label13->setText(QString::number(n) + QStringLiteral(" images"));
  // Step 5.
  Label1->setText(ForwardCaption(RadioGroup_titre_ecran->ItemIndex(), i, n, current_path));
  Label1->adjustSize();
  // Step 6.
  if (CheckBox_af_an->isChecked()) ShowPictureDate();
  // Step 7.
  LoadPicture(current_path, [this] {
    ShowPicture(current_path, [this] {
      AfterShowStep();
      ScheduleShow(0, [this] { ShowLoopStep(); });
    });
    // While this picture is on screen, the next one is decoded.
    PrefetchNextForward();
  });
}

void Tdiapo::AfterShowStep() {
  // Step 8.
  last_shown_path = current_path;
  Label_repertoire->setText(DirectoryPart(current_path));
  Label_nom_img->setText(FileNamePart(current_path));
}

void Tdiapo::BrowsingStep() {
  const int count = ListBox_passee->count();
  // Nothing changes until the next Left or Right, which starts a new run, so
  // after its step a browsing run waits for a key instead of spinning.
  browsing_idle_ = true;
  if (count == 0) return;
  const int n = catalogue.Count();
  // Steps 1 and 2.
  const BrowseMove m = BrowseHistory(last_key, history_position, count);
  history_position = m.position;
  last_key = m.last_key;
  QFont f = Button_avance->font();
  f.setBold(m.newerEntries);
  Button_avance->setFont(f);
  // Step 3.
  Label21->setText(QString::number(n) + QStringLiteral(" : ") + QString::number(history_position));
  current_path = ListBox_passee->item(history_position)->text();
  Label5->setText(QString::number(history_position));
  Label13->setText(QString::number(n) + QStringLiteral(" images"));
  // Step 4.
  if (current_path == last_shown_path && last_key != keys::kHistoryStep) return;
  browsing_idle_ = false;
  Label1->setText(
      BrowsingCaption(RadioGroup_titre_ecran->ItemIndex(), history_position, n, current_path));
  Label1->adjustSize();
  if (CheckBox_af_an->isChecked()) ShowPictureDate();
  LoadPicture(current_path, [this] {
    ShowPicture(current_path, [this] {
      AfterShowStep();
      if (stop_requested) {
        EndRun();
        FinishCreation();
      } else {
        browsing_idle_ = true;
      }
    });
  });
}

std::optional<QString> Tdiapo::PeekNextForwardPath() {
  const int n = catalogue.Count();
  if (n == 0) return std::nullopt;
  selection.sequential_index = sequential_index;
  const int i = selection.PeekNextIndex(n, CurrentSelectionSettings(), services().random);
  QString path = catalogue.CataloguePath(i);
  // The current-directory list is read, never shortened, here.
  if (auto lines = host_window_mode_ && host_current_list_
                       ? host_current_list_
                       : ReadTextLines(DataFile(QString::fromLatin1(files::kCurrentDirectoryList)));
      lines && lines->size() >= 2)
    path = JoinPath((*lines)[0], (*lines)[1]);
  return path;
}

void Tdiapo::PrefetchNextForward() {
  if (!run_active_ || !show_running) return;
  if (const auto next = PeekNextForwardPath()) prefetcher_->Prefetch(*next, CurrentDisplayTarget());
}

// ---- loading ------------------------------------------------------------------

void Tdiapo::SetPictureDecoder(PicturePrefetcher::Decoder decoder) {
  prefetcher_ = std::make_unique<PicturePrefetcher>(std::move(decoder));
}

void Tdiapo::LoadPicture(const QString& path, std::function<void()> then) {
  // The picture control always stretches its picture into its rectangle.
  if (!IsExistingFile(path)) {
    // Drawn into another program's window nothing is saved: the show goes
    // on with the next picture.
    if (host_window_mode_) return;
    // The catalogue is out of date: save, request a rebuild and quit. The
    // quit returns while the Space key is being handled.
    aPanel_sauve_param_et_BD0_et_quitterClick();
    Notice(QStringLiteral("fichier ") + path +
           QStringLiteral(" inexistant, réinitialisation de l'index..."));
    if (then) then();
    return;
  }
  if (PictureFormatOf(path) == PictureFormat::Other) {  // the previous picture stays
    if (then) then();
    return;
  }
  // Decoded on the worker, never here: no open() of this thread can block
  // on a special file, and a decode that takes too long is given up.
  const DisplayTarget target = CurrentDisplayTarget();
  prefetcher_->Prefetch(path, target);
  QElapsedTimer since;
  since.start();
  WaitForPicture(path, target, since, std::move(then));
}

void Tdiapo::WaitForPicture(const QString& path, const DisplayTarget& target, QElapsedTimer since,
                            std::function<void()> then) {
  const auto elapsed = std::chrono::milliseconds(since.elapsed());
  std::optional<DecodedPicture> picture =
      prefetcher_->Take(path, target, elapsed < kFirstWait ? kFirstWait - elapsed : kWaitSlice);
  if (!picture) {
    if (since.elapsed() < picture_time_limit_ms) {
      // Not ready yet (or the file changed since it was asked for): ask
      // again and let the events through before the next wait.
      if (!prefetcher_->Decoding(path, target)) prefetcher_->Prefetch(path, target);
      ScheduleShow(0, [this, path, target, since, then = std::move(then)]() mutable {
        WaitForPicture(path, target, since, std::move(then));
      });
      return;
    }
    prefetcher_->Abandon(path, target);
    picture.emplace();
    picture->error = QStringLiteral("Image trop longue à décoder : ") + path;
  }
  // A bitmap or icon whose content the reader rejects is reported, as the
  // platform's loader did; anything else that could not be decoded leaves
  // an empty picture (width 0), shown as a red screen.
  const PictureFormat format = PictureFormatOf(path);
  if ((format == PictureFormat::Bitmap || format == PictureFormat::Icon) &&
      picture->image.isNull() && picture->contentRejected)
    throw Error(picture->error);
  Image2->SetPicture(std::move(picture->image), picture->ownSize);
  if (then) then();
}

// ---- display --------------------------------------------------------------------

void Tdiapo::ShowPicture(const QString& path, std::function<void()> done) {
  // Step 1: with the panel open a browsed picture is only placed, in its own
  // fit rectangle (never stretched into the previous picture's, which may be
  // a zoom frame larger than the screen).
  if (!Panel1->isHidden() && !replaying_history) {
    PlaceBrowsedPicture();
    return done();
  }
  // Step 2.
  if (!IsExistingFile(path)) {
    if (!host_window_mode_) aPanel_sauve_param_et_BD0_et_quitterClick();
    return done();
  }
  // Step 3: a history step only sounds the tone.
  if (last_key == keys::kHistoryStep) {
    PlaceBrowsedPicture();
    PlayTone(640, 20, 30);
    last_key = 0;
    return done();
  }
  // Step 4.
  if (LowerExtension(path) == QLatin1String(".mp4")) return done();
  // Step 5.
  SetWindowColour(Qt::black);
  const int W = Image2->PictureWidth(), H = Image2->PictureHeight();
  // Step 6: nothing could be decoded: a red screen for two seconds, while
  // the keys and the timer keep working.
  if (W <= 0 || H <= 0) {
    SetWindowColour(kRed);
    ScheduleShow(kRedScreenMs, std::move(done));
    return;
  }
  auto run = std::make_shared<DisplayRun>();
  run->plan = PlanForEffect(Rdg1->ItemIndex(), EffectDurations{dt0_a, dt1_a, dt2_a, dt2_b, dt3_a,
                                                               dt3_b, dt4_a, dt4_b, dt5_a, dt5_b});
  run->W = W;
  run->H = H;
  run->done = std::move(done);
  RunPhase(run);
}

void Tdiapo::PlaceBrowsedPicture() {
  const int W = Image2->PictureWidth(), H = Image2->PictureHeight();
  if (W > 0 && H > 0) Image2->setGeometry(FitRect(screen_width, screen_height, W, H));
}

void Tdiapo::RunPhase(std::shared_ptr<DisplayRun> run) {
  using Phase = DisplayRun::Phase;
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
          const QRect r = FitRect(screen_width, screen_height, run->W, run->H);
          Image2->setGeometry(r);
          run->w = r.width();
          if (pauseThen(run->plan.pauseAfterFit)) return;
        }
        break;
      case Phase::Fill:
        run->phase = Phase::Zoom;
        if (run->plan.fill) {
          const QRect r = FillRect(screen_width, screen_height, run->W, run->H, _haut);
          Image2->setGeometry(r);
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
        if (!Panel1->isHidden() && !replaying_history) {
          run->phase = Phase::Done;
          break;
        }
        run->w0 = run->w;
        run->wmax = ZoomMaxWidth(screen_width, zoom_max10);
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

void Tdiapo::ZoomFrame(std::shared_ptr<DisplayRun> run) {
  // One frame per turn of the event loop, as fast as they can be drawn; a
  // key release ends the zoom, and the flag is cleared for the final pause.
  if (run->w < run->wmax && !stop_requested) {
    Image2->SetFastScaling(true);
    Image2->setGeometry(ZoomFrameRect(screen_width, screen_height, run->W, run->H, run->w, _haut));
    run->w = ZoomFrameWidth(run->w0, run->wmax, inc_dx, run->i);
    ++run->i;
    ScheduleShow(0, [this, run] { ZoomFrame(run); });
    return;
  }
  Image2->SetFastScaling(false);
  stop_requested = false;
  run->phase = DisplayRun::Phase::ZoomPause;
  RunPhase(run);
}

void Tdiapo::PlayTone(int frequency, int ms, int amplitude) {
  const auto wav = BuildToneWav(frequency, ms, static_cast<unsigned char>(amplitude));
  if (!wav) {
    Notice(ToneFrequencyMessage(frequency));
    return;
  }
  services().sound.PlayWav(*wav);
}

// ---- the date label -----------------------------------------------------------------

void Tdiapo::ShowPictureDate() {
  Label_an->setText(PictureDateText(current_path, Label1->text().isEmpty()));
  Label_an->adjustSize();
  Label_an->move(screen_width - Label_an->width(), 0);
  Label_mois->hide();
  const QString options =
      FilterIndicatorText(CheckBox_date_de->isChecked(), CheckBox_date_a->isChecked(),
                          CheckBox_contient->isChecked(), Edit_contient->text());
  if (options.isEmpty()) {
    Label_options->hide();
    return;
  }
  Label_options->setText(options);
  Label_options->adjustSize();
  Label_options->move(width() - Label_options->width(), 30);
  Label_options->show();
}

// ---- keys, buttons, timer -----------------------------------------------------------

void Tdiapo::FormKeyUp(int key) {
  stop_requested = true;
  last_key = key;
  if (key == keys::kEscape || key == keys::kQ) {
    QuitProgram();
    return;
  }
  // During the catalogue scan a key only stops it.
  if (preparing_catalogue_) return;
  if (key == keys::kF3) {
    Button_tout_le_repClick();
    return;
  }
  if (last_key == keys::kSpace) {
    AbandonRun();
    ClearRebuildMark();
    last_key = 0;
    // Shown or hidden as a control of the window, whether or not the window
    // itself is on the screen yet.
    Panel1->setVisible(Panel1->isHidden());
    Panel1->move(Panel1->x(), screen_height - Panel1->height() - 12);
    if (Panel1->isHidden()) {
      Panel3->hide();
      Panel2->hide();
      Panel_renommage->hide();
      CompactLayout();
    }
    if (!Panel1->isHidden()) {
      show_running = false;
      RestorePointer();
      ShowNextPicture();
    } else {
      // The newer history first, then new pictures.
      ReplayHistory([this] {
        show_running = true;
        HidePointer();
        ShowNextPicture();
      });
    }
    return;
  }
  if (last_key == keys::kLeft || last_key == keys::kRight) {
    ShowNextPicture();
    return;
  }
  // Any other key stops the run after the picture on screen; a browsing run
  // that waits for a key stops now.
  if (run_active_ && browsing_idle_) {
    EndRun();
    FinishCreation();
  }
}

void Tdiapo::ReplayHistory(std::function<void()> done) {
  replaying_history = true;
  const int count = ListBox_passee->count();
  // Nothing newer than the position: replaying_history stays set, so a
  // history step with the panel open sounds its tone.
  if (count - history_position - 1 <= 0) return done();
  replay_saved_top_ = Panel1->y();
  Panel1->move(Panel1->x(), height());
  HidePointer();
  replay_active_ = true;
  ReplayEntry(std::max(history_position, 0), count, replay_saved_top_, std::move(done));
}

void Tdiapo::ReplayEntry(int j, int count, int savedTop, std::function<void()> done) {
  if (j >= count || j >= ListBox_passee->count()) {
    FinishReplay(savedTop);
    done();
    return;
  }
  const QString path = ListBox_passee->item(j)->text();
  Label1->setText(ReplayCaption(path));
  Label1->adjustSize();
  auto next = [this, j, count, savedTop, path, done = std::move(done)]() mutable {
    Label_repertoire->setText(DirectoryPart(path));
    Label_nom_img->setText(FileNamePart(path));
    ScheduleShow(0, [this, j, count, savedTop, done = std::move(done)]() mutable {
      ReplayEntry(j + 1, count, savedTop, std::move(done));
    });
  };
  LoadPicture(path, [this, j, count, path, next = std::move(next)]() mutable {
    ShowPicture(path, std::move(next));
    if (j + 1 < count && j + 1 < ListBox_passee->count())
      prefetcher_->Prefetch(ListBox_passee->item(j + 1)->text(), CurrentDisplayTarget());
  });
}

void Tdiapo::FinishReplay(int savedTop) {
  replay_active_ = false;
  replaying_history = false;
  Panel1->move(Panel1->x(), savedTop);
}

void Tdiapo::Button_retourClick() { FormKeyUp(keys::kLeft); }

void Tdiapo::Button_avanceClick() { FormKeyUp(keys::kRight); }

void Tdiapo::Panel_continuer_clik() {
  SaveSettings();
  FormKeyUp(keys::kSpace);
}

void Tdiapo::Button_close_paramClick() { Panel_continuer_clik(); }

void Tdiapo::Timer1Timer() {
  const int x = services().pointer.Pos().x();
  const PointerSample s = SamplePointerSpeed(timer_ticks, last_pointer_x, last_sample_time, x,
                                             services().clock.NowDays(), Panel1->isHidden(), vmax);
  if (s.quit) QuitProgram();
}

}  // namespace ld
