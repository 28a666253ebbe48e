#include "platform/IdleMonitor.h"

namespace ld {

std::unique_ptr<IIdleMonitor> OpenIdleMonitor() {
  // GNOME first: under GNOME on Wayland Mutter offers no idle protocol, and
  // under GNOME on X11 its own idle time is the one its inhibitors hold back.
  if (auto m = OpenMutterIdleMonitor()) return m;
  if (auto m = OpenWaylandIdleMonitor()) return m;
  return OpenX11IdleMonitor();
}

}  // namespace ld
