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

}  // namespace ld
