#pragma once

#include <QSize>

#include "panel/ui/TdiapoControls.h"

namespace ld {

// The settings panel's compact form (its top row alone) centred along the
// bottom of a screen of size screen; the full form instead when
// CheckBox_grand_menu asks for it always.
void LayOutCompact(TdiapoControls& c, QSize screen);
// The settings panel's full form, with the advanced and screen-saver panels
// above it and the history list; on a fitted screen, panels that would stick
// out are scaled down.
void LayOutFull(TdiapoControls& c, QSize screen);
// True when the options button offers the full form (the compact one is
// shown or floating).
bool CompactFormChosen(const TdiapoControls& c);
// The reset button's highlight, which says that the catalogue needs a
// rebuild: on (white on red) or off (red on the button face).
void SetRebuildMark(ClickPanel* reset, bool on);
// The advanced-settings and screen-saver panels shown or hidden together;
// the history list shown with them when CheckBox_voir_liste_300 is ticked.
void ToggleAdvancedPanels(TdiapoControls& c);
// The year label follows CheckBox_af_an; unticked, its text is blanked.
void ShowYearLabel(TdiapoControls& c);

}  // namespace ld
