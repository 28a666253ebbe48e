#include "show/PointerSpeed.h"

#include <cstdlib>

namespace ld {

PointerSample SamplePointerSpeed(int& ticks, int& lastX, double& lastTime, int x, double now,
                                 bool panelHidden, int vmax) {
  ++ticks;
  const double dx = std::abs(static_cast<double>(x) - lastX);
  double dt = now - lastTime;
  if (dt == 0) dt = 10000;
  PointerSample s;
  s.speed = dx / dt / 1000000.0;
  s.quit = panelHidden && ticks > 1 && s.speed > vmax;
  lastX = x;
  lastTime = now;
  return s;
}

}  // namespace ld
