#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <chrono>
#include <mutex>

#include "app/core/FirstPicture.h"
#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueFiles.h"
#include "platform/TextFile.h"
#include "support/JpegFixtures.h"
#include "support/TestWindow.h"

using namespace ld;
using namespace ld::testing;

TEST(FirstPicture, ReplayGivesTheRecordedDrawsThenTheGenerator) {
  ScriptedRandom inner;
  inner.draws = {7, 8};
  const std::vector<RandomCall> record{{true, 0, 0, 0}, {false, 0, 99, 42}, {false, 1, 5, 3}};
  ReplayRandom r(inner, [&] { return record; });
  // A run that ends before drawing re-seeds as well: the record starts again.
  r.Reseed();
  r.Reseed();
  EXPECT_EQ(r.Uniform(0, 99), 42);
  EXPECT_EQ(r.Uniform(1, 5), 3);
  EXPECT_EQ(inner.reseeds, 0);
  EXPECT_TRUE(inner.requests.empty());
  // The record used up: the generator itself, re-seeds included.
  EXPECT_EQ(r.Uniform(1, 5), 5);  // 7 clamped to the range
  r.Reseed();
  EXPECT_EQ(inner.reseeds, 1);

  // A call that differs from the record ends the replay for good.
  ScriptedRandom other;
  ReplayRandom d(other, [&] { return record; });
  d.Reseed();
  EXPECT_EQ(d.Uniform(0, 50), 0);
  EXPECT_EQ(d.Uniform(1, 5), 1);
  EXPECT_EQ(other.requests.size(), 2u);
}

namespace {

// A saved catalogue of pictures 0..29 (random order in the default
// settings), as a start that loads it finds it.
void SaveCatalogueOfPictures() {
  ResetDataDirs();
  const QString dir = DataFile(QStringLiteral("photos"));
  Catalogue c;
  for (int i = 0; i < 30; ++i) {
    const QString name = QStringLiteral("p%1.jpg").arg(i, 2, 10, QChar('0'));
    WriteBytes(dir + u'/' + name, OrientedJpeg(QuadrantImage(400 + 8 * i, 300), 1));
    c.AppendCatalogueEntry(dir, name);
  }
  WriteTextLines(DataFile(QString::fromLatin1(files::kDirectoryList)), {dir});
  SaveCatalogue(c);
}

// Decodes as the program does, noting each path decoded.
struct CountingDecoder {
  struct Log {
    std::mutex mutex;
    QStringList paths;
  };
  std::shared_ptr<Log> log = std::make_shared<Log>();
  PicturePrefetcher::Decoder Get() const {
    return [log = log](const QString& path, const DecodeLimits& limits) {
      DecodedPicture p = DecodePictureFile(path, limits);
      std::lock_guard lock(log->mutex);
      log->paths << path;
      return p;
    };
  }
  int Count(const QString& path) const {
    std::lock_guard lock(log->mutex);
    return static_cast<int>(log->paths.count(path));
  }
  // Until the thread has decoded its picture.
  void WaitForFirst() const {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < until) {
      {
        std::lock_guard lock(log->mutex);
        if (!log->paths.isEmpty()) return;
      }
      QThread::msleep(2);
    }
  }
};

// The window started as the program starts it: its draws replayed from the
// guess of `first`, its decoder the one of `first`.
struct StartedWindow {
  explicit StartedWindow(FirstPictureDecoder& first)
      : random(fake.random, [&first] { return first.GuessDraws(); }),
        services{fake.dialogs, fake.screenSaver, fake.pointer, fake.clock,
                 random,       fake.exit,        fake.sound,   fake.shell},
        w(services, QString(), QSize(1920, 1080)) {
    w.Show().SetDecoder(first.Decoder());
    w.Start();
    // The first picture arrives from its decode.
    while (w.Show().AwaitingPicture()) w.Show().AdvanceShow();
  }
  FakeServices fake;
  ReplayRandom random;
  Services services;
  Tdiapo w;
};

}  // namespace

