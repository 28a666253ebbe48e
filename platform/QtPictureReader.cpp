// PNG, WebP, TIFF, BMP, ICO (and GIF) pictures with Qt's image readers.
#include <QImageIOHandler>
#include <QImageReader>
#include <QString>
#include <atomic>
#include <mutex>
#include <optional>

#include "platform/PictureDecoding.h"

namespace ld::decoding {

namespace {

QByteArray ReaderFormat(PictureContent content) {
  switch (content) {
    case PictureContent::Png:
      return "png";
    case PictureContent::WebP:
      return "webp";
    case PictureContent::Tiff:
      return "tiff";
    case PictureContent::Bitmap:
      return "bmp";
    case PictureContent::Icon:
      return "ico";
    case PictureContent::Gif:
      return "gif";
    default:
      return QByteArray();
  }
}

// Qt's transformation, as the Exif tag value that asks for it.
int TagOfTransformation(QImageIOHandler::Transformations t) {
  switch (static_cast<int>(t)) {
    case QImageIOHandler::TransformationMirror:
      return 2;
    case QImageIOHandler::TransformationRotate180:
      return 3;
    case QImageIOHandler::TransformationFlip:
      return 4;
    case QImageIOHandler::TransformationFlipAndRotate90:
      return 5;
    case QImageIOHandler::TransformationRotate90:
      return 6;
    case QImageIOHandler::TransformationMirrorAndRotate90:
      return 7;
    case QImageIOHandler::TransformationRotate270:
      return 8;
    default:
      return 1;
  }
}

QString ReaderError(QImageReader::ImageReaderError e) {
  switch (e) {
    case QImageReader::UnsupportedFormatError:
      return QStringLiteral("Format d'image non pris en charge");
    case QImageReader::DeviceError:
      return QStringLiteral("Impossible de lire le fichier");
    case QImageReader::InvalidDataError:
      return QStringLiteral("Données d'image non valides");
    default:
      return QStringLiteral("Image illisible");
  }
}

QtMessageHandler previousHandler = nullptr;

bool FromImageReader(const QMessageLogContext& context, const QString& text) {
  const QByteArray category(context.category ? context.category : "");
  return category.startsWith("qt.gui.imageio") || category.startsWith("qt.imageformats") ||
         text.startsWith(QLatin1String("libpng")) || text.startsWith(QLatin1String("libtiff")) ||
         text.startsWith(QLatin1String("QImageIOHandler")) ||
         text.startsWith(QLatin1String("QTiffHandler"));
}

void FilterMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type != QtCriticalMsg && type != QtFatalMsg && FromImageReader(context, text)) return;
  if (previousHandler) previousHandler(type, context, text);
}

// The picture's device as the reader sees it, failing every read once the
// decode is cancelled: the reader (libpng, libtiff and GIF read a piece at
// a time) then stops at its next read and frees what it holds.
class CancellableDevice : public QIODevice {
 public:
  CancellableDevice(QIODevice* inner, const std::atomic<bool>* cancel)
      : inner_(inner), cancel_(cancel) {
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    if (!inner_->isSequential()) QIODevice::seek(inner_->pos());
  }
  bool isSequential() const override { return inner_->isSequential(); }
  qint64 size() const override { return inner_->size(); }
  bool seek(qint64 pos) override { return inner_->seek(pos) && QIODevice::seek(pos); }

 protected:
  qint64 readData(char* data, qint64 max) override {
    if (cancel_->load(std::memory_order_relaxed)) return -1;
    return inner_->read(data, max);
  }
  qint64 writeData(const char*, qint64) override { return -1; }

 private:
  QIODevice* inner_;
  const std::atomic<bool>* cancel_;
};

}  // namespace

void QuietImageReaders() {
  static std::once_flag once;
  std::call_once(once, [] { previousHandler = qInstallMessageHandler(FilterMessage); });
}

DecodedPicture DecodeWithQt(QIODevice* device, PictureContent content,
                            std::optional<int> exifOrientation, const DecodeLimits& limits) {
  QuietImageReaders();
  std::optional<CancellableDevice> cancellable;
  if (limits.cancel) {
    cancellable.emplace(device, limits.cancel.get());
    device = &*cancellable;
  }
  QImageReader reader(device, ReaderFormat(content));
  reader.setAutoTransform(false);
  const QSize stored = reader.size();
  if (stored.isValid() && limits.maxSourcePixels > 0 && Area(stored) > limits.maxSourcePixels)
    return Refused(QStringLiteral("Image trop grande"));
  // Qt's own limit (256 MB) would refuse a valid 6000 x 6000 bitmap: ours
  // lets a picture up to maxSourcePixels be decoded whole (at up to 8 bytes
  // per pixel for 16-bit pictures), then scaled down, within the decode's
  // memory budget. The reader checks it before it allocates the picture.
  qint64 allocationBytes = limits.maxSourcePixels > 0 ? limits.maxSourcePixels * 8 : 0;
  if (limits.maxDecodeBytes > 0)
    allocationBytes = allocationBytes > 0 ? std::min(allocationBytes, limits.maxDecodeBytes)
                                          : limits.maxDecodeBytes;
  reader.setAllocationLimit(allocationBytes > 0 ? static_cast<int>(std::min<qint64>(
                                                      allocationBytes / (1024 * 1024) + 1, 1 << 30))
                                                : 0);
  if (stored.isValid() && limits.maxDecodeBytes > 0 && Area(stored) * 4 > limits.maxDecodeBytes)
    return OverBudget();
  // TIFF carries its orientation as a tag of its own, which Qt's reader
  // gives; PNG and WebP carry an Exif chunk.
  const Orientation o =
      content == PictureContent::Tiff
          ? OrientationFromTag(TagOfTransformation(reader.transformation()))
          : OrientationFromTag(content == PictureContent::Png || content == PictureContent::WebP
                                   ? exifOrientation.value_or(1)
                                   : 1);
  // A reader that can decode at a reduced size (WebP) does so.
  bool scaledByReader = false;
  if (stored.isValid() && reader.supportsOption(QImageIOHandler::ScaledSize)) {
    const QSize kept = KeptSize(limits, Oriented(stored, o));
    const QSize storedKept = SwapsWidthAndHeight(o) ? kept.transposed() : kept;
    if (storedKept != stored) {
      reader.setScaledSize(storedKept);
      scaledByReader = true;
    }
  }
  QImage img = reader.read();
  if (limits.Cancelled()) return Cancelled();
  if (img.isNull()) return Failed(ReaderError(reader.error()));
  if (!scaledByReader) return Finish(std::move(img), o, limits);
  return Upright(img, o, Oriented(stored, o));
}

}  // namespace ld::decoding
