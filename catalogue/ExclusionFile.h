#pragma once

#include <QString>
#include <QStringList>

namespace ld {

class IDialogs;

// A range line of a block ("IMG1.JPG...IMG9.JPG"), kept as its parts instead
// of its items: the items are head + k + extension for every k from first to
// last (k written in decimal without leading zeros), head being the block's
// directory, the separator and the prefix.
struct ExclusionRange {
  QString head;
  QString extension;
  int first = 0;
  int last = -1;
  // How many plain picture items come before it in the file.
  qsizetype position = 0;
};

// The two lists that the exclusion file gives: whole directories, and single
// pictures (directory + separator + file name), the numbered ranges kept
// apart. The scan leaves out every picture whose full path contains one of
// their items.
struct ExclusionLists {
  QStringList directories;
  QStringList pictures;  // block lines without "..."
  QList<ExclusionRange> ranges;
};

// The picture items in the order of the file, ranges written out.
QStringList PictureItems(const ExclusionLists& lists);

// One range line stands for at most this many items.
inline constexpr int kMaxRangeItems = 100000;

// An exclusion file larger than this is refused: no real list comes near it,
// and reading it must not exhaust memory.
inline constexpr qint64 kMaxExclusionFileBytes = 4 << 20;
// Nor may its items (each block line repeats its block's directory) take
// more characters than this in all.
inline constexpr qsizetype kMaxExclusionItemChars = 16 << 20;

// Turns the lines of an exclusion file into the two lists. Each line is
// repaired with RepairUtf8Text first. Outside a block: an empty line or one
// starting with "'" is a comment; "**dir" adds dir to the directories; "+*D"
// opens a block of picture lines for directory D, ended by a line that is
// exactly "-". A block still open at the end of the file drops its last line.
// Conversion messages of too-long numbers go to dialogs. Throws ld::Error
// when the items would take more than kMaxExclusionItemChars characters.
ExclusionLists ParseExclusionLines(const QStringList& lines, IDialogs& dialogs);

// The lists of the exclusion file at path: empty when enabled is false or the
// file does not exist. A CR, an LF or the pair ends a line; 0x1A ends the file.
// A file that exists but cannot be read (no access, a directory or another
// kind of entry than a file, a read error, too large) throws ld::Error with a
// French message naming it: the catalogue must not be built without the
// exclusions the user asked for.
ExclusionLists ReadExclusionFile(const QString& path, bool enabled, IDialogs& dialogs);

// The comment lines that a new exclusion file starts with: they explain the
// format to the user who opens it in an editor.
QStringList ExclusionFileStarterLines();

// Creates the file with the starter lines when it does not exist yet (never
// touches an existing one). Throws ld::Error when it cannot be written.
void CreateExclusionFileIfMissing(const QString& path);

}  // namespace ld
