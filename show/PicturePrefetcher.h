#pragma once

#include <QDateTime>
#include <QSize>
#include <QString>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/PictureDecoder.h"

namespace ld {

// What the display will do with a picture: the screen, the effect of Rdg1
// and the zoom's widest frame. It decides the size a picture is decoded at.
struct DisplayTarget {
  QSize screen;
  int effect = 0;
  int zoom_max10 = 0;
  bool operator==(const DisplayTarget&) const = default;
  DecodeLimits Limits() const;
};

// Decodes the show's pictures on a worker thread: the next one while the
// current one is on screen, and the one the show waits for. One request at a
// time: a new request discards the picture held or being decoded, so at most
// one decoded picture is ever held. A picture is handed out only for the same
// path, file size and modification time and the same display target. No
// exception leaves the worker: a decoder that throws gives an undecodable
// picture. Nothing here ever waits for a decode: the end of each decode is
// told through `ready`, called on the worker, which should only post a
// notice to the thread that takes the pictures.
class PicturePrefetcher {
 public:
  using Decoder = std::function<DecodedPicture(const QString&, const DecodeLimits&)>;
  explicit PicturePrefetcher(Decoder decoder = DecodePictureFile,
                             std::function<void()> ready = nullptr);
  ~PicturePrefetcher();
  PicturePrefetcher(const PicturePrefetcher&) = delete;
  PicturePrefetcher& operator=(const PicturePrefetcher&) = delete;

  // Starts decoding path for target, unless that very picture is already
  // held or being decoded. Pictures of other formats are not prefetched.
  void Prefetch(const QString& path, const DisplayTarget& target);

  // The decoded picture when it is this one and its decode is over. Nothing
  // while it is still being decoded (the decode goes on; `ready` tells its
  // end), and nothing when it is another picture (whatever was held is then
  // let go).
  std::optional<DecodedPicture> Take(const QString& path, const DisplayTarget& target);

  // Whether this picture is waiting to be decoded or being decoded.
  bool Decoding(const QString& path, const DisplayTarget& target) const;

  // Gives the picture up. A worker still busy decoding is told to stop, and
  // left to finish alone and let its result go; a fresh worker takes the
  // next requests, so a decode that never ends holds nothing up.
  void Abandon(const QString& path, const DisplayTarget& target);

  // For tests: whether a picture is held or being decoded, and its path.
  bool Busy() const;
  std::optional<QString> HeldPath() const;

 private:
  struct Key {
    QString path;
    qint64 fileSize = -1;
    QDateTime modified;
    DisplayTarget target;
    bool operator==(const Key&) const = default;
  };
  // Shared with the workers, so that a worker left to finish alone never
  // outlives what it uses.
  struct State {
    Decoder decoder;
    std::function<void()> ready;  // called under mutex; cleared when the prefetcher goes
    std::mutex mutex;
    std::condition_variable cv;
    std::optional<Key> request;   // waiting to be decoded
    std::optional<Key> decoding;  // being decoded, still wanted
    std::optional<Key> heldKey;
    std::optional<DecodedPicture> held;
    bool busy = false;  // the current worker is decoding, wanted or not
    // Raised when the decode in progress is no longer wanted: the decoder
    // stops at its next row or tile and gives its memory back.
    std::shared_ptr<std::atomic<bool>> cancel;
    bool stopping = false;
    unsigned generation = 0;  // workers of older generations end after their decode
  };
  static Key MakeKey(const QString& path, const DisplayTarget& target);
  static void Run(std::shared_ptr<State> state, unsigned generation);

  std::shared_ptr<State> state_;
  std::thread worker_;
};

}  // namespace ld
