// The show benchmark's statistics, timings, memory readings and printed lines.
#include <libheif/heif.h>
#include <malloc.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <turbojpeg.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QStringList>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/ui/Tdiapo.h"
#include "bench/show_bench.h"
#include "platform/PictureDecoder.h"
#include "platform/ui/UiServices.h"
#include "show/PicturePrefetcher.h"
#include "show/ui/PictureView.h"

extern char** environ;

namespace showbench {

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// ---- generate ---------------------------------------------------------------

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  f.open(QIODevice::WriteOnly);
  f.write(bytes);
}

double RunMs(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  QElapsedTimer t;
  t.start();
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return t.nsecsElapsed() / 1e6;
}

const char* Met(bool met) { return met ? "met" : "NOT met"; }

void Line(const char* what, double ms, const char* refName, double ref, double limitFactor) {
  const double ratio = ref > 0 ? ms / ref : 0;
  std::printf("%-44s %8.1f ms   %-26s %8.1f ms   ratio %.2f (goal at most %.1f) %s\n", what, ms,
              refName, ref, ratio, limitFactor, Met(ratio <= limitFactor));
}

// Processor time (user and system) of this process and of its waited-for
// children, in ms: less disturbed than the wall time when other programs
// share the machine.
double CpuMs(int who) {
  rusage u{};
  getrusage(who, &u);
  return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
         (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

// Resident memory figures of this process, in MB: "VmRSS" now, "VmHWM" the
// peak since the last ResetPeak().
double StatusMb(const char* key) {
  QFile f("/proc/self/status");
  if (!f.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : f.readAll().split('\n'))
    if (line.startsWith(key))
      return line.mid(qstrlen(key) + 1).trimmed().split(' ')[0].toDouble() / 1024;
  return -1;
}

// With LD_BENCH_SMAPS=MB: the mappings holding more than MB resident and
// the allocator's totals, on stderr, to find where the memory goes.
void DumpResident(const char* when) {
  if (!qEnvironmentVariableIsSet("LD_BENCH_SMAPS")) return;
  QFile f("/proc/self/smaps");
  if (!f.open(QIODevice::ReadOnly)) return;
  QByteArray header;
  const double minMb = std::max(0.1, qEnvironmentVariable("LD_BENCH_SMAPS").toDouble());
  std::fprintf(stderr, "-- resident at %s: %.0f MB (anonymous %.0f MB, files %.0f MB)\n", when,
               StatusMb("VmRSS:"), StatusMb("RssAnon:"), StatusMb("RssFile:"));
  for (const QByteArray& line : f.readAll().split('\n')) {
    // A mapping's first line starts with its address range; its fields
    // ("Rss:" among them) follow.
    const QByteArray first = line.left(line.indexOf(' '));
    if (first.contains('-') && !first.endsWith(':')) header = line;
    if (line.startsWith("Rss:")) {
      const double mb = line.mid(4).trimmed().split(' ')[0].toDouble() / 1024;
      if (mb > minMb) std::fprintf(stderr, "   %6.1f MB  %s\n", mb, header.constData());
    }
  }
  const struct mallinfo2 mi = mallinfo2();
  std::fprintf(stderr, "   malloc: arena %.1f MB, mmapped %.1f MB, in use %.1f MB, free %.1f MB\n",
               mi.arena / 1048576.0, mi.hblkhd / 1048576.0, mi.uordblks / 1048576.0,
               mi.fordblks / 1048576.0);
}

bool ResetPeak() {
  QFile f("/proc/self/clear_refs");
  return f.open(QIODevice::WriteOnly) && f.write("5") == 1;
}

// An offscreen gap: no reference is measured here, so none is printed; the
// gap's goal is judged on an X server (run_screen_bench.sh), from the end
// of the pause to the new picture's pixels on the screen.
void GapLine(const char* what, const std::vector<double>& gaps) {
  std::printf(
      "%-44s %8.1f ms   (median of %zu; max %.1f ms; for information: the goal is judged on an X "
      "server)\n",
      what, Median(gaps), gaps.size(),
      gaps.empty() ? 0.0 : *std::max_element(gaps.begin(), gaps.end()));
}

double Max(const std::vector<double>& v) {
  return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}

double Min(const std::vector<double>& v) {
  return v.empty() ? 0 : *std::min_element(v.begin(), v.end());
}

}  // namespace showbench
