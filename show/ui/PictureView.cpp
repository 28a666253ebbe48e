#include "show/ui/PictureView.h"

#include <QElapsedTimer>
#include <QPaintEvent>
#include <QPainter>
#include <QThreadPool>
#include <QTimer>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "show/ui/AreaAverage.h"

namespace ld {

struct PictureView::Reductions {
  std::mutex mutex;
  std::condition_variable cv;
  std::vector<QImage> halves;  // largest first
  bool done = false;
};

namespace {

// A 2 x 2 average of four pixels, each of their four bytes on its own.
inline quint32 Average4(quint32 a, quint32 b, quint32 c, quint32 d) {
  constexpr quint64 kMask = 0x00FF00FF;
  const quint64 lo = (a & kMask) + (b & kMask) + (c & kMask) + (d & kMask) + 0x00020002;
  const quint64 hi = ((a >> 8) & kMask) + ((b >> 8) & kMask) + ((c >> 8) & kMask) +
                     ((d >> 8) & kMask) + 0x00020002;
  return static_cast<quint32>(((lo >> 2) & kMask) | (((hi >> 2) & kMask) << 8));
}

bool Reducible(const QImage& image) {
  return image.format() == QImage::Format_RGB32 ||
         image.format() == QImage::Format_ARGB32_Premultiplied;
}

// How many halves a picture needs on a screen of `screen`: halves while
// the next one still covers the picture's fitted size on that screen.
int HalvesNeeded(QSize picture, QSize screen) {
  if (picture.isEmpty() || screen.isEmpty()) return 0;
  const QSize fitted = picture.scaled(screen, Qt::KeepAspectRatio);
  int n = 0;
  QSize s = picture;
  while (s.width() / 2 >= fitted.width() && s.height() / 2 >= fitted.height()) {
    s = QSize(s.width() / 2, s.height() / 2);
    ++n;
  }
  return n;
}

}  // namespace

// The thread that helps each reduced draw, kept from paint to paint: a
// paint hands it a job and waits for that job's end, instead of starting a
// thread and joining it every frame.
class PictureView::DrawHelper {
 public:
  DrawHelper() : thread_([this] { Run(); }) {}
  ~DrawHelper() {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }

  // Runs `job` on the helper thread; Wait() returns once it has ended.
  void Start(std::function<void()> job) {
    {
      std::lock_guard lock(mutex_);
      job_ = std::move(job);
    }
    wake_.notify_all();
  }
  void Wait() {
    std::unique_lock lock(mutex_);
    done_.wait(lock, [&] { return !job_; });
  }

 private:
  void Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
      wake_.wait(lock, [&] { return stop_ || job_; });
      if (stop_) return;
      lock.unlock();
      job_();
      lock.lock();
      job_ = nullptr;
      done_.notify_all();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_, done_;
  std::function<void()> job_;  // set from Start() until the job has ended
  bool stop_ = false;
  std::thread thread_;  // last: it starts once the members above are made
};

QImage HalfSize(const QImage& image) {
  const int w = std::max(1, image.width() / 2), h = std::max(1, image.height() / 2);
  QImage out(w, h, image.format());
  if (out.isNull()) return out;
  const int lastX = image.width() - 1, lastY = image.height() - 1;
  for (int y = 0; y < h; ++y) {
    const auto* r0 = reinterpret_cast<const quint32*>(image.constScanLine(std::min(2 * y, lastY)));
    const auto* r1 =
        reinterpret_cast<const quint32*>(image.constScanLine(std::min(2 * y + 1, lastY)));
    auto* d = reinterpret_cast<quint32*>(out.scanLine(y));
    for (int x = 0; x < w; ++x) {
      const int x0 = std::min(2 * x, lastX), x1 = std::min(2 * x + 1, lastX);
      d[x] = Average4(r0[x0], r0[x1], r1[x0], r1[x1]);
    }
  }
  return out;
}

PictureView::PictureView(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent, false);
}

PictureView::~PictureView() = default;

void PictureView::SetPicture(QImage image) {
  const QSize own = image.isNull() ? QSize(0, 0) : image.size();
  SetPicture(std::move(image), own);
}

