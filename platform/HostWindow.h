#pragma once

#include <QSize>
#include <QString>
#include <functional>
#include <optional>

class QCoreApplication;

namespace ld {

// A window of another program that the show is drawn into (XScreenSaver's
// window, or the root window).
struct HostWindow {
  quint64 id = 0;
  QSize size;
};

// Looks the window up on $DISPLAY; id 0 is the root window of the default
// screen. Nothing when there is no display or no such window.
std::optional<HostWindow> QueryHostWindow(quint64 id);

// The size of the monitor that Qt will call the primary screen, asked of
// $DISPLAY before Qt connects: the RandR monitor marked primary, else the
// first one, else the whole X screen. Lets work that depends on the screen's
// size start before the application is built. Nothing without a display.
std::optional<QSize> PrimaryMonitorSize();

// A termination request (SIGTERM, SIGINT, SIGHUP: the screen-saver daemon
// ends its modules with SIGTERM) makes the event loop of app end normally,
// so the program leaves main() instead of being killed in the middle of a
// step; beforeQuit runs first (to stop a scan under way, for example). A
// request that comes before the event loop runs (while the start-up lets
// events through) is kept: TerminationRequested() then says so. Install
// once, after the application exists.
void QuitOnTerminationSignal(QCoreApplication& app, std::function<void()> beforeQuit = {});
bool TerminationRequested();

}  // namespace ld
