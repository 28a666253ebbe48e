#include "show/CurrentPictureList.h"

#include "platform/DataDir.h"
#include "platform/TextFile.h"
#include "show/CurrentDirectoryList.h"

namespace ld {

namespace {
// Looked up at each use: the data directory is the one of the moment.
QString ListPath() { return DataFile(QString::fromLatin1(files::kCurrentDirectoryList)); }
}  // namespace

void CurrentPictureList::KeepInMemory(bool inMemory) { in_memory_ = inMemory; }

std::optional<QString> CurrentPictureList::Take() {
  if (in_memory_) {
    if (!memory_) memory_ = ReadPathLines(ListPath()).value_or(QStringList());
    return TakeFromCurrentDirectoryList(*memory_);
  }
  QStringList left;
  return TakeFromCurrentDirectoryListFile(ListPath(), left);
}

std::optional<QString> CurrentPictureList::Peek() const {
  if (in_memory_ && memory_) return PeekCurrentDirectoryList(*memory_);
  if (const auto lines = ReadPathLines(ListPath())) return PeekCurrentDirectoryList(*lines);
  return std::nullopt;
}

}  // namespace ld
