#include "panel/ui/FloatingPanel.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMouseEvent>
#include <QRubberBand>

namespace ld {
namespace {

// The tool window that holds a floating panel; closing it docks the panel.
class FloatWindow : public QWidget {
 public:
  FloatWindow(QWidget* home, std::function<void()> onClose)
      : QWidget(home, Qt::Tool), on_close_(std::move(onClose)) {
    setObjectName(QStringLiteral("FloatingPanel1"));
    setWindowTitle(QStringLiteral("LuminoDrift"));
    setCursor(Qt::ArrowCursor);  // the home window hides the pointer during the show
  }

 protected:
  void closeEvent(QCloseEvent* e) override {
    e->ignore();
    on_close_();  // deletes this window later
  }

 private:
  std::function<void()> on_close_;
};

}  // namespace

PanelDock::PanelDock(QWidget* panel, QWidget* home, std::function<void()> redock)
    : QObject(home), panel_(panel), home_(home), redock_(std::move(redock)) {
  setObjectName(QStringLiteral("PanelDock"));
  panel_->installEventFilter(this);
}

QRect PanelDock::InsideHome(const QRect& global) const {
  const QRect area(home_->mapToGlobal(QPoint(0, 0)), home_->size());
  QRect r = global;
  r.moveLeft(std::max(area.left(), std::min(r.left(), area.right() + 1 - r.width())));
  r.moveTop(std::max(area.top(), std::min(r.top(), area.bottom() + 1 - r.height())));
  return r;
}

void PanelDock::Float(const QPoint& globalTopLeft) {
  const bool shown = !panel_->isHidden();
  moving_ = true;
  if (!window_) {
    window_ = new FloatWindow(home_, [this] { Dock(); });
    panel_->setParent(window_);
  }
  panel_->move(0, 0);
  panel_->setVisible(shown);
  moving_ = false;
  window_->setGeometry(InsideHome(QRect(globalTopLeft, panel_->size())));
  window_->setVisible(shown);
}

void PanelDock::Dock() {
  if (!window_) return;
  const bool shown = !panel_->isHidden();
  moving_ = true;
  panel_->setParent(home_);
  panel_->setVisible(shown);
  moving_ = false;
  window_->hide();
  window_->deleteLater();
  window_ = nullptr;
  if (redock_) redock_();
}

bool PanelDock::eventFilter(QObject* watched, QEvent* e) {
  if (watched == panel_) return PanelEvent(e);
  return QObject::eventFilter(watched, e);
}

bool PanelDock::PanelEvent(QEvent* e) {
  switch (e->type()) {
    case QEvent::MouseButtonPress: {
      auto* m = static_cast<QMouseEvent*>(e);
      const QPoint at = m->position().toPoint();
      // Only the bare background takes the panel; a control keeps its click.
      if (m->button() != Qt::LeftButton || panel_->childAt(at)) return false;
      pressed_ = true;
      press_global_ = m->globalPosition().toPoint();
      grab_ = at;
      return true;
    }
    case QEvent::MouseMove: {
      auto* m = static_cast<QMouseEvent*>(e);
      if (!pressed_ || !(m->buttons() & Qt::LeftButton)) return false;
      const QPoint global = m->globalPosition().toPoint();
      if (!dragging_ &&
          (global - press_global_).manhattanLength() < QApplication::startDragDistance())
        return true;
      if (!dragging_) {
        dragging_ = true;
        if (!outline_) {
          outline_ = new QRubberBand(QRubberBand::Rectangle, home_);
          outline_->setObjectName(QStringLiteral("PanelOutline"));
        }
      }
      const QRect r = InsideHome(QRect(global - grab_, panel_->size()));
      outline_->setGeometry(QRect(home_->mapFromGlobal(r.topLeft()), r.size()));
      outline_->raise();
      outline_->show();
      return true;
    }
    case QEvent::MouseButtonRelease: {
      auto* m = static_cast<QMouseEvent*>(e);
      if (!pressed_ || m->button() != Qt::LeftButton) return false;
      pressed_ = false;
      if (dragging_) {
        dragging_ = false;
        outline_->hide();
        Float(m->globalPosition().toPoint() - grab_);
      }
      return true;
    }
    case QEvent::ShowToParent:
      if (window_ && !moving_) window_->show();
      return false;
    case QEvent::HideToParent:
      if (window_ && !moving_) window_->hide();
      return false;
    case QEvent::Move:
      // The layouts place the docked panel; a floating one stays in the
      // corner of its window.
      if (window_ && !moving_ && panel_->pos() != QPoint(0, 0)) {
        moving_ = true;
        panel_->move(0, 0);
        moving_ = false;
      }
      return false;
    case QEvent::Resize:
      // The window takes the panel's new size and stays inside the home.
      if (window_ && !moving_)
        window_->setGeometry(InsideHome(QRect(window_->geometry().topLeft(), panel_->size())));
      return false;
    default:
      return false;
  }
}

}  // namespace ld
