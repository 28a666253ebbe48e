// The desktop's idle time on KDE Plasma and wlroots compositors (sway,
// labwc, Hyprland): the Wayland protocol ext-idle-notify-v1, or
// org_kde_kwin_idle where only that one exists (sway 1.7, older Plasma), on a
// Wayland connection of the watcher's own. Both respect the compositor's
// idle inhibitors. A notification counts from its creation or the last input,
// so each Arm makes a new one.
#include <wayland-client.h>

#include <QSocketNotifier>
#include <cerrno>
#include <cstring>

#include "ext-idle-notify-v1-client-protocol.h"
#include "idle-client-protocol.h"
#include "platform/IdleMonitor.h"

namespace ld {
namespace {

class WaylandIdleMonitor : public IIdleMonitor {
 public:
  explicit WaylandIdleMonitor(wl_display* d) : display_(d) {}
  ~WaylandIdleMonitor() override {
    notifier_.reset();
    DestroyNotification();
    if (ext_) ext_idle_notifier_v1_destroy(ext_);
    if (kde_) org_kde_kwin_idle_destroy(kde_);
    if (seat_) wl_seat_destroy(seat_);
    if (registry_) wl_registry_destroy(registry_);
    wl_display_disconnect(display_);
  }

  // Binds the seat and an idle protocol; false when the compositor offers
  // none of them.
  bool Bind() {
    registry_ = wl_display_get_registry(display_);
    static const wl_registry_listener listener = {&Global, &GlobalRemove};
    wl_registry_add_listener(registry_, &listener, this);
    if (wl_display_roundtrip(display_) < 0 || !seat_ || (!ext_ && !kde_)) return false;
    notifier_ =
        std::make_unique<QSocketNotifier>(wl_display_get_fd(display_), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { ReadEvents(); });
    return true;
  }

  QString Name() const override {
    return ext_ ? QStringLiteral("ext-idle-notify-v1") : QStringLiteral("org_kde_kwin_idle");
  }

  void Arm(int delaySeconds) override {
    DestroyNotification();
    const uint32_t ms = uint32_t(delaySeconds) * 1000u;
    if (ext_) {
      static const ext_idle_notification_v1_listener listener = {&ExtIdled, &ExtResumed};
      extNotification_ = ext_idle_notifier_v1_get_idle_notification(ext_, ms, seat_);
      ext_idle_notification_v1_add_listener(extNotification_, &listener, this);
    } else {
      static const org_kde_kwin_idle_timeout_listener listener = {&KdeIdle, &KdeResumed};
      kdeTimeout_ = org_kde_kwin_idle_get_idle_timeout(kde_, seat_, ms);
      org_kde_kwin_idle_timeout_add_listener(kdeTimeout_, &listener, this);
    }
    Flush();
  }

  void Disarm() override {
    DestroyNotification();
    Flush();
  }

 private:
  static void Global(void* data, wl_registry* registry, uint32_t name, const char* interface,
                     uint32_t) {
    auto* self = static_cast<WaylandIdleMonitor*>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && !self->seat_) {
      self->seat_ = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    } else if (std::strcmp(interface, ext_idle_notifier_v1_interface.name) == 0) {
      self->ext_ = static_cast<ext_idle_notifier_v1*>(
          wl_registry_bind(registry, name, &ext_idle_notifier_v1_interface, 1));
    } else if (std::strcmp(interface, org_kde_kwin_idle_interface.name) == 0) {
      self->kde_ = static_cast<org_kde_kwin_idle*>(
          wl_registry_bind(registry, name, &org_kde_kwin_idle_interface, 1));
    }
  }
  static void GlobalRemove(void*, wl_registry*, uint32_t) {}

  static void ExtIdled(void* data, ext_idle_notification_v1*) {
    static_cast<WaylandIdleMonitor*>(data)->Idled();
  }
  static void ExtResumed(void*, ext_idle_notification_v1*) {}
  static void KdeIdle(void* data, org_kde_kwin_idle_timeout*) {
    static_cast<WaylandIdleMonitor*>(data)->Idled();
  }
  static void KdeResumed(void*, org_kde_kwin_idle_timeout*) {}

  // Reported after the dispatch, so that the notification is not destroyed
  // from inside its own event and a new Arm can follow at once.
  void Idled() { idled_ = true; }

  void ReadEvents() {
    if (wl_display_dispatch(display_) < 0) {
      Lost();
      return;
    }
    if (idled_) {
      idled_ = false;
      Disarm();
      ReportIdle();
    }
  }

  void Flush() {
    if (!lost_ && wl_display_flush(display_) < 0 && errno != EAGAIN) Lost();
  }

  void Lost() {
    if (lost_) return;
    lost_ = true;
    if (notifier_) notifier_->setEnabled(false);
    ReportLost(QStringLiteral("le compositeur Wayland a fermé la connexion"));
  }

  void DestroyNotification() {
    if (extNotification_) ext_idle_notification_v1_destroy(extNotification_);
    if (kdeTimeout_) org_kde_kwin_idle_timeout_release(kdeTimeout_);
    extNotification_ = nullptr;
    kdeTimeout_ = nullptr;
  }

  wl_display* display_;
  wl_registry* registry_ = nullptr;
  wl_seat* seat_ = nullptr;
  ext_idle_notifier_v1* ext_ = nullptr;
  org_kde_kwin_idle* kde_ = nullptr;
  ext_idle_notification_v1* extNotification_ = nullptr;
  org_kde_kwin_idle_timeout* kdeTimeout_ = nullptr;
  std::unique_ptr<QSocketNotifier> notifier_;
  bool idled_ = false;
  bool lost_ = false;
};

}  // namespace

std::unique_ptr<IIdleMonitor> OpenWaylandIdleMonitor() {
  if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) return nullptr;
  wl_display* d = wl_display_connect(nullptr);
  if (!d) return nullptr;
  auto m = std::make_unique<WaylandIdleMonitor>(d);
  if (!m->Bind()) return nullptr;
  return m;
}

}  // namespace ld
