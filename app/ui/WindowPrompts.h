#pragma once

#include "app/ui/Tdiapo.h"
#include "panel/PanelPrompts.h"

namespace ld {

// The panels' boxes and choosers through the main window's dialogs; after a
// box or the directory chooser the window is active again (FormActivate).
class WindowPrompts final : public PanelPrompts {
 public:
  explicit WindowPrompts(Tdiapo& window) : w_(window) {}

  void Notice(const QString& text) override { w_.Notice(text); }
  bool Confirm(const QString& text) override { return w_.Confirm(text); }
  void Acknowledge(const QString& text) override {
    w_.services().dialogs.ConfirmYesOnly(text);
    w_.FormActivate();
  }
  void ErrorBox(const QString& text) override {
    w_.services().dialogs.ErrorBox(text);
    w_.FormActivate();
  }
  std::optional<QString> ChooseDirectory(const QString& start) override {
    std::optional<QString> chosen = w_.services().dialogs.ChooseDirectory(start);
    w_.FormActivate();
    return chosen;
  }
  std::optional<QString> ChooseExecutable() override {
    return w_.services().dialogs.ChooseExecutable();
  }
  void Beep() override { w_.services().dialogs.Beep(); }

 private:
  Tdiapo& w_;
};

}  // namespace ld
