// The two forms of the settings panel, the highlight of the reset button,
// the advanced-settings and screen-saver panels, and the small change
// handlers that mark the settings for saving or the catalogue for rebuilding.
#include <QApplication>
#include <functional>

#include "app/ui/Tdiapo.h"
#include "catalogue/TextUtils.h"
#include "platform/Error.h"

namespace ld {
namespace {

// Width of the settings panel in each form.
constexpr int kCompactWidth = 1001;
constexpr int kFullWidth = 1545;
// Gap between the panel's bottom and the screen's bottom edge.
constexpr int kBottomGap = 12;
// The largest screen-saver delay the X server can hold, in seconds.
constexpr int kMaxScreenSaverDelay = 32767;

// Runs fn under the window's error boundary whenever sender emits signal.
// The signal's arguments are not needed: the handlers read the controls.
template <class Sender, class Signal>
void OnSignal(Tdiapo* window, Sender* sender, Signal signal, std::function<void()> fn) {
  QObject::connect(sender, signal, window, [window, fn = std::move(fn)] { window->Guarded(fn); });
}

}  // namespace

void Tdiapo::CompactLayout() {
  if (CheckBox_grand_menu->isChecked()) {
    FullLayout();
    return;
  }
  Button_avec_sans_option->setText(QStringLiteral("options"));
  const int height = 2 * Button_retour->y() + Button_retour->height();
  Panel1->setGeometry((screen_width - kCompactWidth) / 2, screen_height - height - kBottomGap,
                      kCompactWidth, height);
  Panel_continuer->move(123, Panel_continuer->y());
  Button_retour->move(311, Button_retour->y());
  Button_avance->move(367, Button_avance->y());
  Panel_ouvrir_rep_img->move(424, Panel_ouvrir_rep_img->y());
  Button_avec_sans_option->move(644, Button_avec_sans_option->y());
  Button_quit->move(744, Button_quit->y());
  Button_close_param->move(849, Button_close_param->y());
  Button_tout_le_rep->move(878, Button_tout_le_rep->y());
}

void Tdiapo::FullLayout() {
  Button_avec_sans_option->setText(QStringLiteral("moins d'options"));
  const int height = Label20->y() + Label20->height() + 8;
  Panel1->setGeometry((screen_width - kFullWidth) / 2, screen_height - height - kBottomGap,
                      kFullWidth, height);
  Button_quit->move(123, Button_quit->y());
  Panel_continuer->move(475, Panel_continuer->y());
  Button_retour->move(663, Button_retour->y());
  Button_avance->move(719, Button_avance->y());
  Panel_ouvrir_rep_img->move(769, Panel_ouvrir_rep_img->y());
  Button_tout_le_rep->move(990, Button_tout_le_rep->y());
  Button_avec_sans_option->move(1082, Button_avec_sans_option->y());
  Button_close_param->move(1517, Button_close_param->y());
  // The advanced panel sits just above the full panel, right edges aligned;
  // the screen-saver panel to its left, tops aligned.
  Panel3->move(Panel1->x() + Panel1->width() - Panel3->width(), Panel1->y() - Panel3->height() - 2);
  Panel2->move(Panel3->x() - Panel2->width() - 2, Panel3->y());
}

void Tdiapo::Button_avec_sans_optionClick() {
  if (Button_avec_sans_option->text() == QLatin1String("options"))
    FullLayout();
  else
    CompactLayout();
}

void Tdiapo::MarkRebuildNeeded() {
  aPanel_sauve_param_et_BD0_et_quitter->SetColours(QColor(255, 0, 0), QColor(255, 255, 255));
  aPanel_sauve_param_et_BD0_et_quitter->repaint();
}

void Tdiapo::ClearRebuildMark() {
  aPanel_sauve_param_et_BD0_et_quitter->SetColours(QApplication::palette().color(QPalette::Button),
                                                   QColor(255, 0, 0));
  aPanel_sauve_param_et_BD0_et_quitter->repaint();
}

void Tdiapo::Button_param_avancerClick() {
  // isHidden: the panel's own state, whether or not the window is on screen.
  Panel3->setVisible(Panel3->isHidden());
  Panel2->setVisible(!Panel3->isHidden());
  ListBox_passee->setVisible(!Panel3->isHidden());
  if (!CheckBox_voir_liste_300->isChecked()) ListBox_passee->hide();
}

void Tdiapo::Button4Click() {
  Panel3->hide();
  Panel2->hide();
}

void Tdiapo::ButtonValidationDelaiClick() {
  // A text that is not a whole number throws here, before anything changes.
  const int seconds = ToIntOrThrow(Edit1->text());
  // The X server keeps the delay in a signed 16-bit field: a larger value
  // would be cut to another delay without a word.
  if (seconds < 0 || seconds > kMaxScreenSaverDelay)
    throw Error(QStringLiteral("Le délai doit être compris entre 0 et %1 secondes : %2")
                    .arg(kMaxScreenSaverDelay)
                    .arg(Edit1->text()));
  services().screenSaver.SetTimeout(seconds);
  // The new delay is in force; the program ends without saving.
  services().exit.Exit(1);
}

void Tdiapo::CheckBox_voir_liste_300Click() {
  ListBox_passee->setVisible(CheckBox_voir_liste_300->isChecked());
}

void Tdiapo::ConnectPanelHandlers() {
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
  // has the consequences of a user's change.
  const auto changed = [this] { settings_changed = true; };
  const auto rebuild = [this] { MarkRebuildNeeded(); };
  const auto rebuildAndChanged = [this] {
    MarkRebuildNeeded();
    settings_changed = true;
  };

  OnSignal(this, CheckBox_rnd, &QCheckBox::toggled, changed);
  for (Edit* e : {Edit_rayon_rnd, Edit_nb_fouille, Edit_indice_non_aleatoire, Edit_vmax,
                  Edit_annee_de, Edit_annee_a, Edit_mois_de, Edit_mois_a})
    OnSignal(this, e, &QLineEdit::textChanged, changed);
  OnSignal(this, RadioGroup_titre_ecran, &RadioGroup::changed, changed);

  OnSignal(this, CheckBox_date_de, &QCheckBox::toggled, rebuildAndChanged);
  OnSignal(this, CheckBox_date_a, &QCheckBox::toggled, rebuildAndChanged);
  OnSignal(this, CheckBox_contient, &QCheckBox::toggled, rebuild);
  OnSignal(this, Edit_contient, &QLineEdit::textChanged, rebuildAndChanged);
  // Entering the word field switches the word filter on.
  OnSignal(this, Edit_contient, &Edit::entered, [this] { CheckBox_contient->setChecked(true); });
  OnSignal(this, CheckBox_fic_exclusion, &QCheckBox::toggled, rebuild);
  OnSignal(this, RadioGroup_exclusion, &RadioGroup::changed, rebuild);

  OnSignal(this, CheckBox_af_an, &QCheckBox::toggled, [this] {
    const bool on = CheckBox_af_an->isChecked();
    if (!on) Label_an->setText(QStringLiteral("    "));
    Label_an->setVisible(on);
  });
}

}  // namespace ld
