#pragma once

#include <QFont>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <vector>

namespace ld {

// Shows a panel that was drawn for one size at a smaller scale, for screens
// too small for it: the rectangle and the characters of every control are
// multiplied by the same factor, so the panel keeps its arrangement, and a
// caption that would still be cut gets a smaller font. At scale 1 every
// control is exactly where and as it was drawn.
//
// The scaler lives as a child object of its panel; Of() finds or makes it.
class PanelScale : public QObject {
  Q_OBJECT

 public:
  static PanelScale* Of(QWidget* panel);

  // Back to the drawn geometry and fonts of the panel and of its controls.
  void Restore();
  // Takes the panel and its controls as they are now (their drawn state)
  // and shows them at scale (at most 1). The panel's own position is
  // scaled too; the caller places it afterwards.
  void Apply(double scale);
  double Scale() const { return scale_; }

 private:
  explicit PanelScale(QWidget* panel);
  struct Saved {
    QPointer<QWidget> widget;
    QRect geometry;
    QFont font;
    bool ownFont = false;
  };
  void Record(QWidget* w);
  QWidget* panel_;
  std::vector<Saved> saved_;
  double scale_ = 1.0;
};

}  // namespace ld
