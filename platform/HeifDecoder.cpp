// HEIC, HEIF and AVIF pictures with libheif. The library applies the
// container's own rotation and mirror (irot, imir) while decoding; an Exif
// orientation tag inside the file describes the same turn and is not applied
// a second time. The library (and the codecs it brings: x265, aom, dav1d,
// de265) is loaded the first time a picture needs it, not at every start:
// mapping and relocating them cost the start of the program several
// milliseconds, for pictures most collections do not have.
#include <dlfcn.h>
#include <libheif/heif.h>

#include <QImage>
#include <QtEndian>
#include <cmath>
#include <memory>

#include "platform/PictureDecoding.h"

namespace ld::decoding {

namespace {

// The library's functions, found once; null when it cannot be loaded.
struct Heif {
// One function a line; clang-format 14 lays such a list out differently at
// every run.
// clang-format off
#define LD_HEIF_FUNCTIONS(X)                    \
  X(heif_init)                                  \
  X(heif_context_alloc)                         \
  X(heif_context_free)                          \
  X(heif_context_set_maximum_image_size_limit)  \
  X(heif_context_read_from_memory_without_copy) \
  X(heif_context_get_primary_image_handle)      \
  X(heif_image_handle_get_width)                \
  X(heif_image_handle_get_height)               \
  X(heif_image_handle_release)                  \
  X(heif_decoding_options_alloc)                \
  X(heif_decoding_options_free)                 \
  X(heif_decode_image)                          \
  X(heif_image_release)                         \
  X(heif_image_get_plane)                       \
  X(heif_image_get_width)                       \
  X(heif_image_get_height)
// clang-format on
#define LD_HEIF_POINTER(name) decltype(&::name) name = nullptr;
  LD_HEIF_FUNCTIONS(LD_HEIF_POINTER)
#undef LD_HEIF_POINTER
};

const Heif* Library() {
  static const Heif* const library = []() -> const Heif* {
    void* so = dlopen("libheif.so.1", RTLD_NOW | RTLD_LOCAL);
    if (!so) return nullptr;
    auto* h = new Heif;  // kept for the life of the program, as the library is
#define LD_HEIF_LOOKUP(name)                                       \
  h->name = reinterpret_cast<decltype(&::name)>(dlsym(so, #name)); \
  if (!h->name) return nullptr;
    LD_HEIF_FUNCTIONS(LD_HEIF_LOOKUP)
#undef LD_HEIF_LOOKUP
    h->heif_init(nullptr);
    return h;
  }();
  return library;
}

template <typename T>
struct Release {
  void (*free)(T*);
  void operator()(T* p) const {
    if (p) free(p);
  }
};
using Context = std::unique_ptr<heif_context, Release<heif_context>>;
using Handle = std::unique_ptr<heif_image_handle, Release<const heif_image_handle>>;
using Image = std::unique_ptr<heif_image, Release<const heif_image>>;
using Options = std::unique_ptr<heif_decoding_options, Release<heif_decoding_options>>;

}  // namespace

DecodedPicture DecodeHeif(const QByteArray& data, const DecodeLimits& limits) {
  const QString unreadable = QStringLiteral("Image HEIF illisible");
  const Heif* heif = Library();
  if (!heif) return Failed(unreadable);
  Context ctx(heif->heif_context_alloc(), {heif->heif_context_free});
  if (!ctx) return Failed(unreadable);
  // No side longer than a picture of maxSourcePixels could have: the
  // library refuses larger headers (and grids of tiles) before allocating.
  if (limits.maxSourcePixels > 0) {
    const double side =
        std::min(std::sqrt(static_cast<double>(limits.maxSourcePixels)) * 8, 65535.0);
    heif->heif_context_set_maximum_image_size_limit(ctx.get(), static_cast<int>(side));
  }
  if (heif->heif_context_read_from_memory_without_copy(ctx.get(), data.constData(),
                                                       static_cast<size_t>(data.size()), nullptr)
          .code != heif_error_Ok)
    return Failed(unreadable);
  heif_image_handle* raw = nullptr;
  if (heif->heif_context_get_primary_image_handle(ctx.get(), &raw).code != heif_error_Ok)
    return Failed(unreadable);
  const Handle handle(raw, {heif->heif_image_handle_release});
  // The size after the container's rotation.
  const QSize size(heif->heif_image_handle_get_width(handle.get()),
                   heif->heif_image_handle_get_height(handle.get()));
  if (size.width() <= 0 || size.height() <= 0) return Failed(unreadable);
  if (limits.maxSourcePixels > 0 && Area(size) > limits.maxSourcePixels)
    return Refused(QStringLiteral("Image trop grande"));
  Options options(heif->heif_decoding_options_alloc(), {heif->heif_decoding_options_free});
  if (!options) return Failed(unreadable);
  options->ignore_transformations = 0;
  heif_image* decoded = nullptr;
  if (heif->heif_decode_image(handle.get(), &decoded, heif_colorspace_RGB,
                              heif_chroma_interleaved_RGBA, options.get())
          .code != heif_error_Ok)
    return Failed(unreadable);
  const Image image(decoded, {heif->heif_image_release});
  int stride = 0;
  uint8_t* plane = heif->heif_image_get_plane(image.get(), heif_channel_interleaved, &stride);
  const int w = heif->heif_image_get_width(image.get(), heif_channel_interleaved);
  const int h = heif->heif_image_get_height(image.get(), heif_channel_interleaved);
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
