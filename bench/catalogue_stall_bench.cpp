// ld_catalogue_stall_bench: the longest time the window would go without
// processing events while the catalogue is rebuilt and saved at start-up.
//   ld_catalogue_stall_bench ROOT
// Runs in a Qt event loop's thread what the window runs: a start without
// reset marker (PrepareCatalogue) whose rebuild walks ROOT with the window's
// hooks (stop flag, counter, QCoreApplication::processEvents) and whose save
// lets events through the same way. A zero-interval timer stands for the
// window's events: the figure is the longest time between two of its
// firings, from the start of PrepareCatalogue to its return, so it covers
// the walk, every growth of the entries' storage and the save. The
// reference is what the machine itself allows: over the same time a thread
// of the same process does nothing but sleep 4 ms at a time, and its longest
// gap between two wake-ups is printed too (on a loaded machine it is well
// above 4 ms). Beside it, the longest processor time this thread itself
// spent between two firings (its own work, kernel time included, without
// the time it waited for a processor): on a loaded machine the wall-time
// figure is the machine's, this one the program's. Prints:
//   longest_ms firings entries total_ms sleeper_longest_ms own_cpu_longest_ms
// The data directory is the one of XDG_DATA_HOME; its catalogue files are
// replaced. With LD_STALL_DEBUG set, every gap above 10 ms is listed on the
// error stream with the time it ended, and the end of the walk.
#include <time.h>

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "catalogue/CatalogueFiles.h"
#include "catalogue/DirectoryScan.h"
#include "platform/TextFile.h"

namespace {

using Clock = std::chrono::steady_clock;
double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }
double ThreadCpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: ld_catalogue_stall_bench ROOT\n");
    return 2;
  }
  const QString root = QString::fromLocal8Bit(argv[1]);
  Clock::time_point last;
  const Clock::time_point t0 = Clock::now();
  Clock::duration longest{};
  double lastCpu = 0, longestCpu = 0;
  long firings = 0;
  QTimer tick;
  tick.setInterval(0);
  QObject::connect(&tick, &QTimer::timeout, [&] {
    const auto now = Clock::now();
    longest = std::max(longest, now - last);
    if (getenv("LD_STALL_DEBUG") && now - last > std::chrono::milliseconds(10))
      std::fprintf(stderr, "gap %.1f ms ending at %.1f ms\n", Ms(now - last), Ms(now - t0));
    last = now;
    const double cpu = ThreadCpuMs();
    longestCpu = std::max(longestCpu, cpu - lastCpu);
    lastCpu = cpu;
    ++firings;
  });

  ld::Catalogue catalogue;
  int counter = 0;
  bool stopRequested = false;
  QString counterText;  // what the window's label would show
  auto rebuild = [&] {
    ld::ScanHooks hooks;
    hooks.stopRequested = [&] { return stopRequested; };
    hooks.letEventsThrough = [] { QCoreApplication::processEvents(); };
    hooks.showCounter = [&](int n) { counterText = QString::number(n); };
    ld::DirectoryScan scan(ld::ScanFilter{}, ld::ExclusionLists{}, catalogue, counter,
                           std::move(hooks));
    const ld::RebuildOutcome outcome = ld::RebuildCatalogue({{root, true}}, scan);
    if (getenv("LD_STALL_DEBUG"))
      std::fprintf(stderr, "rebuild ends at %.1f ms\n", Ms(Clock::now() - t0));
    return outcome;
  };
  std::atomic<bool> finished{false};
  Clock::duration sleeperLongest{};
  std::thread sleeper([&] {
    auto before = Clock::now();
    while (!finished) {
      std::this_thread::sleep_for(std::chrono::milliseconds(4));
      const auto now = Clock::now();
      sleeperLongest = std::max(sleeperLongest, now - before);
      before = now;
    }
  });
  int status = 0;
  try {
    ld::DeleteFileSilently(ld::ResetMarkerPath());
    tick.start();
    const auto started = Clock::now();
    last = started;
    lastCpu = ThreadCpuMs();
    ld::PrepareCatalogue(catalogue, rebuild, [] { QCoreApplication::processEvents(); });
    const auto ended = Clock::now();
    longest = std::max(longest, ended - last);
    longestCpu = std::max(longestCpu, ThreadCpuMs() - lastCpu);
    finished = true;
    sleeper.join();
    std::printf("%.2f %ld %d %.1f %.2f %.2f\n", Ms(longest), firings, catalogue.Count(),
                Ms(ended - started), Ms(sleeperLongest), longestCpu);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    status = 1;
  }
  if (sleeper.joinable()) {
    finished = true;
    sleeper.join();
  }
  return status;
}
