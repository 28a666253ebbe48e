// The two forms of the settings panel, the highlight of the reset button,
// the advanced-settings and screen-saver panels, and the small change
// handlers that mark the settings for saving or the catalogue for rebuilding.
#include <QApplication>
#include <algorithm>
#include <functional>
#include <initializer_list>

#include "app/ui/Tdiapo.h"
#include "catalogue/TextUtils.h"
#include "panel/ui/FloatingPanel.h"
#include "panel/ui/PanelScale.h"
#include "platform/Error.h"

namespace ld {
namespace {

// Width of the settings panel in each form.
constexpr int kCompactWidth = 1001;
constexpr int kFullWidth = 1545;
// Gap between the panel's bottom and the screen's bottom edge.
constexpr int kBottomGap = 12;
// Gap between the panels stacked above the full panel.
constexpr int kPanelGap = 2;
// The smallest screen on which the panels are fitted: on it and on every
// larger one, a panel that would stick out of the screen is moved inside
// or, when it cannot fit, scaled down. Smaller screens keep the panels'
// drawn geometry, centred and possibly beyond the edges.
constexpr QSize kSmallestFittedScreen(1280, 720);
// The largest screen-saver delay the X server can hold, in seconds.
constexpr int kMaxScreenSaverDelay = 32767;

// Runs fn under the window's error boundary whenever sender emits signal.
// The signal's arguments are not needed: the handlers read the controls.
template <class Sender, class Signal>
void OnSignal(Tdiapo* window, Sender* sender, Signal signal, std::function<void()> fn) {
  QObject::connect(sender, signal, window, [window, fn = std::move(fn)] { window->Guarded(fn); });
}

// The largest scale, at most 1, at which a panel of the drawn size fits in
// room.
double FitScale(QSize drawn, QSize room) {
  return std::min(
      {1.0, double(room.width()) / drawn.width(), double(room.height()) / drawn.height()});
}

// The settings panel's top row at the left edges of one form.
void PlaceTopRow(const std::initializer_list<std::pair<QWidget*, int>>& lefts) {
  for (const auto& [w, left] : lefts) w->move(left, w->y());
}

}  // namespace

void Tdiapo::CompactLayout() {
  if (CheckBox_grand_menu->isChecked()) {
    FullLayout();
    return;
  }
  // The compact panel fits every fitted screen as drawn.
  PanelScale::Of(Panel1)->Restore();
  Button_avec_sans_option->setText(QStringLiteral("options"));
  const int height = 2 * Button_retour->y() + Button_retour->height();
  Panel1->setGeometry((screen_width - kCompactWidth) / 2, screen_height - height - kBottomGap,
                      kCompactWidth, height);
  PlaceTopRow({{Panel_continuer, 123},
               {Button_retour, 311},
               {Button_avance, 367},
               {Panel_ouvrir_rep_img, 424},
               {Button_avec_sans_option, 644},
               {Button_quit, 744},
               {Button_close_param, 849},
               {Button_tout_le_rep, 878}});
}

void Tdiapo::FullLayout() {
  const bool fitted = screen_width >= kSmallestFittedScreen.width() &&
                      screen_height >= kSmallestFittedScreen.height();
  // The drawn form first, then scaled when the screen is too small for it.
  PanelScale* scale1 = PanelScale::Of(Panel1);
  scale1->Restore();
  Button_avec_sans_option->setText(QStringLiteral("moins d'options"));
  PlaceTopRow({{Button_quit, 123},
               {Panel_continuer, 475},
               {Button_retour, 663},
               {Button_avance, 719},
               {Panel_ouvrir_rep_img, 769},
               {Button_tout_le_rep, 990},
               {Button_avec_sans_option, 1082},
               {Button_close_param, 1517}});
  const QSize drawn1(kFullWidth, Label20->y() + Label20->height() + 8);
  const double s1 =
      fitted ? FitScale(drawn1, QSize(screen_width, screen_height - kBottomGap)) : 1.0;
  Panel1->resize(drawn1);
  scale1->Apply(s1);
  const QSize size1 = Panel1->size();
  const QRect dock((screen_width - size1.width()) / 2, screen_height - size1.height() - kBottomGap,
                   size1.width(), size1.height());
  Panel1->setGeometry(dock);

  // The advanced panel sits just above the full panel, right edges aligned;
  // the screen-saver panel to its left, tops aligned. Where the room above
  // the full panel is too small for them, both are scaled alike.
  PanelScale* scale3 = PanelScale::Of(Panel3);
  PanelScale* scale2 = PanelScale::Of(Panel2);
  scale3->Restore();
  scale2->Restore();
  const QSize drawn3 = Panel3->size(), drawn2 = Panel2->size();
  const QSize pair(drawn3.width() + kPanelGap + drawn2.width(), drawn3.height());
  const double s3 = fitted ? FitScale(pair, QSize(screen_width, dock.y() - kPanelGap)) : 1.0;
  scale3->Apply(s3);
  scale2->Apply(s3);
  Panel3->move(dock.x() + dock.width() - Panel3->width(), dock.y() - Panel3->height() - kPanelGap);
  Panel2->move(Panel3->x() - Panel2->width() - kPanelGap, Panel3->y());
  // The history list, shown with them, is narrowed where it would cover the
  // screen-saver panel.
  const QRect history(8, 144, 657, 225);
  ListBox_passee->setGeometry(history);
  if (fitted && history.intersects(Panel2->geometry()))
    ListBox_passee->setGeometry(
        history.adjusted(0, 0, Panel2->x() - kPanelGap - history.right() - 1, 0));
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
  // The settings panel can be dragged off to a floating window; back home,
  // it takes the place of the form it is in.
  new PanelDock(Panel1, this, [this] {
    if (Button_avec_sans_option->text() == QLatin1String("options"))
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
