#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

namespace ld {

// The path separator of the host ("/" on Linux). Every place that joins or
// splits a path uses it, never a literal.
inline constexpr QChar kSep = u'/';
inline const QString kSepText = QStringLiteral("/");

// dir + separator + name.
QString JoinPath(const QString& dir, const QString& name);

// Everything before the last separator; a file directly in the root keeps its
// separator ("/x.jpg" gives "/"). A text without separator gives "".
QString DirectoryPart(const QString& path);

// Everything after the last separator (the whole text when there is none).
QString FileNamePart(const QString& path);

// Of a directory path: one trailing separator is dropped, then everything
// after the last remaining separator is taken; a text without separator is
// taken whole.
QString LastPathComponent(const QString& dirPath);

// The extension of the path's file name, from its last "." on, in lower case;
// empty when the name has no ".".
QString LowerExtension(const QString& path);

// True when the text holds a carriage return or a line feed: such a name
// cannot be one line of the program's line-based files.
bool HasLineBreak(const QString& text);

bool IsExistingDirectory(const QString& path);
bool IsExistingFile(const QString& path);

// The size and modification time of what a path names (links followed),
// found by its bytes and by stat() alone, so a special file never blocks
// it; nothing when there is nothing by that name.
struct FileStamp {
  qint64 size = -1;
  QDateTime modified;
  bool operator==(const FileStamp&) const = default;
};
std::optional<FileStamp> StatFile(const QString& path);

}  // namespace ld
