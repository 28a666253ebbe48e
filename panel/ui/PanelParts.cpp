#include "panel/ui/PanelParts.h"

#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QPalette>

namespace ld::panel_parts {

QPalette SystemPalette() {
  const QPalette app = QApplication::palette();
  QPalette p;
  for (int g = 0; g < QPalette::NColorGroups; ++g)
    for (int r = 0; r < QPalette::NColorRoles; ++r) {
      const auto group = static_cast<QPalette::ColorGroup>(g);
      const auto role = static_cast<QPalette::ColorRole>(r);
      p.setColor(group, role, app.color(group, role));
    }
  p.setColor(QPalette::Window, app.color(QPalette::Button));
  return p;
}

QColor ButtonFace() { return QApplication::palette().color(QPalette::Button); }

// A panel: raised frame, button-face background painted over the picture.
QFrame* MakePanel(const char* name, QWidget* parent, const QRect& place) {
  auto* f = Create<QFrame>(name, parent, place);
  f->setFrameStyle(QFrame::Panel | QFrame::Raised);
  f->setLineWidth(1);
  f->setPalette(SystemPalette());
  f->setAutoFillBackground(true);
  QFont font = QApplication::font();
  font.setPixelSize(kPanelFontPixels);
  f->setFont(font);
  f->hide();
  return f;
}

void SetTextColour(QWidget* w, const QColor& c) {
  QPalette p = w->palette();
  for (auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
    p.setColor(role, c);
  w->setPalette(p);
}

void SetBold(QWidget* w) {
  QFont f = w->font();
  f.setBold(true);
  w->setFont(f);
}

// Shrinks the font of a control whose width the layouts fix until its
// caption fits (the top row's buttons share their places in both forms).
void FitCaption(QWidget* w, const QString& caption, int margin) {
  QFont f = w->font();
  while (f.pixelSize() > 7 &&
         QFontMetrics(f).horizontalAdvance(caption.trimmed()) > w->width() - margin)
    f.setPixelSize(f.pixelSize() - 1);
  w->setFont(f);
}

}  // namespace ld::panel_parts