TEST(FirstPicture, TheShowStartsOnThePictureDecodedDuringItsCreation) {
  SaveCatalogueOfPictures();
  // The guess draws other numbers than the window's generator would.
  auto seed = std::make_unique<ScriptedRandom>();
  seed->draws = {17, 2, 4, 1, 3, 5};
  CountingDecoder counting;
  FirstPictureDecoder first(QSize(1920, 1080), std::move(seed), counting.Get());
  counting.WaitForFirst();
  StartedWindow s(first);
  ASSERT_TRUE(first.GuessedPath().endsWith(QStringLiteral("/p17.jpg")));
  EXPECT_EQ(s.w.Show().CurrentPath(), first.GuessedPath());
  EXPECT_EQ(s.w.Image2->PictureWidth(), 400 + 8 * 17);
  // Handed over, not decoded a second time.
  EXPECT_EQ(counting.Count(first.GuessedPath()), 1);
}

TEST(FirstPicture, AFileChangedSinceItsEarlyDecodeIsDecodedAgain) {
  SaveCatalogueOfPictures();
  auto seed = std::make_unique<ScriptedRandom>();
  seed->draws = {5};
  CountingDecoder counting;
  FirstPictureDecoder first(QSize(1920, 1080), std::move(seed), counting.Get());
  counting.WaitForFirst();
  ASSERT_TRUE(first.GuessedPath().endsWith(QStringLiteral("/p05.jpg")));
  WriteBytes(first.GuessedPath(), OrientedJpeg(QuadrantImage(640, 480), 1));
  StartedWindow s(first);
  EXPECT_EQ(s.w.Show().CurrentPath(), first.GuessedPath());
  EXPECT_EQ(s.w.Image2->PictureWidth(), 640);
  EXPECT_EQ(counting.Count(first.GuessedPath()), 2);
}

TEST(FirstPicture, InCatalogueOrderTheGuessIsThePictureAfterTheSavedPosition) {
  SaveCatalogueOfPictures();
  WriteTextLines(
      DataFile(QString::fromLatin1(files::kSettings)),
      {QStringLiteral("CheckBox_rnd.Checked = false"), QStringLiteral("indice_non_aleatoire = 7")});
  CountingDecoder counting;
  FirstPictureDecoder first(QSize(1920, 1080), std::make_unique<ScriptedRandom>(), counting.Get());
  StartedWindow s(first);
  ASSERT_TRUE(first.GuessedPath().endsWith(QStringLiteral("/p08.jpg")));
  EXPECT_EQ(s.w.Show().CurrentPath(), first.GuessedPath());
  EXPECT_EQ(counting.Count(first.GuessedPath()), 1);
}

TEST(FirstPicture, TheCurrentDirectoryListsPictureIsGuessedAndOnlyTheShowTakesIt) {
  SaveCatalogueOfPictures();
  const QString dir = DataFile(QStringLiteral("photos"));
  const QString list = DataFile(QString::fromLatin1(files::kCurrentDirectoryList));
  WriteTextLines(list, {dir, QStringLiteral("p12.jpg"), QStringLiteral("p13.jpg")});
  CountingDecoder counting;
  FirstPictureDecoder first(QSize(1920, 1080), std::make_unique<ScriptedRandom>(), counting.Get());
  ASSERT_EQ(first.GuessedPath(), dir + QStringLiteral("/p12.jpg"));
  EXPECT_EQ(ReadTextLines(list), (QStringList{dir, "p12.jpg", "p13.jpg"}));  // read, not taken
  StartedWindow s(first);
  EXPECT_EQ(s.w.Show().CurrentPath(), first.GuessedPath());
  EXPECT_EQ(counting.Count(first.GuessedPath()), 1);
  EXPECT_EQ(ReadTextLines(list), (QStringList{dir, "p13.jpg"}));
}
