#include "app/core/WatchMode.h"

#include <QCoreApplication>
#include <QFileSystemWatcher>
#include <cstdio>

#include "app/core/IdleWatcher.h"
#include "platform/DataDir.h"
#include "platform/HostWindow.h"
#include "platform/IdleMonitor.h"
#include "platform/RealServices.h"
#include "platform/ShowProcess.h"
#include "platform/WatcherFiles.h"

namespace ld {
namespace {

void Say(const QString& text) {
  std::fprintf(stderr, "luminodrift --watch : %s\n", text.toLocal8Bit().constData());
  std::fflush(stderr);
}

int CurrentDelay(std::optional<int> given) {
  if (given) return *given;
  X11ScreenSaver x11;
  return WatcherDelay(x11);
}

}  // namespace

int RunWatch(std::optional<int> delaySeconds, const QString& showProgram) {
  WatcherLock lock;
  if (!lock.TryAcquire()) {
    Say(
        QStringLiteral("une veille est déjà en cours pour cet utilisateur ; "
                       "elle seule lance le diaporama."));
    return 1;
  }
  std::unique_ptr<IIdleMonitor> monitor = OpenIdleMonitor();
  if (!monitor) {
    Say(
        QStringLiteral("ce bureau ne dit pas quand il est inactif (ni Mutter, ni "
                       "ext-idle-notify-v1, ni org_kde_kwin_idle, ni MIT-SCREEN-SAVER)."));
    return 1;
  }
  ChildShow show(showProgram, {QStringLiteral("/s")});
  int delay = CurrentDelay(delaySeconds);
  IdleWatcher watcher(*monitor, show, [&] { return delay = CurrentDelay(delaySeconds); });
  watcher.SetOnStartFailed([](const QString& why) { Say(why); });
  monitor->SetOnLost([&watcher](const QString& why) {
    Say(why);
    watcher.Stop();
    QCoreApplication::exit(1);
  });

  // A delay changed in the panel while the watcher waits takes effect at
  // once (the file is replaced by a rename, so its directory is watched).
  QFileSystemWatcher files;
  if (!delaySeconds && EnsureDataDir()) {
    files.addPath(DataDir());
    QObject::connect(&files, &QFileSystemWatcher::directoryChanged, [&] {
      if (CurrentDelay(delaySeconds) != delay) watcher.DelayChanged();
    });
  }

  QuitOnTerminationSignal(*QCoreApplication::instance(), [&watcher] { watcher.Stop(); });
  Say(QStringLiteral("délai %1 s (%2).").arg(delay).arg(monitor->Name()));
  watcher.Start();
  const int code = QCoreApplication::exec();
  watcher.Stop();
  return code;
}

}  // namespace ld
