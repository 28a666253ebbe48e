#include "x_damage_watch.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xdamage.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <thread>

namespace xbench {

int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

namespace {

// Waits at most ms for the connection to have something to read.
bool WaitReadable(Display* dpy, int ms) {
  if (XPending(dpy) > 0) return true;
  pollfd p{ConnectionNumber(dpy), POLLIN, 0};
  return poll(&p, 1, ms) > 0;
}

}  // namespace

struct DamageWatch::Impl {
  Display* dpy = nullptr;
  int damageEvent = 0;
  Damage damage = 0;
  std::thread thread;
  std::atomic<bool> stop{false};
  mutable std::mutex mutex;
  std::vector<DamageEvent> events;

  void Run() {
    while (!stop) {
      if (!WaitReadable(dpy, 20)) continue;
      while (XPending(dpy) > 0) {
        XEvent ev;
        XNextEvent(dpy, &ev);
        const int64_t now = NowNs();
        if (ev.type != damageEvent + XDamageNotify) continue;
        const auto* d = reinterpret_cast<XDamageNotifyEvent*>(&ev);
        std::lock_guard lock(mutex);
        events.push_back({now, d->area.x, d->area.y, d->area.width, d->area.height, d->more != 0});
      }
    }
  }
};

DamageWatch::~DamageWatch() { Stop(); }

bool DamageWatch::Start(unsigned long window) {
  Stop();
  auto* impl = new Impl;
  impl->dpy = XOpenDisplay(nullptr);
  if (!impl->dpy) {
    error_ = "cannot open the X display";
    delete impl;
    return false;
  }
  int errorBase = 0;
  if (!XDamageQueryExtension(impl->dpy, &impl->damageEvent, &errorBase)) {
    error_ = "the X server has no DAMAGE extension";
    XCloseDisplay(impl->dpy);
    delete impl;
    return false;
  }
  // Raw rectangles: one event per rectangle drawn, nothing to acknowledge.
  impl->damage = XDamageCreate(impl->dpy, window, XDamageReportRawRectangles);
  XSync(impl->dpy, False);
  impl_ = impl;
  impl_->thread = std::thread([impl] { impl->Run(); });
  return true;
}

void DamageWatch::Stop() {
  if (!impl_) return;
  impl_->stop = true;
  impl_->thread.join();
  XDamageDestroy(impl_->dpy, impl_->damage);
  XCloseDisplay(impl_->dpy);
  delete impl_;
  impl_ = nullptr;
}

std::vector<DamageEvent> DamageWatch::Events() const {
  if (!impl_) return {};
  std::lock_guard lock(impl_->mutex);
  return impl_->events;
}

namespace {

// The red, green and blue of an image's first pixel, 0 to 255.
std::array<int, 3> Rgb(XImage* img) {
  const unsigned long p = XGetPixel(img, 0, 0);
  auto channel = [p](unsigned long mask) {
    if (!mask) return 0;
    int shift = 0;
    while (!((mask >> shift) & 1)) ++shift;
    const unsigned long v = (p & mask) >> shift;
    const unsigned long max = mask >> shift;
    return static_cast<int>(v * 255 / max);
  };
  return {channel(img->red_mask), channel(img->green_mask), channel(img->blue_mask)};
}

bool Coloured(XImage* img) {
  const auto [r, g, b] = Rgb(img);
  const int hi = std::max({r, g, b}), lo = std::min({r, g, b});
  return hi - lo > 24;
}

pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
  std::vector<char*> args, envp;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  pid_t pid = 0;
  return posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), envp.data()) == 0 ? pid : 0;
}

// Ends a program started here: SIGTERM, SIGKILL after 2 s.
void End(pid_t pid) {
  kill(pid, SIGTERM);
  int status = 0;
  for (int i = 0; i < 200 && waitpid(pid, &status, WNOHANG) == 0; ++i) usleep(10000);
  if (waitpid(pid, &status, WNOHANG) == 0) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
  }
}

int ColouredPoints(Display* dpy, Window root, const std::vector<ScreenPoint>& points) {
  int n = 0;
  for (const ScreenPoint& pt : points) {
    XImage* img = XGetImage(dpy, root, pt.x, pt.y, 1, 1, AllPlanes, ZPixmap);
    if (!img) continue;
    if (Coloured(img)) ++n;
    XDestroyImage(img);
  }
  return n;
}

}  // namespace

