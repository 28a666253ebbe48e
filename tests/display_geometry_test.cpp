#include <gtest/gtest.h>

#include <QWidget>
#include <algorithm>
#include <cmath>
#include <vector>

#include "show/DisplayGeometry.h"
#include "show/ui/PictureView.h"

using namespace ld;

TEST(DisplayGeometry, FitAndFillOnTheScreenExamples) {
  EXPECT_EQ(FitRect(1920, 1080, 4000, 3000), QRect(240, 0, 1440, 1080));
  EXPECT_EQ(FitRect(1920, 1080, 3000, 4000), QRect(555, 0, 810, 1080));
  // A panorama: full width, centred vertically.
  EXPECT_EQ(FitRect(1920, 1080, 4000, 1000), QRect(0, 300, 1920, 480));
  EXPECT_EQ(FillRect(1920, 1080, 4000, 3000, 100), QRect(0, 0, 1920, 1440));
  EXPECT_EQ(FillRect(1920, 1080, 4000, 3000, 0), QRect(0, -180, 1920, 1440));
  EXPECT_EQ(FillRect(1920, 1080, 4000, 3000, 40), QRect(0, -108, 1920, 1440));
  // Portrait filled: full width, top cut by _haut.
  EXPECT_EQ(FillRect(1920, 1080, 3000, 4000, 0), QRect(0, -740, 1920, 2560));
  // Wider than the screen: full height, cut at the sides.
  EXPECT_EQ(FillRect(1920, 1080, 4000, 1000, 100), QRect(-1200, 0, 4320, 1080));
  // Nothing to lay out.
  EXPECT_TRUE(FitRect(1920, 1080, 0, 0).isNull());
}

TEST(DisplayGeometry, ZoomFramesRoundHalvesToEven) {
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(3.5), 4);
  EXPECT_EQ(RoundHalfEven(-2.5), -2);
  EXPECT_EQ(RoundHalfEven(2.4999), 2);
  EXPECT_EQ(RoundHalfEven(2.5001), 3);
  // d = (11 - 0) / 2 = 5.5: frames 0, 6 (5.5 -> 6), 11.
  EXPECT_EQ(ZoomFrameWidth(0, 11, 2, 1), 6);
  // d = (5 - 0) / 2 = 2.5 -> 2, then 5.
  EXPECT_EQ(ZoomFrameWidth(0, 5, 2, 1), 2);
  EXPECT_EQ(ZoomFrameWidth(0, 5, 2, 2), 5);
  // d = (9 - 0) / 6 = 1.5: 1.5 -> 2, 4.5 -> 4, 7.5 -> 8.
  EXPECT_EQ(ZoomFrameWidth(0, 9, 6, 1), 2);
  EXPECT_EQ(ZoomFrameWidth(0, 9, 6, 3), 4);
  EXPECT_EQ(ZoomFrameWidth(0, 9, 6, 5), 8);
}

TEST(DisplayGeometry, ZoomFromFitToSixteenTenths) {
  const int sw = 1920, sh = 1080, w = 4000, h = 3000;
  const QRect fit = FitRect(sw, sh, w, h);
  const int wmax = ZoomMaxWidth(sw, 16);
  EXPECT_EQ(wmax, 3072);
  // The frames the display draws: w0, then w0 + round(d*i) for i = 0.. while
  // below wmax.
  std::vector<int> frames;
  int fw = fit.width();
  for (int i = 0; fw < wmax; ++i) {
    frames.push_back(fw);
    fw = ZoomFrameWidth(fit.width(), wmax, 250, i);
  }
  ASSERT_EQ(frames.size(), 251u);  // inc_dx + 1 frames
  EXPECT_EQ(frames[0], 1440);
  EXPECT_EQ(frames[1], 1440);
  EXPECT_EQ(frames[2], 1447);  // 6.528 -> 7
  EXPECT_EQ(frames.back(), 1440 + static_cast<int>(RoundHalfEven(1632.0 / 250 * 249)));
  EXPECT_LT(frames.back(), wmax);
  // Frame rectangles: height (w*H+1) div W, centred, offset by _haut.
  EXPECT_EQ(ZoomFrameRect(sw, sh, w, h, 2000, 100), QRect(-40, 0, 2000, 1500));
  EXPECT_EQ(ZoomFrameRect(sw, sh, w, h, 2000, 40), QRect(-40, -126, 2000, 1500));
  EXPECT_EQ(ZoomFrameRect(sw, sh, 3000, 4000, 810, 0), QRect(555, 0, 810, 1080));
  // No zoom when the widest frame is not wider than the fit.
  EXPECT_EQ(ZoomMaxWidth(sw, 10), 1920);
  // inc_dx below 1 counts as 1: one step straight to wmax.
  EXPECT_EQ(ZoomSteps(0), 1);
  EXPECT_EQ(ZoomSteps(-5), 1);
  EXPECT_EQ(ZoomFrameWidth(1440, 3072, 0, 1), 3072);
}

