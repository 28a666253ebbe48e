#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/RealServices.h"
#include "platform/WatcherFiles.h"

namespace ld {

// Message boxes with French captions and buttons, the directory chooser and
// the open-file dialog for the viewer.
class UiDialogs : public IDialogs {
 public:
  void SetParent(QWidget* parent) { parent_ = parent; }
  void Notice(const QString& text) override;
  void ErrorBox(const QString& text) override;
  bool Confirm(const QString& text) override;
  void ConfirmYesOnly(const QString& text) override;
  std::optional<QString> ChooseDirectory(const QString& startPath) override;
  std::optional<QString> ChooseExecutable() override;
  void Beep() override;

 private:
  QPointer<QWidget> parent_;
};

// The real services of the program, all in one place.
struct RealServices {
  UiDialogs dialogs;
  X11ScreenSaver x11ScreenSaver;
  // The X server's timer, or the idle watcher's delay (Wayland, watch mode).
  DesktopScreenSaver screenSaver{x11ScreenSaver};
  QtPointer pointer;
  SystemClock clock;
  QtRandom random;
  RealProcessExit exit;
  AlsaSound sound;
  QtShell shell;
  Services services{dialogs, screenSaver, pointer, clock, random, exit, sound, shell};
};

}  // namespace ld
