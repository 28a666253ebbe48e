#include "show/PicturePrefetcher.h"

#include <exception>

#include "platform/Paths.h"
#include "show/DisplayGeometry.h"

namespace ld {

DecodeLimits DisplayTarget::Limits() const {
  DecodeLimits l = LimitsForScreen(screen);
  const DisplayTarget t = *this;
  l.wanted = [t](QSize own) {
    return WantedPictureSize(t.screen.width(), t.screen.height(), own.width(), own.height(),
                             t.effect, t.zoom_max10);
  };
  return l;
}

PicturePrefetcher::PicturePrefetcher(Decoder decoder, std::function<void()> ready)
    : state_(std::make_shared<State>()) {
  state_->decoder = std::move(decoder);
  state_->ready = std::move(ready);
}

PicturePrefetcher::~PicturePrefetcher() {
  bool busy = false;
  {
    std::lock_guard lock(state_->mutex);
    state_->stopping = true;
    // A worker left to finish alone tells nobody.
    state_->ready = nullptr;
    state_->request.reset();
    state_->decoding.reset();
    if (state_->cancel) state_->cancel->store(true);
    busy = state_->busy;
  }
  state_->cv.notify_all();
  if (!worker_.joinable()) return;
  // A worker in the middle of a decode ends by itself after it; the window
  // does not wait for it.
  if (busy)
    worker_.detach();
  else
    worker_.join();
}

PicturePrefetcher::Key PicturePrefetcher::MakeKey(const QString& path,
                                                  const DisplayTarget& target) {
  // stat() only: it never blocks on a special file. By the name's bytes, so
  // that a name that is not UTF-8 is found too.
  const std::optional<FileStamp> stamp = StatFile(path);
  Key k;
  k.path = path;
  k.fileSize = stamp ? stamp->size : -1;
  k.modified = stamp ? stamp->modified : QDateTime();
  k.target = target;
  return k;
}

void PicturePrefetcher::Prefetch(const QString& path, const DisplayTarget& target) {
  if (PictureFormatOf(path) == PictureFormat::Other) return;
  const Key k = MakeKey(path, target);
  if (k.fileSize < 0) return;
  State& s = *state_;
  {
    std::lock_guard lock(s.mutex);
    if ((s.heldKey && *s.heldKey == k) || (s.decoding && *s.decoding == k) ||
        (s.request && *s.request == k))
      return;
    s.held.reset();
    s.heldKey.reset();
    if (s.decoding && s.cancel) s.cancel->store(true);
    s.decoding.reset();  // the result of a decode in progress will be let go
    s.request = k;
    if (!worker_.joinable()) worker_ = std::thread(&PicturePrefetcher::Run, state_, s.generation);
  }
  s.cv.notify_all();
}

std::optional<DecodedPicture> PicturePrefetcher::Take(const QString& path,
                                                      const DisplayTarget& target) {
  const Key k = MakeKey(path, target);
  State& s = *state_;
  std::lock_guard lock(s.mutex);
  if ((s.request && *s.request == k) || (s.decoding && *s.decoding == k)) return std::nullopt;
  std::optional<DecodedPicture> out;
  if (s.heldKey && *s.heldKey == k) out = std::move(s.held);
  s.held.reset();
  s.heldKey.reset();
  s.request.reset();
  s.decoding.reset();
  return out;
}

bool PicturePrefetcher::Decoding(const QString& path, const DisplayTarget& target) const {
  const Key k = MakeKey(path, target);
  std::lock_guard lock(state_->mutex);
  return (state_->request && *state_->request == k) || (state_->decoding && *state_->decoding == k);
}

void PicturePrefetcher::Abandon(const QString& path, const DisplayTarget& target) {
  const Key k = MakeKey(path, target);
  State& s = *state_;
  {
    std::lock_guard lock(s.mutex);
    if (s.request && *s.request == k) s.request.reset();
    if (s.decoding && *s.decoding == k) s.decoding.reset();
    if (s.busy && worker_.joinable()) {
      if (s.cancel) s.cancel->store(true);
      ++s.generation;
      s.busy = false;
      worker_.detach();
    }
  }
  s.cv.notify_all();
}

bool PicturePrefetcher::Busy() const {
  std::lock_guard lock(state_->mutex);
  return state_->request.has_value() || state_->decoding.has_value() || state_->held.has_value();
}

std::optional<QString> PicturePrefetcher::HeldPath() const {
  std::lock_guard lock(state_->mutex);
  if (state_->heldKey) return state_->heldKey->path;
  return std::nullopt;
}

void PicturePrefetcher::Run(std::shared_ptr<State> state, unsigned generation) {
  State& s = *state;
  std::unique_lock lock(s.mutex);
  for (;;) {
    s.cv.wait(lock, [&] { return s.stopping || s.generation != generation || s.request; });
    if (s.stopping || s.generation != generation) return;
    const Key k = *s.request;
    s.request.reset();
    s.decoding = k;
    s.busy = true;
    s.cancel = std::make_shared<std::atomic<bool>>(false);
    DecodeLimits limits = k.target.Limits();
    limits.cancel = s.cancel;
    lock.unlock();
    std::optional<DecodedPicture> picture;
    try {
      picture = s.decoder(k.path, limits);
    } catch (const std::bad_alloc&) {
      picture.emplace();
      picture->error = QStringLiteral("Mémoire insuffisante pour l'image : ") + k.path;
    } catch (...) {
      picture.emplace();
      picture->error = QStringLiteral("Image illisible : ") + k.path;
    }
    lock.lock();
    if (s.generation != generation) return;  // left to finish alone
    s.busy = false;
    if (s.decoding && *s.decoding == k) {
      s.held = std::move(picture);
      s.heldKey = k;
      s.decoding.reset();
    }
    // Told under the lock, so that a prefetcher being destroyed (which
    // clears it under the same lock) is never called back.
    if (s.ready) s.ready();
    s.cv.notify_all();
  }
}

}  // namespace ld
