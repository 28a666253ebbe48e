#pragma once
// Watching an X server's screen from a connection of its own, for the
// on-screen benchmarks: the X DAMAGE extension reports every rectangle the
// server draws into a window, so the time a picture reaches the screen is the
// time its damage arrives, not the time a program finished painting it.
// Kept free of Qt: Xlib's macros clash with Qt's headers.
#include <cstdint>
#include <string>
#include <vector>

namespace xbench {

// Nanoseconds of the steady clock, the clock of every time stamp here.
int64_t NowNs();

struct DamageEvent {
  int64_t ns = 0;  // when the event was read from the server
  int x = 0, y = 0, w = 0, h = 0;
  bool more = false;  // more rectangles of the same drawing follow
};

// Records the damage of one window (and its children) on a thread and an X
// connection of its own.
class DamageWatch {
 public:
  DamageWatch() = default;
  ~DamageWatch();
  DamageWatch(const DamageWatch&) = delete;
  DamageWatch& operator=(const DamageWatch&) = delete;

  // Starts watching `window` on $DISPLAY; false (and error()) when the
  // server has no DAMAGE extension or cannot be opened.
  bool Start(unsigned long window);
  void Stop();
  // The events recorded so far, in the order the server sent them.
  std::vector<DamageEvent> Events() const;
  const std::string& error() const { return error_; }

 private:
  struct Impl;
  Impl* impl_ = nullptr;
  std::string error_;
};

// A point of the screen and what was seen there.
struct ScreenPoint {
  int x = 0, y = 0;
};

struct StartTimes {
  double firstDamageMs = -1;  // first drawing of any window
  double pictureMs = -1;      // see StartToPicture
  std::string error;
};

// Starts argv (with the given environment) and measures, from just before
// the fork, until the first damage and until the picture is on the screen:
// the damage event after which at least `need` of `points` show colour (a
// pixel whose channels differ by more than 24, which neither a black nor a
// grey background nor white text has). The damage of the root window and of
// every window created on it is watched; after each damage event the points
// are read back (XGetImage), and the time is that of the last damage event
// received before the read that saw the picture. The program is then ended
// (SIGTERM, SIGKILL after 2 s).
StartTimes StartToPicture(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                          const std::vector<ScreenPoint>& points, int need, int timeoutMs);

// What a show put at one point of the screen: each change of its colour,
// in ms from just before the program's start, and the program's peak
// resident size.
struct ColourChange {
  double ms = 0;
  int r = 0, g = 0, b = 0;
};
struct ShowWatch {
  std::vector<ColourChange> changes;
  double peakResidentMb = -1;
  std::string error;
};

// Starts argv (with the given environment) and, for `seconds`, reads the
// pixel at `at` every 10 ms, recording each change of its colour (a channel
// more than 8 away from the last recorded colour); then reads the program's
// peak resident size (VmHWM) and ends it (SIGTERM, SIGKILL after 2 s).
ShowWatch WatchColours(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                       ScreenPoint at, int seconds);

}  // namespace xbench
