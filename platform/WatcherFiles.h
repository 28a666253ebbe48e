#pragma once

#include <QString>
#include <optional>

#include "platform/Services.h"

namespace ld {

// The idle watcher's delay in seconds when neither the command line nor the
// desktop gives one.
inline constexpr int kDefaultWatcherDelay = 600;

// The watcher's own delay (the panel's "écran de veille" value where the X
// server's timer has no role): one line, whole seconds, in the data
// directory. Nothing when the file is missing or holds no whole number from
// 0 to 32767; 0 means that the watcher starts no show.
QString WatcherDelayPath();
std::optional<int> ReadWatcherDelay();
// Throws ld::Error when the file cannot be written.
void WriteWatcherDelay(int seconds);

// The watcher's delay when none is given on the command line: its delay
// file, else on an X11 session the X server's screen-saver delay (when set),
// else kDefaultWatcherDelay.
int WatcherDelay(IScreenSaver& x11);

// One watcher per user: an exclusive lock on a file of the data directory,
// held as long as the process lives (the system drops it when the process
// ends, however it ends; the show started by the watcher does not inherit
// it).
class WatcherLock {
 public:
  WatcherLock() = default;
  ~WatcherLock();
  WatcherLock(const WatcherLock&) = delete;
  WatcherLock& operator=(const WatcherLock&) = delete;
  // False when another process holds it (or the file cannot be made).
  bool TryAcquire();
  // Whether some process holds it now.
  static bool HeldElsewhere();

 private:
  int fd_ = -1;
};

// Whether the desktop session is a Wayland one ($WAYLAND_DISPLAY or
// XDG_SESSION_TYPE=wayland): the X server's screen-saver timer then counts
// Xwayland's input only and nothing uses it.
bool WaylandSession();

// The screen-saver delay that the panel shows and sets. On a Wayland session
// and while a watcher runs, it is the watcher's delay file (active while a
// watcher runs); otherwise the X server's timer, as before. Setting it while
// a watcher runs on X11 sets both, since the watcher then waits for the X
// server's timer.
class DesktopScreenSaver : public IScreenSaver {
 public:
  explicit DesktopScreenSaver(IScreenSaver& x11) : x11_(x11) {}
  State Get() override;
  void SetTimeout(int seconds) override;

 private:
  IScreenSaver& x11_;
};

}  // namespace ld