void PictureView::SetPicture(QImage image, QSize ownSize) {
  picture_ = std::move(image);
  own_ = picture_.isNull() ? QSize(0, 0) : ownSize;
  // A picture without transparency covers every pixel of the control: the
  // window need not fill the background beneath it first (a full screen of
  // pixels per zoom frame). Without a picture, or with a transparent one,
  // the background shows.
  setAttribute(Qt::WA_OpaquePaintEvent, !picture_.isNull() && !picture_.hasAlphaChannel());
  // The previous picture's copies go with it (a worker still making them
  // lets them go when it ends).
  reductions_ = std::make_shared<Reductions>();
  const QSize screen = parentWidget() ? parentWidget()->size() : size();
  const int halves = Reducible(picture_) ? HalvesNeeded(picture_.size(), screen) : 0;
  if (halves == 0) {
    reductions_->done = true;
  } else {
    QThreadPool::globalInstance()->start([r = reductions_, image = picture_, halves] {
      QImage current = image;
      for (int i = 0; i < halves; ++i) {
        current = HalfSize(current);
        if (current.isNull()) break;
        std::lock_guard lock(r->mutex);
        r->halves.push_back(current);
      }
      {
        std::lock_guard lock(r->mutex);
        r->done = true;
      }
      r->cv.notify_all();
    });
  }
  update();
}

void PictureView::SetFastScaling(bool fast) { fast_ = fast; }

void PictureView::PrepareDrawing(int screenWidth) {
  if (buffer_.width() >= screenWidth && buffer_.height() >= kBand * kSlots) return;
  buffer_ = QImage(std::max(buffer_.width(), screenWidth), kBand * kSlots, QImage::Format_RGB32);
  buffer_.fill(Qt::black);  // its pages, written once, are in place for the first paint
}

QImage PictureView::SourceFor(QSize drawn, bool* ready, bool wait) {
  if (!reductions_) {
    if (ready) *ready = true;
    return picture_;
  }
  std::unique_lock lock(reductions_->mutex);
  if (wait) reductions_->cv.wait(lock, [&] { return reductions_->done; });
  if (ready) *ready = reductions_->done;
  // The smallest copy that is still kMinReduction times the drawn size:
  // a copy's pixel straddles the edges of the areas averaged from it, and
  // the nearer its size to the drawn size, the more detail that blurs.
  const QImage* best = &picture_;
  for (const QImage& half : reductions_->halves) {
    if (half.width() < drawn.width() * kMinReduction ||
        half.height() < drawn.height() * kMinReduction)
      break;
    best = &half;
  }
  return *best;
}

