#pragma once

#include <QString>
#include <QStringList>

namespace ld {

class IDialogs;

// The two lists that the exclusion file gives: whole directories, and single
// pictures (directory + separator + file name). The scan leaves out every
// picture whose full path contains one of their items.
struct ExclusionLists {
  QStringList directories;
  QStringList pictures;
};

// One range line ("IMG1.JPG...IMG9.JPG") yields at most this many items.
inline constexpr int kMaxRangeItems = 100000;

// Turns the lines of an exclusion file into the two lists. Each line is
// repaired with RepairUtf8Text first. Outside a block: an empty line or one
// starting with "'" is a comment; "**dir" adds dir to the directories; "+*D"
// opens a block of picture lines for directory D, ended by a line that is
// exactly "-". A block still open at the end of the file drops its last line.
// Conversion messages of too-long numbers go to dialogs.
ExclusionLists ParseExclusionLines(const QStringList& lines, IDialogs& dialogs);

// The lists of the exclusion file at path: empty when enabled is false or the
// file does not exist. A CR, an LF or the pair ends a line; 0x1A ends the file.
ExclusionLists ReadExclusionFile(const QString& path, bool enabled, IDialogs& dialogs);

// The comment lines that a new exclusion file starts with: they explain the
// format to the user who opens it in an editor.
QStringList ExclusionFileStarterLines();

// Creates the file with the starter lines when it does not exist yet (never
// touches an existing one). Throws ld::Error when it cannot be written.
void CreateExclusionFileIfMissing(const QString& path);

}  // namespace ld
