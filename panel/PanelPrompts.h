#pragma once

#include <QString>
#include <optional>

namespace ld {

// The boxes and choosers the panels ask the user through. The main window
// implements them; after a box or a directory chooser it is the active
// window again, with what that brings (its activation steps).
class PanelPrompts {
 public:
  virtual void Notice(const QString& text) = 0;
  virtual bool Confirm(const QString& text) = 0;
  // A box with a single "&Oui" button.
  virtual void Acknowledge(const QString& text) = 0;
  virtual void ErrorBox(const QString& text) = 0;
  virtual std::optional<QString> ChooseDirectory(const QString& start) = 0;
  // The executable chooser; the window is not activated again after it.
  virtual std::optional<QString> ChooseExecutable() = 0;
  virtual void Beep() = 0;

 protected:
  ~PanelPrompts() = default;
};

// A chosen path that the settings file will keep: one that holds a line
// break would split its settings line, so it is refused with a notice that
// names settingsFile, and nothing comes back.
std::optional<QString> KeepablePath(PanelPrompts& prompts, const std::optional<QString>& chosen,
                                    const QString& settingsFile);

}  // namespace ld
