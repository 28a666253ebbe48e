#include "platform/ui/Application.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QProxyStyle>
#include <QToolTip>
#include <QWidget>
#include <climits>
#include <cstdlib>
#include <new>

#include "platform/Error.h"
#include "platform/Fatal.h"

namespace ld {
namespace {

class HintStyle : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* ret) const override {
    if (hint == SH_ToolTip_WakeUpDelay) return 200;
    if (hint == SH_ToolTip_FallAsleepDelay) return 0;
    return QProxyStyle::styleHint(hint, option, widget, ret);
  }
};

// Shows a hint with no time-out, bound to the control's rectangle so that it
// goes when the pointer leaves the control.
class HintFilter : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* obj, QEvent* e) override {
    if (e->type() != QEvent::ToolTip) return false;
    auto* w = qobject_cast<QWidget*>(obj);
    if (!w || w->toolTip().isEmpty()) return false;
    auto* he = static_cast<QHelpEvent*>(e);
    QToolTip::showText(he->globalPos(), w->toolTip(), w, w->rect(), INT_MAX);
    return true;
  }
};

}  // namespace

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

Application* Application::instance() {
  return qobject_cast<Application*>(QCoreApplication::instance());
}

bool Application::notify(QObject* receiver, QEvent* event) {
  try {
    if (keyHook_ && (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) &&
        keyHook_(receiver, static_cast<QKeyEvent*>(event)))
      return true;
    return QApplication::notify(receiver, event);
  } catch (const Error& e) {
    if (errorHook_) errorHook_(e.message());
  } catch (const ProcessEnded&) {
    // Only the recording stand-in of the process end throws this; the
    // "process" has ended, nothing more happens.
  } catch (const std::bad_alloc&) {
    // Out of memory: the program says so and ends, with no box to show.
    ReportOutOfMemory();
    std::_Exit(1);
  } catch (const std::exception& e) {
    if (errorHook_) errorHook_(QString::fromLocal8Bit(e.what()));
  }
  return true;
}

void InstallHints(QApplication& app) {
  app.setStyle(new HintStyle);
  app.installEventFilter(new HintFilter(&app));
}

}  // namespace ld
