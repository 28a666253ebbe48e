// ld_catalogue_bench: the fixtures and the in-process measures of the
// catalogue benchmark (bench/run_catalogue_bench.sh runs it all):
//   tree ROOT [PICTURES DIRS]   a picture tree: PICTURES pictures (100000) in
//                               DIRS dated directories (2000) under year
//                               directories, plus non-picture files
//   catalogue N DIRS            a saved catalogue of N entries in DIRS
//                               directories in the data directory
//   exclusions ROOT DIRS LINES  prints an exclusion file of LINES range lines,
//                               one block per directory of the tree (DIRS as
//                               given to tree), each leaving out three pictures
//   scan ROOT FILE              the scan alone of ROOT, in process, without and
//                               with the exclusion file FILE: best of 7 runs
//                               of each, in CPU milliseconds (the figure that
//                               a loaded machine disturbs least)
//   repair BYTES                times RepairUtf8Text on one line of about
//                               BYTES bytes of mis-read UTF-8; prints ms
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <vector>

#include "catalogue/CatalogueFiles.h"
#include "catalogue/DirectoryScan.h"
#include "catalogue/TextUtils.h"
#include "platform/Services.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

const char* const kLabels[] = {"Sortie",  "Anniversaire", "Vacances", "Noël",    "Week-end",
                               "Famille", "Randonnée",    "Été",      "Mariage", "Divers"};

bool WriteSmallFile(const QByteArray& path, int bytes) {
  const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  static const char data[256] = {};
  const bool ok = bytes == 0 || ::write(fd, data, static_cast<size_t>(bytes)) == bytes;
  ::close(fd);
  return ok;
}

// Directory d of the tree's dirs directories.
QString TreeDirectory(const QString& root, int d, int dirs) {
  const int years = std::max(1, dirs / 100);
  const int year = 2000 + d % years;
  const int month = 1 + (d / years) % 12;
  const int day = 1 + (d / years / 12) % 28;
  return QStringLiteral("%1/%2/%2-%3-%4 %5 %6")
      .arg(root)
      .arg(year)
      .arg(month, 2, 10, QChar(u'0'))
      .arg(day, 2, 10, QChar(u'0'))
      .arg(QString::fromUtf8(kLabels[d % 10]))
      .arg(d);
}

// A block per directory, cycling over the tree's directories, each with one
// range line: IMG_1000.JPG...IMG_1010.JPG leaves out IMG_1000, IMG_1004 and
// IMG_1008 (the tree names every fourth picture IMG_<1000 + i>).
int PrintExclusions(const QString& root, int dirs, int lines) {
  QByteArray out = "' benchmark exclusions\r\n";
  for (int i = 0; i < lines; ++i) {
    out += "+*" + TreeDirectory(root, i % dirs, dirs).toUtf8() + "\r\n";
    out += "IMG_1000.JPG...IMG_1010.JPG\r\n-\r\n";
  }
  return std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stdout) ==
                 static_cast<size_t>(out.size())
             ? 0
             : 1;
}

// Exclusion files of the benchmark hold no conversion error; nothing to show.
struct SilentDialogs : ld::IDialogs {
  void Notice(const QString&) override {}
  void ErrorBox(const QString&) override {}
  bool Confirm(const QString&) override { return false; }
  void ConfirmYesOnly(const QString&) override {}
  std::optional<QString> ChooseDirectory(const QString&) override { return std::nullopt; }
  std::optional<QString> ChooseExecutable() override { return std::nullopt; }
  void Beep() override {}
};

