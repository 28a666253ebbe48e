// HEIC, HEIF and AVIF pictures with libheif. The library applies the
// container's own rotation and mirror (irot, imir) while decoding; an Exif
// orientation tag inside the file describes the same turn and is not applied
// a second time.
#include <libheif/heif.h>

#include <QImage>
#include <QtEndian>
#include <cmath>
#include <memory>
#include <mutex>

#include "platform/PictureDecoding.h"

namespace ld::decoding {

namespace {

template <typename T, void (*Free)(T*)>
struct Deleter {
  void operator()(T* p) const {
    if (p) Free(p);
  }
};
using Context = std::unique_ptr<heif_context, Deleter<heif_context, heif_context_free>>;
using Handle =
    std::unique_ptr<heif_image_handle, Deleter<const heif_image_handle, heif_image_handle_release>>;
using Image = std::unique_ptr<heif_image, Deleter<const heif_image, heif_image_release>>;
using Options = std::unique_ptr<heif_decoding_options,
                                Deleter<heif_decoding_options, heif_decoding_options_free>>;

}  // namespace

DecodedPicture DecodeHeif(const QByteArray& data, const DecodeLimits& limits) {
  static std::once_flag once;
  std::call_once(once, [] { heif_init(nullptr); });
  const QString unreadable = QStringLiteral("Image HEIF illisible");
  Context ctx(heif_context_alloc());
  if (!ctx) return Failed(unreadable);
  // No side longer than a picture of maxSourcePixels could have: the
  // library refuses larger headers (and grids of tiles) before allocating.
  if (limits.maxSourcePixels > 0) {
    const double side =
        std::min(std::sqrt(static_cast<double>(limits.maxSourcePixels)) * 8, 65535.0);
    heif_context_set_maximum_image_size_limit(ctx.get(), static_cast<int>(side));
  }
  if (heif_context_read_from_memory_without_copy(ctx.get(), data.constData(),
                                                 static_cast<size_t>(data.size()), nullptr)
          .code != heif_error_Ok)
    return Failed(unreadable);
  heif_image_handle* raw = nullptr;
  if (heif_context_get_primary_image_handle(ctx.get(), &raw).code != heif_error_Ok)
    return Failed(unreadable);
  const Handle handle(raw);
  // The size after the container's rotation.
  const QSize size(heif_image_handle_get_width(handle.get()),
                   heif_image_handle_get_height(handle.get()));
  if (size.width() <= 0 || size.height() <= 0) return Failed(unreadable);
  if (limits.maxSourcePixels > 0 && Area(size) > limits.maxSourcePixels)
    return Refused(QStringLiteral("Image trop grande"));
  Options options(heif_decoding_options_alloc());
  if (!options) return Failed(unreadable);
  options->ignore_transformations = 0;
  heif_image* decoded = nullptr;
  if (heif_decode_image(handle.get(), &decoded, heif_colorspace_RGB, heif_chroma_interleaved_RGBA,
                        options.get())
          .code != heif_error_Ok)
    return Failed(unreadable);
  const Image image(decoded);
  int stride = 0;
  uint8_t* plane = heif_image_get_plane(image.get(), heif_channel_interleaved, &stride);
  const int w = heif_image_get_width(image.get(), heif_channel_interleaved);
  const int h = heif_image_get_height(image.get(), heif_channel_interleaved);
  if (!plane || w <= 0 || h <= 0 || stride < w * 4) return Failed(unreadable);
  // The library's RGBA bytes turned into Format_RGB32 in place (alpha
  // ignored): scaling it down then makes no converted full-size copy.
  for (int y = 0; y < h; ++y) {
    auto* px = reinterpret_cast<quint32*>(plane + static_cast<qsizetype>(y) * stride);
    for (int x = 0; x < w; ++x) {
      const quint32 v = qFromLittleEndian(px[x]);  // R, G, B, A from the low byte up
      px[x] = 0xFF000000u | ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
    }
  }
  const QImage view(plane, w, h, stride, QImage::Format_RGB32);
  DecodedPicture out = Finish(view, Orientation::Normal, limits);
  // Kept at full size, the picture is still the library's memory, which is
  // released on return: the copy that is kept.
  if (!out.image.isNull() && out.image.constBits() == plane) out.image = out.image.copy();
  return out;
}

}  // namespace ld::decoding
