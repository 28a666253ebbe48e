#pragma once

#include <QProcess>
#include <QStringList>
#include <functional>

namespace ld {

// The show as a process of its own, started and waited for by the idle
// watcher.
class IShowProcess {
 public:
  virtual ~IShowProcess() = default;
  // Starts the show; false when it could not be started (onEnded then does
  // not follow).
  virtual bool Start() = 0;
  virtual bool Running() const = 0;
  // Asks the show to end (SIGTERM: it ends as by Esc) and waits for it, a
  // few seconds at most before killing it. onEnded is not called.
  virtual void Terminate() = 0;
  // Called once for each show that was started, when it ends.
  void SetOnEnded(std::function<void()> f) { onEnded_ = std::move(f); }

 protected:
  void ReportEnded() {
    if (onEnded_) onEnded_();
  }

 private:
  std::function<void()> onEnded_;
};

// The program's own binary with the given arguments ("/s": the usual
// full-screen show), its output going where the watcher's goes.
class ChildShow : public IShowProcess {
 public:
  ChildShow(QString program, QStringList arguments);
  bool Start() override;
  bool Running() const override;
  void Terminate() override;
  qint64 Pid() const { return process_.processId(); }

 private:
  QString program_;
  QStringList arguments_;
  QProcess process_;
  bool terminating_ = false;
};

}  // namespace ld
