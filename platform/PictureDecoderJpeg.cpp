// The JPEG decode proper: libjpeg-turbo's scanline interface, each band of
// rows written straight into the upright picture. A turned photo then costs
// one full-size image instead of two, and its rows are turned while they are
// still in the cache.
// jpeglib.h needs size_t and FILE declared before it.
// clang-format off
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdint>
#include <vector>

#include "platform/LargeImage.h"
#include "platform/Orientation.h"
#include "platform/PictureDecoding.h"
#include "platform/Simd.h"

#if LD_SIMD_SSE2
#include <emmintrin.h>
#endif

namespace ld::decoding {

namespace {

// Progressive files with more scans than this are refused: each scan is a
// pass over the whole picture, so a few kilobytes could cost minutes.
constexpr int kMaxScans = 500;

struct Failure {
  jpeg_error_mgr mgr;
  jmp_buf jump;
};

// The progress monitor, with what it checks: the scan count and the
// caller's cancel flag.
struct Progress {
  jpeg_progress_mgr mgr{};
  JpegControl* control = nullptr;
};
static_assert(offsetof(Progress, mgr) == 0);

[[noreturn]] void OnError(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<Failure*>(cinfo->err)->jump, 1);
}

// Warnings (a truncated file, for instance) leave a whole picture, the
// missing part grey; they are not printed.
void OnMessage(j_common_ptr) {}

// Called for every row read and every band of rows taken from the file:
// a cancelled decode stops here, and its memory is given back when the
// decompressor is destroyed.
void OnProgress(j_common_ptr cinfo) {
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  JpegControl* control = reinterpret_cast<Progress*>(cinfo->progress)->control;
  if (control && control->cancel && control->cancel->load(std::memory_order_relaxed)) {
    control->stop = JpegStop::Cancelled;
    OnError(cinfo);
  }
  if (d->is_decompressor && d->input_scan_number > kMaxScans) OnError(cinfo);
}

// What libjpeg keeps of a picture read in several scans (progressive, or
// its components in separate scans): every coefficient of every component
// at full size, two bytes each, whatever the output scale. A few kilobytes
// of first scan can announce gigabytes of them.
qint64 CoefficientBytes(jpeg_decompress_struct& cinfo) {
  if (!cinfo.progressive_mode && !jpeg_has_multiple_scans(&cinfo)) return 0;
  qint64 total = 0;
  for (int i = 0; i < cinfo.num_components; ++i) {
    const jpeg_component_info& c = cinfo.comp_info[i];
    const auto roundUp = [](qint64 n, qint64 m) { return m > 0 ? (n + m - 1) / m * m : n; };
    total += roundUp(c.width_in_blocks, c.h_samp_factor) *
             roundUp(c.height_in_blocks, c.v_samp_factor) * DCTSIZE2 *
             static_cast<qint64>(sizeof(JCOEF));
  }
  return total;
}

// Rows y0 .. y0 + n - 1 of the stored picture (w pixels each, `strip` with
// `stride` pixels between rows) written into the upright picture `dst` of
// an orientation that exchanges width and height. Stored pixel (x, y) goes
// to (X, Y) with X = y or h - 1 - y and Y = x or w - 1 - x: each stored
// column becomes a run of n pixels in one row of dst.
void TurnStripPlain(const quint32* strip, qsizetype stride, int xBegin, int w, int h, int y0, int n,
                    bool reverseX, bool reverseY, QImage& dst) {
  const qsizetype dstStride = dst.bytesPerLine() / 4;
  auto* base = reinterpret_cast<quint32*>(dst.bits());
  for (int x = xBegin; x < w; ++x) {
    quint32* row = base + static_cast<qsizetype>(reverseY ? w - 1 - x : x) * dstStride;
    const quint32* col = strip + x;
    if (reverseX) {
      quint32* d = row + (h - 1 - y0);
      for (int r = 0; r < n; ++r) d[-r] = col[r * stride];
    } else {
      quint32* d = row + y0;
      for (int r = 0; r < n; ++r) d[r] = col[r * stride];
    }
  }
}

#if LD_SIMD_SSE2
// A whole band of 16 rows: 4 x 4 blocks transposed in registers, and each
// destination row's 16 pixels (one 64-byte cache line when the picture's
// rows allow) written at once, bypassing the cache when aligned: the picture
// is far larger than the cache, and the line need not be read first.
void TurnBand16(const quint32* strip, qsizetype stride, int w, int h, int y0, bool reverseX,
                bool reverseY, QImage& dst) {
  const qsizetype dstStride = dst.bytesPerLine() / 4;
  auto* base = reinterpret_cast<quint32*>(dst.bits());
  const int x0 = reverseX ? h - y0 - 16 : y0;  // first destination column of the run
  const bool aligned =
      (reinterpret_cast<std::uintptr_t>(base + x0) % 64) == 0 && (dstStride * 4) % 64 == 0;
  const int wBlocks = w / 4 * 4;
  for (int x = 0; x < wBlocks; x += 4) {
    // v[g][i]: stored column x + i, rows 4g .. 4g + 3 after the transpose.
    __m128i v[4][4];
    for (int g = 0; g < 4; ++g) {
      const quint32* p = strip + static_cast<qsizetype>(4 * g) * stride + x;
      const __m128i r0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      const __m128i r1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + stride));
      const __m128i r2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 2 * stride));
      const __m128i r3 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 3 * stride));
      const __m128i t0 = _mm_unpacklo_epi32(r0, r1), t1 = _mm_unpackhi_epi32(r0, r1);
      const __m128i t2 = _mm_unpacklo_epi32(r2, r3), t3 = _mm_unpackhi_epi32(r2, r3);
      v[g][0] = _mm_unpacklo_epi64(t0, t2);
      v[g][1] = _mm_unpackhi_epi64(t0, t2);
      v[g][2] = _mm_unpacklo_epi64(t1, t3);
      v[g][3] = _mm_unpackhi_epi64(t1, t3);
    }
    for (int i = 0; i < 4; ++i) {
      const int xs = x + i;
      auto* d = reinterpret_cast<__m128i*>(
          base + static_cast<qsizetype>(reverseY ? w - 1 - xs : xs) * dstStride + x0);
      __m128i out[4];
      for (int g = 0; g < 4; ++g) {
        if (reverseX)  // rows in reverse order: the last group first, each reversed
          out[3 - g] = _mm_shuffle_epi32(v[g][i], _MM_SHUFFLE(0, 1, 2, 3));
        else
          out[g] = v[g][i];
      }
      if (aligned) {
        for (int g = 0; g < 4; ++g) _mm_stream_si128(d + g, out[g]);
      } else {
        for (int g = 0; g < 4; ++g) _mm_storeu_si128(d + g, out[g]);
      }
    }
  }
  TurnStripPlain(strip, stride, wBlocks, w, h, y0, 16, reverseX, reverseY, dst);
}
#endif  // LD_SIMD_SSE2

