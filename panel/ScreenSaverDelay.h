#pragma once

#include <QString>

namespace ld {

// The largest screen-saver delay the X server can hold, in seconds: it keeps
// the delay in a signed 16-bit field.
inline constexpr int kMaxScreenSaverDelay = 32767;

// The delay typed in the screen-saver panel, in seconds. Throws an Error for
// a text that is not a whole number, and for a delay below 0 or above
// kMaxScreenSaverDelay (which the server would cut to another delay without
// a word).
int ScreenSaverDelayOrThrow(const QString& text);

}  // namespace ld
