#pragma once

#include <QString>
#include <functional>
#include <memory>

namespace ld {

// Tells when the desktop has been idle (no key, no pointer movement) for a
// given time, through whatever the desktop offers; each way respects the
// desktop's idle inhibitors (a video playing), so nothing is reported while
// one is held.
class IIdleMonitor {
 public:
  virtual ~IIdleMonitor() = default;
  // The way in use, for messages ("Mutter", "ext-idle-notify-v1", ...).
  virtual QString Name() const = 0;
  // Reports onIdle once, when the user has been idle for delaySeconds,
  // counted from the later of the last input and this call. A new Arm
  // replaces the previous one.
  virtual void Arm(int delaySeconds) = 0;
  // Nothing is reported until the next Arm.
  virtual void Disarm() = 0;

  void SetOnIdle(std::function<void()> f) { onIdle_ = std::move(f); }
  // The desktop went away (the compositor or the bus ended): with the text
  // to show. Nothing more is reported after it.
  void SetOnLost(std::function<void(const QString&)> f) { onLost_ = std::move(f); }

 protected:
  void ReportIdle() {
    if (onIdle_) onIdle_();
  }
  void ReportLost(const QString& why) {
    if (onLost_) onLost_(why);
  }

 private:
  std::function<void()> onIdle_;
  std::function<void(const QString&)> onLost_;
};

// The three ways, each nothing when the desktop does not offer it.
// GNOME (Wayland and X11): org.gnome.Mutter.IdleMonitor on the session bus.
std::unique_ptr<IIdleMonitor> OpenMutterIdleMonitor();
// KDE Plasma and wlroots compositors: ext-idle-notify-v1, else
// org_kde_kwin_idle, on a Wayland connection of its own ($WAYLAND_DISPLAY).
std::unique_ptr<IIdleMonitor> OpenWaylandIdleMonitor();
// X11: the MIT-SCREEN-SAVER extension's notify events on $DISPLAY; the X
// server's screen-saver delay is the idle delay.
std::unique_ptr<IIdleMonitor> OpenX11IdleMonitor();

// The first of the three that the desktop offers, in that order; nothing
// when none does.
std::unique_ptr<IIdleMonitor> OpenIdleMonitor();

}  // namespace ld
