// Albums, the external viewer and its slide show, the manual and the batch
// renaming of dated directories.
#include <QCoreApplication>
#include <QRegularExpressionValidator>
#include <QDir>
#include <QUrl>

#include "app/ui/Tdiapo.h"
#include "panel/DateRenaming.h"
#include "panel/ui/ClickWatcher.h"
#include "panel/ui/Manual.h"
#include "platform/DataDir.h"
#include "platform/Error.h"
#include "platform/Paths.h"
#include "panel/ViewerCommand.h"

namespace ld {

namespace {

// A box with a single "&Oui" button, after which the window is active again.
void AcknowledgeBox(Tdiapo& w, const QString& text) {
  w.services().dialogs.ConfirmYesOnly(text);
  w.FormActivate();
}

// The directory chooser, starting in the home directory; the window becomes
// active again when it closes.
std::optional<QString> ChooseDirectory(Tdiapo& w) {
  std::optional<QString> chosen = w.services().dialogs.ChooseDirectory(QString());
  w.FormActivate();
  return chosen;
}

// A chosen path that the settings file will keep: one that holds a line break
// would split its settings line, so it is refused with a message.
std::optional<QString> WithoutLineBreak(Tdiapo& w, const std::optional<QString>& chosen) {
  if (!chosen || !HasLineBreak(*chosen)) return chosen;
  w.Notice(LineBreakRefusedMessage(*chosen, DataFile(QString::fromLatin1(files::kSettings))));
  return std::nullopt;
}

QString RenameHint(const QString& century) {
  return QStringLiteral("nombre de fichiers 'aammjj ...' ou 'aa-mm-jj ...'  => '") + century +
         QStringLiteral("aa-mm-jj ...'");
}

}  // namespace

void Tdiapo::ConnectToolHandlers() {
  auto guarded = [this](auto fn) { return [this, fn] { Guarded(fn); }; };
  connect(Button_album_a, &QPushButton::clicked, this, guarded([this] { CopyToAlbum(Album::A); }));
  connect(Button_album_B, &QPushButton::clicked, this, guarded([this] { CopyToAlbum(Album::B); }));
  new ClickWatcher(Label12, guarded([this] { CopyToAlbum(Album::A); }));
  connect(SpeedButton_album_A, &QToolButton::clicked, this, guarded([this] { SpeedButton_album_AClick(); }));
  connect(SpeedButton_album_B, &QToolButton::clicked, this, guarded([this] { SpeedButton_album_BClick(); }));
  for (ClickPanel* p : {Panel_ouvrir_rep_img, Panel_ouvrir_repA, Panel_ouvrir_repB})
    connect(p, &ClickPanel::clicked, this, guarded([this, p] { Panel_ouvrir_rep_imgClick(p); }));
  connect(Button_tout_le_rep, &QPushButton::clicked, this,
          guarded([this] { Button_tout_le_repClick(Button_tout_le_rep); }));
  connect(SpeedButton_xnview, &QToolButton::clicked, this, guarded([this] { SpeedButton_xnviewClick(); }));
  connect(Button_aide, &QPushButton::clicked, this, guarded([this] { OpenManual(); }));
  connect(SpeedButton2, &QPushButton::clicked, this, guarded([this] { SpeedButton2Click(); }));
  connect(Button3, &QPushButton::clicked, this, guarded([this] { Button3Click(); }));
  connect(SpeedButton3, &QPushButton::clicked, this, guarded([this] { SpeedButton3Click(); }));
  connect(SpeedButton4, &QPushButton::clicked, this, guarded([this] { SpeedButton4Click(); }));
  connect(SpeedButton5, &QPushButton::clicked, this, guarded([this] { SpeedButton5Click(); }));
  // The century goes in front of two-digit years: digits only.
  Edit3->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), Edit3));
  connect(Edit3, &QLineEdit::textChanged, this, guarded([this] { Edit3Change(); }));
}

// ---- albums ----

void Tdiapo::CopyToAlbum(Album album) {
  const QLabel* dir = album == Album::A ? rep_album_A : rep_album_B;
  const QString target = AlbumTargetName(dir->text(), current_path);
  CentrePointer();
  // The album directory is created on the first copy into it; an existing
  // copy is replaced only by a complete new one.
  const CopyResult copy = CopyReplacing(current_path, target);
  if (!copy) {
    services().dialogs.ErrorBox(
        QStringLiteral("\n     Copie impossible dans l'album %1 (%2) :\n\n     %3")
            .arg(QChar(album == Album::A ? u'A' : u'B'))
            .arg(dir->text(), copy.reason));
    FormActivate();
    return;
  }
  Notice(target + QStringLiteral("\n\n") +
         (album == Album::A ? QStringLiteral("    copie effectuée dans l'album A ...")
                            : QStringLiteral("    copie effectuée dans l'album B ...")));
}

void Tdiapo::SpeedButton_album_AClick() {
  if (const auto chosen = WithoutLineBreak(*this, ChooseDirectory(*this))) {
    rep_album_A->setText(*chosen);
    settings_changed = true;
  }
}

void Tdiapo::SpeedButton_album_BClick() {
  if (const auto chosen = WithoutLineBreak(*this, ChooseDirectory(*this))) {
    rep_album_B->setText(*chosen);
    settings_changed = true;
  }
}

// ---- the viewer ----

