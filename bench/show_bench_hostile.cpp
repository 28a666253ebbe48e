// Crafted files among photos: what each costs to decode, alone, and the
// files the hostile show runs over.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QBuffer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <cmath>
#include <cstdio>

#include "bench/show_bench.h"
#include "platform/PictureDecoder.h"
#include "show/PicturePrefetcher.h"
#include "support/HostileFiles.h"

namespace showbench {

namespace {

// A 4000 x 3000 photo-like picture of one main colour (its centre is that
// colour; bands of other shades around it).
QImage Photo(QColor colour) {
  QImage img(4000, 3000, QImage::Format_RGB32);
  img.fill(colour);
  QPainter p(&img);
  for (int i = 0; i < 12; ++i) {
    p.fillRect(QRect(i * 150, i * 100, 4000 - i * 300, 200), colour.darker(110 + i * 10));
    p.fillRect(QRect(i * 150, 2800 - i * 100, 4000 - i * 300, 200), colour.lighter(110 + i * 5));
  }
  return img;
}

}  // namespace

int Hostile(const QString& dir) {
  using namespace ld::testing;
  const ld::DecodeLimits limits = ld::DisplayTarget{kScreen, 0, 16}.Limits();
  // Photos of distinct colours, none red (the colour of an undecodable
  // picture), and between them the crafted files, in name order.
  const QColor colours[] = {QColor(40, 160, 60), QColor(40, 80, 200), QColor(220, 200, 40),
                            QColor(40, 190, 200), QColor(150, 60, 190)};
  int n = 0;
  const auto put = [&](const QString& name, const QByteArray& bytes) {
    WriteFile(QStringLiteral("%1/%2_%3").arg(dir).arg(++n, 2, 10, QChar('0')).arg(name), bytes);
  };
  const auto photo = [&](int i) {
    put(QStringLiteral("photo%1.jpg").arg(i), Encode(Photo(colours[i]), "jpg", 90));
  };
  photo(0);
  put("grid.heic", LyingHeic(Lie::Grid));
  photo(1);
  put("coded.heic", LyingHeic(Lie::Configuration));
  put("inband.heic", LyingHeic(Lie::Data));
  photo(2);
  put("progressive.jpg", HugeOneScanJpeg());
  put("text.png", PngWithHugeTextChunk());
  photo(3);
  // The costliest WebP the limits let through: lossless (libwebp keeps the
  // whole picture), as large as the limits allow.
  const qint64 area = std::min(limits.maxSourcePixels, limits.maxDecodeBytes / 4);
  const int side = std::min(16383, static_cast<int>(std::sqrt(static_cast<double>(area))));
  QImage flat(side, side, QImage::Format_RGB32);
  flat.fill(QColor(90, 90, 90));
  QByteArray webp;
  {
    QBuffer b(&webp);
    b.open(QIODevice::WriteOnly);
    QImageWriter w(&b, "webp");
    w.setQuality(100);  // lossless
    w.write(flat);
  }
  flat = QImage();
  put(QStringLiteral("lossless%1.webp").arg(side), webp);
  photo(4);
  std::printf("generated %d files in %s (lossless WebP %d x %d, %lld bytes)\n", n, qPrintable(dir),
              side, side, static_cast<long long>(webp.size()));
  return 0;
}

// Each file decoded for the show's 1920 x 1080 screen in a child process of
// its own: the time, the result and the child's peak resident size above
// what it held before.
int DecodeEach(const QStringList& paths) {
  const ld::DecodeLimits limits = ld::DisplayTarget{kScreen, 0, 16}.Limits();
  std::printf("%-26s %9s %9s %9s  %s\n", "file", "bytes", "ms", "peak MB", "result");
  for (const QString& path : paths) {
    int fds[2];
    if (pipe(fds) != 0) return 1;
    const pid_t pid = fork();
    if (pid == 0) {
      ::close(fds[0]);
      rusage before{}, after{};
      getrusage(RUSAGE_SELF, &before);
      QElapsedTimer t;
      t.start();
      const ld::DecodedPicture d = ld::DecodePictureFile(path, limits);
      const double ms = t.nsecsElapsed() / 1e6;
      getrusage(RUSAGE_SELF, &after);
      char line[512];
      const QByteArray result =
          d.image.isNull()
              ? d.error.toUtf8()
              : QStringLiteral("%1 x %2").arg(d.image.width()).arg(d.image.height()).toUtf8();
      std::snprintf(line, sizeof line, "%-26s %9lld %9.1f %9.1f  %s\n",
                    qPrintable(QFileInfo(path).fileName()),
                    static_cast<long long>(QFileInfo(path).size()), ms,
                    (after.ru_maxrss - before.ru_maxrss) / 1024.0, result.constData());
      (void)!::write(fds[1], line, strlen(line));
      _exit(0);
    }
    ::close(fds[1]);
    char buf[512];
    ssize_t got = 0;
    while ((got = ::read(fds[0], buf, sizeof buf)) > 0)
      fwrite(buf, 1, static_cast<size_t>(got), stdout);
    ::close(fds[0]);
    if (pid > 0) waitpid(pid, nullptr, 0);
  }
  return 0;
}

}  // namespace showbench
