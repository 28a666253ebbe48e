#pragma once

#include <QString>
#include <optional>

namespace ld {

// `luminodrift --watch [SECONDS]`: no window; watches the desktop's idle time
// and, after the delay, starts the usual full-screen show (this program with
// "/s") as a child, waits for its end and watches again, until SIGTERM ends
// the watcher and its show. The delay is the one given, else the watcher's
// delay file (the panel's "écran de veille" value), else the X server's
// screen-saver delay on an X11 session, else ten minutes. A second watcher of
// the same user refuses to start. Returns the exit code.
int RunWatch(std::optional<int> delaySeconds, const QString& showProgram);

}  // namespace ld
