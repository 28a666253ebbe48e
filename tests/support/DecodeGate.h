#pragma once

#include <QString>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "show/PicturePrefetcher.h"

namespace ld::testing {

// Holds decodes back until Open(): a decode stalled on purpose. Shared with
// the decoder (Wrap), which a worker left behind may still hold after the
// test, so it lives as long as the last of them.
class DecodeGate {
 public:
  static std::shared_ptr<DecodeGate> Make() { return std::make_shared<DecodeGate>(); }

  // Waits, on the decoding thread, until the gate is open.
  void Pass() {
    std::unique_lock lock(m_);
    cv_.wait(lock, [&] { return open_; });
  }
  void Open() {
    {
      std::lock_guard lock(m_);
      open_ = true;
    }
    cv_.notify_all();
  }
  // A decoder that waits at the gate for the paths `stalled` accepts, then
  // decodes with `decode`.
  template <typename Stalled>
  static PicturePrefetcher::Decoder Wrap(std::shared_ptr<DecodeGate> gate, Stalled stalled,
                                         PicturePrefetcher::Decoder decode) {
    return [gate, stalled, decode](const QString& path, const DecodeLimits& limits) {
      if (stalled(path)) gate->Pass();
      return decode(path, limits);
    };
  }

 private:
  std::mutex m_;
  std::condition_variable cv_;
  bool open_ = false;
};

}  // namespace ld::testing
