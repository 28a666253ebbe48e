#include "app/ui/Tdiapo.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPalette>
#include <QScopeGuard>
#include <QThread>
#include <QWindow>
#include <new>

#include "app/core/SettingsFile.h"
#include "app/core/Version.h"
#include "panel/ui/BuildPanels.h"
#include "platform/DataDir.h"
#include "platform/Error.h"
#include "platform/Fatal.h"
#include "platform/TextFile.h"

namespace ld {

namespace {
const QColor kGrey(128, 128, 128);

// The caption over the picture: light text on a translucent dark band, so it
// stays readable on bright pictures; an empty caption draws nothing at all.
class CaptionLabel : public QLabel {
 public:
  using QLabel::QLabel;

 protected:
  void paintEvent(QPaintEvent* e) override {
    if (text().isEmpty()) return;
    QPainter p(this);
    p.fillRect(rect(), QColor(0, 0, 0, 150));
    p.end();
    QLabel::paintEvent(e);
  }
};
}  // namespace

Tdiapo::Tdiapo(Services& services, const QString& request, QSize screenSize, QWidget* parent)
    : QWidget(parent), request_(request), services_(services), screen_(screenSize) {
  setObjectName(QStringLiteral("diapo"));
  setWindowTitle(QStringLiteral("LuminoDrift"));
  // Steps 1 and 2 (hints, double buffering) belong to the application and to
  // Qt's own painting. Step 3: black.
  setAutoFillBackground(true);
  SetWindowColour(Qt::black);

  // Step 4: the screen's size, taken once.
  screen_width = screen_.width();
  screen_height = screen_.height();
  resize(screen_);

  // The controls of the window itself, bottom first: the picture, then the
  // captions drawn over it; the panels come on top of them.
  Image2 = new PictureView(this);
  Image2->setObjectName(QStringLiteral("Image2"));
  Image2->setGeometry(624, 8, 241, 129);
  Image2->PrepareDrawing(screen_.width());

  auto makeLabel = [this](const char* name, const QString& caption) {
    auto* l = new QLabel(caption, this);
    l->setObjectName(QString::fromLatin1(name));
    return l;
  };
  Label1 = new CaptionLabel(QStringLiteral("lecture Base de données image"), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  {
    QFont f = Label1->font();
    f.setPixelSize(18);
    f.setBold(true);
    Label1->setFont(f);
    QPalette p = Label1->palette();
    p.setColor(QPalette::WindowText, QColor(235, 235, 235));
    Label1->setPalette(p);
    Label1->setContentsMargins(4, 1, 6, 1);
    Label1->setGeometry(8, 4, screen_width * 2 / 3, 28);
  }
  Label6 = makeLabel("Label6", QString());
  {
    QFont f = Label6->font();
    f.setPixelSize(20);
    f.setBold(true);
    Label6->setFont(f);
    QPalette p = Label6->palette();
    p.setColor(QPalette::WindowText, Qt::white);
    Label6->setPalette(p);
    Label6->setGeometry(screen_width / 2 - 300, screen_height / 3, 900, 40);
  }
  Label4 = makeLabel("Label4", QStringLiteral("Label4"));
  Label4->setGeometry(8, 40, 100, 20);

  auto makeCorner = [&](const char* name, int pixelSize, int top) {
    auto* l = makeLabel(name, QString());
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(pixelSize);
    l->setFont(f);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, Qt::yellow);
    l->setPalette(p);
    l->setAlignment(Qt::AlignRight | Qt::AlignTop);
    l->move(screen_width - l->width(), top);
    return l;
  };
  Label_an = makeCorner("Label_an", 61, 0);
  Label_mois = makeCorner("Label_mois", 53, 65);
  Label_options = makeCorner("Label_options", 20, 30);

  BuildPanels(this, *this);

  // The history list's view; its model, the show's history, is set once the
  // show exists.
  ListBox_passee = new QListView(this);
  ListBox_passee->setObjectName(QStringLiteral("ListBox_passee"));
  ListBox_passee->setGeometry(8, 144, 657, 225);
  ListBox_passee->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ListBox_passee->setUniformItemSizes(true);

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(200);

  // Step 5: the catalogue is emptied.
  catalogue.Clear();
  // Every label shows its text as it is: names from the disk and the
  // command line ("/s", "<b>2019</b>") are never read as markup.
  for (QLabel* l : findChildren<QLabel*>()) l->setTextFormat(Qt::PlainText);
  // Step 6.
  Label3->setText(QStringLiteral("paramètre ligne de commande = <") + request_ + u'>');
  // Step 7: directory table and history list emptied (the show starts with
  // an empty history).
  // Step 8: centred (0, 0 after step 4), frameless; the key preview is the
  // application's key hook (see app/main.cpp).
  move((screen_width - width()) / 2, (screen_height - height()) / 2);
  setWindowFlag(Qt::FramelessWindowHint, true);
  // Step 9 (the show starts with no key).
  saved_cursor = QCursor(Qt::ArrowCursor);
  // Step 10: the X server's screen-saver state.
  const IScreenSaver::State ss = services_.screenSaver.Get();
  Label_etat->setText(ss.active ? QStringLiteral("actif") : QStringLiteral("inactif"));
  Label_delai->setText(QString::number(ss.timeoutSeconds) + QStringLiteral(" s"));
  Edit1->setText(QString::number(ss.timeoutSeconds));
  // Step 11 (the show starts with no stop request, forward, at no history
  // position, no replay).
  settings_changed = rebuild_requested = false;
  scan_counter = 0;
  timer_ticks = 0;
  last_sample_time = services_.clock.NowDays();
  // Step 12.
  Panel1->hide();
  Bevel1->setGeometry(CheckListBox_rep->x() - 1, CheckListBox_rep->y() - 1,
                      CheckListBox_rep->width() + 2, CheckListBox_rep->height() + 2);
  // Step 13.
  SpeedButton_valider_filtre->setText(QStringLiteral("Valider les\nfiltres"));
  // Step 14: hints taken from the labels beside the edits.
  Edit_rayon_rnd->setToolTip(Label9->toolTip());
  Edit_nb_fouille->setToolTip(Label17->toolTip());
  Edit_indice_non_aleatoire->setToolTip(Label18->toolTip());
  Edit_vmax->setToolTip(Label10->toolTip());
  // Step 15.
  ListBox_passee->hide();
  HidePointer();
  Label4->hide();

  ConnectHandlers();
  Timer1->start();
}

Tdiapo::~Tdiapo() = default;

void Tdiapo::ConnectHandlers() {
  ConnectPanelHandlers();
  ConnectCatalogueHandlers();
  ConnectShowHandlers();
  ConnectToolHandlers();
  connect(Button_quit, &QPushButton::clicked, this,
          [this] { Guarded([this] { Button_quitClick(); }); });
  connect(Button2, &QPushButton::clicked, this, [this] { Guarded([this] { Button2Click(); }); });
  connect(Button_enreg_param, &QPushButton::clicked, this,
          [this] { Guarded([this] { Button_enreg_paramClick(); }); });
}

void Tdiapo::Start() {
  Guarded([this] {
    // Step 16: visible, which makes it the active window.
    show();
    FormActivate();
    // Step 17.
    StartUpSequence();
  });
  // Steps 18 and 19 follow when the first run of the show has stopped; with
  // nothing to show that is now.
  if (!ShowRunActive()) FinishCreation();
}

void Tdiapo::FinishCreation() {
  if (creation_finished_) return;
  creation_finished_ = true;
  for (QLabel* l : {Label_an, Label_mois, Label_options}) {
    l->setText(QString());
    l->adjustSize();
  }
  Label_an->move(screen_width - Label_an->width(), 0);
  Label_mois->move(screen_width - Label_mois->width(), 65);
  Label_options->move(screen_width - Label_options->width(), 30);
  show_->ClearReplayMark();
}

void Tdiapo::FormActivate() {
  Label11->setText(QStringLiteral("LuminoDrift %1").arg(QLatin1String(kVersion)));
  ListBox_rep_exclu.clear();
  ListBox_rep_nom_fic_exclu.clear();
  exclusion_ranges.clear();
  ClearRebuildMark();
  LoadSettingsList(ListBox_param, DataFile(QString::fromLatin1(files::kSettings)));
  CheckBox_grand_menu->setChecked(ld::ReadBool(
      ListBox_param, QStringLiteral("CheckBox_grand_menu.Checked"), QStringLiteral("false")));
  CompactLayout();
}

void Tdiapo::StartUpSequence() {
  HidePointer();
  Label6->setText(QStringLiteral("patientez ...   ou   Esc"));
  Label6->adjustSize();
  Label6->show();
  SetWindowColour(kGrey);
  // The grey screen and its message are drawn as soon as the window is on
  // the screen: the first picture is decoded off this thread, so the event
  // loop runs (and paints) while it is on its way. Drawn into another
  // program's window, that program shows it.
  repaint();
  LoadSettings();
  ReadExclusionFile();
  PrepareCatalogue();
  Panel1->hide();
  HidePointer();
  show_->StartForward();
}

void Tdiapo::SetHostWindowMode() {
  host_window_mode_ = true;
  show_->SetHostWindow(true);
  // The host ends the program; the mouse is not watched.
  Timer1->stop();
}

void Tdiapo::QuitProgram() {
  if (show_->LastKey() == keys::kSpace) return;
  if (host_window_mode_) services_.exit.Exit(1);  // nothing is written
  // A quit already under way (its error box lets the timer and the keys
  // through) is not started a second time.
  if (quitting_) return;
  quitting_ = true;
  const auto underWay = qScopeGuard([this] { quitting_ = false; });
  if (rebuild_requested) {
    DeleteFileSilently(DataFile(QString::fromLatin1(files::kResetMarker)));
    DeleteFileSilently(DataFile(QString::fromLatin1(files::kCurrentDirectoryList)));
  }
  // A save that fails (unwritable data directory or file, a bad number in an
  // edit) is reported once; the program ends all the same, since a screen
  // saver that cannot be dismissed is worse than a setting not saved. Files
  // are replaced only whole, so the old ones stay as they were.
  if (settings_changed) {
    try {
      SaveSettings();
    } catch (const Error& e) {
      services_.dialogs.ErrorBox(e.message());
    }
  }
  catalogue.Clear();
  RestorePointer();
  services_.exit.Exit(1);
}

void Tdiapo::Button_quitClick() {
  CentrePointer();
  if (Confirm(QStringLiteral("\n     Quitter ?"))) QuitProgram();
}

void Tdiapo::aPanel_sauve_param_et_BD0_et_quitterClick() {
  settings_changed = true;
  rebuild_requested = true;
  SaveSettings();
  QuitProgram();
}

void Tdiapo::CentrePointer() {
  services_.pointer.SetPos(QPoint(screen_width / 2, screen_height / 2));
}

void Tdiapo::Guarded(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const Error& e) {
    services_.dialogs.ErrorBox(e.message());
    FormActivate();
  } catch (const ProcessEnded&) {
    // The recording stand-in of the process end: nothing more runs.
  } catch (const std::bad_alloc&) {
    // Out of memory, nothing more can be trusted to work (a box neither):
    // the program says so and ends.
    ReportOutOfMemory();
    services_.exit.Exit(1);
  } catch (const std::exception& e) {
    services_.dialogs.ErrorBox(QString::fromLocal8Bit(e.what()));
    FormActivate();
  }
}

