// The idle watcher's course with a stand-in desktop and show; its command
// line; its delay file, its one-per-user lock and the panel's delay.
#include <gtest/gtest.h>

#include "app/core/Entry.h"
#include "app/core/IdleWatcher.h"
#include "platform/WatcherFiles.h"
#include "tests/support/Recording.h"
#include "tests/support/TempData.h"

using namespace ld;
using namespace ld::testing;

namespace {

class FakeMonitor : public IIdleMonitor {
 public:
  QString Name() const override { return QStringLiteral("fake"); }
  void Arm(int seconds) override { armed = seconds; }
  void Disarm() override { armed = 0; }
  void GoIdle() { ReportIdle(); }
  int armed = 0;  // the delay armed, 0 when not armed
};

class FakeShow : public IShowProcess {
 public:
  bool Start() override {
    ++starts;
    running = canStart;
    return canStart;
  }
  bool Running() const override { return running; }
  void Terminate() override {
    terminated += running;
    running = false;
  }
  void End() {
    running = false;
    ReportEnded();
  }
  bool canStart = true;
  bool running = false;
  int starts = 0;
  int terminated = 0;
};

}  // namespace

TEST(IdleWatcher, StartsOneShowPerIdlePeriodAndWatchesAgainWithTheCurrentDelay) {
  FakeMonitor monitor;
  FakeShow show;
  int delay = 30;
  IdleWatcher watcher(monitor, show, [&] { return delay; });
  watcher.Start();
  EXPECT_EQ(monitor.armed, 30);

  monitor.GoIdle();
  EXPECT_EQ(show.starts, 1);
  EXPECT_EQ(watcher.state(), IdleWatcher::State::Showing);
  EXPECT_EQ(monitor.armed, 0);
  // Idle again while the show runs, or a delay change: still one show.
  monitor.GoIdle();
  delay = 45;
  watcher.DelayChanged();
  EXPECT_EQ(show.starts, 1);
  EXPECT_EQ(monitor.armed, 0);

  // The show ends: watching again, with the delay as it is now.
  show.End();
  EXPECT_EQ(watcher.state(), IdleWatcher::State::Watching);
  EXPECT_EQ(monitor.armed, 45);
  monitor.GoIdle();
  EXPECT_EQ(show.starts, 2);

  // A show that cannot start: watching goes on for the next idle period.
  show.End();
  show.canStart = false;
  QString failure;
  watcher.SetOnStartFailed([&](const QString& why) { failure = why; });
  monitor.GoIdle();
  EXPECT_FALSE(failure.isEmpty());
  EXPECT_EQ(watcher.state(), IdleWatcher::State::Watching);
  EXPECT_EQ(monitor.armed, 45);

  // Delay 0 while watching: nothing armed until it changes again.
  delay = 0;
  watcher.DelayChanged();
  EXPECT_EQ(monitor.armed, 0);
  delay = 5;
  watcher.DelayChanged();
  EXPECT_EQ(monitor.armed, 5);

  // Stopping ends the show that runs, and nothing is watched any more.
  show.canStart = true;
  monitor.GoIdle();
  ASSERT_TRUE(show.running);
  watcher.Stop();
  EXPECT_EQ(show.terminated, 1);
  EXPECT_EQ(watcher.state(), IdleWatcher::State::Stopped);
  monitor.GoIdle();
  EXPECT_EQ(show.starts, 4);
  EXPECT_EQ(monitor.armed, 0);
}

TEST(IdleWatcher, WatchArgumentTakesAnOptionalDelayInSeconds) {
  const QString prog = QStringLiteral("luminodrift");
  const QString watch = QStringLiteral("--watch");
  EntryDecision d = DecideEntry({prog, watch});
  EXPECT_EQ(d.request, Request::Watch);
  EXPECT_FALSE(d.watchSeconds);
  d = DecideEntry({prog, watch, QStringLiteral("90")});
  EXPECT_EQ(d.watchSeconds.value_or(-1), 90);
  EXPECT_TRUE(d.error.isEmpty());
  for (const char* bad : {"0", "-5", "32768", "dix", "1.5"}) {
    d = DecideEntry({prog, watch, QString::fromLatin1(bad)});
    EXPECT_FALSE(d.error.isEmpty()) << bad;
    EXPECT_FALSE(d.watchSeconds) << bad;
  }
  EXPECT_FALSE(
      DecideEntry({prog, watch, QStringLiteral("5"), QStringLiteral("x")}).error.isEmpty());
  // "-watch" is still the one-letter request "w": the show.
  EXPECT_EQ(DecideEntry({prog, QStringLiteral("-watch")}).request, Request::Show);
}

TEST(IdleWatcher, OneWatcherPerUserAndThePanelDelayIsItsFileWhileItRuns) {
  ResetDataDirs();
  qunsetenv("WAYLAND_DISPLAY");
  qunsetenv("XDG_SESSION_TYPE");
  RecordingScreenSaver x11;
  x11.state = {true, 300};
  DesktopScreenSaver panelDelay(x11);

  // No watcher on X11: the X server's timer, as before.
  EXPECT_FALSE(WatcherLock::HeldElsewhere());
  EXPECT_EQ(panelDelay.Get().timeoutSeconds, 300);
  panelDelay.SetTimeout(120);
  EXPECT_EQ(x11.setTimeouts, std::vector<int>{120});
  EXPECT_FALSE(ReadWatcherDelay());

  {
    WatcherLock first;
    ASSERT_TRUE(first.TryAcquire());
    WatcherLock second;
    EXPECT_FALSE(second.TryAcquire());
    EXPECT_TRUE(WatcherLock::HeldElsewhere());
    // No delay of its own yet: it waits for the X server's timer.
    EXPECT_EQ(panelDelay.Get().timeoutSeconds, 300);
    // While a watcher runs: its delay file (both, since it waits for the X
    // server's timer on X11).
    panelDelay.SetTimeout(240);
    EXPECT_EQ(ReadWatcherDelay().value_or(-1), 240);
    EXPECT_EQ(x11.setTimeouts.back(), 240);
    const IScreenSaver::State s = panelDelay.Get();
    EXPECT_TRUE(s.active);
    EXPECT_EQ(s.timeoutSeconds, 240);
  }
  // The lock goes with its holder.
  EXPECT_FALSE(WatcherLock::HeldElsewhere());
  WatcherLock again;
  EXPECT_TRUE(again.TryAcquire());

  // On Wayland the X server's timer has no role: the file only.
  qputenv("XDG_SESSION_TYPE", "wayland");
  x11.setTimeouts.clear();
  panelDelay.SetTimeout(75);
  EXPECT_TRUE(x11.setTimeouts.empty());
  EXPECT_EQ(panelDelay.Get().timeoutSeconds, 75);
  qunsetenv("XDG_SESSION_TYPE");

  // A damaged file is no delay.
  WriteBytes(WatcherDelayPath(), "bientôt\r\n");
  EXPECT_FALSE(ReadWatcherDelay());
}