void TurnStrip(const quint32* strip, qsizetype stride, int w, int h, int y0, int n, Orientation o,
               QImage& dst) {
  const bool reverseX = o == Orientation::Rotate90 || o == Orientation::Rotate270Mirror;
  const bool reverseY = o == Orientation::Rotate270 || o == Orientation::Rotate270Mirror;
#if LD_SIMD_SSE2
  if (n == 16) return TurnBand16(strip, stride, w, h, y0, reverseX, reverseY, dst);
#endif
  TurnStripPlain(strip, stride, 0, w, h, y0, n, reverseX, reverseY, dst);
}

// The rows that TurnBand16 streamed past the cache are in memory before the
// picture is handed over to another thread.
void FinishTurn() {
#if LD_SIMD_SSE2
  _mm_sfence();
#endif
}

// The pages of the input that the decoder has read, given back to the
// system: the input is read once, front to back, and the peak of a decode
// (the picture written whole) then no longer holds the file's bytes too.
struct ReadPages {
  const JOCTET* begin = nullptr;  // page-aligned; null: nothing is given back
  const JOCTET* end = nullptr;
  const JOCTET* given = nullptr;  // the pages before this are given back
  void GiveBack(const jpeg_decompress_struct& cinfo) {
    if (!begin) return;
    const JOCTET* next = cinfo.src->next_input_byte;
    // At the end of the data the source reads from a buffer of its own.
    if (next < begin || next > end) return;
    static const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto* upTo =
        reinterpret_cast<const JOCTET*>(reinterpret_cast<std::uintptr_t>(next) & ~(page - 1));
    if (upTo <= given) return;
    madvise(const_cast<JOCTET*>(given), static_cast<size_t>(upTo - given), MADV_DONTNEED);
    given = upTo;
  }
};

// A source that reads the file in pieces into one small buffer, instead of
// the file whole into memory of its own: fresh memory costs a fault a page,
// which for a photo of several megabytes is a good part of the decode's
// time. A file that ends early ends the picture as a truncated one does.
struct FileSource {
  static constexpr size_t kBuffer = 64 * 1024;
  jpeg_source_mgr mgr{};
  int fd = -1;
  qint64 offset = 0;
  std::vector<JOCTET> buffer;

