#include "platform/HostWindow.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>

// Xlib defines macros (Status, Bool, ...) that clash with Qt: it comes last.
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

namespace ld {
namespace {

bool g_badWindow = false;

int RecordError(Display*, XErrorEvent*) {
  g_badWindow = true;
  return 0;
}

int g_signalPipe[2] = {-1, -1};
bool g_terminationRequested = false;

void OnTerminationSignal(int) {
  const char c = 1;
  // Only async-signal-safe calls here; the event loop does the rest.
  [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &c, 1);
}

}  // namespace

std::optional<HostWindow> QueryHostWindow(quint64 id) {
  if (qEnvironmentVariableIsEmpty("DISPLAY")) return std::nullopt;
  Display* d = XOpenDisplay(nullptr);
  if (!d) return std::nullopt;
  const Window w = id == 0 ? DefaultRootWindow(d) : static_cast<Window>(id);
  // A window id that names nothing is an X protocol error, which Xlib's
  // default handler would answer by ending the process.
  g_badWindow = false;
  XSync(d, False);
  auto* previous = XSetErrorHandler(RecordError);
  XWindowAttributes attributes{};
  const bool ok = XGetWindowAttributes(d, w, &attributes) != 0;
  XSync(d, False);
  XSetErrorHandler(previous);
  XCloseDisplay(d);
  if (!ok || g_badWindow || attributes.width <= 0 || attributes.height <= 0) return std::nullopt;
  return HostWindow{static_cast<quint64>(w), QSize(attributes.width, attributes.height)};
}

std::optional<QSize> PrimaryMonitorSize() {
  if (qEnvironmentVariableIsEmpty("DISPLAY")) return std::nullopt;
  Display* d = XOpenDisplay(nullptr);
  if (!d) return std::nullopt;
  QSize size(DisplayWidth(d, DefaultScreen(d)), DisplayHeight(d, DefaultScreen(d)));
  int event = 0, error = 0, major = 0, minor = 0;
  if (XRRQueryExtension(d, &event, &error) && XRRQueryVersion(d, &major, &minor) &&
      (major > 1 || (major == 1 && minor >= 5))) {
    int count = 0;
    XRRMonitorInfo* monitors = XRRGetMonitors(d, DefaultRootWindow(d), True, &count);
    if (monitors && count > 0) {
      const XRRMonitorInfo* chosen = &monitors[0];
      for (int i = 0; i < count; ++i)
        if (monitors[i].primary) chosen = &monitors[i];
      if (chosen->width > 0 && chosen->height > 0) size = QSize(chosen->width, chosen->height);
    }
    if (monitors) XRRFreeMonitors(monitors);
  }
  XCloseDisplay(d);
  if (size.isEmpty()) return std::nullopt;
  return size;
}

bool TerminationRequested() { return g_terminationRequested; }

void QuitOnTerminationSignal(QCoreApplication& app, std::function<void()> beforeQuit) {
  if (g_signalPipe[0] >= 0) return;
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0) return;
  auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
  QObject::connect(notifier, &QSocketNotifier::activated, &app, [beforeQuit] {
    char c = 0;
    [[maybe_unused]] const ssize_t n = ::read(g_signalPipe[0], &c, 1);
    g_terminationRequested = true;
    if (beforeQuit) beforeQuit();
    // exit(), not quit(): quit() asks the windows first, and the host window
    // is not ours to close.
    QCoreApplication::exit(0);
  });
  struct sigaction sa {};
  sa.sa_handler = OnTerminationSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &sa, nullptr);
}

}  // namespace ld
