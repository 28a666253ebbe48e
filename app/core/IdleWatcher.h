#pragma once

#include <functional>

#include "platform/IdleMonitor.h"
#include "platform/ShowProcess.h"

namespace ld {

// The idle watcher's course: watch the desktop; when it has been idle for
// the delay, start the show; wait for the show to end; watch again. One show
// at a time: the desktop going idle again while a show runs changes nothing.
class IdleWatcher {
 public:
  enum class State { Stopped, Watching, Showing };

  // delay gives the current delay in seconds each time watching starts
  // (0: no show is started until the delay changes).
  IdleWatcher(IIdleMonitor& monitor, IShowProcess& show, std::function<int()> delay);

  void Start();
  // The delay may have changed: watching starts again with the new one
  // (nothing changes while a show runs; the next watch takes it).
  void DelayChanged();
  // Stops watching, and ends the show that runs.
  void Stop();

  State state() const { return state_; }
  int ShowsStarted() const { return showsStarted_; }
  // Called when a show cannot be started (the text to show); watching goes
  // on, so the next idle period tries again.
  void SetOnStartFailed(std::function<void(const QString&)> f) { onStartFailed_ = std::move(f); }

 private:
  void Watch();
  void Idle();
  void ShowEnded();

  IIdleMonitor& monitor_;
  IShowProcess& show_;
  std::function<int()> delay_;
  std::function<void(const QString&)> onStartFailed_;
  State state_ = State::Stopped;
  int showsStarted_ = 0;
};

}  // namespace ld