double CpuMs() {
  timespec t{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

int ScanTimes(const QString& root, const QString& exclusionFile) {
  SilentDialogs dialogs;
  const ld::ExclusionLists lists = ld::ReadExclusionFile(exclusionFile, true, dialogs);
  double best[2] = {1e30, 1e30};
  int counts[2] = {0, 0};
  for (int run = 0; run < 7; ++run) {
    // Each goes first in turn, so that neither always finds the caches as
    // the other left them.
    for (int k = 0; k < 2; ++k) {
      const int with = (run + k) % 2;
      ld::ScanFilter filter;
      filter.useExclusionLists = with == 1;
      ld::Catalogue c;
      int counter = 0;
      const double started = CpuMs();
      ld::DirectoryScan scan(filter, lists, c, counter);
      scan.ScanDirectory(root);
      best[with] = std::min(best[with], CpuMs() - started);
      counts[with] = c.Count();
    }
  }
  std::printf("%.1f %.1f %d %d\n", best[0], best[1], counts[0], counts[1]);
  return 0;
}

int Repair(int bytes) {
  QString line;
  while (line.size() * 3 / 2 < bytes) line += QStringLiteral("Ã©a");  // "éa" read as Windows-1252
  const auto started = Clock::now();
  ld::RepairUtf8Text(line);
  const auto took = Clock::now() - started;
  std::printf("%.1f %lld\n", Ms(took), static_cast<long long>(line.size()));
  return 0;
}

int MakeTree(const QString& root, int pictures, int dirs) {
  const QString done = root + QStringLiteral("/.complete");
  const QByteArray stamp = QByteArray::number(pictures) + ' ' + QByteArray::number(dirs);
  {
    QFile f(done);
    if (f.open(QIODevice::ReadOnly) && f.readAll() == stamp) {
      std::fprintf(stderr, "tree already there: %s\n", qPrintable(root));
      return 0;
    }
  }
  QDir(root).removeRecursively();
  const int perDir = pictures / dirs;
  int made = 0;
  for (int d = 0; d < dirs; ++d) {
    const QString dir = TreeDirectory(root, d, dirs);
    if (!QDir().mkpath(dir)) return 1;
    const QByteArray base = QFile::encodeName(dir) + '/';
    const int here = d == dirs - 1 ? pictures - made : perDir;
    for (int i = 0; i < here; ++i) {
      QByteArray name;
      switch (i % 4) {
        case 0:
          name = "IMG_" + QByteArray::number(1000 + i) + ".JPG";
          break;
        case 1:
          name = "dsc" + QByteArray::number(i) + ".jpg";
          break;
        case 2:
          name = "Photo " + QByteArray::number(i) + " \xc3\xa9t\xc3\xa9.jpg";
          break;
        default:
          name = "scan_" + QByteArray::number(i) + ".bmp";
          break;
      }
      if (!WriteSmallFile(base + name, 64)) return 1;
    }
    made += here;
    // What a real picture directory also holds.
    for (const char* other : {"Thumbs.db", "notes.txt", "IMG_1000.xmp", "video.mp4", "vide.jpg"})
      if (!WriteSmallFile(base + other, std::strcmp(other, "vide.jpg") == 0 ? 0 : 32)) return 1;
  }
  QFile f(done);
  if (!f.open(QIODevice::WriteOnly)) return 1;
  f.write(stamp);
  std::fprintf(stderr, "%d pictures in %d directories under %s\n", made, dirs, qPrintable(root));
  return 0;
}

int MakeCatalogue(int n, int dirs) {
  ld::Catalogue c;
  c.MutableEntries().reserve(static_cast<size_t>(n));
  const int perDir = std::max(1, n / dirs);
  for (int i = 0; i < n; ++i) {
    const int d = std::min(dirs - 1, i / perDir);
    const QString dir = QStringLiteral("/home/photos/%1/%1-%2 %3 %4")
                            .arg(2000 + d % 20)
                            .arg(1 + d % 12, 2, 10, QChar(u'0'))
                            .arg(QString::fromUtf8(kLabels[d % 10]))
                            .arg(d);
    const int index = c.DirectoryIndexFor(dir);
    const QByteArray name = "IMG_" + QByteArray::number(i % perDir + 1000) + " vacances.JPG";
    c.AppendEntry(index, name.constData(), static_cast<int>(name.size()));
  }
  ld::SaveCatalogue(c);
  std::fprintf(stderr, "%d entries in %lld directories saved\n", c.Count(),
               static_cast<long long>(c.Directories().size()));
  return 0;
}

// What a fresh page of memory costs on this machine: PAGES pages mapped and
// written once each, microseconds a page (median of 5 mappings). The load's
// directory names are fresh memory: this says what each of their pages adds.
int PageCost(int pages) {
  const size_t page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
  const size_t bytes = page * static_cast<size_t>(std::max(1, pages));
  std::vector<double> us;
  for (int rep = 0; rep < 5; ++rep) {
    void* m = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (m == MAP_FAILED) return 1;
    auto* p = static_cast<volatile char*>(m);
    const auto t0 = std::chrono::steady_clock::now();
    for (size_t i = 0; i < bytes; i += page) p[i] = 1;
    const auto t1 = std::chrono::steady_clock::now();
    us.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count() / pages);
    ::munmap(m, bytes);
  }
  std::sort(us.begin(), us.end());
  std::printf("%.2f\n", us[us.size() / 2]);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  auto usage = [] {
    std::fprintf(stderr,
                 "usage: ld_catalogue_bench tree ROOT [PICTURES DIRS] | catalogue N DIRS | "
                 "exclusions ROOT DIRS LINES | scan ROOT FILE | repair BYTES | pagecost PAGES\n");
    return 2;
  };
  if (argc < 3) return usage();
  const std::string cmd = argv[1];
  try {
    if (cmd == "tree")
      return MakeTree(QString::fromLocal8Bit(argv[2]), argc > 3 ? std::atoi(argv[3]) : 100000,
                      argc > 4 ? std::atoi(argv[4]) : 2000);
    if (cmd == "catalogue" && argc == 4)
      return MakeCatalogue(std::atoi(argv[2]), std::atoi(argv[3]));
    if (cmd == "exclusions" && argc == 5)
      return PrintExclusions(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]),
                             std::atoi(argv[4]));
    if (cmd == "repair") return Repair(std::atoi(argv[2]));
    if (cmd == "pagecost") return PageCost(std::atoi(argv[2]));
    if (cmd == "scan" && argc == 4)
      return ScanTimes(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return usage();
}
