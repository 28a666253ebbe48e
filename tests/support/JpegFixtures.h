#pragma once

#include <turbojpeg.h>

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QPainter>
#include <vector>

// JPEG files made in code, so each test says what its picture is.
namespace ld::testing {

// w x h with four coloured quadrants: top left red, top right green,
// bottom left blue, bottom right white.
inline QImage QuadrantImage(int w, int h) {
  QImage img(w, h, QImage::Format_RGB32);
  QPainter p(&img);
  p.fillRect(0, 0, w / 2, h / 2, Qt::red);
  p.fillRect(w / 2, 0, w - w / 2, h / 2, Qt::green);
  p.fillRect(0, h / 2, w / 2, h - h / 2, Qt::blue);
  p.fillRect(w / 2, h / 2, w - w / 2, h - h / 2, Qt::white);
  return img;
}

inline QByteArray EncodeJpeg(const QImage& img, int quality = 90) {
  QByteArray out;
  QBuffer b(&out);
  b.open(QIODevice::WriteOnly);
  img.save(&b, "JPG", quality);
  return out;
}

// An Exif block holding only the orientation tag, as a SHORT in the given
// byte order.
inline QByteArray ExifWithOrientation(unsigned value, bool bigEndian = false) {
  QByteArray t("Exif\0\0", 6);
  auto u16 = [&](unsigned v) {
    if (bigEndian) {
      t.append(char(v >> 8));
      t.append(char(v & 0xFF));
    } else {
      t.append(char(v & 0xFF));
      t.append(char(v >> 8));
    }
  };
  auto u32 = [&](unsigned v) {
    if (bigEndian) {
      u16(v >> 16);
      u16(v & 0xFFFF);
    } else {
      u16(v & 0xFFFF);
      u16(v >> 16);
    }
  };
  t.append(bigEndian ? "MM" : "II");
  u16(42);
  u32(8);
  u16(1);       // one entry
  u16(0x0112);  // Orientation
  u16(3);       // SHORT
  u32(1);
  u16(value);  // the value, left-justified in the 4-byte field
  u16(0);
  u32(0);  // no next IFD
  return t;
}

// The JPEG with an APP1 segment holding `payload` right after its SOI.
inline QByteArray WithApp1(const QByteArray& jpeg, const QByteArray& payload) {
  QByteArray seg;
  seg.append(char(0xFF));
  seg.append(char(0xE1));
  const int len = static_cast<int>(payload.size()) + 2;
  seg.append(char(len >> 8));
  seg.append(char(len & 0xFF));
  seg.append(payload);
  return jpeg.left(2) + seg + jpeg.mid(2);
}

inline QByteArray OrientedJpeg(const QImage& img, unsigned orientation, bool bigEndian = false) {
  return WithApp1(EncodeJpeg(img), ExifWithOrientation(orientation, bigEndian));
}

// The JPEG with the width and height of its frame header replaced.
inline QByteArray WithFrameSize(QByteArray jpeg, int w, int h) {
  for (qsizetype i = 2; i + 9 < jpeg.size(); ++i) {
    const auto m = static_cast<unsigned char>(jpeg[i + 1]);
    if (static_cast<unsigned char>(jpeg[i]) == 0xFF && (m == 0xC0 || m == 0xC2)) {
      jpeg[i + 5] = char(h >> 8);
      jpeg[i + 6] = char(h & 0xFF);
      jpeg[i + 7] = char(w >> 8);
      jpeg[i + 8] = char(w & 0xFF);
      break;
    }
  }
  return jpeg;
}

// A CMYK JPEG (as some photo editors write), which TurboJPEG cannot decode
// into RGB: every pixel of `img` converted with Qt's CMYK and stored
// inverted, as Adobe's programs store CMYK.
inline QByteArray CmykJpeg(const QImage& img) {
  const int w = img.width(), h = img.height();
  std::vector<unsigned char> cmyk(static_cast<size_t>(w) * h * 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const QColor c = QColor(img.pixel(x, y)).toCmyk();
      unsigned char* p = &cmyk[(static_cast<size_t>(y) * w + x) * 4];
      p[0] = static_cast<unsigned char>(255 - c.cyan());
      p[1] = static_cast<unsigned char>(255 - c.magenta());
      p[2] = static_cast<unsigned char>(255 - c.yellow());
      p[3] = static_cast<unsigned char>(255 - c.black());
    }
  tjhandle tj = tjInitCompress();
  unsigned char* out = nullptr;
  unsigned long size = 0;
  tjCompress2(tj, cmyk.data(), w, 0, h, TJPF_CMYK, &out, &size, TJSAMP_444, 95, 0);
  QByteArray bytes(reinterpret_cast<const char*>(out), static_cast<qsizetype>(size));
  tjFree(out);
  tjDestroy(tj);
  return bytes;
}

// A progressive JPEG whose last scan is repeated `extra` times.
inline QByteArray ManyScansJpeg(const QImage& img, int extra) {
  const QImage rgb = img.convertToFormat(QImage::Format_RGB888);
  tjhandle tj = tjInitCompress();
  unsigned char* out = nullptr;
  unsigned long size = 0;
  tjCompress2(tj, rgb.constBits(), rgb.width(), static_cast<int>(rgb.bytesPerLine()), rgb.height(),
              TJPF_RGB, &out, &size, TJSAMP_420, 90, TJFLAG_PROGRESSIVE);
  QByteArray jpeg(reinterpret_cast<const char*>(out), static_cast<qsizetype>(size));
  tjFree(out);
  tjDestroy(tj);
  const qsizetype lastScan = jpeg.lastIndexOf("\xff\xda");
  const qsizetype eoi = jpeg.lastIndexOf("\xff\xd9");
  const QByteArray scan = jpeg.mid(lastScan, eoi - lastScan);
  return jpeg.left(eoi) + scan.repeated(extra) + jpeg.mid(eoi);
}

}  // namespace ld::testing
