#pragma once

#include <QStringList>
#include <deque>

#include "platform/Error.h"
#include "platform/Services.h"

// Recording stand-ins of the host services: they keep what the program asked
// for and answer from scripts that a test fills.

namespace ld::testing {

class RecordingDialogs : public IDialogs {
 public:
  void Notice(const QString& text) override { notices << text; }
  void ErrorBox(const QString& text) override { errors << text; }
  bool Confirm(const QString& text) override {
    confirmations << text;
    if (answers.empty()) return defaultAnswer;
    const bool a = answers.front();
    answers.pop_front();
    return a;
  }
  void ConfirmYesOnly(const QString& text) override { yesOnly << text; }
  std::optional<QString> ChooseDirectory(const QString& start) override {
    directoryStarts << start;
    if (directories.empty()) return std::nullopt;
    auto d = directories.front();
    directories.pop_front();
    return d;
  }
  std::optional<QString> ChooseExecutable() override {
    ++executableRequests;
    if (executables.empty()) return std::nullopt;
    auto e = executables.front();
    executables.pop_front();
    return e;
  }
  void Beep() override { ++beeps; }

  QStringList notices, errors, confirmations, yesOnly, directoryStarts;
  std::deque<bool> answers;
  bool defaultAnswer = false;
  std::deque<std::optional<QString>> directories;
  std::deque<std::optional<QString>> executables;
  int executableRequests = 0;
  int beeps = 0;
};

class RecordingScreenSaver : public IScreenSaver {
 public:
  State Get() override { return state; }
  void SetTimeout(int seconds) override { setTimeouts.push_back(seconds); }
  State state;
  std::vector<int> setTimeouts;
};

class RecordingPointer : public IPointer {
 public:
  QPoint Pos() override { return pos; }
  void SetPos(const QPoint& p) override {
    pos = p;
    moves.push_back(p);
  }
  QPoint pos{0, 0};
  std::vector<QPoint> moves;
};

class ManualClock : public IClock {
 public:
  double NowDays() override { return now; }
  void AdvanceMs(double ms) { now += ms / 86400000.0; }
  double now = 46000.5;
};

// Draws come from a script; without one, the low end of the range.
class ScriptedRandom : public IRandom {
 public:
  void Reseed() override { ++reseeds; }
  int Uniform(int low, int high) override {
    requests.push_back({low, high});
    if (draws.empty()) return low;
    int v = draws.front();
    draws.pop_front();
    return v < low ? low : (v > high ? high : v);
  }
  std::deque<int> draws;
  std::vector<std::pair<int, int>> requests;
  int reseeds = 0;
};

class RecordingExit : public IProcessExit {
 public:
  [[noreturn]] void Exit(int code) override {
    codes.push_back(code);
    throw ProcessEnded(code);
  }
  std::vector<int> codes;
};

class RecordingSound : public ISound {
 public:
  void PlayWav(const QByteArray& wav) override { played.push_back(wav); }
  std::vector<QByteArray> played;
};

class RecordingShell : public IShell {
 public:
  struct Run {
    QString program;
    QStringList args;
  };
  RunResult RunAndWait(const QString& program, const QStringList& args,
                       const std::function<void()>& whileWaiting) override {
    runs.push_back({program, args});
    if (whileWaiting) whileWaiting();
    RunResult r;
    r.started = runSucceeds;
    r.exitCode = runExitCode;
    return r;
  }
  QString DefaultApplication(const QString& mimeType) override {
    mimeQueries << mimeType;
    return defaultApplication;
  }
  bool OpenWithDesktop(const QString& target) override {
    opened << target;
    return openSucceeds;
  }
  bool StartDetached(const QString& program, const QStringList& args) override {
    detached.push_back({program, args});
    return detachedSucceeds;
  }
  std::vector<Run> runs, detached;
  QStringList opened, mimeQueries;
  bool runSucceeds = true, openSucceeds = true, detachedSucceeds = true;
  int runExitCode = 0;
  QString defaultApplication;  // none
};

// One of each, bundled for a test.
struct FakeServices {
  RecordingDialogs dialogs;
  RecordingScreenSaver screenSaver;
  RecordingPointer pointer;
  ManualClock clock;
  ScriptedRandom random;
  RecordingExit exit;
  RecordingSound sound;
  RecordingShell shell;
  Services services{dialogs, screenSaver, pointer, clock, random, exit, sound, shell};
};

}  // namespace ld::testing
