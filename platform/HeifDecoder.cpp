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
#include <climits>
#include <cmath>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "platform/PictureDecoding.h"

namespace ld::decoding {

namespace {

// The library's functions, found once; null when it cannot be loaded.
struct Heif {
// clang-format off
#define LD_HEIF_FUNCTIONS(X)                                                                  \
  X(heif_init) X(heif_context_alloc) X(heif_context_free)                                     \
  X(heif_context_set_maximum_image_size_limit) X(heif_context_read_from_memory_without_copy) \
  X(heif_context_get_primary_image_handle) X(heif_image_handle_get_width)                     \
  X(heif_image_handle_get_height) X(heif_image_handle_release) X(heif_decoding_options_alloc) \
  X(heif_decoding_options_free) X(heif_decode_image) X(heif_image_release)                    \
  X(heif_image_get_plane) X(heif_image_get_width) X(heif_image_get_height)                    \
  X(heif_context_set_max_decoding_threads)
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

// The boxes of the container, read only as far as the primary item's real
// size: libheif checks the size box (ispe) of an item, but a grid or an
// overlay makes a picture of the size its own data gives, which nothing
// ties to the size box. A file of a few hundred bytes can thus ask for a
// picture of 20 000 x 20 000.
class Boxes {
 public:
  explicit Boxes(const QByteArray& data)
      : p_(reinterpret_cast<const uchar*>(data.constData())), size_(data.size()) {}

  struct Box {
    quint32 type = 0;
    qint64 body = 0, end = 0;
  };

  // The first box of `type` among those from `at` to `end`.
  std::optional<Box> Find(quint32 type, qint64 at, qint64 end) const {
    while (at + 8 <= end) {
      qint64 length = U(at, 4);
      qint64 header = 8;
      if (length == 1) {
        if (at + 16 > end) return std::nullopt;
        length = static_cast<qint64>(std::min<quint64>(U(at + 8, 8), quint64(1) << 62));
        header = 16;
      } else if (length == 0) {
        length = end - at;
      }
      if (length < header || length > end - at) return std::nullopt;
      if (U(at + 4, 4) == type) return Box{type, at + header, at + length};
      at += length;
    }
    return std::nullopt;
  }

  // An unsigned big-endian number of n bytes (0 to 8); 0 past the end.
  quint64 U(qint64 at, int n) const {
    if (at < 0 || n < 0 || at + n > size_) return 0;
    quint64 v = 0;
    for (int i = 0; i < n; ++i) v = (v << 8) | p_[at + i];
    return v;
  }

  qint64 Size() const { return size_; }

