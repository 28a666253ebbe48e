#pragma once

#include <QString>
#include <cstdint>
#include <utility>
#include <vector>

#include "catalogue/ExclusionFile.h"

namespace ld {

// Finds whether any item of the exclusion lists occurs in a path, as the
// scan's rule asks (case-sensitive substring), in one pass over the path
// whatever the number of items: the plain items and the heads of the ranges
// (directory, separator, prefix) are the words of one Aho-Corasick
// automaton; where a head ends, the number written after it is read and
// looked up in the range's intervals, and the extension compared, instead of
// comparing every item of the range.
//
// For the scan, a directory is read once and each name in it continues from
// there, so a picture costs the length of its name.
class ExclusionMatcher {
 public:
  explicit ExclusionMatcher(const ExclusionLists& lists);

  bool IsEmpty() const { return nodes_.size() <= 1; }

  // True when an item occurs in text.
  bool Matches(const QString& text) const;

  // Where the automaton stands after a directory's path, and whether an
  // item already occurs in it (then every picture of it is left out).
  struct DirectoryState {
    int node = 0;
    bool excluded = false;
  };
  DirectoryState ForDirectory(const QString& directory) const;
  // True when an item occurs in directory + "/" + name.
  bool MatchesName(const DirectoryState& directory, const QString& name) const;
  // The same with "/" + name given (the scan decodes names into one buffer).
  bool MatchesTail(const DirectoryState& directory, QStringView slashAndName) const;

 private:
  struct Node {
    char16_t ch = 0;
    bool plain = false;  // a plain item ends here
    int head = -1;       // a range head ends here: its group
    int firstChild = -1;
    int nextSibling = -1;
    int fail = 0;
    int output = -1;  // nearest node on the fail chain (itself included) where a word ends
  };
  struct Intervals {
    QString extension;
    std::vector<std::pair<int, int>> spans;  // sorted, merged
    bool Contains(long long k) const;
  };
  struct HeadGroup {
    std::vector<Intervals> byExtension;
  };

  int Insert(const QString& word);
  int Child(int node, char16_t c) const;
  void Link();
  // Runs text from node; true when a word ends in it and holds there.
  bool Run(int& node, const QChar* text, qsizetype size) const;
  bool RangeHit(const HeadGroup& group, const QChar* text, qsizetype size, qsizetype end) const;

  std::vector<Node> nodes_;
  std::vector<HeadGroup> heads_;
};

}  // namespace ld
