#include "show/PicturePrefetcher.h"

#include <QFileInfo>

#include "show/DisplayGeometry.h"

namespace ld {

DecodeLimits DisplayTarget::Limits() const {
  DecodeLimits l;
  const DisplayTarget t = *this;
  l.wanted = [t](QSize own) {
    return WantedPictureSize(t.screen.width(), t.screen.height(), own.width(), own.height(),
                             t.effect, t.zoom_max10);
  };
  l.maxPixels = MaxDecodedPixelsForScreen(screen);
  return l;
}

PicturePrefetcher::PicturePrefetcher(Decoder decoder) : decoder_(std::move(decoder)) {}

PicturePrefetcher::~PicturePrefetcher() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    request_.reset();
  }
  cv_.notify_all();
  if (worker_.joinable()) worker_.join();
}

PicturePrefetcher::Key PicturePrefetcher::MakeKey(const QString& path,
                                                  const DisplayTarget& target) {
  const QFileInfo fi(path);
  Key k;
  k.path = path;
  k.fileSize = fi.exists() ? fi.size() : -1;
  k.modified = fi.exists() ? fi.lastModified() : QDateTime();
  k.target = target;
  return k;
}

void PicturePrefetcher::Prefetch(const QString& path, const DisplayTarget& target) {
  if (PictureFormatOf(path) == PictureFormat::Other) return;
  const Key k = MakeKey(path, target);
  if (k.fileSize < 0) return;
  {
    std::lock_guard lock(mutex_);
    if ((heldKey_ && *heldKey_ == k) || (decoding_ && *decoding_ == k) ||
        (request_ && *request_ == k))
      return;
    held_.reset();
    heldKey_.reset();
    decoding_.reset();  // the result of a decode in progress will be let go
    request_ = k;
    if (!worker_.joinable()) worker_ = std::thread([this] { Run(); });
  }
  cv_.notify_all();
}

std::optional<DecodedPicture> PicturePrefetcher::Take(const QString& path,
                                                      const DisplayTarget& target) {
  const Key k = MakeKey(path, target);
  std::unique_lock lock(mutex_);
  // The request may still be queued or being decoded: wait for it.
  cv_.wait(lock, [&] { return !((request_ && *request_ == k) || (decoding_ && *decoding_ == k)); });
  std::optional<DecodedPicture> out;
  if (heldKey_ && *heldKey_ == k) out = std::move(held_);
  held_.reset();
  heldKey_.reset();
  request_.reset();
  decoding_.reset();
  return out;
}

void PicturePrefetcher::Drop() {
  std::lock_guard lock(mutex_);
  held_.reset();
  heldKey_.reset();
  request_.reset();
  decoding_.reset();
}

bool PicturePrefetcher::Busy() const {
  std::lock_guard lock(mutex_);
  return request_.has_value() || decoding_.has_value() || held_.has_value();
}

std::optional<QString> PicturePrefetcher::HeldPath() const {
  std::lock_guard lock(mutex_);
  if (heldKey_) return heldKey_->path;
  return std::nullopt;
}

void PicturePrefetcher::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    cv_.wait(lock, [&] { return stopping_ || request_.has_value(); });
    if (stopping_) return;
    Key k = *request_;
    request_.reset();
    decoding_ = k;
    lock.unlock();
    std::optional<DecodedPicture> picture = decoder_(k.path, k.target.Limits());
    lock.lock();
    if (decoding_ && *decoding_ == k) {
      held_ = std::move(picture);
      heldKey_ = k;
      decoding_.reset();
    } else {
      // Superseded or dropped while decoding: let it go at once.
      picture.reset();
    }
    cv_.notify_all();
  }
}

}  // namespace ld
