#include "platform/Session.h"

#include <QGuiApplication>

namespace ld {

bool IsWaylandSession() {
  return qGuiApp && QGuiApplication::platformName() == QLatin1String("wayland");
}

void UseX11Platform() { qputenv("QT_QPA_PLATFORM", "xcb"); }

}  // namespace ld
