#include "platform/WatcherFiles.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "platform/DataDir.h"
#include "platform/TextFile.h"

namespace ld {
namespace {

const char* const kDelayFile = "luminodrift_veille.txt";
const char* const kLockFile = "luminodrift_veille.lock";
constexpr int kMaxDelay = 32767;

QString LockPath() { return DataFile(QString::fromLatin1(kLockFile)); }

}  // namespace

QString WatcherDelayPath() { return DataFile(QString::fromLatin1(kDelayFile)); }

std::optional<int> ReadWatcherDelay() {
  const std::optional<QStringList> lines = ReadTextLines(WatcherDelayPath());
  if (!lines || lines->isEmpty()) return std::nullopt;
  bool ok = false;
  const int seconds = lines->first().trimmed().toInt(&ok);
  if (!ok || seconds < 0 || seconds > kMaxDelay) return std::nullopt;
  return seconds;
}

void WriteWatcherDelay(int seconds) {
  WriteTextLines(WatcherDelayPath(), {QString::number(seconds)});
}

int WatcherDelay(IScreenSaver& x11) {
  if (const std::optional<int> saved = ReadWatcherDelay()) return *saved;
  if (!WaylandSession()) {
    const int server = x11.Get().timeoutSeconds;
    if (server > 0) return server;
  }
  return kDefaultWatcherDelay;
}

WatcherLock::~WatcherLock() {
  if (fd_ >= 0) ::close(fd_);
}

bool WatcherLock::TryAcquire() {
  if (fd_ >= 0) return true;
  if (!EnsureDataDir()) return false;
  const QByteArray path = LockPath().toLocal8Bit();
  // O_NOFOLLOW: the lock is a plain file of ours, never something a link
  // points to.
  const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return false;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

bool WatcherLock::HeldElsewhere() {
  const QByteArray path = LockPath().toLocal8Bit();
  const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0;
  ::close(fd);
  return held;
}

bool WaylandSession() {
  return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
         qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland");
}

IScreenSaver::State DesktopScreenSaver::Get() {
  const bool watching = WatcherLock::HeldElsewhere();
  if (!watching && !WaylandSession()) return x11_.Get();
  State s;
  s.timeoutSeconds = WatcherDelay(x11_);
  s.active = watching && s.timeoutSeconds > 0;
  return s;
}

void DesktopScreenSaver::SetTimeout(int seconds) {
  const bool watching = WatcherLock::HeldElsewhere();
  const bool wayland = WaylandSession();
  if (watching || wayland) WriteWatcherDelay(seconds);
  if (!wayland) x11_.SetTimeout(seconds);
}

}  // namespace ld
