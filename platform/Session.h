#pragma once

// What the desktop session allows the program to do with its windows.

namespace ld {

// True when the program's windows are on a Wayland compositor (Qt's wayland
// platform): there a program cannot move the pointer nor place its own
// top-level windows, and those requests are left out instead of failing.
// Valid once the application exists.
bool IsWaylandSession();

// Makes the application that is about to be built use the X11 platform
// (drawing into another program's X window needs it), whatever the session.
// Call before the application is built.
void UseX11Platform();

}  // namespace ld
