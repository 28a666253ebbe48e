#pragma once

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QString>
#include <functional>

#include "platform/Error.h"

namespace ld::testing {

// Exit codes of RunOnFullDisk's child.
inline constexpr int kReturned = 0;        // the operation went through
inline constexpr int kRaisedExpected = 3;  // it raised ld::Error with the expected text
inline constexpr int kRaisedOther = 4;     // it raised something else

// Runs the operation in a child process in which no file can grow beyond
// limitBytes, as on a nearly full disk: a write past the limit fails with
// EFBIG (SIGXFSZ is ignored, so the write reports it instead of killing the
// process). Returns the child's exit code.
inline int RunOnFullDisk(rlim_t limitBytes, const std::function<void()>& operation,
                         const QString& expectedError) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{limitBytes, limitBytes};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    int code = kReturned;
    try {
      operation();
    } catch (const ld::Error& e) {
      code = e.message() == expectedError ? kRaisedExpected : kRaisedOther;
    } catch (...) {
      code = kRaisedOther;
    }
    ::_exit(code);
  }
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

// The names in a directory, hidden ones included (temporary files).
inline QStringList NamesIn(const QString& dir) {
  return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

}  // namespace ld::testing
