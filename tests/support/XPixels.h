#pragma once

// Looking at what an X server shows, for the tests that run the real program.
// Xlib defines macros (Status, Bool, None, ...) that clash with Qt: include
// this header after every Qt header.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace ld::testing {

// The colour at (x, y) of the root window, as 0xRRGGBB.
inline unsigned long PixelAt(Display* d, int x, int y) {
  XImage* img = XGetImage(d, DefaultRootWindow(d), x, y, 1, 1, AllPlanes, ZPixmap);
  if (!img) return 0x123456;
  const unsigned long px = XGetPixel(img, 0, 0) & 0xffffff;
  XDestroyImage(img);
  return px;
}

inline bool IsRed(unsigned long px) {
  return ((px >> 16) & 0xff) > 180 && ((px >> 8) & 0xff) < 70 && (px & 0xff) < 70;
}

}  // namespace ld::testing
