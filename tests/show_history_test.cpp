// The show with the panel open: browsing the history, then its replay when
// the panel closes.
#include <gtest/gtest.h>

#include "platform/DataDir.h"
#include "platform/Error.h"
#include "platform/TextFile.h"
#include "show/DisplayGeometry.h"
#include "show/Tone.h"
#include "support/ShowWindow.h"

using namespace ld;
using namespace ld::testing;

TEST(ShowHistory, BrowsingStepsThroughTheHistoryWithTheTone) {
  ShowWindow s;
  QStringList paths;
  for (int i = 0; i < 3; ++i)
    paths << s.AddJpeg(QStringLiteral("p%1.jpg").arg(i), 400 + 100 * i, 300);
  Tdiapo& w = *s.w;
  w.ShowNextPicture();
  s.ToNextPause();  // the picture arrives from its decode
  s.Next();
  s.Next();
  ASSERT_EQ(s.History(), paths.mid(1) + paths.mid(0, 1));  // 1, 2, 0
  const QRect onScreen = w.Image2->geometry();
  w.FormKeyUp(32);  // panel open: browsing
  EXPECT_FALSE(w.Panel1->isHidden());
  EXPECT_FALSE(w.Show().ShowRunning());
  EXPECT_FALSE(w.PointerHidden());
  w.FormKeyUp(37);
  s.ToNextPause();  // the picture arrives from its decode
  EXPECT_EQ(w.Show().HistoryPosition(), 1);
  EXPECT_EQ(w.Show().CurrentPath(), paths[2]);
  EXPECT_EQ(w.Label1->text(), " [1 / 3]  " + s.dir.path() + "/2005-08-28 avg");
  EXPECT_EQ(w.Label21->text(), "3 : 1");
  EXPECT_TRUE(w.Button_avance->font().bold());
  // With the panel open the picture takes its own fit rectangle, silently.
  EXPECT_EQ(w.Image2->PictureWidth(), 600);
  EXPECT_EQ(w.Image2->geometry(), FitRect(1920, 1080, 600, 300));
  EXPECT_NE(w.Image2->geometry(), onScreen);
  EXPECT_TRUE(s.w.fake.sound.played.empty());
  w.FormKeyUp(37);
  w.FormKeyUp(37);  // past the first entry: stays, shown again
  EXPECT_EQ(w.Show().HistoryPosition(), 0);
  EXPECT_EQ(w.Show().CurrentPath(), paths[1]);
  w.FormKeyUp(39);
  w.FormKeyUp(39);
  w.FormKeyUp(39);
  s.ToNextPause();
  EXPECT_EQ(w.Show().HistoryPosition(), 2);
  EXPECT_FALSE(w.Button_avance->font().bold());
  EXPECT_EQ(w.Show().PendingShowPause(), -1);  // browsing waits for keys

  // Closing at the newest entry replays nothing and leaves the replay flag
  // set: the next browsing step sounds the tone.
  w.FormKeyUp(32);
  EXPECT_TRUE(w.Panel1->isHidden());
  EXPECT_TRUE(w.Show().ShowRunning());
  EXPECT_TRUE(w.PointerHidden());
  EXPECT_TRUE(w.Show().ReplayingHistory());
  EXPECT_EQ(s.History().size(), 4);  // a new picture at once
  w.FormKeyUp(32);
  w.FormKeyUp(37);
  s.ToNextPause();
  ASSERT_EQ(s.w.fake.sound.played.size(), 1u);
  EXPECT_EQ(s.w.fake.sound.played[0], BuildToneWav(640, 20, 30).value());
  EXPECT_EQ(w.Show().LastKey(), 0);
}

TEST(ShowHistory, ClosingThePanelReplaysTheNewerHistory) {
  ShowWindow s;
  QStringList paths;
  for (int i = 0; i < 5; ++i) paths << s.AddJpeg(QStringLiteral("p.%1.jpg").arg(i));
  Tdiapo& w = *s.w;
  w.Show().SetSequentialIndex(4);
  w.ShowNextPicture();
  s.ToNextPause();  // the picture arrives from its decode
  for (int i = 0; i < 4; ++i) s.Next();
  ASSERT_EQ(s.History(), paths);
  // The settings save gives the show the durations typed into the panel.
  w.Edit_dt0_a->setText("250");
  w.Button_close_paramClick();  // saves, then acts as Space: panel open
  EXPECT_FALSE(w.Panel1->isHidden());
  w.Button_retourClick();
  w.Button_retourClick();
  w.Button_retourClick();
  EXPECT_EQ(w.Show().HistoryPosition(), 1);
  w.Panel_continuer_clik();  // panel closed: replay of 1..4
  s.ToNextPause();
  QStringList captions;
  for (int i = 0; i < 5; ++i) {
    captions << w.Label1->text();
    EXPECT_EQ(w.Show().PendingShowPause(), 200);  // each with its full pause
    s.Next();
  }
  QStringList expected;
  for (int j = 1; j <= 4; ++j) expected << QString(paths[j]).replace('.', ',');
  expected << "(0/5)  2005-08-28 avg";  // then new pictures follow
  EXPECT_EQ(captions, expected);
  EXPECT_FALSE(w.Show().ReplayingHistory());
  EXPECT_EQ(w.Show().HistoryPosition(), 6);  // two new pictures after the five
  EXPECT_TRUE(w.Show().ShowRunning());
}

TEST(ShowHistory, TheListShownIsTheOneEscSavesAndTheNextStartLoads) {
  ShowWindow s;
  for (int i = 0; i < 3; ++i) s.AddJpeg(QStringLiteral("p%1.jpg").arg(i));
  Tdiapo& w = *s.w;
  w.ShowNextPicture();
  s.ToNextPause();
  s.Next();
  s.Next();
  w.FormKeyUp(32);  // panel open: one step back
  w.FormKeyUp(37);
  s.ToNextPause();
  ASSERT_EQ(s.History().size(), 3);
  ASSERT_EQ(w.Show().HistoryPosition(), 1);
  // The history list's rows are the show's own entries.
  auto rows = [](const Tdiapo& t) {
    QStringList r;
    const QAbstractItemModel* m = t.ListBox_passee->model();
    for (int i = 0; m && i < m->rowCount(); ++i) r << m->index(i, 0).data().toString();
    return r;
  };
  EXPECT_EQ(rows(w), s.History());
  // Esc saves them (the position moved, so the settings changed).
  const QString file = DataFile(QString::fromLatin1(files::kHistory));
  EXPECT_THROW(w.FormKeyUp(27), ProcessEnded);
  EXPECT_EQ(ReadTextLines(file).value_or(QStringList()), s.History());
  // The next start shows the same list, at its newest entry.
  TestWindow next(QSize(1920, 1080), QString(), true);
  next->LoadHistory();
  EXPECT_EQ(next->Show().History().Entries(), s.History());
  EXPECT_EQ(rows(*next), s.History());
  EXPECT_EQ(next->Show().HistoryPosition(), 2);
}
