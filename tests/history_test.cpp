#include "show/History.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QStringList>

#include "platform/PathBytes.h"
#include "show/Captions.h"

using namespace ld;

namespace {
// Applies PlaceInHistory to a list, as the window does with its list box.
int Add(QStringList& list, const QString& path, int limit, int& slot) {
  const HistoryPlace p = PlaceInHistory(static_cast<int>(list.size()), limit, slot);
  if (p.append)
    list.append(path);
  else
    list[p.index] = path;
  return p.index;
}
}  // namespace

TEST(History, FullListOverwritesCyclicallyFromSlotZeroInEachRun) {
  QStringList list;
  int slot = -1;
  const int limit = 4;
  EXPECT_EQ(Add(list, "a", limit, slot), 0);
  EXPECT_EQ(Add(list, "b", limit, slot), 1);
  EXPECT_EQ(Add(list, "c", limit, slot), 2);
  EXPECT_EQ(Add(list, "d", limit, slot), 3);
  EXPECT_EQ(slot, 3);
  EXPECT_EQ(Add(list, "e", limit, slot), 0);  // wraps after the last slot
  EXPECT_EQ(Add(list, "f", limit, slot), 1);
  EXPECT_EQ(list, (QStringList{"e", "f", "c", "d"}));
  slot = -1;  // a new run
  EXPECT_EQ(Add(list, "g", limit, slot), 0);
  EXPECT_EQ(list, (QStringList{"g", "f", "c", "d"}));
  EXPECT_EQ(list.size(), limit);
}

TEST(History, RealLimitHoldsAtMost32766) {
  QStringList list;
  int slot = -1;
  int pos = -1;
  for (int i = 0; i < kHistoryListLimit + 3; ++i)
    pos = Add(list, QString::number(i), kHistoryListLimit, slot);
  EXPECT_EQ(list.size(), kHistoryListLimit);
  EXPECT_EQ(pos, 2);
  EXPECT_EQ(list[0], QString::number(kHistoryListLimit));
  EXPECT_EQ(list[2], QString::number(kHistoryListLimit + 2));
  EXPECT_EQ(list[3], QStringLiteral("3"));
}

TEST(History, TheShowsListTellsItsViewOfEveryWriteAndOverwrite) {
  HistoryList h(3);
  QAbstractItemModelTester tester(&h, QAbstractItemModelTester::FailureReportingMode::Fatal);
  QSignalSpy inserted(&h, &QAbstractItemModel::rowsInserted);
  QSignalSpy changed(&h, &QAbstractItemModel::dataChanged);
  for (const char* p : {"a", "b", "c"}) h.Write(QString::fromLatin1(p));
  EXPECT_EQ(inserted.size(), 3);
  EXPECT_TRUE(changed.isEmpty());
  // Full: the writes overwrite in turn, and the view hears of each row.
  EXPECT_EQ(h.Write("d"), 0);
  EXPECT_EQ(h.Write("e"), 1);
  ASSERT_EQ(changed.size(), 2);
  EXPECT_EQ(changed[1][0].value<QModelIndex>().row(), 1);
  EXPECT_EQ(h.data(h.index(1)).toString(), QStringLiteral("e"));
  h.StartRun();
  EXPECT_EQ(h.Write("f"), 0);  // each run overwrites from slot 0 again
  EXPECT_EQ(h.Entries(), (QStringList{"f", "e", "c"}));
  EXPECT_EQ(inserted.size(), 3);
  // The history file's lines replace the whole list.
  QSignalSpy reset(&h, &QAbstractItemModel::modelReset);
  h.Reset({"x", "y"});
  EXPECT_EQ(reset.size(), 1);
  EXPECT_EQ(h.rowCount(), 2);
  // The show's own list holds 32766 entries.
  HistoryList full;
  for (int i = 0; i < kHistoryListLimit + 2; ++i) full.Write(QString::number(i));
  EXPECT_EQ(full.Count(), kHistoryListLimit);
  EXPECT_EQ(full.At(1), QString::number(kHistoryListLimit + 1));
}

TEST(History, BrowsingStaysWithinTheListAtBothEnds) {
  BrowseMove m = BrowseHistory(keys::kLeft, 0, 3);
  EXPECT_EQ(m.position, 0);
  EXPECT_EQ(m.last_key, keys::kHistoryStep);
  EXPECT_TRUE(m.newerEntries);
  m = BrowseHistory(keys::kRight, 2, 3);
  EXPECT_EQ(m.position, 2);
  EXPECT_EQ(m.last_key, keys::kHistoryStep);
  EXPECT_FALSE(m.newerEntries);
  m = BrowseHistory(keys::kRight, 0, 3);
  EXPECT_EQ(m.position, 1);
  EXPECT_TRUE(m.newerEntries);
  // Another key moves nothing and keeps its code.
  m = BrowseHistory(0, 1, 3);
  EXPECT_EQ(m.position, 1);
  EXPECT_EQ(m.last_key, 0);
  // A position left beyond a shorter list is brought back.
  m = BrowseHistory(0, 99, 3);
  EXPECT_EQ(m.position, 2);
}

TEST(Captions, BothModesTurnDotsIntoSpaces) {
  const QString path = "/D/Photos/2005-08-28 avg/img001.jpg";
  EXPECT_EQ(ForwardCaption(0, 57, 2310, path), QString());
  EXPECT_EQ(ForwardCaption(1, 57, 2310, path), "(57/2310)  2005-08-28 avg");
  EXPECT_EQ(ForwardCaption(2, 57, 2310, path), "(57/2310)  2005-08-28 avg \\ img001 jpg");
  EXPECT_EQ(ForwardCaption(2, 0, 1, "/a.b/c.d.jpg"), "(0/1)  a b \\ c d jpg");
  EXPECT_EQ(BrowsingCaption(0, 3, 10, path), " ");
  EXPECT_EQ(BrowsingCaption(1, 3, 10, path), " [3 / 10]  /D/Photos/2005-08-28 avg");
  EXPECT_EQ(BrowsingCaption(2, 3, 10, "/p.q/x.jpg"), " [3]  /p q/x jpg");
  EXPECT_EQ(ReplayCaption("/p.q/x.jpg"), "/p,q/x,jpg");
  // A file directly in the root.
  EXPECT_EQ(ForwardCaption(1, 1, 2, "/x.jpg"), "(1/2)  ");
  // A Latin-1 name read from the disk is shown as the letters it meant.
  const QString latin1 = PathFromBytes(QByteArrayView("/\xe9t\xe9/f\xeate.jpg"));
  EXPECT_EQ(ForwardCaption(2, 1, 2, latin1), QStringLiteral("(1/2)  été \\ fête jpg"));
  EXPECT_EQ(ReplayCaption(latin1), QStringLiteral("/été/fête,jpg"));
}
