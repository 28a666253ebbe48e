// The panel tools' handlers: albums, the external viewer and its slide show,
// the manual and the batch renaming of dated directories.
#include <QUrl>

#include "app/ui/Tdiapo.h"
#include "app/ui/WindowPrompts.h"
#include "panel/ui/ClickWatcher.h"
#include "panel/ui/Manual.h"
#include "panel/ui/Tools.h"
#include "platform/DataDir.h"
#include "platform/Paths.h"

namespace ld {

void Tdiapo::ConnectToolHandlers() {
  auto guarded = [this](auto fn) { return [this, fn] { Guarded(fn); }; };
  connect(Button_album_a, &QPushButton::clicked, this, guarded([this] { CopyToAlbum(Album::A); }));
  connect(Button_album_B, &QPushButton::clicked, this, guarded([this] { CopyToAlbum(Album::B); }));
  new ClickWatcher(Label12, guarded([this] { CopyToAlbum(Album::A); }));
  connect(SpeedButton_album_A, &QToolButton::clicked, this,
          guarded([this] { SpeedButton_album_AClick(); }));
  connect(SpeedButton_album_B, &QToolButton::clicked, this,
          guarded([this] { SpeedButton_album_BClick(); }));
  for (ClickPanel* p : {Panel_ouvrir_rep_img, Panel_ouvrir_repA, Panel_ouvrir_repB})
    connect(p, &ClickPanel::clicked, this, guarded([this, p] { Panel_ouvrir_rep_imgClick(p); }));
  connect(Button_tout_le_rep, &QPushButton::clicked, this,
          guarded([this] { Button_tout_le_repClick(Button_tout_le_rep); }));
  connect(SpeedButton_xnview, &QToolButton::clicked, this,
          guarded([this] { SpeedButton_xnviewClick(); }));
  connect(Button_aide, &QPushButton::clicked, this, guarded([this] { OpenManual(); }));
  connect(SpeedButton2, &QPushButton::clicked, this, guarded([this] { SpeedButton2Click(); }));
  connect(Button3, &QPushButton::clicked, this, guarded([this] { Button3Click(); }));
  connect(SpeedButton3, &QPushButton::clicked, this, guarded([this] { SpeedButton3Click(); }));
  connect(SpeedButton4, &QPushButton::clicked, this, guarded([this] { SpeedButton4Click(); }));
  connect(SpeedButton5, &QPushButton::clicked, this, guarded([this] { SpeedButton5Click(); }));
  connect(Edit3, &QLineEdit::textChanged, this, guarded([this] { Edit3Change(); }));
}

// ---- albums ----

void Tdiapo::CopyToAlbum(Album album) {
  CentrePointer();
  const AlbumCopyOutcome copy = CopyIntoAlbum(
      album, (album == Album::A ? rep_album_A : rep_album_B)->text(), show_->CurrentPath());
  WindowPrompts prompts(*this);
  if (copy.ok)
    prompts.Notice(copy.message);
  else
    prompts.ErrorBox(copy.message);
}

void Tdiapo::SpeedButton_album_AClick() {
  WindowPrompts prompts(*this);
  const QString settings = DataFile(QString::fromLatin1(files::kSettings));
  if (const auto chosen = KeepablePath(prompts, prompts.ChooseDirectory(QString()), settings)) {
    rep_album_A->setText(*chosen);
    settings_changed = true;
  }
}

void Tdiapo::SpeedButton_album_BClick() {
  WindowPrompts prompts(*this);
  const QString settings = DataFile(QString::fromLatin1(files::kSettings));
  if (const auto chosen = KeepablePath(prompts, prompts.ChooseDirectory(QString()), settings)) {
    rep_album_B->setText(*chosen);
    settings_changed = true;
  }
}

// ---- the viewer ----

void Tdiapo::Panel_ouvrir_rep_imgClick(QObject* sender) {
  const QString failure =
      OpenInViewer(services(), xnview_alternative_Label->text(),
                   ViewerCallFor(*this, sender, show_->CurrentPath(), show_->LastKey()));
  // A viewer that does not start or ends with an error says so; the end of
  // the program in the directory-and-name mode follows all the same.
  if (!failure.isEmpty()) WindowPrompts(*this).ErrorBox(failure);
  if (CheckBox_xnview_rep_et_nom->isChecked()) services().exit.Exit(0);
}

void Tdiapo::Button_tout_le_repClick(QObject* sender) {
  if (Confirm(QStringLiteral("\n\n     Diaporama de ?\n\n") + Label_repertoire->text() +
              QStringLiteral("\n\n")))
    Panel_ouvrir_rep_imgClick(sender);
  CompactLayout();
  FormKeyUp(keys::kSpace);
}

void Tdiapo::SpeedButton_xnviewClick() {
  WindowPrompts prompts(*this);
  const std::optional<QString> chosen = KeepablePath(
      prompts, prompts.ChooseExecutable(), DataFile(QString::fromLatin1(files::kSettings)));
  if (!chosen) return;
  // The new viewer is written by the next save of the settings; choosing it
  // does not mark the settings as changed.
  if (Confirm(*chosen + QStringLiteral("\r\r => Valider")))
    xnview_alternative_Label->setText(*chosen);
}

void Tdiapo::OpenManual() {
  const QString manual = DataFile(QString::fromLatin1(files::kManual));
  // The manual ships inside the program: a missing PDF is rendered anew.
  if (!IsExistingFile(manual)) WriteManualPdf(manual);
  if (services().shell.OpenWithDesktop(manual)) return;
  if (services().shell.StartDetached(QStringLiteral("firefox"),
                                     {QUrl::fromLocalFile(manual).toString()}))
    return;
  // Nothing here can show a PDF: the user is told where the file is, to
  // open it some other way.
  Notice(QStringLiteral("Firefox et Acrobat introuvables\n\n     Le manuel : ") + manual);
}

// ---- batch renaming of dated directories ----

void Tdiapo::SpeedButton2Click() { ToggleRenamingPanel(*this); }

void Tdiapo::Button3Click() { Panel_renommage->hide(); }

void Tdiapo::SpeedButton3Click() {
  const std::optional<QString> chosen = WindowPrompts(*this).ChooseDirectory(QString());
  if (!chosen) return;
  if (*chosen != Edit2->text()) ListBox1->clear();
  Edit2->setText(*chosen);
  QList<QPair<QString, QString>> renamed;
  renaming_preview_count_ = RenameByDateIntoList(*this, *chosen, false, &renamed);
  Label24->setText(QString::number(renaming_preview_count_));
}

void Tdiapo::SpeedButton4Click() {
  WindowPrompts prompts(*this);
  if (renaming_preview_count_ == 0) {
    prompts.Acknowledge(QStringLiteral("\n     Aucun fichier à renommer "));
    return;
  }
  if (!Confirm(QStringLiteral("\n     Renommer ?"))) return;
  QList<QPair<QString, QString>> renamed;
  const quint16 count = RenameByDateIntoList(*this, Edit2->text(), true, &renamed);
  if (!renamed.isEmpty()) {
    // The catalogue names the old paths: it must be rebuilt, as after any
    // change of the collection (the button says so once the result is
    // shown). Entries of the directory list follow their new names.
    rebuild_requested = true;
    if (FollowRenamedDirectories(CheckListBox_rep, renamed)) settings_changed = true;
  }
  prompts.Acknowledge(QStringLiteral("\n     Renommage des ") + QString::number(count) +
                      QStringLiteral(" fichiers effectués "));
  renaming_preview_count_ = -1;
  Label24->setText(QStringLiteral("---"));
  // Painted after the box, whose closing repaints the button as normal.
  if (count > 0) MarkRebuildNeeded();
}

void Tdiapo::SpeedButton5Click() { services().shell.OpenWithDesktop(Edit2->text()); }

void Tdiapo::Edit3Change() { ShowRenamingCentury(*this); }

}  // namespace ld
