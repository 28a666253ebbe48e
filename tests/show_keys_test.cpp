#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <functional>

#include "platform/DataDir.h"
#include "platform/TextFile.h"
#include "show/DisplayGeometry.h"
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
  s.ToNextPause();  // the picture arrives from its decode
  ASSERT_EQ(s.History().size(), 1);
  EXPECT_TRUE(w.PointerHidden());

  // Right while the show runs: a new picture at once.
  QTest::keyClick(&w, Qt::Key_Right);
  EXPECT_EQ(s.History().size(), 2);
  EXPECT_EQ(w.Show().LastKey(), 39);

  // Space: the panel, the pointer, browsing; Left steps back.
  QTest::keyClick(&w, Qt::Key_Space);
  EXPECT_FALSE(w.Panel1->isHidden());
  EXPECT_EQ(w.Panel1->y(), 1080 - w.Panel1->height() - 12);
  EXPECT_FALSE(w.Show().ShowRunning());
  EXPECT_FALSE(w.PointerHidden());
  EXPECT_EQ(w.Show().LastKey(), 0);
  QTest::keyClick(&w, Qt::Key_Left);
  EXPECT_EQ(w.Show().HistoryPosition(), 0);
  // A key held down sends auto-repeated releases: only the real one counts.
  Release(&w, Qt::Key_Right, true);
  EXPECT_EQ(w.Show().HistoryPosition(), 0);
  // The buttons act as the keys.
  QTest::mouseClick(w.Button_avance, Qt::LeftButton);
  EXPECT_EQ(w.Show().HistoryPosition(), 1);
  QTest::mouseClick(w.Button_retour, Qt::LeftButton);
  EXPECT_EQ(w.Show().HistoryPosition(), 0);

  // Any other key only interrupts: the panel stays.
  QTest::keyClick(&w, Qt::Key_A);
  EXPECT_EQ(w.Show().LastKey(), 65);
  EXPECT_TRUE(w.Show().StopRequested());
  EXPECT_FALSE(w.Panel1->isHidden());

  // Space again: replay of the newer entry, then the show goes on.
  QTest::keyClick(&w, Qt::Key_Space);
  EXPECT_TRUE(w.Panel1->isHidden());
  EXPECT_TRUE(w.PointerHidden());
  EXPECT_TRUE(w.Show().ReplayingHistory());
  EXPECT_FALSE(w.Show().ShowRunning());
  s.ToNextPause();
  s.Next();  // the two entries from the position on, then new pictures
  s.Next();
  EXPECT_FALSE(w.Show().ReplayingHistory());
  EXPECT_TRUE(w.Show().ShowRunning());
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
  s.ToNextPause();  // the picture arrives from its decode
  QTest::keyClick(&w, Qt::Key_Q);
  EXPECT_EQ(s.w.fake.exit.codes, std::vector<int>{1});
}

TEST(ShowKeys, TypingIntoAnEditBoxIsTypingButEscStillQuits) {
  ShowWindow s;
  s.AddJpeg("a.jpg");
  Tdiapo& w = *s.w;
  ShowActive(w);
  w.ShowNextPicture();
  s.ToNextPause();  // the picture arrives from its decode
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

TEST(ShowKeys, TheShowsKeysNeverReachTheFocusedControl) {
  ShowWindow s;
  for (int i = 0; i < 3; ++i) s.AddJpeg(QStringLiteral("p%1.jpg").arg(i));
  Tdiapo& w = *s.w;
  ShowActive(w);
  w.ShowNextPicture();
  s.ToNextPause();
  QTest::keyClick(&w, Qt::Key_Right);
  s.ToNextPause();
  QTest::keyClick(&w, Qt::Key_Space);
  ASSERT_FALSE(w.Panel1->isHidden());
  ASSERT_EQ(w.Show().HistoryPosition(), 1);
  // Controls of the panel, as its buttons and sliders are.
  int clicks = 0;
  auto* button = new QPushButton(QStringLiteral("Copier"), w.Panel1);
  QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });
  auto* slider = new QSlider(Qt::Horizontal, w.Panel1);
  slider->setRange(0, 10);
  slider->setValue(5);
  button->show();
  slider->show();

  // The arrows browse; the focused slider does not move.
  slider->setFocus();
  QTest::keyClick(slider, Qt::Key_Left);
  EXPECT_EQ(w.Show().HistoryPosition(), 0);
  QTest::keyClick(slider, Qt::Key_Right);
  EXPECT_EQ(w.Show().HistoryPosition(), 1);
  EXPECT_EQ(slider->value(), 5);
  // A key that is no command of the show still works the control.
  QTest::keyClick(slider, Qt::Key_Up);
  EXPECT_EQ(slider->value(), 6);
  // Space closes the panel, and does not click the focused button again.
  button->setFocus();
  QTest::keyClick(button, Qt::Key_Space);
  EXPECT_EQ(clicks, 0);
  EXPECT_TRUE(w.Panel1->isHidden());
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

