#pragma once

#include <QRandomGenerator>

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

// Uniform draws from Qt's generator, seeded from the system's.
class QtRandom : public IRandom {
 public:
  QtRandom();
  void Reseed() override;
  int Uniform(int low, int high) override;

 private:
  QRandomGenerator generator_;
};

// The dialogs of a show that nobody can answer (drawn into XScreenSaver's
// window, which owns the keyboard and the mouse): texts go to the standard
// error stream, every question is answered "no", every chooser cancelled.
class QuietDialogs : public IDialogs {
 public:
  void Notice(const QString& text) override;
  void ErrorBox(const QString& text) override;
  bool Confirm(const QString& text) override;
  void ConfirmYesOnly(const QString& text) override;
  std::optional<QString> ChooseDirectory(const QString& startPath) override;
  std::optional<QString> ChooseExecutable() override;
  void Beep() override {}
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

// QProcess for programs, QDesktopServices / xdg-open and xdg-mime for the
// desktop.
class QtShell : public IShell {
 public:
  RunResult RunAndWait(const QString& program, const QStringList& args,
                       const std::function<void()>& whileWaiting) override;
  // xdg-mime query default TYPE.
  QString DefaultApplication(const QString& mimeType) override;
  bool OpenWithDesktop(const QString& pathOrUrl) override;
  bool StartDetached(const QString& program, const QStringList& args) override;
};

}  // namespace ld
