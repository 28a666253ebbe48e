#pragma once

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

}  // namespace ld
