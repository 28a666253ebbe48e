#pragma once

#include <QByteArray>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// The host services the program uses, each behind a small interface. The
// program uses the real implementations (platform/RealServices.h and
// platform/ui/UiServices.h); tests use the recording stand-ins of
// tests/support/. No other folder talks to Xlib, ALSA, QProcess or the
// desktop directly.

namespace ld {

// Message and confirmation boxes, and the choosers that return a path.
class IDialogs {
 public:
  virtual ~IDialogs() = default;
  // A plain notice with an OK button.
  virtual void Notice(const QString& text) = 0;
  // The error box ("Erreur") that shows an ld::Error's text.
  virtual void ErrorBox(const QString& text) = 0;
  // A confirmation box with "&Oui" and "&Non"; true only for "&Oui".
  virtual bool Confirm(const QString& text) = 0;
  // A confirmation-style box with a single "&Oui" button.
  virtual void ConfirmYesOnly(const QString& text) = 0;
  // The directory chooser ("Sélection du répertoire"); nothing when cancelled.
  virtual std::optional<QString> ChooseDirectory(const QString& startPath) = 0;
  // The open-file dialog "Choix du programme exécutable".
  virtual std::optional<QString> ChooseExecutable() = 0;
  // The system's warning beep.
  virtual void Beep() = 0;
};

// The X server's screen-saver parameters.
class IScreenSaver {
 public:
  struct State {
    bool active = false;
    int timeoutSeconds = 0;
  };
  virtual ~IScreenSaver() = default;
  virtual State Get() = 0;
  virtual void SetTimeout(int seconds) = 0;
};

// The mouse pointer's screen position.
class IPointer {
 public:
  virtual ~IPointer() = default;
  virtual QPoint Pos() = 0;
  virtual void SetPos(const QPoint& p) = 0;
};

// Local date and time.
class IClock {
 public:
  virtual ~IClock() = default;
  // The current local date and time as days since 1899-12-30 (the double
  // date-time of the settings' origin), millisecond resolution.
  virtual double NowDays() = 0;
};

// Uniform integer draws, re-seeded where the show asks.
class IRandom {
 public:
  virtual ~IRandom() = default;
  virtual void Reseed() = 0;
  // A uniform integer from low to high inclusive (low <= high).
  virtual int Uniform(int low, int high) = 0;
};

// The end of the process.
class IProcessExit {
 public:
  virtual ~IProcessExit() = default;
  // Ends the process at once with this exit code. Never returns normally.
  [[noreturn]] virtual void Exit(int code) = 0;
};

// Synchronous sound output.
class ISound {
 public:
  virtual ~ISound() = default;
  // Plays a complete WAV image (PCM) and returns when it has been played.
  // No sound device means silence, never an error.
  virtual void PlayWav(const QByteArray& wav) = 0;
};

// External programs and the desktop.
class IShell {
 public:
  virtual ~IShell() = default;
  // How a program run to its end finished.
  struct RunResult {
    bool started = false;
    bool crashed = false;  // ended by a signal
    int exitCode = 0;
    bool Ok() const { return started && !crashed && exitCode == 0; }
  };
  // Starts program with the argument list (no shell involved) and waits for
  // its end, calling whileWaiting at least every 200 ms.
  virtual RunResult RunAndWait(const QString& program, const QStringList& args,
                               const std::function<void()>& whileWaiting) = 0;
  // The desktop entry id (such as "org.gnome.eog.desktop") of the desktop's
  // default application for a MIME type; empty when there is none.
  virtual QString DefaultApplication(const QString& mimeType) = 0;
  // Opens a file, directory or URL with the desktop's default application.
  // Returns false when nothing could open it.
  virtual bool OpenWithDesktop(const QString& pathOrUrl) = 0;
  // Starts a program detached, without waiting. False when it cannot start.
  virtual bool StartDetached(const QString& program, const QStringList& args) = 0;
};

// All services, handed to the main window and the operations that need them.
struct Services {
  IDialogs& dialogs;
  IScreenSaver& screenSaver;
  IPointer& pointer;
  IClock& clock;
  IRandom& random;
  IProcessExit& exit;
  ISound& sound;
  IShell& shell;
};

}  // namespace ld
