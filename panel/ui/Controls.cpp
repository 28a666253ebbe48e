#include "panel/ui/Controls.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QToolTip>
#include <climits>
#include <cmath>

namespace ld {

ClickPanel::ClickPanel(const QString& caption, QWidget* parent) : QLabel(caption, parent) {
  setAlignment(Qt::AlignCenter);
  setFrameShape(QFrame::Panel);
  setFrameShadow(QFrame::Raised);
  setLineWidth(1);
  setAutoFillBackground(true);
  setCursor(Qt::PointingHandCursor);
  SetColours(palette().color(QPalette::Button), palette().color(QPalette::ButtonText));
}

void ClickPanel::SetColours(const QColor& background, const QColor& text) {
  background_ = background;
  text_ = text;
  QPalette p = palette();
  p.setColor(QPalette::Window, background);
  p.setColor(QPalette::WindowText, text);
  setPalette(p);
  update();
}

void ClickPanel::mouseReleaseEvent(QMouseEvent* e) {
  QLabel::mouseReleaseEvent(e);
  if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) emit clicked();
}

QString PathLabel::ShownText() const {
  return fontMetrics().elidedText(text(), Qt::ElideMiddle, contentsRect().width());
}

bool PathLabel::event(QEvent* e) {
  if (e->type() == QEvent::ToolTip && !text().isEmpty() && toolTip().isEmpty()) {
    // Shown until the pointer leaves the label, as every hint.
    QToolTip::showText(static_cast<QHelpEvent*>(e)->globalPos(), text(), this, rect(), INT_MAX);
    return true;
  }
  return QLabel::event(e);
}

void PathLabel::paintEvent(QPaintEvent* e) {
  QFrame::paintEvent(e);
  QPainter p(this);
  style()->drawItemText(&p, contentsRect(), alignment(), palette(), isEnabled(), ShownText(),
                        foregroundRole());
}

RadioGroup::RadioGroup(const QString& title, const QStringList& items, QWidget* parent)
    : QGroupBox(title, parent) {
  group_.setExclusive(true);
  for (int i = 0; i < items.size(); ++i) {
    auto* b = new QRadioButton(items[i], this);
    group_.addButton(b, i);
    buttons_.push_back(b);
  }
  connect(&group_, &QButtonGroup::idToggled, this, [this](int, bool on) {
    if (!on) return;
    const int now = ItemIndex();
    if (now != last_) {
      last_ = now;
      emit changed(now);
    }
  });
  Arrange();
}

int RadioGroup::ItemIndex() const { return group_.checkedId(); }

void RadioGroup::SetItemIndex(int index) {
  if (index < -1) index = -1;
  if (index >= Count()) index = Count() - 1;
  if (index == ItemIndex()) return;
  if (index < 0) {
    // An exclusive group cannot uncheck its last button directly.
    group_.setExclusive(false);
    for (auto* b : buttons_) b->setChecked(false);
    group_.setExclusive(true);
  } else {
    buttons_[static_cast<size_t>(index)]->setChecked(true);
  }
  if (ItemIndex() != last_) {
    last_ = ItemIndex();
    emit changed(last_);
  }
}

void RadioGroup::resizeEvent(QResizeEvent* e) {
  QGroupBox::resizeEvent(e);
  Arrange();
}

void RadioGroup::SetScale(double scale) {
  scale_ = scale;
  Arrange();
}

void RadioGroup::Arrange() {
  if (buttons_.empty()) return;
  auto px = [this](int v) { return static_cast<int>(std::lround(v * scale_)); };
  const int top = px(18);
  const int avail = std::max(1, height() - top - px(4));
  const int step = std::max(px(16), avail / static_cast<int>(buttons_.size()));
  for (size_t i = 0; i < buttons_.size(); ++i)
    buttons_[i]->setGeometry(px(8), top + static_cast<int>(i) * step,
                             std::max(10, width() - px(12)), std::min(step, px(22)));
}

CheckListBox::CheckListBox(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::SingleSelection);
}

QString CheckListBox::Line(int i) const { return item(i)->text(); }

bool CheckListBox::Checked(int i) const { return item(i)->checkState() == Qt::Checked; }

void CheckListBox::SetChecked(int i, bool on) {
  item(i)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

void CheckListBox::AddLine(const QString& text, bool checked) {
  auto* it = new QListWidgetItem(text, this);
  it->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
  it->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

void CheckListBox::RemoveLine(int i) { delete takeItem(i); }

void CheckListBox::SetLines(const QStringList& lines, bool checked) {
  clear();
  for (const QString& l : lines) AddLine(l, checked);
}

QStringList CheckListBox::Lines() const {
  QStringList out;
  for (int i = 0; i < count(); ++i) out << item(i)->text();
  return out;
}

Edit::Edit(const QString& text, QWidget* parent) : QLineEdit(text, parent) {}

void Edit::focusInEvent(QFocusEvent* e) {
  QLineEdit::focusInEvent(e);
  emit entered();
}

}  // namespace ld
