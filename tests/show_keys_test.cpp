#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTest>

#include "support/ShowWindow.h"

using namespace ld;
using namespace ld::testing;

namespace {

// The window on screen (offscreen platform) and active, so that keys reach
// it as a user's would.
void ShowActive(Tdiapo& w) {
  w.show();
  w.activateWindow();
  QApplication::setActiveWindow(&w);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
}

void Release(QWidget* target, Qt::Key key, bool autoRepeat = false) {
  QKeyEvent e(QEvent::KeyRelease, key, Qt::NoModifier, QString(), autoRepeat);
  QApplication::sendEvent(target, &e);
}

}  // namespace

TEST(ShowKeys, TheKeyTableThroughTheRealWindow) {
  ShowWindow s;
  for (int i = 0; i < 4; ++i) s.AddJpeg(QStringLiteral("p%1.jpg").arg(i));
  Tdiapo& w = *s.w;
  ShowActive(w);
  w.ShowNextPicture();
  ASSERT_EQ(s.History().size(), 1);
  EXPECT_TRUE(w.PointerHidden());

  // Right while the show runs: a new picture at once.
  QTest::keyClick(&w, Qt::Key_Right);
  EXPECT_EQ(s.History().size(), 2);
  EXPECT_EQ(w.last_key, 39);

  // Space: the panel, the pointer, browsing; Left steps back.
  QTest::keyClick(&w, Qt::Key_Space);
  EXPECT_FALSE(w.Panel1->isHidden());
  EXPECT_EQ(w.Panel1->y(), 1080 - w.Panel1->height() - 12);
  EXPECT_FALSE(w.show_running);
  EXPECT_FALSE(w.PointerHidden());
  EXPECT_EQ(w.last_key, 0);
  QTest::keyClick(&w, Qt::Key_Left);
  EXPECT_EQ(w.history_position, 0);
  // A key held down sends auto-repeated releases: only the real one counts.
  Release(&w, Qt::Key_Right, true);
  EXPECT_EQ(w.history_position, 0);
  // The buttons act as the keys.
  QTest::mouseClick(w.Button_avance, Qt::LeftButton);
  EXPECT_EQ(w.history_position, 1);
  QTest::mouseClick(w.Button_retour, Qt::LeftButton);
  EXPECT_EQ(w.history_position, 0);

  // Any other key only interrupts: the panel stays.
  QTest::keyClick(&w, Qt::Key_A);
  EXPECT_EQ(w.last_key, 65);
  EXPECT_TRUE(w.stop_requested);
  EXPECT_FALSE(w.Panel1->isHidden());

  // Space again: replay of the newer entry, then the show goes on.
  QTest::keyClick(&w, Qt::Key_Space);
  EXPECT_TRUE(w.Panel1->isHidden());
  EXPECT_TRUE(w.PointerHidden());
  EXPECT_TRUE(w.replaying_history);
  EXPECT_FALSE(w.show_running);
  s.Next();  // the two entries from the position on, then new pictures
  s.Next();
  EXPECT_FALSE(w.replaying_history);
  EXPECT_TRUE(w.show_running);
  EXPECT_EQ(s.History().size(), 3);

  // Esc ends the program through the quit.
  EXPECT_TRUE(s.w.fake.exit.codes.empty());
  QTest::keyClick(&w, Qt::Key_Escape);
  EXPECT_EQ(s.w.fake.exit.codes, std::vector<int>{1});
}

TEST(ShowKeys, QQuitsWhileTheShowRuns) {
  ShowWindow s;
  s.AddJpeg("a.jpg");
  Tdiapo& w = *s.w;
  ShowActive(w);
  w.ShowNextPicture();
  QTest::keyClick(&w, Qt::Key_Q);
  EXPECT_EQ(s.w.fake.exit.codes, std::vector<int>{1});
}

TEST(ShowKeys, TypingIntoAnEditBoxIsTypingButEscStillQuits) {
  ShowWindow s;
  s.AddJpeg("a.jpg");
  Tdiapo& w = *s.w;
  ShowActive(w);
  w.ShowNextPicture();
  QTest::keyClick(&w, Qt::Key_Space);
  ASSERT_FALSE(w.Panel1->isHidden());
  w.Panel3->show();
  w.Edit_contient->clear();
  w.Edit_contient->show();
  w.Edit_contient->setFocus();
  ASSERT_EQ(QApplication::focusWidget(), w.Edit_contient);
  QTest::keyClicks(w.Edit_contient, "divers avignon q");
  QTest::keyClick(w.Edit_contient, Qt::Key_Left);
  QTest::keyClick(w.Edit_contient, Qt::Key_Right);
  EXPECT_EQ(w.Edit_contient->text(), "divers avignon q");
  EXPECT_FALSE(w.Panel1->isHidden());
  EXPECT_TRUE(s.w.fake.exit.codes.empty());
  // F3 keeps its meaning: the viewer's slide show is proposed.
  QTest::keyClick(w.Edit_contient, Qt::Key_F3);
  EXPECT_FALSE(s.w.fake.dialogs.confirmations.isEmpty());
  // Esc keeps its meaning.
  w.Edit_contient->setFocus();
  QTest::keyClick(w.Edit_contient, Qt::Key_Escape);
  EXPECT_EQ(s.w.fake.exit.codes, std::vector<int>{1});
}

TEST(ShowKeys, TimerQuitsOnFastHorizontalMovementOnly) {
  ShowWindow s;
  s.AddJpeg("a.jpg");
  Tdiapo& w = *s.w;
  w.Timer1->stop();  // driven by hand here
  auto& pointer = s.w.fake.pointer;
  auto& clock = s.w.fake.clock;
  w.last_sample_time = clock.now;
  pointer.pos = QPoint(1500, 0);
  clock.AdvanceMs(200);
  w.Timer1Timer();  // the first event never quits
  EXPECT_TRUE(s.w.fake.exit.codes.empty());
  // Vertical movement, however fast.
  pointer.pos = QPoint(1500, 1000);
  clock.AdvanceMs(200);
  w.Timer1Timer();
  EXPECT_TRUE(s.w.fake.exit.codes.empty());
  // 220 pixels in 200 ms stays; with the panel open 1000 pixels too.
  pointer.pos = QPoint(1280, 0);
  clock.AdvanceMs(200);
  w.Timer1Timer();
  EXPECT_TRUE(s.w.fake.exit.codes.empty());
  w.Panel1->show();
  pointer.pos = QPoint(280, 0);
  clock.AdvanceMs(200);
  w.Timer1Timer();
  EXPECT_TRUE(s.w.fake.exit.codes.empty());
  w.Panel1->hide();
  // 240 pixels in 200 ms: above vmax 100, the program ends.
  pointer.pos = QPoint(520, 0);
  clock.AdvanceMs(200);
  EXPECT_THROW(w.Timer1Timer(), ProcessEnded);
  EXPECT_EQ(s.w.fake.exit.codes, std::vector<int>{1});
  EXPECT_EQ(w.timer_ticks, 5);
}
