#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <functional>

class QRubberBand;

namespace ld {

// Lets a panel of a window be dragged with the mouse by its bare background
// (not by one of its controls) and dropped anywhere as a floating tool
// window of its own. While it is dragged, an outline of the panel follows
// the pointer; when the button is released, the panel floats at the
// outline's place, kept inside its home window's rectangle. A floating
// panel can be dragged again the same way; closing its window puts it back
// in its home window.
//
// The panel keeps its own visible state wherever it is: hiding or showing
// it hides or shows its floating window, and the sizes the home window's
// layouts give it resize that window; the positions they give it are those
// of the docked panel and do not move the floating one.
class PanelDock : public QObject {
  Q_OBJECT
 public:
  // home: the window the panel belongs to. redock: places the panel again
  // once it is back in home.
  PanelDock(QWidget* panel, QWidget* home, std::function<void()> redock);

  bool Floating() const { return window_ != nullptr; }
  // The floating window, or nullptr while the panel is in its home window.
  QWidget* FloatingWindow() const { return window_; }
  // Floats the panel with its top-left corner at globalTopLeft (moved
  // inside the home window's rectangle when it would stick out).
  void Float(const QPoint& globalTopLeft);
  // Puts the panel back in its home window.
  void Dock();

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  bool PanelEvent(QEvent* e);
  QRect InsideHome(const QRect& global) const;

  QWidget* panel_;
  QWidget* home_;
  std::function<void()> redock_;
  QPointer<QWidget> window_;
  QRubberBand* outline_ = nullptr;
  bool pressed_ = false;
  bool dragging_ = false;
  bool moving_ = false;  // the panel is being moved or reparented here
  QPoint press_global_;
  QPoint grab_;  // where the panel was taken, in its own coordinates
};

}  // namespace ld
