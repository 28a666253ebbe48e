// ld_demo_pictures DIR: writes a small sample collection for trying the
// program: dated directories, JPEG pictures of several sizes with an Exif
// orientation tag (each stored turned so that only a viewer that applies the
// tag shows it upright, its "HAUT" arrow pointing up), a few BMP pictures, and
// names with "++", "§", accents and quotes. Prints the directory to list.
#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTransform>
#include <cstdio>

namespace {

void Put16(QByteArray& b, int v) {  // little-endian ("II" TIFF)
  b.append(static_cast<char>(v & 0xFF));
  b.append(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(QByteArray& b, quint32 v) {
  Put16(b, static_cast<int>(v & 0xFFFF));
  Put16(b, static_cast<int>(v >> 16));
}

// An APP1 Exif segment with IFD0 holding Orientation (0x0112) and DateTime
// (0x0132, "YYYY:MM:DD HH:MM:SS").
QByteArray ExifSegment(int orientation, const QByteArray& dateTime) {
  QByteArray tiff("II*\0", 4);
  Put32(tiff, 8);  // IFD0 right after the header
  const int entries = 2;
  Put16(tiff, entries);
  // Orientation: SHORT, 1 value, in the entry itself.
  Put16(tiff, 0x0112);
  Put16(tiff, 3);
  Put32(tiff, 1);
  Put16(tiff, orientation);
  Put16(tiff, 0);
  // DateTime: ASCII, 20 bytes with its NUL, stored after the IFD.
  const quint32 dataOffset = 8 + 2 + entries * 12 + 4;
  Put16(tiff, 0x0132);
  Put16(tiff, 2);
  Put32(tiff, 20);
  Put32(tiff, dataOffset);
  Put32(tiff, 0);  // no next IFD
  QByteArray dt = dateTime.left(19);
  dt.append('\0');
  tiff.append(dt);

  QByteArray seg("\xFF\xE1", 2);
  const int length = 2 + 6 + static_cast<int>(tiff.size());
  seg.append(static_cast<char>((length >> 8) & 0xFF));
  seg.append(static_cast<char>(length & 0xFF));
  seg.append(QByteArray("Exif\0\0", 6));
  seg.append(tiff);
  return seg;
}

// The stored pixels of an upright scene for an orientation value: the
// inverse of what the tag asks a viewer to do.
QImage StoredFor(const QImage& upright, int orientation) {
  QTransform t;
  switch (orientation) {
    case 2:
      return upright.mirrored(true, false);
    case 3:
      return upright.transformed(t.rotate(180));
    case 4:
      return upright.mirrored(false, true);
    case 5:
      return upright.transformed(QTransform().rotate(90)).mirrored(true, false);  // transpose
    case 6:
      return upright.transformed(t.rotate(-90));  // shown turned 90 clockwise
    case 7:
      return upright.transformed(QTransform().rotate(90)).mirrored(false, true);  // transverse
    case 8:
      return upright.transformed(t.rotate(90));
    default:
      return upright;
  }
}

QImage Scene(int w, int h, const QString& title, const QString& subtitle, int hue) {
  QImage img(w, h, QImage::Format_RGB32);
  QPainter p(&img);
  QLinearGradient g(0, 0, w, h);
  g.setColorAt(0, QColor::fromHsv(hue, 160, 220));
  g.setColorAt(1, QColor::fromHsv((hue + 60) % 360, 200, 90));
  p.fillRect(img.rect(), g);
  p.setPen(QPen(Qt::white, std::max(2, w / 200)));
  p.drawRect(img.rect().adjusted(4, 4, -5, -5));
  // The arrow that must point up once the picture is shown right.
  const int cx = w / 2, top = h / 10, len = h / 3;
  p.setBrush(Qt::white);
  p.drawLine(cx, top + len / 4, cx, top + len);
  p.drawPolygon(QPolygon(
      {QPoint(cx, top), QPoint(cx - w / 20, top + len / 4), QPoint(cx + w / 20, top + len / 4)}));
  QFont f;
  f.setPixelSize(std::max(12, h / 14));
  f.setBold(true);
  p.setFont(f);
  p.drawText(QRect(0, top + len + 10, w, h / 8), Qt::AlignCenter, QStringLiteral("HAUT"));
  f.setPixelSize(std::max(10, h / 22));
  f.setBold(false);
  p.setFont(f);
  p.drawText(QRect(0, h * 2 / 3, w, h / 6), Qt::AlignCenter | Qt::TextWordWrap, title);
  p.drawText(QRect(0, h * 5 / 6, w, h / 8), Qt::AlignCenter, subtitle);
  return img;
}

bool WriteJpeg(const QString& path, const QImage& stored, int orientation,
               const QByteArray& dateTime) {
  QByteArray jpeg;
  QBuffer buffer(&jpeg);
  buffer.open(QIODevice::WriteOnly);
  if (!stored.save(&buffer, "JPG", 85)) return false;
  if (jpeg.size() < 2 || static_cast<unsigned char>(jpeg[0]) != 0xFF ||
      static_cast<unsigned char>(jpeg[1]) != 0xD8)
    return false;
  // The Exif segment goes right after the start-of-image marker.
  jpeg.insert(2, ExifSegment(orientation, dateTime));
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  return f.write(jpeg) == jpeg.size();
}

struct Picture {
  const char* dir;
  const char* name;
  int width, height, orientation;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: ld_demo_pictures DIR\n");
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QString root = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();

  const Picture pictures[] = {
      {"2012-07-14 Vacances Bretagne", "IMG_0001.JPG", 1600, 1200, 1},
      {"2012-07-14 Vacances Bretagne", "IMG_0002.JPG", 1600, 1200, 3},
      {"2012-07-14 Vacances Bretagne", "IMG_0003.JPG", 1600, 1200, 6},
      {"2012-07-14 Vacances Bretagne", "IMG_0004.JPG", 1200, 1600, 8},
      {"2013-12-25 Noël en famille", "sapin été.jpg", 1920, 1080, 1},
      {"2013-12-25 Noël en famille", "l'arbre \"décoré\".jpg", 1024, 768, 2},
      {"2013-12-25 Noël en famille", "portrait.jpg", 900, 1400, 5},
      {"2014-10 Lyon", "vieux Lyon.JPG", 2400, 1600, 4},
      {"2014-10 Lyon/Fourvière", "basilique.jpg", 1000, 1500, 7},
      {"2014-10 Lyon/Fourvière", "panorama.jpg", 3000, 1000, 1},
      {"2015-05-30 Mariage ++", "entrée.jpg", 1600, 1067, 1},
      {"2015-05-30 Mariage ++", "danse.jpg", 1600, 1067, 6},
      {"2016-08-03 Été à Avignon", "pont§.jpg", 1280, 960, 1},
      {"2016-08-03 Été à Avignon", "palais des papes.jpg", 640, 480, 1},
      {"2016-08-03 Été à Avignon", "c++ petit.jpg", 320, 240, 1},
      {"Divers", "grand.jpg", 4000, 3000, 1},
  };
  const Picture bitmaps[] = {
      {"Divers", "dessin.bmp", 800, 600, 1},
      {"Divers", "SCAN_001.BMP", 600, 800, 1},
      {"2014-10 Lyon", "plan.bmp", 640, 480, 1},
  };

  int written = 0, hue = 0;
  for (const Picture& p : pictures) {
    const QString dir = root + u'/' + QString::fromUtf8(p.dir);
    QDir().mkpath(dir);
    const QString name = QString::fromUtf8(p.name);
    const QString date = QString::fromUtf8(p.dir).left(10);
    QByteArray dt = QByteArray("2016:01:01 12:00:00");
    if (date.size() == 10 && date[4] == u'-' && date[7] == u'-')
      dt = (date.left(4) + u':' + date.mid(5, 2) + u':' + date.mid(8, 2)).toLatin1() + " 12:00:00";
    const QImage upright =
        Scene(p.orientation >= 5 ? p.height : p.width, p.orientation >= 5 ? p.width : p.height,
              QString::fromUtf8(p.dir) + QStringLiteral(" / ") + name,
              QStringLiteral("orientation Exif %1").arg(p.orientation), hue);
    hue = (hue + 47) % 360;
    if (!WriteJpeg(dir + u'/' + name, StoredFor(upright, p.orientation), p.orientation, dt)) {
      std::fprintf(stderr, "cannot write %s\n", qPrintable(dir + u'/' + name));
      return 1;
    }
    ++written;
  }
  for (const Picture& p : bitmaps) {
    const QString dir = root + u'/' + QString::fromUtf8(p.dir);
    QDir().mkpath(dir);
    const QString name = QString::fromUtf8(p.name);
    const QImage img =
        Scene(p.width, p.height, QString::fromUtf8(p.dir) + QStringLiteral(" / ") + name,
              QStringLiteral("BMP"), hue);
    hue = (hue + 47) % 360;
    if (!img.save(dir + u'/' + name, "BMP")) {
      std::fprintf(stderr, "cannot write %s\n", qPrintable(dir + u'/' + name));
      return 1;
    }
    ++written;
  }
  // Files that the scan must pass over: not pictures, empty, hidden.
  QFile(root + QStringLiteral("/Divers/notes.txt")).open(QIODevice::WriteOnly);
  {
    QFile f(root + QStringLiteral("/Divers/lisez-moi.txt"));
    if (f.open(QIODevice::WriteOnly)) f.write("Ces images ont été créées pour la démonstration.\n");
  }
  QFile(root + QStringLiteral("/Divers/vide.jpg")).open(QIODevice::WriteOnly);
  {
    QFile f(root + QStringLiteral("/Divers/._cache.jpg"));
    if (f.open(QIODevice::WriteOnly)) f.write("not a picture");
  }
  std::fprintf(stderr, "%d pictures written under %s\n", written, qPrintable(root));
  std::printf("%s\n", root.toUtf8().constData());
  return 0;
}
