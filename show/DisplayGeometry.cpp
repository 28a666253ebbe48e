#include "show/DisplayGeometry.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace ld {

namespace {

int ToInt(long long v) { return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX)); }

bool TallerThanScreen(long long sw, long long sh, long long w, long long h) {
  return sw * h > sh * w;
}

int ShiftedTop(int sh, int h, int haut) {
  const long long centred = (static_cast<long long>(sh) - h) / 2;
  return ToInt(centred * (100 - static_cast<long long>(haut)) / 100);
}

}  // namespace

QRect FitRect(int sw, int sh, int w, int h) {
  if (w <= 0 || h <= 0) return QRect();
  long long fw, fh;
  if (TallerThanScreen(sw, sh, w, h)) {
    fh = sh;
    fw = static_cast<long long>(sh) * w / h;
  } else {
    fw = sw;
    fh = static_cast<long long>(sw) * h / w;
  }
  return QRect(ToInt((sw - fw) / 2), ToInt((sh - fh) / 2), ToInt(fw), ToInt(fh));
}

QRect FillRect(int sw, int sh, int w, int h, int haut) {
  if (w <= 0 || h <= 0) return QRect();
  long long fw, fh;
  if (TallerThanScreen(sw, sh, w, h)) {
    fw = sw;
    fh = static_cast<long long>(sw) * h / w;
  } else {
    fh = sh;
    fw = static_cast<long long>(sh) * w / h;
  }
  return QRect(ToInt((sw - fw) / 2), ShiftedTop(sh, ToInt(fh), haut), ToInt(fw), ToInt(fh));
}

int ZoomMaxWidth(int sw, int zoom_max10) {
  return ToInt(static_cast<long long>(sw) * zoom_max10 / 10);
}

int ZoomSteps(int inc_dx) { return std::max(inc_dx, 1); }

long long RoundHalfEven(double x) {
  const double f = std::floor(x);
  const double diff = x - f;
  long long r = static_cast<long long>(f);
  if (diff > 0.5) return r + 1;
  if (diff < 0.5) return r;
  return (r % 2 == 0) ? r : r + 1;
}

int ZoomFrameWidth(int w0, int wmax, int inc_dx, int i) {
  const double step = (static_cast<double>(wmax) - w0) / ZoomSteps(inc_dx);
  return ToInt(w0 + RoundHalfEven(step * i));
}

QRect ZoomFrameRect(int sw, int sh, int w, int h, int fw, int haut) {
  if (w <= 0 || h <= 0) return QRect();
  const int fh = ToInt((static_cast<long long>(fw) * h + 1) / w);
  return QRect(ToInt((static_cast<long long>(sw) - fw) / 2), ShiftedTop(sh, fh, haut), fw, fh);
}

int PauseMs(int ms) { return ms < 100 ? 0 : ms / 100 * 100; }

EffectPlan PlanForEffect(int k, const EffectDurations& d) {
  EffectPlan p;
  switch (k) {
    case 0:
      p.fit = true;
      p.pauseAfterFit = d.dt0_a;
      break;
    case 1:
      p.fill = true;
      p.pauseAfterFill = d.dt1_a;
      break;
    case 2:
      p.fit = p.fill = true;
      p.pauseAfterFit = d.dt2_a;
      p.pauseAfterFill = d.dt2_b;
      break;
    case 3:
      p.fit = p.zoom = true;
      p.pauseAfterFit = d.dt3_a;
      p.pauseAfterZoom = d.dt3_b;
      break;
    case 4:
      p.fit = p.zoom = true;
      p.pauseAfterFit = d.dt4_a;
      p.pauseAfterZoom = d.dt4_b;
      break;
    case 5:
      p.fill = p.zoom = true;
      p.pauseAfterFill = d.dt5_a;
      p.pauseAfterZoom = d.dt5_b;
      break;
    default:
      break;
  }
  return p;
}

QSize WantedPictureSize(int sw, int sh, int w, int h, int k, int zoom_max10) {
  if (w <= 0 || h <= 0) return QSize();
  const EffectPlan p = PlanForEffect(k, EffectDurations{});
  long long ww = 0, wh = 0;
  auto take = [&](const QRect& r) {
    ww = std::max<long long>(ww, r.width());
    wh = std::max<long long>(wh, r.height());
  };
  if (p.fit) take(FitRect(sw, sh, w, h));
  if (p.fill) take(FillRect(sw, sh, w, h, 0));
  if (p.zoom) {
    const int wmax = ZoomMaxWidth(sw, zoom_max10);
    if (wmax > 0) take(ZoomFrameRect(sw, sh, w, h, wmax, 0));
  }
  if (ww == 0) take(FitRect(sw, sh, w, h));  // an unknown effect: the picture is still held
  return QSize(ToInt(std::min<long long>(ww, w)), ToInt(std::min<long long>(wh, h)));
}

}  // namespace ld
