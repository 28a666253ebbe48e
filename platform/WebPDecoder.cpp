// WebP pictures with libwebp's incremental decoder, at the size the screen
// shows: Qt's reader decodes a WebP whole, in one call that nothing can
// stop, so a lossless file of a few kilobytes could hold half a gigabyte and
// seconds of work. Fed a piece at a time, the decoder scales each row down
// as it is decoded, and a cancelled decode stops between two pieces.
#include <webp/decode.h>

#include <QImage>
#include <algorithm>
#include <memory>

#include "platform/PictureDecoding.h"

namespace ld::decoding {

namespace {

// The data handed to the decoder at each step: small, because a few bytes
// of a lossless file can make millions of pixels.
constexpr qsizetype kStepBytes = 512;

struct IDecoderDelete {
  void operator()(WebPIDecoder* d) const { WebPIDelete(d); }
};

}  // namespace

std::optional<DecodedPicture> DecodeWebP(const QByteArray& data, std::optional<int> exifOrientation,
                                         const DecodeLimits& limits) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(data.constData());
  WebPBitstreamFeatures features{};
  if (WebPGetFeatures(bytes, static_cast<size_t>(data.size()), &features) != VP8_STATUS_OK)
    return Failed(QStringLiteral("Données d'image non valides"));
  if (features.has_animation) return std::nullopt;  // Qt's reader shows its first frame
  const QSize stored(features.width, features.height);
  if (stored.isEmpty()) return Failed(QStringLiteral("Données d'image non valides"));
  if (limits.maxSourcePixels > 0 && Area(stored) > limits.maxSourcePixels)
    return Refused(QStringLiteral("Image trop grande"));
  if (limits.maxDecodeBytes > 0 && Area(stored) * 4 > limits.maxDecodeBytes) return OverBudget();
  const Orientation o = OrientationFromTag(exifOrientation.value_or(1));
  const QSize kept = KeptSize(limits, Oriented(stored, o));
  const QSize storedKept = SwapsWidthAndHeight(o) ? kept.transposed() : kept;
  if (storedKept.isEmpty()) return Failed(QStringLiteral("Données d'image non valides"));

  // The formats Qt's reader gives.
  QImage out(storedKept, features.has_alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  if (out.isNull()) return Refused(QStringLiteral("Mémoire insuffisante pour l'image"));
  WebPDecoderConfig config;
  if (!WebPInitDecoderConfig(&config)) return Failed(QStringLiteral("Image illisible"));
  if (storedKept != stored) {
    config.options.use_scaling = 1;
    config.options.scaled_width = storedKept.width();
    config.options.scaled_height = storedKept.height();
  }
  // B, G, R, A in memory: the 0xAARRGGBB words of Qt's 32-bit formats.
  config.output.colorspace = MODE_BGRA;
  config.output.is_external_memory = 1;
  config.output.u.RGBA.rgba = out.bits();
  config.output.u.RGBA.stride = static_cast<int>(out.bytesPerLine());
  config.output.u.RGBA.size = static_cast<size_t>(out.sizeInBytes());
  const std::unique_ptr<WebPIDecoder, IDecoderDelete> decoder(WebPIDecode(nullptr, 0, &config));
  if (!decoder) return Refused(QStringLiteral("Mémoire insuffisante pour l'image"));
  VP8StatusCode status = VP8_STATUS_SUSPENDED;
  for (qsizetype fed = 0; status == VP8_STATUS_SUSPENDED && fed < data.size();) {
    if (limits.Cancelled()) return Cancelled();
    fed = std::min(data.size(), fed + kStepBytes);
    // The decoder reads from data itself, which grows by a step each time.
    status = WebPIUpdate(decoder.get(), bytes, static_cast<size_t>(fed));
  }
  if (limits.Cancelled()) return Cancelled();
  if (status != VP8_STATUS_OK) return Failed(QStringLiteral("Données d'image non valides"));
  if (storedKept == stored) return Finish(std::move(out), o, limits);
  return Upright(out, o, Oriented(stored, o));
}

}  // namespace ld::decoding