  FileSource(int descriptor) : fd(descriptor), buffer(kBuffer) {
    mgr.init_source = [](j_decompress_ptr) {};
    mgr.fill_input_buffer = Fill;
    mgr.skip_input_data = Skip;
    mgr.resync_to_restart = jpeg_resync_to_restart;
    mgr.term_source = [](j_decompress_ptr) {};
  }

  static FileSource* Of(j_decompress_ptr cinfo) {
    return reinterpret_cast<FileSource*>(cinfo->src);  // mgr is the first member
  }

  static boolean Fill(j_decompress_ptr cinfo) {
    FileSource* s = Of(cinfo);
    ssize_t n;
    do {
      n = ::pread(s->fd, s->buffer.data(), s->buffer.size(), static_cast<off_t>(s->offset));
    } while (n < 0 && errno == EINTR);
    if (n <= 0) {
      // The end of the file, or an error: an end-of-picture marker, with a
      // warning, as libjpeg's own sources do.
      cinfo->err->msg_code = JWRN_JPEG_EOF;
      (*cinfo->err->emit_message)(reinterpret_cast<j_common_ptr>(cinfo), -1);
      s->buffer[0] = 0xFF;
      s->buffer[1] = JPEG_EOI;
      n = 2;
    } else {
      s->offset += n;
    }
    s->mgr.next_input_byte = s->buffer.data();
    s->mgr.bytes_in_buffer = static_cast<size_t>(n);
    return TRUE;
  }

  static void Skip(j_decompress_ptr cinfo, long count) {
    if (count <= 0) return;
    FileSource* s = Of(cinfo);
    const auto n = static_cast<size_t>(count);
    if (n <= s->mgr.bytes_in_buffer) {
      s->mgr.next_input_byte += n;
      s->mgr.bytes_in_buffer -= n;
    } else {
      s->offset += static_cast<qint64>(n - s->mgr.bytes_in_buffer);
      s->mgr.next_input_byte = nullptr;
      s->mgr.bytes_in_buffer = 0;
    }
  }
};
static_assert(offsetof(FileSource, mgr) == 0);

// The part that may jump back on an error: only plain data lives here.
bool Run(jpeg_decompress_struct& cinfo, Failure& failure, const QByteArray& data, int num,
         int denom, Orientation o, QImage& out, std::vector<quint32>& strip, ReadPages& read,
         JpegControl* control) {
  if (setjmp(failure.jump)) return false;
  // A source set by the caller (the file's) is kept; otherwise the data.
  if (!cinfo.src)
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(data.constData()),
                 static_cast<unsigned long>(data.size()));
  jpeg_read_header(&cinfo, TRUE);
  // Accurate DCT and smooth upsampling (libjpeg's defaults): the quality
  // djpeg gives.
  cinfo.out_color_space = JCS_EXT_BGRX;
  cinfo.scale_num = static_cast<unsigned>(num);
  cinfo.scale_denom = static_cast<unsigned>(denom);
  if (control && control->budget > 0) {
    // The picture, a band of rows and the coefficients, against the budget
    // before any of them is allocated; libjpeg's own limit, on what it
    // allocates, is what is left of the budget once the picture is made.
    jpeg_calc_output_dimensions(&cinfo);
    const qint64 picture = static_cast<qint64>(cinfo.output_width) * cinfo.output_height * 4;
    const qint64 band = static_cast<qint64>(cinfo.output_width) * 16 * 4;
    if (picture + band + CoefficientBytes(cinfo) > control->budget) {
      control->stop = JpegStop::OverBudget;
      return false;
    }
    cinfo.mem->max_memory_to_use = static_cast<long>(control->budget - picture);
  }
  jpeg_start_decompress(&cinfo);
  const int w = static_cast<int>(cinfo.output_width), h = static_cast<int>(cinfo.output_height);
  const bool swap = SwapsWidthAndHeight(o);
  out = AllocateLargeImage(swap ? h : w, swap ? w : h);
  if (out.isNull()) {
    jpeg_abort_decompress(&cinfo);
    return true;  // out of memory: a null picture, told apart by the caller
  }
  if (!swap) {
    // Each row is decoded into its own place in the picture, then mirrored
    // there when the orientation asks for it.
    const bool flipY = o == Orientation::Rotate180 || o == Orientation::Rotate180Mirror;
    const bool mirror = o == Orientation::Mirror || o == Orientation::Rotate180;
    while (cinfo.output_scanline < cinfo.output_height) {
      const int y = static_cast<int>(cinfo.output_scanline);
      JSAMPROW row = out.scanLine(flipY ? h - 1 - y : y);
      if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) break;
      if (mirror) {
        auto* p = reinterpret_cast<quint32*>(row);
        std::reverse(p, p + w);
      }
      if (y % 16 == 0) read.GiveBack(cinfo);
    }
  } else {
    // Bands of kBand rows, each turned into the picture as soon as it is
    // decoded.
    constexpr int kBand = 16;
    const qsizetype stride = w;
    strip.resize(static_cast<size_t>(stride) * kBand);
    JSAMPROW rows[kBand];
    while (cinfo.output_scanline < cinfo.output_height) {
      const int y0 = static_cast<int>(cinfo.output_scanline);
      const int n = std::min(kBand, h - y0);
      for (int r = 0; r < n; ++r)
        rows[r] = reinterpret_cast<JSAMPROW>(strip.data() + static_cast<size_t>(r) * stride);
      int got = 0;
      while (got < n) {
        const int k = static_cast<int>(
            jpeg_read_scanlines(&cinfo, rows + got, static_cast<JDIMENSION>(n - got)));
        if (k <= 0) break;
        got += k;
      }
      if (got <= 0) break;
      TurnStrip(strip.data(), stride, w, h, y0, got, o, out);
      read.GiveBack(cinfo);
      if (got < n) break;
    }
    FinishTurn();
  }
  // Fewer rows than announced make this an error: every pixel of the picture,
  // whose memory may hold an earlier picture's, has been written when it
  // returns.
  jpeg_finish_decompress(&cinfo);
  return true;
}

}  // namespace

