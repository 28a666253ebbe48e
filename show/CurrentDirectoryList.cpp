#include "show/CurrentDirectoryList.h"

#include "platform/Paths.h"
#include "platform/TextFile.h"

namespace ld {

std::optional<QString> PeekCurrentDirectoryList(const QStringList& lines) {
  if (lines.size() < 2) return std::nullopt;
  return JoinPath(lines[0], lines[1]);
}

std::optional<QString> TakeFromCurrentDirectoryList(QStringList& lines) {
  auto picture = PeekCurrentDirectoryList(lines);
  if (picture) lines.removeAt(1);
  return picture;
}

std::optional<QString> TakeFromCurrentDirectoryListFile(const QString& path, QStringList& lines) {
  auto read = ReadPathLines(path);
  lines = read.value_or(QStringList());
  if (!read) return std::nullopt;
  auto picture = TakeFromCurrentDirectoryList(lines);
  if (picture)
    WriteTextLines(path, lines);
  else
    DeleteFileSilently(path);
  return picture;
}

}  // namespace ld
