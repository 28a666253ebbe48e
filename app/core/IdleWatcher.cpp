#include "app/core/IdleWatcher.h"

namespace ld {

IdleWatcher::IdleWatcher(IIdleMonitor& monitor, IShowProcess& show, std::function<int()> delay)
    : monitor_(monitor), show_(show), delay_(std::move(delay)) {
  monitor_.SetOnIdle([this] { Idle(); });
  show_.SetOnEnded([this] { ShowEnded(); });
}

void IdleWatcher::Start() {
  if (state_ == State::Stopped) Watch();
}

void IdleWatcher::DelayChanged() {
  if (state_ == State::Watching) Watch();
}

void IdleWatcher::Stop() {
  state_ = State::Stopped;
  monitor_.Disarm();
  show_.Terminate();
}

void IdleWatcher::Watch() {
  state_ = State::Watching;
  const int seconds = delay_();
  if (seconds > 0)
    monitor_.Arm(seconds);
  else
    monitor_.Disarm();
}

void IdleWatcher::Idle() {
  if (state_ != State::Watching || show_.Running()) return;
  state_ = State::Showing;
  monitor_.Disarm();
  if (show_.Start()) {
    ++showsStarted_;
    return;
  }
  if (onStartFailed_) onStartFailed_(QStringLiteral("le diaporama n'a pas pu démarrer"));
  Watch();
}

void IdleWatcher::ShowEnded() {
  if (state_ == State::Showing) Watch();
}

}  // namespace ld
