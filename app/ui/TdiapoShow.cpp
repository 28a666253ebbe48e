// The show's side of the main window: the run itself and its state are the
// SlideShow engine's; here its signals become changes of the controls, the
// history list's view shows its history, and the keys, the buttons and the
// pointer timer become the engine's inputs.
#include <QFont>

#include "app/ui/Tdiapo.h"
#include "platform/Paths.h"
#include "show/PictureDate.h"
#include "show/PointerSpeed.h"
#include "show/SlideShow.h"
#include "show/Tone.h"

namespace ld {

ShowSettings Tdiapo::CurrentShowSettings() const {
  ShowSettings s;
  s.selection = SelectionSettings{CheckBox_rnd->isChecked(), rayon_rnd, nb_fouille};
  s.target = DisplayTarget{QSize(screen_width, screen_height), Rdg1->ItemIndex(), zoom_max10};
  s.durations =
      EffectDurations{dt0_a, dt1_a, dt2_a, dt2_b, dt3_a, dt3_b, dt4_a, dt4_b, dt5_a, dt5_b};
  s.haut = _haut;
  s.inc_dx = inc_dx;
  s.caption_item = RadioGroup_titre_ecran->ItemIndex();
  s.show_date = CheckBox_af_an->isChecked();
  return s;
}

bool Tdiapo::PanelOpen() const { return !Panel1->isHidden(); }

void Tdiapo::RunGuarded(const std::function<void()>& fn) { Guarded(fn); }

void Tdiapo::ConnectShowHandlers() {
  show_ = new SlideShow(catalogue, services().random, *this, DecodePictureFile, this);
  SlideShow* e = show_;
  ListBox_passee->setModel(e->HistoryModel());

  connect(e, &SlideShow::catalogueOutdated, this, [this](const QString& path, bool notice) {
    aPanel_sauve_param_et_BD0_et_quitterClick();
    if (notice)
      Notice(QStringLiteral("fichier ") + path +
             QStringLiteral(" inexistant, réinitialisation de l'index..."));
  });

  connect(e, &SlideShow::nothingToShow, this, [this] {
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
  });
  connect(e, &SlideShow::runStarting, Label6, &QLabel::hide);
  // The run ends; the first one to end completes the window's creation.
  connect(e, &SlideShow::runStopped, this, [this] { FinishCreation(); });
  connect(e, &SlideShow::sequentialIndexShown, this, [this](int index) {
    const QString text = QString::number(index);
    if (Edit_indice_non_aleatoire->text() != text) {
      Edit_indice_non_aleatoire->setText(text);
      settings_changed = true;  // the position is saved at quit
    }
  });
  connect(e, &SlideShow::positionShown, this, [this](int position, int count) {
    Label5->setText(QString::number(position));
    Label13->setText(QString::number(count) + QStringLiteral(" images"));
  });
  connect(e, &SlideShow::browsed, this, [this](int position, int count, bool newer) {
    QFont f = Button_avance->font();
    f.setBold(newer);
    Button_avance->setFont(f);
    Label21->setText(QString::number(count) + QStringLiteral(" : ") + QString::number(position));
  });
  connect(e, &SlideShow::captionChanged, this, [this](const QString& text) {
    Label1->setText(text);
    Label1->adjustSize();
  });
  connect(e, &SlideShow::dateWanted, this, [this] { ShowPictureDate(); });
  connect(e, &SlideShow::pictureDecoded, this,
          [this](const QImage& image, QSize own) { Image2->SetPicture(image, own); });
  connect(e, &SlideShow::picturePlaced, Image2, [this](const QRect& r) { Image2->setGeometry(r); });
  connect(e, &SlideShow::fastScalingChanged, Image2, &PictureView::SetFastScaling);
  connect(e, &SlideShow::windowColourChanged, this,
          [this](const QColor& c) { SetWindowColour(c); });
  connect(e, &SlideShow::toneWanted, this, &Tdiapo::PlayTone);
  connect(e, &SlideShow::pictureShown, this, [this](const QString& path) {
    Label_repertoire->setText(DirectoryPart(path));
    Label_nom_img->setText(FileNamePart(path));
  });
  connect(e, &SlideShow::replayStarted, this, [this] {
    replay_saved_top_ = Panel1->y();
    Panel1->move(Panel1->x(), height());
    HidePointer();
  });
  connect(e, &SlideShow::replayEnded, this, [this](bool abandoned) {
    Panel1->move(Panel1->x(), replay_saved_top_);
    if (abandoned) HidePointer();
  });
  connect(e, &SlideShow::forwardResumed, this, [this] { HidePointer(); });
  Image2->on_painted = [e](double) { e->PicturePainted(); };

  connect(Timer1, &QTimer::timeout, this, [this] { Guarded([this] { Timer1Timer(); }); });
  connect(Button_retour, &QPushButton::clicked, this,
          [this] { Guarded([this] { Button_retourClick(); }); });
  connect(Button_avance, &QPushButton::clicked, this,
          [this] { Guarded([this] { Button_avanceClick(); }); });
  connect(Panel_continuer, &ClickPanel::clicked, this,
          [this] { Guarded([this] { Panel_continuer_clik(); }); });
  connect(Button_close_param, &QPushButton::clicked, this,
          [this] { Guarded([this] { Button_close_paramClick(); }); });
}

// ---- the handlers of the show: forwards into the engine ---------------------

bool Tdiapo::ShowRunActive() const { return show_->Active(); }

void Tdiapo::ShowNextPicture() { show_->Start(); }

void Tdiapo::LoadPicture(const QString& path, std::function<void()> then) {
  show_->LoadPicture(path, std::move(then));
}

void Tdiapo::ShowPicture(const QString& path, std::function<void()> done) {
  show_->ShowPicture(path, std::move(done));
}

void Tdiapo::ReplayHistory(std::function<void()> done) { show_->Replay(std::move(done)); }

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
  Label_an->setText(PictureDateText(show_->CurrentPath(), Label1->text().isEmpty()));
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
  show_->KeyReleased(key);
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
  if (key == keys::kSpace) {
    show_->Abandon();
    ClearRebuildMark();
    show_->KeyHandled();
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
      RestorePointer();
      show_->StartBrowsing();
    } else {
      // The newer history first, then new pictures.
      show_->Continue();
    }
    return;
  }
  if (key == keys::kLeft || key == keys::kRight) {
    ShowNextPicture();
    return;
  }
  // Any other key stops the run after the picture on screen; a browsing run
  // that waits for a key stops now.
  show_->KeyInterrupt();
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