void PictureView::Draw(QPainter& p, QSize drawn, QRect target, const QImage& source) {
  const double fx = static_cast<double>(source.width()) / drawn.width();
  const double fy = static_cast<double>(source.height()) / drawn.height();
  constexpr double kMax = area::kMaxReduction;
  if (Reducible(source) && fx >= 0.9 && fx <= kMax && fy >= 0.9 && fy <= kMax &&
      !target.isEmpty()) {
    // Reduced (or barely enlarged): averaged over the area each pixel
    // covers, in bands of rows. This thread takes bands from the top and
    // draws each while it is in the cache; a helper takes them from the
    // bottom, and this thread draws the helper's between its own. Each band
    // is made in one of a few slots of a buffer kept from frame to frame, so
    // the buffer is a few bands, not a screen. Neither thread waits for the
    // other but for the band it is on: on a busy machine this thread does
    // what the helper did not get to.
    const area::Plan plan = area::MakePlan(source, drawn, target);
    const QSize screen = parentWidget() ? parentWidget()->size() : target.size();
    PrepareDrawing(std::max(target.width(), screen.width()));
    const int bands = (target.height() + kBand - 1) / kBand;
    auto bandRows = [&](int b) {
      return std::pair(b * kBand, std::min(target.height(), (b + 1) * kBand));
    };
    struct Made {
      int band, slot;
    };
    std::mutex claim;
    int top = 0, bottom = bands;  // bands top .. bottom - 1 are not taken
    std::vector<int> free;        // slots not in use
    for (int i = kSlots - 1; i >= 0; --i) free.push_back(i);
    std::vector<Made> made;  // the helper's bands, made and not yet drawn
    auto drawSlot = [&](int b, int slot) {
      const auto [y0, y1] = bandRows(b);
      p.drawImage(QPoint(target.x(), target.y() + y0), buffer_,
                  QRect(0, slot * kBand, target.width(), y1 - y0));
    };
    const bool helped = bands > 1;
    if (helped) {
      if (!helper_) helper_ = std::make_unique<DrawHelper>();
      // The helper only computes; the painter is used by this thread alone.
      helper_->Start([&] {
        for (;;) {
          int b, slot;
          {
            std::lock_guard lock(claim);
            if (top >= bottom || free.empty()) return;
            b = --bottom;
            slot = free.back();
            free.pop_back();
          }
          const auto [y0, y1] = bandRows(b);
          area::DrawRows(source, plan, y0, y1, buffer_, slot * kBand, helper_row_);
          std::lock_guard lock(claim);
          made.push_back({b, slot});
        }
      });
    }
    std::vector<Made> ready;
    for (;;) {
      int b = -1, slot = -1;
      bool over = false;
      {
        std::lock_guard lock(claim);
        ready.swap(made);
        if (top < bottom && !free.empty()) {
          b = top++;
          slot = free.back();
          free.pop_back();
        } else {
          over = top >= bottom;
        }
      }
      for (const Made& m : ready) drawSlot(m.band, m.slot);
      if (!ready.empty()) {
        std::lock_guard lock(claim);
        for (const Made& m : ready) free.push_back(m.slot);
      }
      ready.clear();
      if (b >= 0) {
        const auto [y0, y1] = bandRows(b);
        area::DrawRows(source, plan, y0, y1, buffer_, slot * kBand, row_);
        drawSlot(b, slot);
        std::lock_guard lock(claim);
        free.push_back(slot);
      } else if (over) {
        break;
      }
    }
    if (helped) helper_->Wait();
    for (const Made& m : made) drawSlot(m.band, m.slot);
    return;
  }
  // Enlarged, or reduced further (a picture whose reduced copies are not
  // there yet): bilinear.
  p.setRenderHint(QPainter::SmoothPixmapTransform, true);
  // Only the target part is drawn: map it back to the source rectangle.
  const double sx = static_cast<double>(source.width()) / drawn.width();
  const double sy = static_cast<double>(source.height()) / drawn.height();
  const QRectF from(target.x() * sx, target.y() * sy, target.width() * sx, target.height() * sy);
  p.drawImage(QRectF(target), source, from);
}

QImage PictureView::RenderedPart(QSize drawn, QRect target) {
  QImage out(target.size(), QImage::Format_RGB32);
  out.fill(Qt::black);
  if (picture_.isNull() || drawn.isEmpty()) return out;
  QPainter p(&out);
  p.translate(-target.topLeft());
  PaintPart(p, drawn, target);
  return out;
}

void PictureView::PaintPart(QPainter& p, QSize drawn, QRect target) {
  if (picture_.isNull() || drawn.isEmpty()) return;
  Draw(p, drawn, target, SourceFor(drawn, nullptr, true));
}

int PictureView::ReducedCopies() {
  if (!reductions_) return 0;
  std::unique_lock lock(reductions_->mutex);
  reductions_->cv.wait(lock, [&] { return reductions_->done; });
  return static_cast<int>(reductions_->halves.size());
}

void PictureView::paintEvent(QPaintEvent* e) {
  if (picture_.isNull() || width() <= 0 || height() <= 0) return;
  QElapsedTimer clock;
  clock.start();
  bool ready = true;
  const QImage source = SourceFor(size(), &ready);
  {
    QPainter p(this);
    Draw(p, size(), e->rect() & rect(), source);
  }
  // A still picture drawn from a larger copy than it needs is drawn again
  // once its reduced copies are there; a moving one is drawn again anyway.
  if (!ready && !fast_ && !redraw_pending_) {
    redraw_pending_ = true;
    QTimer::singleShot(40, this, [this] {
      redraw_pending_ = false;
      update();
    });
  }
  if (on_painted) on_painted(clock.nsecsElapsed() / 1e6);
}

}  // namespace ld
