// The two forms of the settings panel, the highlight of the reset button,
// the advanced-settings and screen-saver panels.
#include "panel/ui/Layout.h"

#include <QApplication>
#include <algorithm>
#include <initializer_list>

#include "panel/ui/PanelScale.h"

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

void LayOutCompact(TdiapoControls& c, QSize screen) {
  if (c.CheckBox_grand_menu->isChecked()) {
    LayOutFull(c, screen);
    return;
  }
  // The compact panel fits every fitted screen as drawn.
  PanelScale::Of(c.Panel1)->Restore();
  c.Button_avec_sans_option->setText(QStringLiteral("options"));
  const int height = 2 * c.Button_retour->y() + c.Button_retour->height();
  c.Panel1->setGeometry((screen.width() - kCompactWidth) / 2, screen.height() - height - kBottomGap,
                        kCompactWidth, height);
  PlaceTopRow({{c.Panel_continuer, 123},
               {c.Button_retour, 311},
               {c.Button_avance, 367},
               {c.Panel_ouvrir_rep_img, 424},
               {c.Button_avec_sans_option, 644},
               {c.Button_quit, 744},
               {c.Button_close_param, 849},
               {c.Button_tout_le_rep, 878}});
}

void LayOutFull(TdiapoControls& c, QSize screen) {
  const bool fitted = screen.width() >= kSmallestFittedScreen.width() &&
                      screen.height() >= kSmallestFittedScreen.height();
  // The drawn form first, then scaled when the screen is too small for it.
  PanelScale* scale1 = PanelScale::Of(c.Panel1);
  scale1->Restore();
  c.Button_avec_sans_option->setText(QStringLiteral("moins d'options"));
  PlaceTopRow({{c.Button_quit, 123},
               {c.Panel_continuer, 475},
               {c.Button_retour, 663},
               {c.Button_avance, 719},
               {c.Panel_ouvrir_rep_img, 769},
               {c.Button_tout_le_rep, 990},
               {c.Button_avec_sans_option, 1082},
               {c.Button_close_param, 1517}});
  const QSize drawn1(kFullWidth, c.Label20->y() + c.Label20->height() + 8);
  const double s1 =
      fitted ? FitScale(drawn1, QSize(screen.width(), screen.height() - kBottomGap)) : 1.0;
  c.Panel1->resize(drawn1);
  scale1->Apply(s1);
  const QSize size1 = c.Panel1->size();
  const QRect dock((screen.width() - size1.width()) / 2,
                   screen.height() - size1.height() - kBottomGap, size1.width(), size1.height());
  c.Panel1->setGeometry(dock);

  // The advanced panel sits just above the full panel, right edges aligned;
  // the screen-saver panel to its left, tops aligned. Where the room above
  // the full panel is too small for them, both are scaled alike.
  PanelScale* scale3 = PanelScale::Of(c.Panel3);
  PanelScale* scale2 = PanelScale::Of(c.Panel2);
  scale3->Restore();
  scale2->Restore();
  const QSize drawn3 = c.Panel3->size(), drawn2 = c.Panel2->size();
  const QSize pair(drawn3.width() + kPanelGap + drawn2.width(), drawn3.height());
  const double s3 = fitted ? FitScale(pair, QSize(screen.width(), dock.y() - kPanelGap)) : 1.0;
  scale3->Apply(s3);
  scale2->Apply(s3);
  c.Panel3->move(dock.x() + dock.width() - c.Panel3->width(),
                 dock.y() - c.Panel3->height() - kPanelGap);
  c.Panel2->move(c.Panel3->x() - c.Panel2->width() - kPanelGap, c.Panel3->y());
  // The history list, shown with them, is narrowed where it would cover the
  // screen-saver panel.
  const QRect history(8, 144, 657, 225);
  c.ListBox_passee->setGeometry(history);
  if (fitted && history.intersects(c.Panel2->geometry()))
    c.ListBox_passee->setGeometry(
        history.adjusted(0, 0, c.Panel2->x() - kPanelGap - history.right() - 1, 0));
}

bool CompactFormChosen(const TdiapoControls& c) {
  return c.Button_avec_sans_option->text() == QLatin1String("options");
}

void SetRebuildMark(ClickPanel* reset, bool on) {
  if (on)
    reset->SetColours(QColor(255, 0, 0), QColor(255, 255, 255));
  else
    reset->SetColours(QApplication::palette().color(QPalette::Button), QColor(255, 0, 0));
  reset->repaint();
}

void ToggleAdvancedPanels(TdiapoControls& c) {
  // isHidden: the panel's own state, whether or not the window is on screen.
  c.Panel3->setVisible(c.Panel3->isHidden());
  c.Panel2->setVisible(!c.Panel3->isHidden());
  c.ListBox_passee->setVisible(!c.Panel3->isHidden());
  if (!c.CheckBox_voir_liste_300->isChecked()) c.ListBox_passee->hide();
}

void ShowYearLabel(TdiapoControls& c) {
  const bool on = c.CheckBox_af_an->isChecked();
  if (!on) c.Label_an->setText(QStringLiteral("    "));
  c.Label_an->setVisible(on);
}

}  // namespace ld
