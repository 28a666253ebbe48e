// The show benchmark's pictures: a photo-like 24-megapixel JPEG, its turned
// copies, in 4:2:0 and 4:4:4, and the same picture as HEIC and PNG.
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

QByteArray ExifOrientation(unsigned char tag) {
  // "Exif\0\0", little-endian TIFF header, IFD0 with the single tag 0x0112.
  const unsigned char b[] = {'E',  'x',  'i', 'f', 0, 0, 'I', 'I', 42,  0, 8, 0, 0, 0, 1, 0,
                             0x12, 0x01, 3,   0,   1, 0, 0,   0,   tag, 0, 0, 0, 0, 0, 0, 0};
  return QByteArray(reinterpret_cast<const char*>(b), sizeof b);
}

// The JPEG with an APP1 segment holding orientation `tag` after its SOI.
QByteArray WithOrientation(const QByteArray& jpeg, unsigned char tag) {
  const QByteArray exif = ExifOrientation(tag);
  QByteArray app1;
  app1.append(char(0xFF)).append(char(0xE1));
  app1.append(char((exif.size() + 2) >> 8)).append(char((exif.size() + 2) & 0xFF));
  app1.append(exif);
  return jpeg.left(2) + app1 + jpeg.mid(2);
}

// The turned pictures of the decode benchmark: orientations 5 to 8, 4:2:0
// and 4:4:4.
QStringList TurnedPictures() {
  QStringList names;
  for (const char* sub : {"", "_444"})
    for (int o = 5; o <= 8; ++o) names << QStringLiteral("photo24%1_o%2.jpg").arg(sub).arg(o);
  return names;
}

int Generate(const QString& dir) {
  QDir().mkpath(dir);
  // A landscape-like picture: smooth sky and ground gradients, a few
  // soft shapes, and fine grain, so that it compresses like a photo.
  std::vector<unsigned char> rgb(static_cast<size_t>(kW) * kH * 3);
  unsigned long long seed = 0x12345678ULL;
  for (int y = 0; y < kH; ++y) {
    unsigned char* row = &rgb[static_cast<size_t>(y) * kW * 3];
    const double fy = static_cast<double>(y) / kH;
    for (int x = 0; x < kW; ++x) {
      const double fx = static_cast<double>(x) / kW;
      seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
      const int grain = static_cast<int>((seed >> 59) & 15) - 8;
      double r, g, b;
      const double horizon = 0.55 + 0.05 * std::sin(fx * 9.0) + 0.03 * std::sin(fx * 31.0);
      if (fy < horizon) {
        r = 90 + 100 * fy;
        g = 140 + 80 * fy;
        b = 230 - 40 * fy;
        const double cx = fx - 0.7, cy = fy - 0.2;
        const double cloud = std::exp(-(cx * cx * 30 + cy * cy * 120));
        r += 120 * cloud;
        g += 100 * cloud;
        b += 20 * cloud;
      } else {
        const double t = (fy - horizon) / (1 - horizon);
        r = 70 + 60 * std::sin(fx * 40 + t * 12) * (1 - t) + 40 * t;
        g = 110 + 50 * std::sin(fx * 23 - t * 7) + 30 * t;
        b = 50 + 30 * t;
        if (((x / 97) + (y / 61)) % 7 == 0) r += 60;  // scattered details
      }
      row[x * 3 + 0] = static_cast<unsigned char>(std::clamp(static_cast<int>(r) + grain, 0, 255));
      row[x * 3 + 1] = static_cast<unsigned char>(std::clamp(static_cast<int>(g) + grain, 0, 255));
      row[x * 3 + 2] = static_cast<unsigned char>(std::clamp(static_cast<int>(b) + grain, 0, 255));
    }
  }
  tjhandle tj = tjInitCompress();
  QByteArray jpeg, jpeg444;
  for (const int sub : {TJSAMP_420, TJSAMP_444}) {
    unsigned char* out = nullptr;
    unsigned long size = 0;
    if (tjCompress2(tj, rgb.data(), kW, 0, kH, TJPF_RGB, &out, &size, sub, 90, 0) != 0) {
      std::fprintf(stderr, "compression failed: %s\n", tjGetErrorStr2(tj));
      return 1;
    }
    (sub == TJSAMP_420 ? jpeg : jpeg444) =
        QByteArray(reinterpret_cast<const char*>(out), static_cast<qsizetype>(size));
    tjFree(out);
  }
  tjDestroy(tj);
  WriteFile(dir + "/photo24.jpg", jpeg);
  WriteFile(dir + "/photo24_444.jpg", jpeg444);
  // The same picture as a camera held upright (or turned and mirrored)
  // writes it: the tag in APP1.
  WriteFile(dir + "/photo24_o6.jpg", WithOrientation(jpeg, 6));
  for (int o = 5; o <= 8; ++o) {
    WriteFile(dir + QStringLiteral("/photo24_o%1.jpg").arg(o), WithOrientation(jpeg, o));
    WriteFile(dir + QStringLiteral("/photo24_444_o%1.jpg").arg(o), WithOrientation(jpeg444, o));
  }
  std::printf("generated %s/photo24*.jpg (%d x %d, 4:2:0 %.1f MB, 4:4:4 %.1f MB, orientations)\n",
              qPrintable(dir), kW, kH, jpeg.size() / 1e6, jpeg444.size() / 1e6);
  if (QFileInfo::exists(dir + "/photo24.png") && QFileInfo::exists(dir + "/photo24.heic")) return 0;
  // The same picture as a PNG and as a HEIC (x265, quality 80, as a phone
  // writes it).
  const QImage img(rgb.data(), kW, kH, kW * 3, QImage::Format_RGB888);
  img.save(dir + "/photo24.png", "PNG");
  std::printf("generated %s/photo24.png (%.1f MB)\n", qPrintable(dir),
              QFileInfo(dir + "/photo24.png").size() / 1e6);
  heif_context* ctx = heif_context_alloc();
  heif_image* image = nullptr;
  heif_image_create(kW, kH, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image);
  heif_image_add_plane(image, heif_channel_interleaved, kW, kH, 8);
  int stride = 0;
  uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
  for (int y = 0; y < kH; ++y)
    std::memcpy(plane + static_cast<size_t>(y) * stride, &rgb[static_cast<size_t>(y) * kW * 3],
                static_cast<size_t>(kW) * 3);
  heif_encoder* encoder = nullptr;
  heif_context_get_encoder_for_format(ctx, heif_compression_HEVC, &encoder);
  if (!encoder) {
    std::fprintf(stderr, "no HEVC encoder in libheif\n");
    return 1;
  }
  heif_encoder_set_lossy_quality(encoder, 80);
  heif_context_encode_image(ctx, image, encoder, nullptr, nullptr);
  heif_encoder_release(encoder);
  heif_context_write_to_file(ctx, qPrintable(dir + "/photo24.heic"));
  heif_image_release(image);
  heif_context_free(ctx);
  std::printf("generated %s/photo24.heic (%.1f MB)\n", qPrintable(dir),
              QFileInfo(dir + "/photo24.heic").size() / 1e6);
  return 0;
}

// ---- decode -------------------------------------------------------------------

}  // namespace showbench
