#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The current-directory list: line 1 a directory, each further line a file
// name in it; the pictures to show, in order, before any chosen from the
// catalogue. Each new picture takes the first name and shortens the list.

namespace ld {

// The picture that the list gives next (directory + "/" + first name), or
// nullopt when it holds fewer than two lines. The list is left as it is.
std::optional<QString> PeekCurrentDirectoryList(const QStringList& lines);

// As PeekCurrentDirectoryList, and the first name leaves the list.
std::optional<QString> TakeFromCurrentDirectoryList(QStringList& lines);

// The step on the file at path: no file gives nullopt; fewer than two lines
// delete the file and give nullopt; otherwise the file is written back
// without the name taken. `lines` receives what the file held after the step
// (empty when there is no file).
std::optional<QString> TakeFromCurrentDirectoryListFile(const QString& path, QStringList& lines);

}  // namespace ld
