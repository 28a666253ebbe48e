#pragma once

#include <QAbstractListModel>
#include <QStringList>

#include "show/KeyCodes.h"

namespace ld {

// The history of shown pictures: every forward step appends its path until
// the list holds `limit` entries (32766); after that the oldest slots are
// overwritten in turn, starting again at slot 0 in each run of the show.
struct HistoryPlace {
  bool append = false;  // true: append; false: replace the entry at index
  int index = 0;        // where the path goes; the new history position
};

// Where the next path goes in a list of `count` entries. `slot` is the last
// slot overwritten (-1 at the start of every run) and is updated.
HistoryPlace PlaceInHistory(int count, int limit, int& slot);

// The most entries the history list holds while the program runs.
inline constexpr int kHistoryListLimit = 32766;
// The most recent entries that the history file keeps.
inline constexpr int kHistoryFileLimit = 300;

// One browsing step's move in a history of `count` entries (count >= 1):
// Left goes one back, Right one forward (last_key becomes the history-step
// marker keys::kHistoryStep), then
// the position is kept within the list.
struct BrowseMove {
  int position = 0;
  int last_key = 0;
  // The ">" button is bold while newer entries exist.
  bool newerEntries = false;
};
BrowseMove BrowseHistory(int last_key, int position, int count);

// The history list itself, owned by the show: its forward steps write into
// it, browsing and the replay read it, and a view shows it as it is (one
// read-only row a path), so that nothing keeps a second copy that could
// disagree with it.
class HistoryList : public QAbstractListModel {
  Q_OBJECT
 public:
  explicit HistoryList(int limit = kHistoryListLimit, QObject* parent = nullptr);

  int Count() const { return static_cast<int>(entries_.size()); }
  const QString& At(int i) const { return entries_[i]; }
  const QStringList& Entries() const { return entries_; }
  // A new run: once the list is full, its writes overwrite from slot 0.
  void StartRun() { slot_ = -1; }
  // A forward step's path goes where PlaceInHistory puts it; returns its
  // index.
  int Write(const QString& path);
  // The list becomes `lines` (the history file's, as loaded).
  void Reset(const QStringList& lines);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

 private:
  QStringList entries_;
  int limit_;
  int slot_ = -1;  // the last slot overwritten in this run
};

}  // namespace ld
