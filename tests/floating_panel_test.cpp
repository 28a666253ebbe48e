// The settings panel dragged with the mouse by its background and dropped
// as a floating tool window: what is dragged, where it lands, how it
// follows the layouts, the keys and Space, and how it comes back.
#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QTest>

#include "panel/ui/FloatingPanel.h"
#include "support/TestWindow.h"

namespace ld {
namespace {

using testing::TestWindow;

// Presses at `from` in w, moves by `by` and releases there.
void Drag(QWidget* w, QPoint from, QPoint by) {
  QTest::mousePress(w, Qt::LeftButton, {}, from);
  QTest::mouseMove(w, from + by / 2);
  QTest::mouseMove(w, from + by);
  QTest::mouseRelease(w, Qt::LeftButton, {}, from + by);
}

TEST(FloatingPanel, DraggedByItsBackgroundItFloatsFollowsTheLayoutsAndComesBack) {
  TestWindow w;
  w->show();
  w->Panel1->show();
  w->CompactLayout();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w.window.get()));
  const QPoint bare(990, 20);  // right of the top row's last button
  ASSERT_EQ(w->Panel1->childAt(bare), nullptr);

  // A control keeps its click: dragging from a button moves nothing.
  Drag(w->Button_quit, QPoint(10, 10), QPoint(-300, -400));
  EXPECT_EQ(w->Panel1->window(), w.window.get());
  // A short movement is no drag either.
  Drag(w->Panel1, bare, QPoint(2, 1));
  EXPECT_EQ(w->Panel1->window(), w.window.get());
  EXPECT_EQ(w->Panel1->geometry(), QRect(459, 1029, 1001, 39));

  const QPoint before = w->Panel1->mapToGlobal(QPoint(0, 0));
  Drag(w->Panel1, bare, QPoint(-300, -400));
  QWidget* floating = w->Panel1->window();
  ASSERT_NE(floating, w.window.get());
  EXPECT_EQ(floating->windowType(), Qt::Tool);
  EXPECT_TRUE(floating->isVisible());
  EXPECT_EQ(floating->geometry(), QRect(before + QPoint(-300, -400), QSize(1001, 39)));
  EXPECT_EQ(w->Panel1->pos(), QPoint(0, 0));

  // Dropped past the edge, it stays inside the show's window.
  Drag(w->Panel1, bare, QPoint(-2000, 0));
  EXPECT_EQ(floating->geometry().left(), w->mapToGlobal(QPoint(0, 0)).x());

  // Its controls work: the full form resizes the window; the advanced
  // panels keep their place above where the panel is docked.
  QTest::mouseClick(w->Button_avec_sans_option, Qt::LeftButton);
  EXPECT_EQ(floating->size(), QSize(1545, 214));
  EXPECT_TRUE(QRect(w->mapToGlobal(QPoint(0, 0)), w->size()).contains(floating->geometry()));
  EXPECT_EQ(w->Panel3->pos(), QPoint(1195, 307));
  EXPECT_EQ(w->Panel1->pos(), QPoint(0, 0));

  // Its keys reach the show; hiding and showing the panel takes its window.
  QTest::keyClick(w->Edit_rayon_rnd, Qt::Key_A);
  EXPECT_EQ(w->Show().LastKey(), 65);
  EXPECT_TRUE(w->Show().StopRequested());
  w->Panel1->hide();
  EXPECT_FALSE(floating->isVisible());
  w->Panel1->show();
  EXPECT_TRUE(floating->isVisible());

  // Closing the window puts the panel back, in the form it is in.
  floating->close();
  EXPECT_EQ(w->Panel1->parentWidget(), w.window.get());
  EXPECT_FALSE(w->Panel1->isHidden());
  EXPECT_EQ(w->Panel1->geometry(), QRect(187, 854, 1545, 214));
}

}  // namespace
}  // namespace ld
