#include "platform/ShowProcess.h"

#include <sys/prctl.h>

#include <csignal>

namespace ld {

ChildShow::ChildShow(QString program, QStringList arguments)
    : program_(std::move(program)), arguments_(std::move(arguments)) {
  process_.setProcessChannelMode(QProcess::ForwardedChannels);
  process_.setInputChannelMode(QProcess::ForwardedInputChannel);
  // A watcher that dies without ending its show (killed) takes the show
  // with it, as SIGTERM does: no show is left that nothing watches.
  process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
  QObject::connect(&process_, &QProcess::finished, [this] {
    if (!terminating_) ReportEnded();
  });
}

bool ChildShow::Start() {
  if (Running()) return false;
  terminating_ = false;
  process_.start(program_, arguments_);
  return process_.waitForStarted(10000);
}

bool ChildShow::Running() const { return process_.state() != QProcess::NotRunning; }

void ChildShow::Terminate() {
  if (!Running()) return;
  terminating_ = true;
  process_.terminate();
  if (!process_.waitForFinished(5000)) {
    process_.kill();
    process_.waitForFinished(2000);
  }
}

}  // namespace ld
