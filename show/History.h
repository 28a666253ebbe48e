#pragma once

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

inline constexpr int kHistoryListLimit = 32766;
// The history-step marker that replaces the key code after a Left or Right.
inline constexpr int kHistoryStepKey = -10;
inline constexpr int kKeyLeft = 37;
inline constexpr int kKeyRight = 39;

// One browsing step's move in a history of `count` entries (count >= 1):
// Left goes one back, Right one forward (last_key becomes the marker), then
// the position is kept within the list.
struct BrowseMove {
  int position = 0;
  int last_key = 0;
  // The ">" button is bold while newer entries exist.
  bool newerEntries = false;
};
BrowseMove BrowseHistory(int last_key, int position, int count);

}  // namespace ld
