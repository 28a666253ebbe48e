#include "show/History.h"

#include <algorithm>

namespace ld {

HistoryPlace PlaceInHistory(int count, int limit, int& slot) {
  if (count < limit) {
    slot = count;
    return {true, count};
  }
  ++slot;
  if (slot >= limit || slot < 0) slot = 0;
  return {false, slot};
}

BrowseMove BrowseHistory(int last_key, int position, int count) {
  BrowseMove m;
  m.last_key = last_key;
  m.position = position;
  if (last_key == keys::kLeft) {
    m.position = position - 1;
    m.last_key = keys::kHistoryStep;
  } else if (last_key == keys::kRight) {
    m.position = position + 1;
    m.last_key = keys::kHistoryStep;
  }
  m.position = std::min(std::max(m.position, 0), count - 1);
  m.newerEntries = m.position != count - 1;
  return m;
}

HistoryList::HistoryList(int limit, QObject* parent) : QAbstractListModel(parent), limit_(limit) {}

int HistoryList::Write(const QString& path) {
  const HistoryPlace place = PlaceInHistory(Count(), limit_, slot_);
  if (place.append) {
    beginInsertRows(QModelIndex(), place.index, place.index);
    entries_.append(path);
    endInsertRows();
  } else {
    entries_[place.index] = path;
    const QModelIndex changed = index(place.index);
    emit dataChanged(changed, changed, {Qt::DisplayRole});
  }
  return place.index;
}

void HistoryList::Reset(const QStringList& lines) {
  beginResetModel();
  entries_ = lines;
  endResetModel();
}

int HistoryList::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : Count();
}

QVariant HistoryList::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= Count() || index.column() != 0) return QVariant();
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return QVariant();
  return entries_[index.row()];
}

}  // namespace ld
