#pragma once

namespace ld {

// The horizontal mouse speed, sampled by the 200 ms timer: pixels moved
// since the previous sample, divided by the time elapsed in days, divided by
// 1 000 000 (one unit is about 11.574 pixels per second). Vertical movement
// is never measured.
struct PointerSample {
  double speed = 0;
  bool quit = false;  // the panel is hidden, not the first event, speed > vmax
};

// One timer event at pointer x and time now (days since the date origin).
// Counts the event in ticks and moves lastX and lastTime on to this sample.
PointerSample SamplePointerSpeed(int& ticks, int& lastX, double& lastTime, int x, double now,
                                 bool panelHidden, int vmax);

}  // namespace ld