void Tdiapo::Notice(const QString& text) {
  services_.dialogs.Notice(text);
  FormActivate();
}

bool Tdiapo::Confirm(const QString& text) {
  const bool yes = services_.dialogs.Confirm(text);
  FormActivate();
  return yes;
}

void Tdiapo::HidePointer() {
  pointer_hidden_ = true;
  setCursor(Qt::BlankCursor);
}

void Tdiapo::RestorePointer() {
  pointer_hidden_ = false;
  setCursor(saved_cursor);
}

bool Tdiapo::PointerHidden() const { return pointer_hidden_; }

void Tdiapo::SetWindowColour(const QColor& c) {
  window_colour_ = c;
  QPalette p = palette();
  p.setColor(QPalette::Window, c);
  setPalette(p);
  update();
}

QColor Tdiapo::WindowColour() const { return window_colour_; }

bool Tdiapo::HandleKeyRelease(QObject* receiver, QKeyEvent* e) {
  // Qt hands a key event to the native window first, then to the widget
  // with the focus: only the widget's delivery counts.
  auto* w = qobject_cast<QWidget*>(receiver);
  if (!w) return false;
  // This window's keys, and those of the settings panel when it floats.
  const bool here = (w->window() == this || w->window() == Panel1->window()) &&
                    !QApplication::activeModalWidget();
  const int key = VirtualKeyCode(e->key());
  // Typing into an edit box: these keys are text there, not show commands.
  const bool typing =
      qobject_cast<QLineEdit*>(QApplication::focusWidget()) &&
      (key == keys::kSpace || key == keys::kQ || key == keys::kLeft || key == keys::kRight);
  const bool command = here && !typing &&
                       (key == keys::kSpace || key == keys::kLeft || key == keys::kRight ||
                        key == keys::kEscape || key == keys::kQ || key == keys::kF3);
  if (e->isAutoRepeat()) return command;
  if (e->type() == QEvent::KeyPress) {
    if (here)
      keys_down_.insert(e->key());
    else
      keys_down_.remove(e->key());
    return command;
  }
  if (e->type() != QEvent::KeyRelease) return false;
  // A release whose press went to a dialog (Esc closing "Quitter ?", Enter
  // on a notice) or came while one was open is the end of that answer, not
  // a command of the show. A delivery elsewhere (a screen cover, which hands
  // the key on to this window) leaves the press noted for the one that comes.
  if (!here || !keys_down_.remove(e->key())) return false;
  if (typing) return false;
  Guarded([this, key] { FormKeyUp(key); });
  return command;
}

void Tdiapo::keyReleaseEvent(QKeyEvent* e) { e->accept(); }

void Tdiapo::closeEvent(QCloseEvent* e) {
  // The system closing the window ends the program with exit code 0 and
  // nothing saved.
  e->accept();
  QCoreApplication::exit(0);
}

}  // namespace ld
