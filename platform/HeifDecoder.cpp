// HEIC, HEIF and AVIF pictures with libheif. The library applies the
// container's own rotation and mirror (irot, imir) while decoding; an Exif
// orientation tag inside the file describes the same turn and is not applied
// a second time. The library (and the codecs it brings: x265, aom, dav1d,
// de265) is loaded the first time a picture needs it, not at every start:
// mapping and relocating them cost the start of the program several
// milliseconds, for pictures most collections do not have.
#include <dlfcn.h>
#include <libheif/heif.h>
#include <libheif/heif_plugin.h>

#include <QImage>
#include <QtEndian>
#include <climits>
#include <cmath>
#include <map>
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
  X(heif_context_set_max_decoding_threads) X(heif_get_decoder_descriptors)                   \
  X(heif_register_decoder_plugin) X(heif_get_version_number_major)                            \
  X(heif_get_version_number_minor)
// clang-format on
#define LD_HEIF_POINTER(name) decltype(&::name) name = nullptr;
  LD_HEIF_FUNCTIONS(LD_HEIF_POINTER)
#undef LD_HEIF_POINTER
};

// libheif 1.15 reports no progress while it decodes the tiles of a grid,
// so a cancelled decode would go on through every tile. It is stopped by the
// decoder that libheif calls for each coded picture instead: a stand-in,
// registered ahead of the library's own decoders, hands each picture to the
// best other decoder of its format unless the cancel flag of the decode
// running on this thread is raised; it then refuses the picture, and libheif
// gives up the whole decode, freeing what it holds.
thread_local const std::atomic<bool>* tileCancel = nullptr;
const Heif* guardedLibrary = nullptr;

bool TileCancelled() { return tileCancel && tileCancel->load(std::memory_order_relaxed); }

heif_error PluginError(const char* why) {
  return {heif_error_Decoder_plugin_error, heif_suberror_Unspecified, why};
}

struct GuardedDecoder {
  const heif_decoder_plugin* real;
  void* decoder;
};

template <heif_compression_format Format>
struct TileGuard {
  static const heif_decoder_plugin plugin;

  // The decoder libheif would take without the stand-in: the first other
  // one in the library's list, which is sorted by priority.
  static const heif_decoder_plugin* Real() {
    const heif_decoder_descriptor* found[16] = {};
    const int n = guardedLibrary->heif_get_decoder_descriptors(Format, found, 16);
    for (int i = 0; i < std::min(n, 16); ++i) {
      // In libheif 1.15 a decoder's descriptor is its plugin structure.
      const auto* p = reinterpret_cast<const heif_decoder_plugin*>(found[i]);
      if (p && p != &plugin) return p;
    }
    return nullptr;
  }
  static const char* Name() { return "LuminoDrift cancellable decoder"; }
  static int Supports(heif_compression_format f) { return f == Format ? 1 << 20 : 0; }
  static heif_error New(void** out) {
    if (TileCancelled()) return PluginError("Decoding cancelled");
    const heif_decoder_plugin* real = Real();
    if (!real) return PluginError("No decoder");
    void* decoder = nullptr;
    const heif_error e = real->new_decoder(&decoder);
    if (e.code != heif_error_Ok) return e;
    *out = new GuardedDecoder{real, decoder};
    return e;
  }
  static void Free(void* d) {
    auto* g = static_cast<GuardedDecoder*>(d);
    g->real->free_decoder(g->decoder);
    delete g;
  }
  static heif_error Push(void* d, const void* data, size_t size) {
    if (TileCancelled()) return PluginError("Decoding cancelled");
    auto* g = static_cast<GuardedDecoder*>(d);
    return g->real->push_data(g->decoder, data, size);
  }
  static heif_error Decode(void* d, heif_image** out) {
    if (TileCancelled()) return PluginError("Decoding cancelled");
    auto* g = static_cast<GuardedDecoder*>(d);
    return g->real->decode_image(g->decoder, out);
  }
  static void Strict(void* d, int flag) {
    auto* g = static_cast<GuardedDecoder*>(d);
    if (g->real->plugin_api_version >= 2 && g->real->set_strict_decoding)
      g->real->set_strict_decoding(g->decoder, flag);
  }
};

template <heif_compression_format Format>
const heif_decoder_plugin TileGuard<Format>::plugin = {
    3, Name, nullptr, nullptr, Supports, New, Free, Push, Decode, Strict, "luminodrift"};