TEST(DisplayGeometry, PausesAndEffects) {
  EXPECT_EQ(PauseMs(99), 0);
  EXPECT_EQ(PauseMs(100), 100);
  EXPECT_EQ(PauseMs(250), 200);
  EXPECT_EQ(PauseMs(-500), 0);
  EffectDurations d;
  d.dt0_a = 1;
  d.dt1_a = 2;
  d.dt2_a = 3;
  d.dt2_b = 4;
  d.dt3_a = 5;
  d.dt3_b = 6;
  d.dt4_a = 7;
  d.dt4_b = 8;
  d.dt5_a = 9;
  d.dt5_b = 10;
  auto p = PlanForEffect(0, d);
  EXPECT_TRUE(p.fit && !p.fill && !p.zoom && p.pauseAfterFit == 1);
  p = PlanForEffect(1, d);
  EXPECT_TRUE(!p.fit && p.fill && !p.zoom && p.pauseAfterFill == 2);
  p = PlanForEffect(2, d);
  EXPECT_TRUE(p.fit && p.fill && !p.zoom && p.pauseAfterFit == 3 && p.pauseAfterFill == 4);
  p = PlanForEffect(3, d);
  EXPECT_TRUE(p.fit && !p.fill && p.zoom && p.pauseAfterFit == 5 && p.pauseAfterZoom == 6);
  p = PlanForEffect(4, d);
  EXPECT_TRUE(p.fit && !p.fill && p.zoom && p.pauseAfterFit == 7 && p.pauseAfterZoom == 8);
  p = PlanForEffect(5, d);
  EXPECT_TRUE(!p.fit && p.fill && p.zoom && p.pauseAfterFill == 9 && p.pauseAfterZoom == 10);
  p = PlanForEffect(-1, d);
  EXPECT_FALSE(p.fit || p.fill || p.zoom);
}

TEST(DisplayGeometry, WantedSizeIsWhatTheEffectShows) {
  // 24 Mpx landscape on 1920 x 1080.
  EXPECT_EQ(WantedPictureSize(1920, 1080, 6000, 4000, 0, 32), QSize(1620, 1080));
  EXPECT_EQ(WantedPictureSize(1920, 1080, 6000, 4000, 1, 32), QSize(1920, 1280));
  EXPECT_EQ(WantedPictureSize(1920, 1080, 4000, 3000, 1, 32), QSize(1920, 1440));
  // The zoom's widest frame, never more than the picture.
  EXPECT_EQ(WantedPictureSize(1920, 1080, 6000, 4000, 3, 16), QSize(3072, 2048));
  EXPECT_EQ(WantedPictureSize(1920, 1080, 6000, 4000, 3, 32), QSize(6000, 4000));
  // A small picture is never asked larger than itself.
  EXPECT_EQ(WantedPictureSize(1920, 1080, 640, 480, 0, 32), QSize(640, 480));
}

// The picture control draws a reduced picture as a smooth scaling makes it
// (each pixel the average of the area it covers), from a half-size copy
// when that still covers the drawn size; sampled nearest-pixel drawing, or
// a half-size copy too small for the drawn size, would be far off.
TEST(DisplayGeometry, PictureDrawnReducedIsAveragedLikeASmoothScaling) {
  QWidget screen;
  screen.resize(1920, 1080);
  PictureView view(&screen);
  // Photo-like: smooth shapes and fine grain.
  QImage picture(4000, 2700, QImage::Format_RGB32);
  quint32 seed = 1;
  for (int y = 0; y < picture.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
    for (int x = 0; x < picture.width(); ++x) {
      const int grain = static_cast<int>((seed = seed * 1664525 + 1013904223) >> 28) - 8;
      const int v = 120 + static_cast<int>(80 * std::sin(x / 37.0) * std::cos(y / 23.0));
      row[x] = qRgb(std::clamp(v + grain, 0, 255), std::clamp(255 - v + grain, 0, 255),
                    std::clamp(x * 255 / 4000 + grain, 0, 255));
    }
  }
  view.SetPicture(picture);
  EXPECT_EQ(view.ReducedCopies(), 1);  // 2000 x 1350 still covers 1600 x 1080; 1000 does not
  auto psnr = [](const QImage& a, const QImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
      for (int x = 0; x < a.width(); ++x) {
        const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
        for (int d : {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q)}) sum += d * d;
      }
    return 10 * std::log10(255.0 * 255.0 * 3 * a.width() * a.height() / std::max(sum, 1e-9));
  };
  // Drawn from the half-size copy at the smallest margin it is used with,
  // from the picture itself where the copy would be too near the drawn size,
  // and from the picture reduced less than twice.
  for (const QSize drawn : {QSize(1111, 750), QSize(1700, 1148), QSize(2900, 1958)}) {
    SCOPED_TRACE(drawn.width());
    const QRect part(101, 57, 640, 400);
    const QImage want =
        picture.scaled(drawn, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).copy(part);
    EXPECT_GT(psnr(view.RenderedPart(drawn, part), want), 48.5);
  }
}