TEST(ShowKeys, AReleaseWhosePressWentToADialogIsNoCommand) {
  ShowWindow s;
  s.AddJpeg("a.jpg");
  Tdiapo& w = *s.w;
  ShowActive(w);
  w.ShowNextPicture();
  s.ToNextPause();  // the picture arrives from its decode
  // Esc answering a box closes it on the press; its release then reaches
  // the window.
  QDialog box(&w);
  box.setModal(true);
  box.show();
  QTest::keyPress(&box, Qt::Key_Escape);
  ASSERT_TRUE(box.isHidden());
  QTest::keyRelease(&w, Qt::Key_Escape);
  // A press while a box was open, released after it closed.
  box.show();
  QTest::keyPress(&w, Qt::Key_Q);
  box.hide();
  QTest::keyRelease(&w, Qt::Key_Q);
  // A release without any press (the press went to another program).
  Release(&w, Qt::Key_Escape);
  EXPECT_TRUE(s.w.fake.exit.codes.empty());
  EXPECT_TRUE(w.ShowRunActive());
  // The window's own press and release, as the windowing system gives them.
  QTest::keyClick(w.windowHandle(), Qt::Key_Escape);
  EXPECT_EQ(s.w.fake.exit.codes, std::vector<int>{1});
}

TEST(ShowKeys, AnyKeyDuringTheScanEndsItAndStartsNoRun) {
  TestWindow t;
  Tdiapo& w = *t;
  // Two roots of ten pictures; the scan lets events through at least
  // between roots.
  QStringList roots;
  for (const char* r : {"pics1", "pics2"}) {
    roots << DataFile(QString::fromLatin1(r));
    for (int i = 0; i < 10; ++i) WriteBytes(roots.back() + QStringLiteral("/p%1.jpg").arg(i), "x");
  }
  WriteTextLines(DataFile(QString::fromLatin1(files::kDirectoryList)), roots);
  WriteTextLines(DataFile(QString::fromLatin1(files::kHistory)),
                 {roots[0] + QStringLiteral("/p0.jpg")});
  ShowActive(w);
  // Space once the scan has found a few pictures. A queued call runs once
  // each time the scan lets events through: after the first root at the
  // latest, and within it too when the machine is slow.
  bool runDuringScan = false;
  int countAtKey = -1;
  std::function<void()> probe = [&] {
    if (w.catalogue.Count() < 5) {
      QMetaObject::invokeMethod(&w, probe, Qt::QueuedConnection);
      return;
    }
    countAtKey = w.catalogue.Count();
    QTest::keyClick(&w, Qt::Key_Space);
    runDuringScan = w.ShowRunActive();
  };
  QMetaObject::invokeMethod(&w, probe, Qt::QueuedConnection);
  w.Start();
  EXPECT_FALSE(runDuringScan);
  // The scan ended at the key: nothing catalogued after it, the second root
  // never walked.
  EXPECT_LE(countAtKey, 10);
  EXPECT_EQ(w.catalogue.Count(), countAtKey);
  EXPECT_TRUE(t.fake.exit.codes.empty());
}

TEST(ShowKeys, TheOpenPanelBrowsesInFitRectanglesAndClosingHidesEveryPanel) {
  ShowWindow s;
  s.AddJpeg("wide.jpg", 600, 100);
  s.AddJpeg("tall.jpg", 300, 400);
  Tdiapo& w = *s.w;
  ShowActive(w);
  w.ShowNextPicture();
  s.ToNextPause();
  QTest::keyClick(&w, Qt::Key_Right);
  s.ToNextPause();
  ASSERT_EQ(s.History().size(), 2);
  QTest::keyClick(&w, Qt::Key_Space);
  ASSERT_FALSE(w.Panel1->isHidden());
  // Back to the first picture: its own fit rectangle, not the second's.
  QTest::keyClick(&w, Qt::Key_Left);
  s.ToNextPause();
  ASSERT_EQ(w.Show().HistoryPosition(), 0);
  const bool wide = s.History()[0].endsWith(QStringLiteral("wide.jpg"));
  EXPECT_EQ(w.Image2->geometry(),
            wide ? FitRect(1920, 1080, 600, 100) : FitRect(1920, 1080, 300, 400));
  QTest::keyClick(&w, Qt::Key_Right);
  s.ToNextPause();
  EXPECT_EQ(w.Image2->geometry(),
            wide ? FitRect(1920, 1080, 300, 400) : FitRect(1920, 1080, 600, 100));

  // The show resumes: the renaming panel goes with the others.
  w.Panel3->show();
  w.SpeedButton2->click();
  ASSERT_FALSE(w.Panel_renommage->isHidden());
  QTest::keyClick(&w, Qt::Key_Space);
  EXPECT_TRUE(w.Panel1->isHidden());
  EXPECT_TRUE(w.Panel3->isHidden());
  EXPECT_TRUE(w.Panel_renommage->isHidden());
}