namespace {

// The decode from the data, or from the file when `file` is given.
std::optional<QImage> Decode(const QByteArray& data, FileSource* file, int num, int denom,
                             Orientation o, bool giveBackRead, JpegControl* control) {
  jpeg_decompress_struct cinfo{};
  Failure failure{};
  cinfo.err = jpeg_std_error(&failure.mgr);
  failure.mgr.error_exit = OnError;
  failure.mgr.output_message = OnMessage;
  Progress progress;
  progress.mgr.progress_monitor = OnProgress;
  progress.control = control;
  jpeg_create_decompress(&cinfo);
  cinfo.progress = &progress.mgr;
  if (file) cinfo.src = &file->mgr;
  QImage out;
  std::vector<quint32> strip;
  ReadPages read;
  if (giveBackRead && !data.isEmpty()) {
    read.begin = read.given = reinterpret_cast<const JOCTET*>(data.constData());
    read.end = read.begin + data.size();
  }
  const bool ok = Run(cinfo, failure, data, num, denom, o, out, strip, read, control);
  // Frees all of the decoder's working memory (not the file's source).
  cinfo.src = nullptr;
  jpeg_destroy_decompress(&cinfo);
  if (!ok) return std::nullopt;
  return out;
}

}  // namespace

std::optional<QImage> DecodeJpegUpright(const QByteArray& data, int num, int denom, Orientation o,
                                        bool giveBackRead, JpegControl* control) {
  return Decode(data, nullptr, num, denom, o, giveBackRead, control);
}

std::optional<QImage> DecodeJpegUprightFromFile(int fd, int num, int denom, Orientation o,
                                                JpegControl* control) {
  FileSource source(fd);
  return Decode(QByteArray(), &source, num, denom, o, false, control);
}

bool JpegHeadersWithin(const QByteArray& head) {
  return WalkJpegHeaders(head, [](unsigned char, qsizetype, qsizetype) { return true; });
}

FileBytes::FileBytes(int fd, qint64 size) {
  if (fd < 0 || size <= 0) return;
  const auto length = static_cast<size_t>(size);
  void* base = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (base == MAP_FAILED) return;
  size_t got = 0;
  while (got < length) {
    const ssize_t n =
        pread(fd, static_cast<char*>(base) + got, length - got, static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // the file shrank, or an input/output error
    got += static_cast<size_t>(n);
  }
  if (got < length) {
    munmap(base, length);
    return;
  }
  base_ = base;
  length_ = length;
}

FileBytes::~FileBytes() {
  if (base_) munmap(base_, length_);
}

QByteArray FileBytes::View() const {
  if (!base_) return QByteArray();
  return QByteArray::fromRawData(static_cast<const char*>(base_), static_cast<qsizetype>(length_));
}

}  // namespace ld::decoding