// The cancel flag that the stand-in decoders watch during a decode on this
// thread.
class WatchedByTiles {
 public:
  explicit WatchedByTiles(const std::atomic<bool>* flag) { tileCancel = flag; }
  ~WatchedByTiles() { tileCancel = nullptr; }
  WatchedByTiles(const WatchedByTiles&) = delete;
  WatchedByTiles& operator=(const WatchedByTiles&) = delete;
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
    if (h->heif_get_version_number_major() == 1 && h->heif_get_version_number_minor() == 15) {
      guardedLibrary = h;
      h->heif_register_decoder_plugin(&TileGuard<heif_compression_HEVC>::plugin);
      h->heif_register_decoder_plugin(&TileGuard<heif_compression_AV1>::plugin);
    }
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

// The items of the container's meta box: each item's type (from its entry
// in the item information) and the extents of its data, in the file or in
// the idat box. Items whose data lies elsewhere have no extents.
struct Items {
  struct Extent {
    qint64 at = 0, length = 0;
  };
  struct Item {
    quint32 type = 0;
    std::vector<Extent> extents;
  };
  quint64 primary = 0;
  std::map<quint64, Item> byId;
  // The data of an item, its extents one after the other (each cut at the
  // end of the file).
  QByteArray Data(const QByteArray& file, quint64 id) const {
    QByteArray out;
    const auto it = byId.find(id);
    if (it == byId.end()) return out;
    for (const Extent& e : it->second.extents) out += file.mid(e.at, e.length);
    return out;
  }
};

std::optional<Items> ReadItems(const Boxes& b) {
  const auto meta = b.Find(FourCc("meta"), 0, b.Size());
  if (!meta) return std::nullopt;
  const qint64 children = meta->body + 4;  // version and flags
  const auto pitm = b.Find(FourCc("pitm"), children, meta->end);
  const auto iinf = b.Find(FourCc("iinf"), children, meta->end);
  const auto iloc = b.Find(FourCc("iloc"), children, meta->end);
  if (!pitm || !iinf || !iloc) return std::nullopt;
  Items items;
  items.primary = b.U(pitm->body, 1) == 0 ? b.U(pitm->body + 4, 2) : b.U(pitm->body + 4, 4);

  const qint64 entries = iinf->body + 4 + (b.U(iinf->body, 1) == 0 ? 2 : 4);
  for (qint64 at = entries; at < iinf->end;) {
    const auto infe = b.Find(FourCc("infe"), at, iinf->end);
    if (!infe) break;
    const quint64 version = b.U(infe->body, 1);
    if (version >= 2) {
      const int idBytes = version == 2 ? 2 : 4;
      items.byId[b.U(infe->body + 4, idBytes)].type =
          static_cast<quint32>(b.U(infe->body + 4 + idBytes + 2, 4));
    }
    at = infe->end;
  }

  const quint64 version = b.U(iloc->body, 1);
  const int offsetSize = static_cast<int>(b.U(iloc->body + 4, 1) >> 4);
  const int lengthSize = static_cast<int>(b.U(iloc->body + 4, 1) & 15);
  const int baseSize = static_cast<int>(b.U(iloc->body + 5, 1) >> 4);
  const int indexSize =
      version == 1 || version == 2 ? static_cast<int>(b.U(iloc->body + 5, 1) & 15) : 0;
  const int idBytes = version < 2 ? 2 : 4;
  const quint64 count = b.U(iloc->body + 6, idBytes);
  const auto idat = b.Find(FourCc("idat"), children, meta->end);
  qint64 at = iloc->body + 6 + idBytes;
  const qint64 extentBytes = indexSize + offsetSize + lengthSize;
  for (quint64 i = 0; i < count && at < iloc->end; ++i) {
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
    // Offsets within the file, or within the idat box's data.
    qint64 origin = 0, limit = b.Size();
    if (method == 1) {
      origin = idat ? idat->body : 0;
      limit = idat ? idat->end : 0;
    }
    const auto item = items.byId.find(id);
    for (quint64 k = 0; k < extents && extentBytes > 0 && at + extentBytes <= iloc->end; ++k) {
      const quint64 offset = base + b.U(at + indexSize, offsetSize);
      const quint64 length = b.U(at + indexSize + offsetSize, lengthSize);
      at += extentBytes;
      if (item == items.byId.end() || method > 1 || offset >= quint64(limit - origin)) continue;
      const qint64 start = origin + static_cast<qint64>(offset);
      // A length of 0 is the rest of the data.
      const qint64 rest = limit - start;
      item->second.extents.push_back(
          {start, length == 0 ? rest : static_cast<qint64>(std::min<quint64>(length, rest))});
    }
  }
  return items;
}

// The output size that the primary item's own data gives when it is a
// grid or an overlay; nothing for a coded picture, or when the boxes
// cannot be followed (libheif then judges the file).
std::optional<QSize> DerivedPictureSize(const QByteArray& data) {
  const Boxes file(data);
  const auto items = ReadItems(file);
  if (!items) return std::nullopt;
  const auto primary = items->byId.find(items->primary);
  if (primary == items->byId.end()) return std::nullopt;
  const quint32 type = primary->second.type;
  if (type != FourCc("grid") && type != FourCc("iovl")) return std::nullopt;
  // grid: version, flags, rows - 1, columns - 1, width, height;
  // iovl: version, flags, four fill values, width, height. Bit 0 of the
  // flags makes the sizes 32 bits long instead of 16.
  const QByteArray own = items->Data(data, items->primary);
  const Boxes b(own);
  const int sizeBytes = (b.U(1, 1) & 1) ? 4 : 2;
  const qint64 sizes = type == FourCc("grid") ? 4 : 10;
  if (sizes + 2 * sizeBytes > b.Size()) return std::nullopt;
  const quint64 w = b.U(sizes, sizeBytes), h = b.U(sizes + sizeBytes, sizeBytes);
  return QSize(static_cast<int>(std::min<quint64>(w, INT_MAX)),
               static_cast<int>(std::min<quint64>(h, INT_MAX)));
}

// The bits of an HEVC parameter set, its emulation-prevention bytes (the
// 3 of 00 00 03) dropped, or of an AV1 header, taken as they are.
class BitReader {
 public:
  explicit BitReader(const QByteArray& nal, bool emulationPrevention = true) {
    int zeros = 0;
    for (const char c : nal) {
      const auto b = static_cast<uchar>(c);
      if (emulationPrevention && zeros >= 2 && b == 3) {
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

// The largest picture size of an AV1 sequence header (the OBU's payload):
// no frame of the stream is larger.
std::optional<QSize> Av1SequencePictureSize(const QByteArray& payload) {
  BitReader r(payload, false);
  if (!r.Skip(4)) return std::nullopt;  // profile, still picture
  const auto reduced = r.Bits(1);
  if (!reduced) return std::nullopt;
  if (*reduced) {
    if (!r.Skip(5)) return std::nullopt;  // level
  } else {
    const auto timing = r.Bits(1);
    if (!timing) return std::nullopt;
    bool decoderModel = false;
    int delayBits = 0;
    if (*timing) {
      if (!r.Skip(64)) return std::nullopt;  // display tick, time scale
      const auto equalIntervals = r.Bits(1);
      if (!equalIntervals) return std::nullopt;
      if (*equalIntervals) {  // ticks per picture, uvlc
        int zeros = 0;
        for (;;) {
          const auto bit = r.Bits(1);
          if (!bit) return std::nullopt;
          if (*bit) break;
          ++zeros;
        }
        if (zeros < 32 && !r.Skip(zeros)) return std::nullopt;
      }
      const auto model = r.Bits(1);
      if (!model) return std::nullopt;
      if (*model) {
        decoderModel = true;
        const auto delay = r.Bits(5);
        if (!delay || !r.Skip(32 + 5 + 5)) return std::nullopt;
        delayBits = static_cast<int>(*delay) + 1;
      }
    }
    const auto displayDelay = r.Bits(1), points = r.Bits(5);
    if (!displayDelay || !points) return std::nullopt;
    for (quint32 i = 0; i <= *points; ++i) {
      if (!r.Skip(12)) return std::nullopt;  // operating point
      const auto level = r.Bits(5);
      if (!level || (*level > 7 && !r.Skip(1))) return std::nullopt;
      if (decoderModel) {
        const auto present = r.Bits(1);
        if (!present || (*present && !r.Skip(2 * delayBits + 1))) return std::nullopt;
      }
      if (*displayDelay) {
        const auto present = r.Bits(1);
        if (!present || (*present && !r.Skip(4))) return std::nullopt;
      }
    }
  }
  const auto widthBits = r.Bits(4), heightBits = r.Bits(4);
  if (!widthBits || !heightBits) return std::nullopt;
  const auto w = r.Bits(static_cast<int>(*widthBits) + 1);
  const auto h = r.Bits(static_cast<int>(*heightBits) + 1);
  if (!w || !h) return std::nullopt;
  return QSize(static_cast<int>(std::min<quint64>(quint64(*w) + 1, INT_MAX)),
               static_cast<int>(std::min<quint64>(quint64(*h) + 1, INT_MAX)));
}

// The largest picture of the HEVC parameter sets of `nals` (NAL units each
// after a big-endian length of lengthBytes bytes, as libheif hands the
// decoder the data of an item), 0 when there is none.
qint64 LargestHevcArea(const QByteArray& nals, int lengthBytes) {
  const Boxes b(nals);
  qint64 largest = 0;
  for (qint64 p = 0; p + lengthBytes < b.Size();) {
    const auto length = static_cast<qint64>(b.U(p, lengthBytes));
    p += lengthBytes;
    if (length > b.Size() - p) break;
    if (length > 2 && ((b.U(p, 1) >> 1) & 0x3F) == 33) {  // a sequence parameter set
      if (const auto size = SpsPictureSize(nals.mid(p, length)))
        largest = std::max(largest, Area(*size));
    }
    p += length;
  }
  return largest;
}

// The largest picture of the AV1 sequence headers among `obus` (open
// bitstream units, each with its size, or the last without one), 0 when
// there is none.
qint64 LargestAv1Area(const QByteArray& obus) {
  const Boxes b(obus);
  qint64 largest = 0;
  for (qint64 p = 0; p < b.Size();) {
    const quint64 header = b.U(p, 1);
    const int type = static_cast<int>((header >> 3) & 15);
    p += (header & 4) ? 2 : 1;  // extension byte
    qint64 length = b.Size() - p;
    if (header & 2) {  // LEB128 size
      quint64 v = 0;
      int i = 0;
      for (; i < 8 && p + i < b.Size(); ++i) {
        const quint64 byte = b.U(p + i, 1);
        v |= (byte & 0x7F) << (7 * i);
        if (!(byte & 0x80)) break;
      }
      p += i + 1;
      if (p > b.Size() || v > quint64(b.Size() - p)) break;
      length = static_cast<qint64>(v);
    }
    if (type == 1) {  // a sequence header
      if (const auto size = Av1SequencePictureSize(obus.mid(p, length)))
        largest = std::max(largest, Area(*size));
    }
    p += length;
  }
  return largest;
}

// The largest picture that the file's coded items announce, in their
// decoder configuration (hvcC, av1C) or in their own data: the pictures the
// decoder will allocate, whatever the items' size boxes say. 0 when there
// is none.
qint64 LargestCodedArea(const QByteArray& data) {
  const Boxes b(data);
  const auto meta = b.Find(FourCc("meta"), 0, b.Size());
  if (!meta) return 0;
  qint64 largest = 0;
  const auto iprp = b.Find(FourCc("iprp"), meta->body + 4, meta->end);
  const auto ipco = iprp ? b.Find(FourCc("ipco"), iprp->body, iprp->end) : std::nullopt;
  for (qint64 at = ipco ? ipco->body : 0; ipco && at + 8 <= ipco->end;) {
    const auto box = b.Find(static_cast<quint32>(b.U(at + 4, 4)), at, ipco->end);
    if (!box) break;
    if (box->type == FourCc("hvcC")) {
      // 22 bytes of configuration, then arrays of NAL units of one type each.
      const quint64 arrays = b.U(box->body + 22, 1);
      qint64 p = box->body + 23;
      for (quint64 i = 0; i < arrays && p + 3 <= box->end; ++i) {
        const quint64 type = b.U(p, 1) & 0x3F;
        const quint64 count = b.U(p + 1, 2);
        p += 3;
        for (quint64 k = 0; k < count && p + 2 <= box->end; ++k) {
          const auto length = static_cast<qint64>(b.U(p, 2));
          if (p + 2 + length > box->end) break;
          if (type == 33) {
            if (const auto size = SpsPictureSize(data.mid(p + 2, length)))
              largest = std::max(largest, Area(*size));
          }
          p += 2 + length;
        }
      }
    } else if (box->type == FourCc("av1C")) {
      // 4 bytes of configuration, then the configuration's units.
      largest =
          std::max(largest, LargestAv1Area(data.mid(box->body + 4, box->end - box->body - 4)));
    }
    at = box->end;
  }
  // The coded items' own data reaches the decoder after their
  // configuration, and may hold parameter sets or sequence headers too.
  if (const auto items = ReadItems(b)) {
    for (const auto& [id, item] : items->byId) {
      if (item.type == FourCc("hvc1"))
        largest = std::max(largest, LargestHevcArea(items->Data(data, id), 4));
      else if (item.type == FourCc("av01"))
        largest = std::max(largest, LargestAv1Area(items->Data(data, id)));
    }
  }
  return largest;
}

// Bytes per pixel of a decode: the library's planes (4:2:0 of up to 16
// bits, 3 bytes a pixel) and its interleaved RGBA picture, alive at once.
constexpr qint64 kHeifBytesPerPixel = 7;

// Thrown from libheif's progress callback, called between the tiles of a
// grid by the libheif versions that report progress, when the decode is
// cancelled: libheif is C++ and frees what it holds
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
    // that a cancel is seen between two of them (by the stand-in decoders,
    // or by the progress callback of libheif versions that report it).
    heif->heif_context_set_max_decoding_threads(ctx.get(), 0);
    options->on_progress = OnTile;
    options->progress_user_data = const_cast<void*>(static_cast<const void*>(limits.cancel.get()));
  }
  if (limits.Cancelled()) return Cancelled();
  heif_image* decoded = nullptr;
  heif_error decodeError{};
  const WatchedByTiles watched(limits.cancel.get());
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
