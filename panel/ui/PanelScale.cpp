#include "panel/ui/PanelScale.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <cmath>

#include "panel/ui/Controls.h"

namespace ld {
namespace {

// The smallest characters a scaled panel uses, in pixels.
constexpr int kSmallestFont = 7;

int Scaled(int v, double s) { return static_cast<int>(std::lround(v * s)); }

// Edges are scaled, not sizes, so that controls that touch or keep a gap
// at their drawn size still do after rounding.
QRect ScaledRect(const QRect& r, double s) {
  const int left = Scaled(r.x(), s), top = Scaled(r.y(), s);
  return QRect(left, top, Scaled(r.x() + r.width(), s) - left, Scaled(r.y() + r.height(), s) - top);
}

int PixelSize(const QFont& f) {
  if (f.pixelSize() > 0) return f.pixelSize();
  return static_cast<int>(std::lround(f.pointSizeF() * 96.0 / 72.0));
}

int Widest(const QFontMetrics& fm, const QString& text) {
  int m = 0;
  for (const QString& line : text.split(u'\n')) m = std::max(m, fm.horizontalAdvance(line));
  return m;
}

// Whether the caption of w is wider (or taller) than the room it has.
bool CaptionCut(QWidget* w) {
  const QFontMetrics fm(w->font());
  if (auto* g = qobject_cast<RadioGroup*>(w)) {
    if (fm.horizontalAdvance(g->title()) + 16 > w->width()) return true;
    for (int i = 0; i < g->Count(); ++i)
      if (g->Item(i)->sizeHint().width() > g->Item(i)->width()) return true;
    return false;
  }
  if (auto* cb = qobject_cast<QCheckBox*>(w)) return cb->sizeHint().width() > w->width();
  if (auto* b = qobject_cast<QAbstractButton*>(w))
    return Widest(fm, b->text().trimmed()) + 6 > w->width() || fm.height() > w->height();
  if (auto* l = qobject_cast<QLabel*>(w)) {
    if (l->wordWrap()) return l->heightForWidth(w->width()) > w->height();
    const QRect r = l->contentsRect();
    return Widest(fm, l->text()) > r.width() || fm.height() > r.height();
  }
  if (auto* e = qobject_cast<QLineEdit*>(w))
    return fm.horizontalAdvance(e->text()) + 4 > w->width() || fm.height() > w->height();
  return false;
}

// A plain frame holds controls of its own (a panel inside a panel); other
// widgets arrange their inner parts themselves.
bool IsPlainFrame(const QWidget* w) { return w->metaObject() == &QFrame::staticMetaObject; }

}  // namespace

PanelScale::PanelScale(QWidget* panel) : QObject(panel), panel_(panel) {
  setObjectName(QStringLiteral("PanelScale"));
}

PanelScale* PanelScale::Of(QWidget* panel) {
  if (auto* s = panel->findChild<PanelScale*>(QString(), Qt::FindDirectChildrenOnly)) return s;
  return new PanelScale(panel);
}

void PanelScale::Restore() {
  if (saved_.empty()) return;
  for (const Saved& s : saved_) {
    if (!s.widget) continue;
    // A control that inherited its font inherits it again.
    s.widget->setFont(s.ownFont ? s.font : QFont());
    if (auto* g = qobject_cast<RadioGroup*>(s.widget.data())) g->SetScale(1.0);
    if (s.widget != panel_) s.widget->setGeometry(s.geometry);
  }
  panel_->resize(saved_.front().geometry.size());
  saved_.clear();
  scale_ = 1.0;
}

void PanelScale::Record(QWidget* w) {
  saved_.push_back({w, w->geometry(), w->font(), w->testAttribute(Qt::WA_SetFont)});
  if (w != panel_ && !IsPlainFrame(w)) return;
  for (QObject* o : w->children())
    if (auto* c = qobject_cast<QWidget*>(o); c && !c->isWindow()) Record(c);
}

void PanelScale::Apply(double scale) {
  Restore();
  if (scale >= 1.0) return;
  scale_ = scale;
  Record(panel_);
  // Fonts first (the panel's own first, which the others inherit), then
  // the rectangles, then the captions that still do not fit.
  for (const Saved& s : saved_) {
    if (!s.ownFont) continue;
    QFont f = s.font;
    f.setPixelSize(
        std::max(kSmallestFont, static_cast<int>(std::floor(PixelSize(s.font) * scale))));
    s.widget->setFont(f);
  }
  panel_->resize(ScaledRect(saved_.front().geometry, scale).size());
  for (size_t i = 1; i < saved_.size(); ++i) {
    const Saved& s = saved_[i];
    s.widget->setGeometry(ScaledRect(s.geometry, scale));
    if (auto* g = qobject_cast<RadioGroup*>(s.widget.data())) g->SetScale(scale);
  }
  for (size_t i = 1; i < saved_.size(); ++i) {
    QWidget* w = saved_[i].widget;
    QFont f = w->font();
    while (CaptionCut(w) && PixelSize(f) > kSmallestFont) {
      f.setPixelSize(PixelSize(f) - 1);
      w->setFont(f);
    }
  }
}

}  // namespace ld
