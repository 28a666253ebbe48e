#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace ld {

// The current-directory list of the data directory as the show takes its
// pictures from it (see CurrentDirectoryList.h): each forward step takes the
// picture it names, which shortens the list on disk. Kept in memory, the
// file is read once and only that copy is shortened (drawn into another
// program's window, nothing is written).
class CurrentPictureList {
 public:
  void KeepInMemory(bool inMemory);
  // The picture the list names next, which leaves the list; nullopt when it
  // names none.
  std::optional<QString> Take();
  // The picture Take would give now; the list is left as it is.
  std::optional<QString> Peek() const;

 private:
  bool in_memory_ = false;
  std::optional<QStringList> memory_;  // read at the first use
};

}  // namespace ld
