#pragma once

// Checks on the panels of the main window shared by the layout tests: the
// controls a panel shows, those that overlap, and those whose caption is cut
// or that stick out of their panel.
#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSet>
#include <QStringList>
#include <QTest>
#include <QWidget>
#include <algorithm>

namespace ld::testing {

// The direct children of a panel that are shown with it.
inline QList<QWidget*> Shown(QWidget* panel) {
  QList<QWidget*> out;
  for (QObject* o : panel->children())
    if (auto* w = qobject_cast<QWidget*>(o); w && !w->isHidden()) out << w;
  return out;
}

// Pairs of controls of one panel whose rectangles meet (the frame around the
// directory list surrounds it by design).
inline QStringList Overlaps(QWidget* panel) {
  QStringList out;
  const QList<QWidget*> kids = Shown(panel);
  for (int i = 0; i < kids.size(); ++i)
    for (int j = i + 1; j < kids.size(); ++j) {
      const QSet<QString> pair{kids[i]->objectName(), kids[j]->objectName()};
      if (pair == QSet<QString>{"Bevel1", "CheckListBox_rep"}) continue;
      if (kids[i]->geometry().intersects(kids[j]->geometry()))
        out << kids[i]->objectName() + " / " + kids[j]->objectName();
    }
  return out;
}

// Controls whose caption does not fit in their rectangle at the font they
// are drawn with, or that stick out of their panel.
inline QStringList CutOff(QWidget* panel) {
  QStringList out;
  for (QWidget* w : Shown(panel)) {
    if (!panel->rect().contains(w->geometry())) out << w->objectName() + " outside the panel";
    const QFontMetrics fm(w->font());
    auto widest = [&](const QString& text) {
      int m = 0;
      for (const QString& line : text.split(u'\n')) m = std::max(m, fm.horizontalAdvance(line));
      return m;
    };
    if (auto* cb = qobject_cast<QCheckBox*>(w)) {
      if (cb->sizeHint().width() > w->width() || fm.height() > w->height()) out << w->objectName();
    } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
      if (widest(b->text().trimmed()) + 6 > w->width() || fm.height() > w->height())
        out << w->objectName();
    } else if (auto* l = qobject_cast<QLabel*>(w)) {
      const QRect r = l->contentsRect();
      if (l->wordWrap()) {
        if (l->heightForWidth(w->width()) > w->height()) out << w->objectName();
      } else if (widest(l->text()) > r.width() || fm.height() > r.height()) {
        out << w->objectName();
      }
    } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
      if (fm.horizontalAdvance(e->text()) + 4 > w->width() || fm.height() > w->height())
        out << w->objectName();
    } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
      if (fm.horizontalAdvance(g->title()) + 16 > w->width()) out << w->objectName();
      for (auto* rb : g->findChildren<QRadioButton*>())
        if (rb->sizeHint().width() > rb->width() || !g->rect().contains(rb->geometry()))
          out << rb->text();
    }
    if (w->inherits("QFrame") && !qobject_cast<QLabel*>(w) && w->objectName() != "Bevel1" &&
        !qobject_cast<QAbstractScrollArea*>(w))
      out << CutOff(w);  // a panel inside a panel
  }
  return out;
}

// The texts of a list control, in order.
inline QStringList Lines(QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

// Buttons are pressed, labels and panels clicked with the mouse.
inline void Click(QWidget* w) {
  if (auto* b = qobject_cast<QAbstractButton*>(w))
    b->click();
  else
    QTest::mouseClick(w, Qt::LeftButton);
}

}  // namespace ld::testing