 private:
  const uchar* p_;
  qint64 size_;
};

constexpr quint32 FourCc(const char (&s)[5]) {
  return (quint32(uchar(s[0])) << 24) | (quint32(uchar(s[1])) << 16) | (quint32(uchar(s[2])) << 8) |
         quint32(uchar(s[3]));
}

// The output size that the primary item's own data gives when it is a
// grid or an overlay; nothing for a coded picture, or when the boxes
// cannot be followed (libheif then judges the file).
std::optional<QSize> DerivedPictureSize(const QByteArray& data) {
  const Boxes b(data);
  const auto meta = b.Find(FourCc("meta"), 0, b.Size());
  if (!meta) return std::nullopt;
  const qint64 children = meta->body + 4;  // version and flags
  const auto pitm = b.Find(FourCc("pitm"), children, meta->end);
  const auto iinf = b.Find(FourCc("iinf"), children, meta->end);
  const auto iloc = b.Find(FourCc("iloc"), children, meta->end);
  if (!pitm || !iinf || !iloc) return std::nullopt;
  const quint64 primary = b.U(pitm->body, 1) == 0 ? b.U(pitm->body + 4, 2) : b.U(pitm->body + 4, 4);

  // The primary item's type, from its entry in the item information.
  quint32 type = 0;
  const qint64 entries = iinf->body + 4 + (b.U(iinf->body, 1) == 0 ? 2 : 4);
  for (qint64 at = entries; at < iinf->end;) {
    const auto infe = b.Find(FourCc("infe"), at, iinf->end);
    if (!infe) break;
    const quint64 version = b.U(infe->body, 1);
    if (version >= 2) {
      const int idBytes = version == 2 ? 2 : 4;
      if (b.U(infe->body + 4, idBytes) == primary) {
        type = static_cast<quint32>(b.U(infe->body + 4 + idBytes + 2, 4));
        break;
      }
    }
    at = infe->end;
  }
  if (type != FourCc("grid") && type != FourCc("iovl")) return std::nullopt;

  // Where its data lies: its first extent, in the file or in the idat box.
  const quint64 version = b.U(iloc->body, 1);
  const int offsetSize = static_cast<int>(b.U(iloc->body + 4, 1) >> 4);
  const int lengthSize = static_cast<int>(b.U(iloc->body + 4, 1) & 15);
  const int baseSize = static_cast<int>(b.U(iloc->body + 5, 1) >> 4);
  const int indexSize =
      version == 1 || version == 2 ? static_cast<int>(b.U(iloc->body + 5, 1) & 15) : 0;
  const int idBytes = version < 2 ? 2 : 4;
  const quint64 count = b.U(iloc->body + 6, idBytes);
  qint64 at = iloc->body + 6 + idBytes;
  std::optional<qint64> itemData;
  for (quint64 i = 0; i < count && at < iloc->end && !itemData; ++i) {
    const quint64 id = b.U(at, idBytes);
    at += idBytes;
    int method = 0;
    if (version == 1 || version == 2) {
      method = static_cast<int>(b.U(at, 2) & 15);
      at += 2;
    }
    at += 2;  // data reference index
    const quint64 base = b.U(at, baseSize);
    at += baseSize;
    const quint64 extents = b.U(at, 2);
    at += 2;
    const qint64 extentBytes = indexSize + offsetSize + lengthSize;
    if (id == primary && extents > 0) {
      const quint64 offset = base + b.U(at + indexSize, offsetSize);
      if (method == 0) {
        itemData = static_cast<qint64>(std::min<quint64>(offset, quint64(1) << 62));
      } else if (method == 1) {
        const auto idat = b.Find(FourCc("idat"), children, meta->end);
        if (!idat) return std::nullopt;
        itemData = idat->body + static_cast<qint64>(std::min<quint64>(offset, quint64(1) << 62));
      } else {
        return std::nullopt;
      }
    }
    at += static_cast<qint64>(std::min<quint64>(extents, 1 << 16)) * extentBytes;
  }
  if (!itemData) return std::nullopt;
  // grid: version, flags, rows - 1, columns - 1, width, height;
  // iovl: version, flags, four fill values, width, height. Bit 0 of the
  // flags makes the sizes 32 bits long instead of 16.
  const qint64 d = *itemData;
  const int sizeBytes = (b.U(d + 1, 1) & 1) ? 4 : 2;
  const qint64 sizes = d + (type == FourCc("grid") ? 4 : 10);
  if (sizes + 2 * sizeBytes > b.Size()) return std::nullopt;
  const quint64 w = b.U(sizes, sizeBytes), h = b.U(sizes + sizeBytes, sizeBytes);
  return QSize(static_cast<int>(std::min<quint64>(w, INT_MAX)),
               static_cast<int>(std::min<quint64>(h, INT_MAX)));
}

// The bits of an HEVC parameter set, its emulation-prevention bytes (the
// 3 of 00 00 03) dropped.
class BitReader {
 public:
  explicit BitReader(const QByteArray& nal) {
    int zeros = 0;
    for (const char c : nal) {
      const auto b = static_cast<uchar>(c);
      if (zeros >= 2 && b == 3) {
        zeros = 0;
        continue;
      }
      zeros = b == 0 ? zeros + 1 : 0;
      bytes_.push_back(b);
    }
  }
  std::optional<quint32> Bits(int n) {
    quint32 v = 0;
    for (int i = 0; i < n; ++i) {
      if (pos_ >= bytes_.size() * 8) return std::nullopt;
      v = (v << 1) | ((bytes_[pos_ / 8] >> (7 - pos_ % 8)) & 1);
      ++pos_;
    }
    return v;
  }
  bool Skip(int n) {
    pos_ += static_cast<size_t>(n);
    return pos_ <= bytes_.size() * 8;
  }
  // An unsigned Exp-Golomb number.
  std::optional<quint32> Ue() {
    int zeros = 0;
    for (;;) {
      const auto bit = Bits(1);
      if (!bit) return std::nullopt;
      if (*bit) break;
      if (++zeros > 31) return std::nullopt;
    }
    const auto rest = Bits(zeros);
    if (!rest) return std::nullopt;
    return static_cast<quint32>((quint64(1) << zeros) - 1 + *rest);
  }

