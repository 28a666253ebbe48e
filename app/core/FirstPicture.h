#pragma once
// The first picture of a start, decoded while the window is being built.
//
// At a start that loads the saved catalogue, the first picture the show will
// choose is known from the files alone: the settings, the catalogue, the
// current-directory list and, in random order, the generator's draws. A
// thread works it out and decodes it as soon as the program runs; the
// window's first forward step then draws the same numbers (ReplayRandom) and
// its decoder takes the picture already decoded (FirstPictureDecoder). A
// guess that turns out wrong costs only the work of the thread.
#include <QDateTime>
#include <QString>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/Paths.h"
#include "platform/Services.h"
#include "show/PicturePrefetcher.h"

namespace ld {

// One call made to a generator, and its result.
struct RandomCall {
  bool reseed = false;
  int low = 0, high = 0, value = 0;
  bool operator==(const RandomCall&) const = default;
};

// Passes every call on to `inner`, and notes it.
class RecordingRandom : public IRandom {
 public:
  explicit RecordingRandom(IRandom& inner) : inner_(inner) {}
  void Reseed() override;
  int Uniform(int low, int high) override;
  const std::vector<RandomCall>& Calls() const { return calls_; }

 private:
  IRandom& inner_;
  std::vector<RandomCall> calls_;
};

// Gives the results of a record again, as long as the calls come in the same
// order with the same bounds (a re-seed of the record is then no re-seed);
// from the first call that differs, and once the record is used up, every
// call goes to `inner`. Until a number is handed out, a re-seed starts the
// record again. The record is asked for at the first call.
class ReplayRandom : public IRandom {
 public:
  using Record = std::function<std::vector<RandomCall>()>;
  ReplayRandom(IRandom& inner, Record record) : inner_(inner), record_(std::move(record)) {}
  void Reseed() override;
  int Uniform(int low, int high) override;

 private:
  const RandomCall* Next(const RandomCall& wanted);
  IRandom& inner_;
  Record record_;
  std::optional<std::vector<RandomCall>> calls_;
  size_t next_ = 0;
  bool replaying_ = true;
  bool handedOut_ = false;
};

struct FirstPictureGuess {
  QString path;
  DisplayTarget target;
};

// The picture the show's first forward step will choose at a start with the
// data directory as it is, drawing random numbers from `random` as that step
// does (a fresh run, a re-seed, one draw). Nothing when the catalogue would
// be rebuilt or cannot be read, or the choice is not a picture to decode.
std::optional<FirstPictureGuess> GuessFirstPicture(QSize screen, IRandom& random);

// Guesses and decodes the first picture on a thread of its own from
// construction. Decoder() decodes as DecodePictureFile does, except that the
// first request for the guessed path with the same limits takes the picture
// decoded by the thread (waiting for it to be done), unless the file has
// changed since.
class FirstPictureDecoder {
 public:
  // `seed` is the generator the guess draws from (used only on the thread);
  // `decode` decodes every picture, the guessed one on the thread.
  FirstPictureDecoder(QSize screen, std::unique_ptr<IRandom> seed,
                      PicturePrefetcher::Decoder decode = DecodePictureFile);
  ~FirstPictureDecoder();
  FirstPictureDecoder(const FirstPictureDecoder&) = delete;
  FirstPictureDecoder& operator=(const FirstPictureDecoder&) = delete;

  // The draws of the guess, once it is made (waits for it).
  std::vector<RandomCall> GuessDraws() const;
  // The guessed path, once the guess is made (empty when there is none).
  QString GuessedPath() const;
  PicturePrefetcher::Decoder Decoder() const;

 private:
  struct State {
    PicturePrefetcher::Decoder decode;
    std::mutex mutex;
    std::condition_variable cv;
    bool guessed = false, decoded = false, taken = false;
    std::vector<RandomCall> draws;
    std::optional<FirstPictureGuess> guess;
    DecodeLimits limits;
    DecodedPicture picture;
    FileStamp stamp;  // of the file when the thread decoded it
  };
  std::shared_ptr<State> state_;
  std::thread thread_;
};

}  // namespace ld
