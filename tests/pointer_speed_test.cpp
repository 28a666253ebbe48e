#include <gtest/gtest.h>

#include "show/PointerSpeed.h"

using namespace ld;

namespace {
constexpr double kMsPerDay = 86400000.0;
}

TEST(PointerSpeed, FastHorizontalMovementQuitsAfterTheFirstEvent) {
  int ticks = 0, lastX = 0;
  double lastTime = 100.0;
  double now = 100.0 + 5000 / kMsPerDay;
  // The first event never quits, wherever the pointer is.
  auto s = SamplePointerSpeed(ticks, lastX, lastTime, 1900, now, true, 100);
  EXPECT_FALSE(s.quit);
  EXPECT_EQ(ticks, 1);
  EXPECT_EQ(lastX, 1900);
  // 240 pixels in 200 ms: 1200 px/s = 103.7 units > 100.
  now += 200 / kMsPerDay;
  s = SamplePointerSpeed(ticks, lastX, lastTime, 1660, now, true, 100);
  EXPECT_NEAR(s.speed, 0.0864 * 1200, 0.01);
  EXPECT_TRUE(s.quit);
  // 220 pixels in 200 ms: 95 units, stays.
  now += 200 / kMsPerDay;
  s = SamplePointerSpeed(ticks, lastX, lastTime, 1880, now, true, 100);
  EXPECT_FALSE(s.quit);
  // A late event: 400 pixels in 800 ms is slow.
  now += 800 / kMsPerDay;
  s = SamplePointerSpeed(ticks, lastX, lastTime, 1480, now, true, 100);
  EXPECT_FALSE(s.quit);
  // With the panel open nothing quits.
  now += 200 / kMsPerDay;
  s = SamplePointerSpeed(ticks, lastX, lastTime, 0, now, false, 100);
  EXPECT_FALSE(s.quit);
  // No time elapsed: dt counts as 10000 days.
  s = SamplePointerSpeed(ticks, lastX, lastTime, 1000, now, true, 100);
  EXPECT_NEAR(s.speed, 1000 / 10000.0 / 1e6, 1e-15);
  EXPECT_FALSE(s.quit);
}
