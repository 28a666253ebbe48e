#pragma once

#include "panel/PanelPrompts.h"
#include "panel/ui/Controls.h"

namespace ld {

// Asks for a picture directory and, once confirmed, adds it ticked at the end
// of list. The chooser opens beside the list's last directory (in its
// parent), where a new one is most often found; with an empty list, in the
// home directory. A directory already in the list (compared exactly) only
// beeps; one whose name holds a line break, which the one-per-line list file
// could not keep, is refused with a notice.
void AddDirectory(CheckListBox* list, PanelPrompts& prompts);
// Asks, then removes the selected line of list.
enum class Removal { NothingSelected, Kept, Removed };
Removal RemoveSelectedDirectory(CheckListBox* list, PanelPrompts& prompts);
// The selected line of list, written in label (nothing when none is).
void ShowSelectedDirectory(const CheckListBox* list, QLabel* label);

}  // namespace ld
