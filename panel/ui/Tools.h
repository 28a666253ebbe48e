#pragma once

#include <QList>
#include <QPair>

#include "panel/ViewerCommand.h"
#include "panel/ui/TdiapoControls.h"

class QObject;

namespace ld {

// The viewer's call for a click on sender: the picture's directory (or the
// picture), album A or album B, or the slide show of the picture's directory.
ViewerCall ViewerCallFor(const TdiapoControls& c, const QObject* sender, const QString& currentPath,
                         int lastKey);

// The renaming panel shown or hidden; shown, it comes on top with an empty
// list.
void ToggleRenamingPanel(TdiapoControls& c);
// The captions that show the century put in front of two-digit years.
void ShowRenamingCentury(TdiapoControls& c);
// One renaming pass over dir's sub-directories, its lines added to ListBox1
// (replacing the list's lines when applied). The count, and each directory
// renamed as (old, new) full paths.
quint16 RenameByDateIntoList(TdiapoControls& c, const QString& dir, bool apply,
                             QList<QPair<QString, QString>>* renamed);
// The directory list's entries that were renamed, or lie inside a directory
// that was, keep their place and tick under the new name. True when an entry
// changed.
bool FollowRenamedDirectories(CheckListBox* list, const QList<QPair<QString, QString>>& renamed);

}  // namespace ld
