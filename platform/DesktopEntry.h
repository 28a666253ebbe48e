#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// Desktop entries (the ".desktop" files of the freedesktop.org menu): finding
// one by its id in the XDG data directories and reading its command line.

namespace ld {

// Splits the value of an Exec key into the program and its arguments: the
// string escapes of the file (\s, \n, \t, \r, \\) are undone, then blanks
// separate arguments, and double quotes group one, inside which \" \` \$ and
// \\ stand for the character itself. Field codes (%f, %U...) are kept as they
// are. Nothing for an empty command or an unterminated quote.
std::optional<QStringList> SplitExec(const QString& exec);

// The command line of an entry for one file: every field code of the
// arguments is replaced. %f %F %u %U become target (a local path, which
// the desktop entry rules allow for URLs too), %% a single "%"; the other
// codes (%i %c %k and the deprecated ones) are dropped. When no argument
// held a file field code, target is added at the end, so the program is
// given the file all the same. tokens[0] is the program and is kept.
QStringList ExpandExec(const QStringList& tokens, const QString& target);

// The path of the desktop entry with this id (such as "org.gnome.eog.desktop"),
// looked up in $XDG_DATA_HOME/applications, then in each of $XDG_DATA_DIRS
// (default /usr/local/share:/usr/share) + /applications; a "-" of the id
// may stand for a subdirectory ("kde4-gwenview.desktop" in kde4/). Nothing
// when no such readable file exists.
std::optional<QString> FindDesktopEntry(const QString& id);

// The split Exec key of the [Desktop Entry] group of the file at path.
// Nothing when the file cannot be read, has no Exec or is marked Hidden.
std::optional<QStringList> ReadDesktopExec(const QString& path);

}  // namespace ld
