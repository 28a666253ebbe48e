#pragma once

#include "platform/Services.h"

// Real implementations of the host services that need no widget.

namespace ld {

// Xlib XGetScreenSaver / XSetScreenSaver on $DISPLAY. Without an X display:
// inactive, timeout 0, and setting does nothing.
class X11ScreenSaver : public IScreenSaver {
 public:
  State Get() override;
  void SetTimeout(int seconds) override;
};

class QtPointer : public IPointer {
 public:
  QPoint Pos() override;
  void SetPos(const QPoint& p) override;
};

class SystemClock : public IClock {
 public:
  double NowDays() override;
};

class StdRandom : public IRandom {
 public:
  StdRandom();
  void Reseed() override;
  int Uniform(int low, int high) override;

 private:
  unsigned long long state_;
};

// Flushes the standard streams and ends the process at once.
class RealProcessExit : public IProcessExit {
 public:
  [[noreturn]] void Exit(int code) override;
};

// ALSA playback on the "default" PCM.
class AlsaSound : public ISound {
 public:
  void PlayWav(const QByteArray& wav) override;
};

// QProcess for programs, QDesktopServices / xdg-open for the desktop.
class QtShell : public IShell {
 public:
  bool RunAndWait(const QString& program, const QStringList& args,
                  const std::function<void()>& whileWaiting) override;
  bool OpenWithDesktop(const QString& pathOrUrl) override;
  bool StartDetached(const QString& program, const QStringList& args) override;
};

}  // namespace ld
