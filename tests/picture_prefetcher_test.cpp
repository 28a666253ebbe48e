#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "show/PicturePrefetcher.h"
#include "support/TempData.h"

using namespace ld;
using namespace ld::testing;

namespace {

// A decoder that counts its calls and can be held back until released.
struct GatedDecoder {
  std::mutex m;
  std::condition_variable cv;
  bool open = true;
  std::atomic<int> calls{0};
  std::atomic<int> finished{0};

  PicturePrefetcher::Decoder Make() {
    return [this](const QString& path, const DecodeLimits&) {
      ++calls;
      std::unique_lock lock(m);
      cv.wait(lock, [&] { return open; });
      DecodedPicture d;
      d.image = QImage(4, 2, QImage::Format_RGB32);
      d.image.setText("path", path);
      d.ownSize = QSize(40, 20);
      ++finished;
      return d;
    };
  }
  void Close() {
    std::lock_guard lock(m);
    open = false;
  }
  void Open() {
    {
      std::lock_guard lock(m);
      open = true;
    }
    cv.notify_all();
  }
};

const DisplayTarget kTarget{QSize(1920, 1080), 0, 16};

// Waits for another thread to make pred true; false after 10 s.
bool Eventually(const std::function<bool()>& pred) {
  QElapsedTimer t;
  t.start();
  while (!pred()) {
    if (t.elapsed() > 10000) return false;
    std::this_thread::yield();
  }
  return true;
}

// The picture once its decode is over: Take itself never waits.
std::optional<DecodedPicture> TakeDecoded(PicturePrefetcher& p, const QString& path) {
  Eventually([&] { return !p.Decoding(path, kTarget); });
  return p.Take(path, kTarget);
}

}  // namespace

TEST(PicturePrefetcher, HandsOutOnlyTheSamePictureForTheSameDisplay) {
  QTemporaryDir dir;
  const QString a = dir.path() + "/a.jpg", b = dir.path() + "/b.jpg";
  WriteBytes(a, "aaaa");
  WriteBytes(b, "bbbb");
  GatedDecoder dec;
  PicturePrefetcher p(dec.Make());

  p.Prefetch(a, kTarget);
  p.Prefetch(a, kTarget);  // already asked: no second decode
  auto got = TakeDecoded(p, a);
  ASSERT_TRUE(got.has_value());
  EXPECT_EQ(got->image.text("path"), a);
  EXPECT_EQ(got->ownSize, QSize(40, 20));
  EXPECT_EQ(dec.calls, 1);
  EXPECT_FALSE(p.Busy());  // handed out, nothing held

  // Another picture asked for: the prefetched one is let go.
  p.Prefetch(a, kTarget);
  EXPECT_FALSE(p.Take(b, kTarget).has_value());
  EXPECT_FALSE(p.Busy());

  // Another effect needs another size: not handed out.
  p.Prefetch(a, kTarget);
  EXPECT_FALSE(p.Take(a, DisplayTarget{QSize(1920, 1080), 3, 16}).has_value());

  // The file changed since it was decoded.
  p.Prefetch(a, kTarget);
  ASSERT_TRUE(Eventually([&] { return p.HeldPath().has_value(); }));
  WriteBytes(a, "a longer content");
  EXPECT_FALSE(p.Take(a, kTarget).has_value());

  // Other formats and missing files are not prefetched.
  WriteBytes(dir.path() + "/c.gif", "c");
  p.Prefetch(dir.path() + "/c.gif", kTarget);
  p.Prefetch(dir.path() + "/missing.jpg", kTarget);
  EXPECT_FALSE(p.Busy());
}

TEST(PicturePrefetcher, WaitsForADecodeInProgressAndHoldsAtMostOne) {
  QTemporaryDir dir;
  const QString a = dir.path() + "/a.jpg", b = dir.path() + "/b.jpg";
  WriteBytes(a, "aaaa");
  WriteBytes(b, "bbbb");
  GatedDecoder dec;
  std::atomic<int> told{0};
  PicturePrefetcher p(dec.Make(), [&] { ++told; });

  // Take while the decode is held back: nothing yet, and the decode goes
  // on; its end is told, and then the picture is there.
  dec.Close();
  p.Prefetch(a, kTarget);
  ASSERT_TRUE(Eventually([&] { return dec.calls > 0; }));
  EXPECT_FALSE(p.Take(a, kTarget).has_value());
  EXPECT_TRUE(p.Decoding(a, kTarget));
  EXPECT_EQ(told, 0);
  dec.Open();
  ASSERT_TRUE(Eventually([&] { return told == 1; }));
  auto got = p.Take(a, kTarget);
  ASSERT_TRUE(got.has_value());
  EXPECT_EQ(got->image.text("path"), a);

  // A new request while one is decoding: the first result is dropped, the
  // second is held.
  dec.Close();
  p.Prefetch(a, kTarget);
  ASSERT_TRUE(Eventually([&] { return dec.calls >= 2; }));
  p.Prefetch(b, kTarget);
  dec.Open();
  got = TakeDecoded(p, b);
  ASSERT_TRUE(got.has_value());
  EXPECT_EQ(got->image.text("path"), b);
  EXPECT_FALSE(p.HeldPath().has_value());
  EXPECT_EQ(dec.calls, 3);
}

