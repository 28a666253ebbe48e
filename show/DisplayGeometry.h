#pragma once

#include <QRect>
#include <QSize>

namespace ld {

// Where the picture control goes on the screen for each phase of the
// display. Integer arithmetic, divisions truncated toward zero, on the screen
// size sw x sh and the picture's own width and height w x h (after
// orientation, whatever size it was decoded at). Products are taken in 64
// bits so a huge picture or zoom factor cannot overflow them.

// The whole picture, centred, with black bands.
QRect FitRect(int sw, int sh, int w, int h);
// The screen filled, parts cut off; the vertical offset is scaled by
// (100 - haut) percent: 100 keeps the top edge at the top, 0 centres.
QRect FillRect(int sw, int sh, int w, int h, int haut);

// The widest zoom frame: sw x zoom_max10 div 10 (never reached itself).
int ZoomMaxWidth(int sw, int zoom_max10);
// The number of zoom steps; a value below 1 counts as 1.
int ZoomSteps(int inc_dx);
// The zoom frame after step i: w0 + (wmax - w0) / steps x i, taken to the
// nearest integer with halves going to the even one.
int ZoomFrameWidth(int w0, int wmax, int inc_dx, int i);
// The rectangle of a zoom frame of width fw: height (fw x h + 1) div w,
// centred horizontally, vertical offset as FillRect.
QRect ZoomFrameRect(int sw, int sh, int w, int h, int fw, int haut);

// The nearest integer, halves to the even integer (2.5 -> 2, 3.5 -> 4).
long long RoundHalfEven(double x);

// A pause of ms milliseconds waits (ms div 100) x 100 ms; less than 100,
// and any negative duration, gives none.
int PauseMs(int ms);

// The six effects of Rdg1: which phases run and the pause after each.
struct EffectDurations {
  int dt0_a = 0, dt1_a = 0, dt2_a = 0, dt2_b = 0, dt3_a = 0, dt3_b = 0, dt4_a = 0, dt4_b = 0,
      dt5_a = 0, dt5_b = 0;
};
struct EffectPlan {
  bool fit = false;   // phase A
  bool fill = false;  // phase B
  bool zoom = false;
  int pauseAfterFit = 0;  // durations in ms, before PauseMs
  int pauseAfterFill = 0;
  int pauseAfterZoom = 0;
};
// Effect k (0..5); any other value shows nothing.
EffectPlan PlanForEffect(int k, const EffectDurations& d);

// The largest size at which the effect k shows a picture of its own size
// w x h on the screen: the fitted or filled rectangle, or the widest zoom
// frame; never more than the picture itself. Decoding at this size loses
// nothing that the screen can show.
QSize WantedPictureSize(int sw, int sh, int w, int h, int k, int zoom_max10);

}  // namespace ld
