#pragma once

#include <QCollator>
#include <QStringList>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ld {

// The order in which a French-speaking user's file manager shows the names of
// a directory: letter case ignored, accented letters beside their base letter,
// runs of digits compared as numbers (IMG_2 before IMG_10). It is the order of
// QCollator for French with numeric mode and without regard to case; names
// that it finds equal ("a.jpg" and "A.jpg", "IMG_2" and "IMG_02") follow in
// the order of their UTF-8 bytes, so the order is total.
//
// The collator costs microseconds per name, so names made only of ASCII and
// of the Latin letters that are an ASCII letter with one accent get a key of
// their own built from a table that the collator itself fills in at first
// use; a directory with any other name is sorted by the collator's keys. A
// check at first use compares both ways on sample names and keeps the
// collator alone if they ever disagree.
class NameOrder {
 public:
  // The one instance (built at first use; use it from one thread at a time).
  static const NameOrder& Instance();

  // The positions 0..n-1 of names (UTF-8 bytes) in their display order.
  void Sort(const std::vector<std::string_view>& names, std::vector<std::uint32_t>& order) const;

  // The names in their display order.
  QStringList Sorted(const QStringList& names) const;

  // False when the table was not trusted and every sort uses the collator.
  bool TableInUse() const { return tableInUse_; }

 private:
  NameOrder();
  void BuildTable();
  // Appends the table key of a name; false when a character is not covered.
  bool TableKey(std::string_view name, std::string& key) const;
  void SortByCollator(const std::vector<std::string_view>& names,
                      std::vector<std::uint32_t>& order) const;

  QCollator collator_;
  static constexpr int kTableSize = 0x180;
  std::uint8_t primary_[kTableSize] = {};    // 0: not covered by the table
  std::uint8_t secondary_[kTableSize] = {};  // 0: no accent
  std::uint8_t digitRank_ = 0;
  bool tableInUse_ = false;
};

}  // namespace ld
