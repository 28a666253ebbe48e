#pragma once

#include <QButtonGroup>
#include <QColor>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QStringList>

// Small controls that the panels are made of, with the behaviour the program
// relies on: a panel that acts as a button, a radio group addressed by item
// index (-1 = none), a list of directories with check boxes, and an edit that
// reports when it takes the keyboard focus.

namespace ld {

// A coloured panel with a centred caption that reacts to a left click.
class ClickPanel : public QLabel {
  Q_OBJECT
 public:
  explicit ClickPanel(const QString& caption, QWidget* parent = nullptr);
  void SetColours(const QColor& background, const QColor& text);
  QColor Background() const { return background_; }
  QColor TextColour() const { return text_; }

 signals:
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* e) override;

 private:
  QColor background_, text_;
};

// A label that holds a path: too long for the label, it is drawn with its
// middle left out ("/home/moi/…/Album A"); its hint shows the whole path.
// text() is always the whole path.
class PathLabel : public QLabel {
  Q_OBJECT
 public:
  using QLabel::QLabel;
  // The text as it is drawn.
  QString ShownText() const;

 protected:
  bool event(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
};

// A titled group of radio buttons. Setting an index below -1 selects nothing,
// one at or above the number of items selects the last; `changed` is emitted
// whenever the selected index changes, by the user or by the program.
class RadioGroup : public QGroupBox {
  Q_OBJECT
 public:
  RadioGroup(const QString& title, const QStringList& items, QWidget* parent = nullptr);
  int ItemIndex() const;
  void SetItemIndex(int index);
  int Count() const { return static_cast<int>(buttons_.size()); }
  QRadioButton* Item(int i) const { return buttons_[static_cast<size_t>(i)]; }
  // The items' margins and spacing follow a panel shown at a smaller scale.
  void SetScale(double scale);

 signals:
  void changed(int index);

 protected:
  void resizeEvent(QResizeEvent* e) override;

 private:
  void Arrange();
  QButtonGroup group_;
  std::vector<QRadioButton*> buttons_;
  int last_ = -1;
  double scale_ = 1.0;
};

// A list of lines, each with a check box, single selection.
class CheckListBox : public QListWidget {
  Q_OBJECT
 public:
  explicit CheckListBox(QWidget* parent = nullptr);
  int Count() const { return count(); }
  QString Line(int i) const;
  bool Checked(int i) const;
  void SetChecked(int i, bool on);
  void AddLine(const QString& text, bool checked);
  void RemoveLine(int i);
  void SetLines(const QStringList& lines, bool checked);
  QStringList Lines() const;
  int Selected() const { return currentRow(); }
};

// A one-line edit that signals when it receives the keyboard focus.
class Edit : public QLineEdit {
  Q_OBJECT
 public:
  explicit Edit(const QString& text, QWidget* parent = nullptr);

 signals:
  void entered();

 protected:
  void focusInEvent(QFocusEvent* e) override;
};

}  // namespace ld
