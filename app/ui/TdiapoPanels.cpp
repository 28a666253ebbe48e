// The panels' handlers: the two forms of the settings panel, the advanced and
// screen-saver panels, the small change handlers that mark the settings for
// saving or the catalogue for rebuilding, and the directory list's editing.
// The panels themselves are built and laid out by panel/ui.
#include <functional>

#include "app/ui/Tdiapo.h"
#include "app/ui/WindowPrompts.h"
#include "catalogue/ExclusionFile.h"
#include "panel/ScreenSaverDelay.h"
#include "panel/ui/ClickWatcher.h"
#include "panel/ui/DirectoryListEditing.h"
#include "panel/ui/FloatingPanel.h"
#include "panel/ui/Layout.h"
#include "platform/DataDir.h"

namespace ld {
namespace {

// Runs fn under the window's error boundary whenever sender emits signal.
// The signal's arguments are not needed: the handlers read the controls.
template <class Sender, class Signal>
void OnSignal(Tdiapo* window, Sender* sender, Signal signal, std::function<void()> fn) {
  QObject::connect(sender, signal, window, [window, fn = std::move(fn)] { window->Guarded(fn); });
}

}  // namespace

void Tdiapo::CompactLayout() { LayOutCompact(*this, screen_); }

void Tdiapo::FullLayout() { LayOutFull(*this, screen_); }

void Tdiapo::Button_avec_sans_optionClick() {
  if (CompactFormChosen(*this))
    FullLayout();
  else
    CompactLayout();
}

void Tdiapo::MarkRebuildNeeded() { SetRebuildMark(aPanel_sauve_param_et_BD0_et_quitter, true); }

void Tdiapo::ClearRebuildMark() { SetRebuildMark(aPanel_sauve_param_et_BD0_et_quitter, false); }

void Tdiapo::Button_param_avancerClick() { ToggleAdvancedPanels(*this); }

void Tdiapo::Button4Click() {
  Panel3->hide();
  Panel2->hide();
}

void Tdiapo::ButtonValidationDelaiClick() {
  // A bad delay throws here, before anything changes.
  services().screenSaver.SetTimeout(ScreenSaverDelayOrThrow(Edit1->text()));
  // The new delay is in force; the program ends without saving.
  services().exit.Exit(1);
}

void Tdiapo::CheckBox_voir_liste_300Click() {
  ListBox_passee->setVisible(CheckBox_voir_liste_300->isChecked());
}

void Tdiapo::CheckBox_date_deClick() {
  MarkRebuildNeeded();
  settings_changed = true;
}

void Tdiapo::CheckBox_date_aClick() {
  MarkRebuildNeeded();
  settings_changed = true;
}

void Tdiapo::ConnectPanelHandlers() {
  // The settings panel can be dragged off to a floating window; back home,
  // it takes the place of the form it is in.
  new PanelDock(Panel1, this, [this] {
    if (CompactFormChosen(*this))
      CompactLayout();
    else
      FullLayout();
  });
  OnSignal(this, Button_avec_sans_option, &QPushButton::clicked,
           [this] { Button_avec_sans_optionClick(); });
  OnSignal(this, Button_param_avancer, &QPushButton::clicked,
           [this] { Button_param_avancerClick(); });
  OnSignal(this, Button4, &QPushButton::clicked, [this] { Button4Click(); });
  OnSignal(this, ButtonValidationDelai, &QPushButton::clicked,
           [this] { ButtonValidationDelaiClick(); });
  OnSignal(this, CheckBox_voir_liste_300, &QCheckBox::toggled,
           [this] { CheckBox_voir_liste_300Click(); });

  // The change handlers listen to signals that fire on the program's own
  // changes too, so that loading a differing value from the settings file
  // has the consequences of a user's change. Each control is connected once.
  const auto changed = [this] { settings_changed = true; };
  const auto rebuild = [this] { MarkRebuildNeeded(); };
  OnSignal(this, CheckBox_rnd, &QCheckBox::toggled, changed);
  for (Edit* e : {Edit_rayon_rnd, Edit_nb_fouille, Edit_indice_non_aleatoire, Edit_vmax,
                  Edit_annee_de, Edit_annee_a, Edit_mois_de, Edit_mois_a})
    OnSignal(this, e, &QLineEdit::textChanged, changed);
  OnSignal(this, RadioGroup_titre_ecran, &RadioGroup::changed, changed);

  OnSignal(this, CheckBox_date_de, &QCheckBox::toggled, [this] { CheckBox_date_deClick(); });
  OnSignal(this, CheckBox_date_a, &QCheckBox::toggled, [this] { CheckBox_date_aClick(); });
  OnSignal(this, CheckBox_contient, &QCheckBox::toggled, rebuild);
  OnSignal(this, Edit_contient, &QLineEdit::textChanged, [this] {
    MarkRebuildNeeded();
    settings_changed = true;
  });
  // Entering the word field switches the word filter on.
  OnSignal(this, Edit_contient, &Edit::entered, [this] { CheckBox_contient->setChecked(true); });
  OnSignal(this, CheckBox_fic_exclusion, &QCheckBox::toggled, rebuild);
  OnSignal(this, RadioGroup_exclusion, &RadioGroup::changed, rebuild);
  OnSignal(this, CheckBox_af_an, &QCheckBox::toggled, [this] { ShowYearLabel(*this); });
}

// ---- the directory list, the exclusion file, the reset controls ----

void Tdiapo::ConnectCatalogueHandlers() {
  OnSignal(this, Panel_ajout_rep, &ClickPanel::clicked, [this] { Panel_ajout_repClick(); });
  OnSignal(this, Panel_sup_rep, &ClickPanel::clicked, [this] { Panel_sup_repClick(); });
  connect(CheckListBox_rep, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row >= 0) Guarded([this] { CheckListBox_repClick(); });
  });
  auto reset = [this] { Guarded([this] { aPanel_sauve_param_et_BD0_et_quitterClick(); }); };
  connect(aPanel_sauve_param_et_BD0_et_quitter, &ClickPanel::clicked, this, reset);
  connect(SpeedButton_valider_filtre, &QPushButton::clicked, this, reset);
  new ClickWatcher(Label25, reset);
  OnSignal(this, SpeedButton1, &QPushButton::clicked, [this] { SpeedButton1Click(); });
}

void Tdiapo::Panel_ajout_repClick() {
  WindowPrompts prompts(*this);
  AddDirectory(CheckListBox_rep, prompts);
  rebuild_requested = true;
  MarkRebuildNeeded();
}

void Tdiapo::Panel_sup_repClick() {
  WindowPrompts prompts(*this);
  const Removal removal = RemoveSelectedDirectory(CheckListBox_rep, prompts);
  if (removal == Removal::NothingSelected) return;
  if (removal == Removal::Removed) rebuild_requested = true;
  MarkRebuildNeeded();
}

void Tdiapo::CheckListBox_repClick() {
  ShowSelectedDirectory(CheckListBox_rep, Label20);
  MarkRebuildNeeded();
}

void Tdiapo::SpeedButton1Click() {
  const QString path = DataFile(QString::fromLatin1(files::kExclusion));
  CreateExclusionFileIfMissing(path);
  services().shell.OpenWithDesktop(path);
}

}  // namespace ld