 private:
  std::vector<uchar> bytes_;
  size_t pos_ = 0;
};

// The picture size of an HEVC sequence parameter set (NAL unit with its
// two-byte header).
std::optional<QSize> SpsPictureSize(const QByteArray& nal) {
  BitReader r(nal.mid(2));
  if (!r.Skip(4)) return std::nullopt;  // video parameter set id
  const auto subLayers = r.Bits(3);
  if (!subLayers || !r.Skip(1 + 96)) return std::nullopt;  // nesting flag, general profile, level
  std::vector<std::pair<bool, bool>> present;
  for (quint32 i = 0; i < *subLayers; ++i) {
    const auto profile = r.Bits(1), level = r.Bits(1);
    if (!profile || !level) return std::nullopt;
    present.emplace_back(*profile, *level);
  }
  if (*subLayers > 0 && !r.Skip(2 * (8 - static_cast<int>(*subLayers)))) return std::nullopt;
  for (const auto& [profile, level] : present)
    if (!r.Skip((profile ? 88 : 0) + (level ? 8 : 0))) return std::nullopt;
  if (!r.Ue()) return std::nullopt;  // sequence parameter set id
  const auto chroma = r.Ue();
  if (!chroma || (*chroma == 3 && !r.Skip(1))) return std::nullopt;
  const auto w = r.Ue(), h = r.Ue();
  if (!w || !h) return std::nullopt;
  return QSize(static_cast<int>(std::min<quint32>(*w, INT_MAX)),
               static_cast<int>(std::min<quint32>(*h, INT_MAX)));
}

// The largest picture that the HEVC parameter sets of the file's item
// properties announce: the coded pictures the decoder will allocate,
// whatever the items' size boxes say. 0 when there is none.
qint64 LargestCodedArea(const QByteArray& data) {
  const Boxes b(data);
  const auto meta = b.Find(FourCc("meta"), 0, b.Size());
  if (!meta) return 0;
  const auto iprp = b.Find(FourCc("iprp"), meta->body + 4, meta->end);
  if (!iprp) return 0;
  const auto ipco = b.Find(FourCc("ipco"), iprp->body, iprp->end);
  if (!ipco) return 0;
  qint64 largest = 0;
  for (qint64 at = ipco->body; at < ipco->end;) {
    const auto hvcC = b.Find(FourCc("hvcC"), at, ipco->end);
    if (!hvcC) break;
    // 22 bytes of configuration, then arrays of NAL units of one type each.
    const quint64 arrays = b.U(hvcC->body + 22, 1);
    qint64 p = hvcC->body + 23;
    for (quint64 i = 0; i < arrays && p + 3 <= hvcC->end; ++i) {
      const quint64 type = b.U(p, 1) & 0x3F;
      const quint64 count = b.U(p + 1, 2);
      p += 3;
      for (quint64 k = 0; k < count && p + 2 <= hvcC->end; ++k) {
        const auto length = static_cast<qint64>(b.U(p, 2));
        if (p + 2 + length > hvcC->end) break;
        if (type == 33) {  // a sequence parameter set
          if (const auto size = SpsPictureSize(data.mid(p + 2, length)))
            largest = std::max(largest, Area(*size));
        }
        p += 2 + length;
      }
    }
    at = hvcC->end;
  }
  return largest;
}

// Bytes per pixel of a decode: the library's planes (4:2:0 of up to 16
// bits, 3 bytes a pixel) and its interleaved RGBA picture, alive at once.
constexpr qint64 kHeifBytesPerPixel = 7;

// Thrown from libheif's progress callback, called between the tiles of a
// grid, when the decode is cancelled: libheif is C++ and frees what it holds
// as the exception passes, and it is caught right around the decode call.
struct HeifCancelled {};

void OnTile(heif_progress_step, int, void* flag) {
  if (flag && static_cast<const std::atomic<bool>*>(flag)->load(std::memory_order_relaxed))
    throw HeifCancelled{};
}

}  // namespace

DecodedPicture DecodeHeif(const QByteArray& data, const DecodeLimits& limits) {
  const QString unreadable = QStringLiteral("Image HEIF illisible");
  const Heif* heif = Library();
  if (!heif) return Failed(unreadable);
  Context ctx(heif->heif_context_alloc(), {heif->heif_context_free});
  if (!ctx) return Failed(unreadable);
  // The most pixels the limits let through: a picture decoded whole at
  // most maxSourcePixels, and its decode within the memory budget.
  qint64 maxArea = limits.maxSourcePixels > 0 ? limits.maxSourcePixels : 0;
  if (limits.maxDecodeBytes > 0) {
    const qint64 byBudget = limits.maxDecodeBytes / kHeifBytesPerPixel;
    maxArea = maxArea > 0 ? std::min(maxArea, byBudget) : byBudget;
  }
  // No side longer than a panorama of that many pixels (eight times the
  // square's side): the library refuses larger size boxes before allocating.
  if (maxArea > 0) {
    const double side = std::min(std::sqrt(static_cast<double>(maxArea)) * 8, 65535.0);
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
  // The size a grid or an overlay really makes, whatever its size box says.
  if (const auto derived = DerivedPictureSize(data)) {
    if (derived->width() <= 0 || derived->height() <= 0) return Failed(unreadable);
    if (maxArea > 0 && Area(*derived) > maxArea) return OverBudget();
  }
  if (maxArea > 0 && LargestCodedArea(data) > maxArea) return OverBudget();
  if (limits.maxDecodeBytes > 0 && Area(size) * kHeifBytesPerPixel > limits.maxDecodeBytes)
    return OverBudget();
  Options options(heif->heif_decoding_options_alloc(), {heif->heif_decoding_options_free});
  if (!options) return Failed(unreadable);
  options->ignore_transformations = 0;
  if (limits.cancel) {
    // The tiles of a grid decoded one after the other on this thread, so
    // that a cancel is seen between two of them.
    heif->heif_context_set_max_decoding_threads(ctx.get(), 0);
    options->on_progress = OnTile;
    options->progress_user_data = const_cast<void*>(static_cast<const void*>(limits.cancel.get()));
  }
  if (limits.Cancelled()) return Cancelled();
  heif_image* decoded = nullptr;
  heif_error decodeError{};
  try {
    decodeError = heif->heif_decode_image(handle.get(), &decoded, heif_colorspace_RGB,
                                          heif_chroma_interleaved_RGBA, options.get());
  } catch (const HeifCancelled&) {
    return Cancelled();
  }
  if (limits.Cancelled()) {
    if (decoded) heif->heif_image_release(decoded);
    return Cancelled();
  }
  if (decodeError.code != heif_error_Ok) return Failed(unreadable);
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