StartTimes StartToPicture(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                          const std::vector<ScreenPoint>& points, int need, int timeoutMs) {
  StartTimes out;
  Display* dpy = XOpenDisplay(nullptr);
  if (!dpy) {
    out.error = "cannot open the X display";
    return out;
  }
  int damageEvent = 0, errorBase = 0;
  if (!XDamageQueryExtension(dpy, &damageEvent, &errorBase)) {
    out.error = "the X server has no DAMAGE extension";
    XCloseDisplay(dpy);
    return out;
  }
  const Window root = DefaultRootWindow(dpy);
  // The root's damage, and each new top-level window's own (created as soon
  // as the window exists, before it can be mapped and drawn).
  XSelectInput(dpy, root, SubstructureNotifyMask);
  std::vector<Damage> damages{XDamageCreate(dpy, root, XDamageReportRawRectangles)};
  XSync(dpy, False);
  // The screen must be still first: a program ended just before may still
  // be leaving it (its windows go, the background is drawn again). Half a
  // second without damage also lets the X server and the machine settle
  // after the previous program (a 24-megapixel picture freed).
  for (int64_t quietSince = NowNs(), limit = quietSince + 3000000000LL;
       NowNs() - quietSince < 500000000 && NowNs() < limit;) {
    if (!WaitReadable(dpy, 20)) continue;
    while (XPending(dpy) > 0) {
      XEvent ev;
      XNextEvent(dpy, &ev);
      if (ev.type == CreateNotify)
        damages.push_back(XDamageCreate(dpy, ev.xcreatewindow.window, XDamageReportRawRectangles));
      quietSince = NowNs();
    }
  }
  if (ColouredPoints(dpy, root, points) >= need) {
    out.error = "the screen shows colour before the start";
    XCloseDisplay(dpy);
    return out;
  }

  const int64_t t0 = NowNs();
  const pid_t pid = Spawn(argv, env);
  if (pid <= 0) {
    out.error = "cannot start " + argv[0];
    XCloseDisplay(dpy);
    return out;
  }
  const int64_t deadline = t0 + static_cast<int64_t>(timeoutMs) * 1000000;
  int64_t lastDamage = -1;
  while (out.pictureMs < 0 && NowNs() < deadline) {
    if (!WaitReadable(dpy, 5)) continue;
    bool damaged = false;
    while (XPending(dpy) > 0) {
      XEvent ev;
      XNextEvent(dpy, &ev);
      const int64_t now = NowNs();
      if (ev.type == CreateNotify) {
        damages.push_back(XDamageCreate(dpy, ev.xcreatewindow.window, XDamageReportRawRectangles));
      } else if (ev.type == damageEvent + XDamageNotify) {
        lastDamage = now;
        damaged = true;
        if (out.firstDamageMs < 0) out.firstDamageMs = (now - t0) / 1e6;
      }
    }
    if (!damaged) continue;
    // Events that came before the reply are already queued: the damage that
    // put the picture there is among those read up to now.
    if (ColouredPoints(dpy, root, points) >= need) {
      while (XPending(dpy) > 0) {
        XEvent ev;
        XNextEvent(dpy, &ev);
        if (ev.type == damageEvent + XDamageNotify) lastDamage = NowNs();
      }
      out.pictureMs = (lastDamage - t0) / 1e6;
    }
  }
  if (out.pictureMs < 0) out.error = "no picture on the screen in time";
  End(pid);
  XCloseDisplay(dpy);
  return out;
}

namespace {

double PeakResidentMb(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  return -1;
}

}  // namespace

ShowWatch WatchColours(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                       ScreenPoint at, int seconds) {
  ShowWatch out;
  Display* dpy = XOpenDisplay(nullptr);
  if (!dpy) {
    out.error = "cannot open the X display";
    return out;
  }
  const Window root = DefaultRootWindow(dpy);
  const int64_t t0 = NowNs();
  const pid_t pid = Spawn(argv, env);
  if (pid <= 0) {
    out.error = "cannot start " + argv[0];
    XCloseDisplay(dpy);
    return out;
  }
  const int64_t end = t0 + static_cast<int64_t>(seconds) * 1000000000;
  std::array<int, 3> last{-100, -100, -100};
  for (int64_t next = t0; NowNs() < end; next += 10000000) {
    XImage* img = XGetImage(dpy, root, at.x, at.y, 1, 1, AllPlanes, ZPixmap);
    if (img) {
      const auto rgb = Rgb(img);
      XDestroyImage(img);
      if (std::abs(rgb[0] - last[0]) > 8 || std::abs(rgb[1] - last[1]) > 8 ||
          std::abs(rgb[2] - last[2]) > 8) {
        out.changes.push_back({(NowNs() - t0) / 1e6, rgb[0], rgb[1], rgb[2]});
        last = rgb;
      }
    }
    const int64_t wait = next + 10000000 - NowNs();
    if (wait > 0) usleep(static_cast<useconds_t>(wait / 1000));
  }
  out.peakResidentMb = PeakResidentMb(pid);
  End(pid);
  XCloseDisplay(dpy);
  return out;
}

}  // namespace xbench
