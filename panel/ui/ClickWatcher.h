#pragma once

#include <QEvent>
#include <QMouseEvent>
#include <QObject>
#include <functional>

namespace ld {

// Makes a widget that has no click signal of its own (a label) call a
// function on a left click: installed as the widget's event filter and owned
// by it.
class ClickWatcher : public QObject {
 public:
  ClickWatcher(QWidget* watched, std::function<void()> onClick)
      : QObject(watched), on_click_(std::move(onClick)) {
    watched->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton && on_click_) {
      on_click_();
      return true;
    }
    return QObject::eventFilter(watched, e);
  }

 private:
  std::function<void()> on_click_;
};

}  // namespace ld
