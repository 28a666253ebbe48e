#pragma once

#include "panel/ui/TdiapoControls.h"

class QWidget;

namespace ld {

// Creates every panel of the main window and every control on them as
// children of window, at their design places with their design captions,
// hints, colours and fonts, and fills the matching members of c. The panels
// start hidden.
void BuildPanels(QWidget* window, TdiapoControls& c);
// The panels beside the settings panel (advanced settings, screen-saver
// delay, batch renaming); part of BuildPanels.
void BuildSidePanels(QWidget* window, TdiapoControls& c);

}  // namespace ld