TEST(PicturePrefetcher, NoExceptionLeavesTheWorkerAndAStuckDecodeIsLeftBehind) {
  QTemporaryDir dir;
  const QString a = dir.path() + "/a.jpg", b = dir.path() + "/b.jpg";
  WriteBytes(a, "aaaa");
  WriteBytes(b, "bbbb");
  // A decoder that throws: the picture is undecodable, the worker lives on.
  PicturePrefetcher throwing([](const QString& path, const DecodeLimits&) -> DecodedPicture {
    if (path.endsWith("a.jpg")) throw std::bad_alloc();
    throw std::runtime_error("boom");
  });
  for (const QString& path : {a, b}) {
    throwing.Prefetch(path, kTarget);
    const auto got = TakeDecoded(throwing, path);
    ASSERT_TRUE(got.has_value());
    EXPECT_TRUE(got->image.isNull());
    EXPECT_TRUE(got->error.endsWith(path));
  }

  // a never finishes by itself: Take gives nothing and the decode goes on;
  // once abandoned, b is decoded by a fresh worker meanwhile.
  GatedDecoder dec;
  dec.Close();
  PicturePrefetcher p(dec.Make());
  p.Prefetch(a, kTarget);
  ASSERT_TRUE(Eventually([&] { return dec.calls > 0; }));
  EXPECT_FALSE(p.Take(a, kTarget).has_value());
  EXPECT_TRUE(p.Decoding(a, kTarget));
  p.Abandon(a, kTarget);
  EXPECT_FALSE(p.Decoding(a, kTarget));
  std::atomic<bool> parallel{false};
  std::thread opener([&] {
    QElapsedTimer t;
    t.start();
    while (dec.calls < 2 && t.elapsed() < 5000) std::this_thread::yield();
    parallel = dec.calls >= 2;
    dec.Open();  // both decodes may go on now
  });
  p.Prefetch(b, kTarget);
  const auto got = TakeDecoded(p, b);
  opener.join();
  EXPECT_TRUE(parallel);
  ASSERT_TRUE(got.has_value());
  EXPECT_EQ(got->image.text("path"), b);
  ASSERT_TRUE(Eventually([&] { return dec.finished >= 2; }));
  EXPECT_FALSE(p.HeldPath().has_value());  // a's late result is let go
}

// A decode that is no longer wanted, replaced by another request or
// abandoned, sees its cancel flag raised, so that it stops and frees its
// memory; the decode that replaced it is not cancelled.
TEST(PicturePrefetcher, AnUnwantedDecodeIsToldToStop) {
  QTemporaryDir dir;
  const QString a = dir.path() + "/a.jpg", b = dir.path() + "/b.jpg";
  WriteBytes(a, "aaaa");
  WriteBytes(b, "bbbb");
  // Shared with the workers, which may outlive a failing test.
  struct Seen {
    std::mutex m;
    std::condition_variable cv;
    QStringList started, cancelled;
  };
  auto seen = std::make_shared<Seen>();
  PicturePrefetcher p([seen](const QString& path, const DecodeLimits& limits) {
    {
      std::lock_guard lock(seen->m);
      seen->started << path;
    }
    seen->cv.notify_all();
    // Until cancelled, at most 5 s (a fault then fails instead of hanging).
    for (int i = 0; i < 500 && !limits.Cancelled(); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    {
      std::lock_guard lock(seen->m);
      if (limits.Cancelled()) seen->cancelled << path;
    }
    seen->cv.notify_all();
    return DecodedPicture{};
  });
  const auto waitFor = [&](const std::function<bool()>& done) {
    std::unique_lock lock(seen->m);
    return seen->cv.wait_for(lock, std::chrono::seconds(10), done);
  };
  p.Prefetch(a, kTarget);
  ASSERT_TRUE(waitFor([&] { return seen->started.contains(a); }));
  p.Prefetch(b, kTarget);
  ASSERT_TRUE(waitFor([&] { return seen->started.contains(b); }));
  {
    std::lock_guard lock(seen->m);
    EXPECT_EQ(seen->cancelled, QStringList{a});
  }
  p.Abandon(b, kTarget);
  EXPECT_TRUE(waitFor([&] { return seen->cancelled.size() == 2; }));
  EXPECT_EQ(seen->cancelled, (QStringList{a, b}));
}
