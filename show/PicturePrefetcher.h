#pragma once

#include <QDateTime>
#include <QSize>
#include <QString>
#include <condition_variable>
#include <functional>
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

// Decodes the next picture of the show on a worker thread while the current
// one is on screen. One request at a time: a new request, or Drop, discards
// the picture held or being decoded, so at most one prefetched picture is
// ever held. A prefetched picture is handed out only for the same path, file
// size and modification time and the same display target.
class PicturePrefetcher {
 public:
  using Decoder = std::function<DecodedPicture(const QString&, const DecodeLimits&)>;
  explicit PicturePrefetcher(Decoder decoder = DecodePictureFile);
  ~PicturePrefetcher();
  PicturePrefetcher(const PicturePrefetcher&) = delete;
  PicturePrefetcher& operator=(const PicturePrefetcher&) = delete;

  // Starts decoding path for target, unless that very picture is already
  // held or being decoded. Pictures of other formats are not prefetched.
  void Prefetch(const QString& path, const DisplayTarget& target);

  // The prefetched picture when it is this one, waiting for it when it is
  // still being decoded; nothing otherwise. Whatever was held is let go.
  std::optional<DecodedPicture> Take(const QString& path, const DisplayTarget& target);

  // Lets go of the picture held and of the one being decoded.
  void Drop();

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
  static Key MakeKey(const QString& path, const DisplayTarget& target);
  void Run();

  Decoder decoder_;
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::optional<Key> request_;   // waiting to be decoded
  std::optional<Key> decoding_;  // being decoded, still wanted
  std::optional<Key> heldKey_;
  std::optional<DecodedPicture> held_;
  bool stopping_ = false;
  std::thread worker_;
};

}  // namespace ld