void Tdiapo::Panel_ouvrir_rep_imgClick(QObject* sender) {
  ViewerSender who = ViewerSender::Other;
  if (sender == Panel_ouvrir_rep_img)
    who = ViewerSender::PictureDirectory;
  else if (sender == Panel_ouvrir_repA)
    who = ViewerSender::AlbumA;
  else if (sender == Panel_ouvrir_repB)
    who = ViewerSender::AlbumB;
  else if (sender == Button_tout_le_rep)
    who = ViewerSender::SlideShowButton;
  ViewerContext context;
  context.pictureDirectory = Label_repertoire->text();
  context.currentPath = current_path;
  context.albumA = rep_album_A->text();
  context.albumB = rep_album_B->text();
  context.directoryAndName = CheckBox_xnview_rep_et_nom->isChecked();
  context.lastKey = last_key;
  const ViewerCall call = BuildViewerCall(who, context);

  const QString viewer = xnview_alternative_Label->text();
  if (!IsExistingFile(viewer)) {
    // No such viewer here: the desktop's own application for the target,
    // without waiting for it.
    services().shell.OpenWithDesktop(call.target);
  } else {
    // The window's events keep flowing while the viewer runs, so the timer,
    // the keys and the mouse keep acting. A viewer that cannot start is not
    // reported.
    services().shell.RunAndWait(viewer, call.Arguments(), [] { QCoreApplication::processEvents(); });
  }
  if (CheckBox_xnview_rep_et_nom->isChecked()) services().exit.Exit(0);
}

void Tdiapo::Button_tout_le_repClick(QObject* sender) {
  if (Confirm(QStringLiteral("\n\n     Diaporama de ?\n\n") + Label_repertoire->text() + QStringLiteral("\n\n")))
    Panel_ouvrir_rep_imgClick(sender);
  CompactLayout();
  FormKeyUp(keys::kSpace);
}

void Tdiapo::SpeedButton_xnviewClick() {
  const std::optional<QString> chosen =
      WithoutLineBreak(*this, services().dialogs.ChooseExecutable());
  if (!chosen) return;
  // The new viewer is written by the next save of the settings; choosing it
  // does not mark the settings as changed.
  if (Confirm(*chosen + QStringLiteral("\r\r => Valider"))) xnview_alternative_Label->setText(*chosen);
}

void Tdiapo::OpenManual() {
  const QString manual = DataFile(QString::fromLatin1(files::kManual));
  // The manual ships inside the program: a missing PDF is rendered anew.
  if (!IsExistingFile(manual)) WriteManualPdf(manual);
  if (services().shell.OpenWithDesktop(manual)) return;
  if (services().shell.StartDetached(QStringLiteral("firefox"), {QUrl::fromLocalFile(manual).toString()}))
    return;
  Notice(QStringLiteral("Firefox et Acrobat introuvables"));
}

// ---- batch renaming of dated directories ----

quint16 Tdiapo::RenameByDate(const QString& dir, bool apply) {
  const RenamePass pass = ld::RenameByDate(dir, apply, Edit3->text());
  if (!pass.listed) return 0;
  if (apply) ListBox1->clear();
  ListBox1->addItems(pass.lines);
  ListBox1->repaint();
  if (!pass.renamed.isEmpty()) FollowRenamedDirectories(pass.renamed);
  return pass.count;
}

void Tdiapo::FollowRenamedDirectories(const QList<QPair<QString, QString>>& renamed) {
  // The catalogue names the old paths: it must be rebuilt, as after any
  // change of the collection (the button says so once the result is shown).
  rebuild_requested = true;
  // Directories of the list that were renamed, or lie inside one that was,
  // keep their place and tick under the new name.
  for (int i = 0; i < CheckListBox_rep->Count(); ++i) {
    const QString entry = QDir::cleanPath(CheckListBox_rep->Line(i));
    for (const auto& [from, to] : renamed) {
      if (const auto now = RenamedPath(entry, from, to)) {
        CheckListBox_rep->item(i)->setText(*now);
        settings_changed = true;
        break;
      }
    }
  }
}

void Tdiapo::SpeedButton2Click() {
  Panel_renommage->setVisible(Panel_renommage->isHidden());
  if (!Panel_renommage->isHidden()) {
    Panel_renommage->raise();
    ListBox1->clear();
  }
}

void Tdiapo::Button3Click() { Panel_renommage->hide(); }

void Tdiapo::SpeedButton3Click() {
  const std::optional<QString> chosen = ChooseDirectory(*this);
  if (!chosen) return;
  if (*chosen != Edit2->text()) ListBox1->clear();
  Edit2->setText(*chosen);
  Label24->setText(QString::number(RenameByDate(*chosen, false)));
}

void Tdiapo::SpeedButton4Click() {
  if (Label24->text() == QStringLiteral("0")) {
    AcknowledgeBox(*this, QStringLiteral("\n     Aucun fichier à renommer "));
    return;
  }
  if (!Confirm(QStringLiteral("\n     Renommer ?"))) return;
  const quint16 count = RenameByDate(Edit2->text(), true);
  AcknowledgeBox(*this, QStringLiteral("\n     Renommage des ") + QString::number(count) +
                            QStringLiteral(" fichiers effectués "));
  Label24->setText(QStringLiteral("---"));
  // Painted after the box, whose closing repaints the button as normal.
  if (count > 0) MarkRebuildNeeded();
}

void Tdiapo::SpeedButton5Click() { services().shell.OpenWithDesktop(Edit2->text()); }

void Tdiapo::Edit3Change() {
  const QString century = Edit3->text();
  Label23->setText(RenameHint(century));
  Label27->setText(QStringLiteral("ex: /051231 avg ou /05-12-31 avg en /") + century + QStringLiteral("05-15-21 avg"));
}

}  // namespace ld
