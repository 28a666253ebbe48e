// The desktop's idle time on X11: the MIT-SCREEN-SAVER extension tells by an
// event when the server's own screen-saver timer runs out. Events, not a poll
// of the idle time: the timer stands still while a program holds
// XScreenSaverSuspend (video players do), which a poll would not see.
#include <QSocketNotifier>

#include "platform/IdleMonitor.h"

// Xlib defines macros (Status, Bool, ...) that clash with Qt: it comes last.
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

namespace ld {
namespace {

class X11IdleMonitor : public IIdleMonitor {
 public:
  X11IdleMonitor(Display* d, int eventBase) : display_(d), eventBase_(eventBase) {
    XScreenSaverSelectInput(display_, DefaultRootWindow(display_), ScreenSaverNotifyMask);
    XFlush(display_);
    notifier_ =
        std::make_unique<QSocketNotifier>(ConnectionNumber(display_), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { ReadEvents(); });
  }
  ~X11IdleMonitor() override {
    notifier_.reset();
    XCloseDisplay(display_);
  }

  QString Name() const override { return QStringLiteral("MIT-SCREEN-SAVER"); }

  void Arm(int delaySeconds) override {
    // The server's timer is the delay: set it when it differs, keeping the
    // other screen-saver values.
    int timeout = 0, interval = 0, blanking = 0, exposures = 0;
    XGetScreenSaver(display_, &timeout, &interval, &blanking, &exposures);
    if (timeout != delaySeconds)
      XSetScreenSaver(display_, delaySeconds, interval, blanking, exposures);
    // The timer starts again now, as after an input.
    XResetScreenSaver(display_);
    // Events that the server sent before the reset (the saver that came on
    // while the last show ran) are all here after a round trip: none of them
    // is about the idle period that starts now.
    XSync(display_, False);
    while (XPending(display_) > 0) {
      XEvent e;
      XNextEvent(display_, &e);
    }
    armed_ = true;
  }

  void Disarm() override { armed_ = false; }

 private:
  void ReadEvents() {
    while (XPending(display_) > 0) {
      XEvent e;
      XNextEvent(display_, &e);
      if (e.type != eventBase_ + ScreenSaverNotify) continue;
      const auto& n = reinterpret_cast<const XScreenSaverNotifyEvent&>(e);
      // Only the saver coming on counts. "Off" events say that the user is
      // back, or come forced by XResetScreenSaver calls (ours below, video
      // players', xdg-screensaver's) even when the saver was not on at all:
      // none of them is a reason to do anything.
      if (n.state != ScreenSaverOn || !armed_) continue;
      armed_ = false;
      // The server would blank the screen over the show: back to "off" (an
      // "off, forced" event follows, ignored above). The timer restarts, and
      // runs out again later while the show is on; that is not armed.
      XResetScreenSaver(display_);
      XFlush(display_);
      ReportIdle();
    }
  }

  Display* display_;
  int eventBase_;
  bool armed_ = false;
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace

std::unique_ptr<IIdleMonitor> OpenX11IdleMonitor() {
  if (qEnvironmentVariableIsEmpty("DISPLAY")) return nullptr;
  Display* d = XOpenDisplay(nullptr);
  if (!d) return nullptr;
  int eventBase = 0, errorBase = 0;
  if (!XScreenSaverQueryExtension(d, &eventBase, &errorBase)) {
    XCloseDisplay(d);
    return nullptr;
  }
  return std::make_unique<X11IdleMonitor>(d, eventBase);
}

}  // namespace ld
