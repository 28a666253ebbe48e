#pragma once

#include <QApplication>
#include <functional>

class QKeyEvent;

namespace ld {

// The program's QApplication. It sees every event once, before Qt passes it
// on to the receiver and its parents, which is where the main window takes
// its key presses and releases (so it sees them before any control, as a key
// preview, and can keep its own keys from the controls).
// It is also the last boundary for exceptions: anything that escapes a
// handler is shown in the error box instead of travelling through Qt's code.
class Application : public QApplication {
  Q_OBJECT
 public:
  Application(int& argc, char** argv);

  // Returns true when the event is to go no further.
  using KeyHook = std::function<bool(QObject* receiver, QKeyEvent* event)>;
  void SetKeyReleaseHook(KeyHook hook) { keyHook_ = std::move(hook); }
  using ErrorHook = std::function<void(const QString& text)>;
  void SetErrorHook(ErrorHook hook) { errorHook_ = std::move(hook); }

  bool notify(QObject* receiver, QEvent* event) override;

  static Application* instance();

 private:
  KeyHook keyHook_;
  ErrorHook errorHook_;
};

// Pop-up hints: shown 200 ms after the pointer stops on a control, and kept
// until the pointer leaves it.
void InstallHints(QApplication& app);

}  // namespace ld
