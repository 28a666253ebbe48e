#include "platform/DataDirLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "platform/DataDir.h"
#include "platform/Error.h"
#include "platform/PathBytes.h"

namespace ld {

namespace {
constexpr std::chrono::milliseconds kRetryEvery{25};
// In the data directory, beside the files it guards.
constexpr const char* kLockFile = "luminodrift.lock";
}  // namespace

bool DataDirLock::Take(std::chrono::milliseconds patience, const std::function<void()>& between,
                       bool mayCreate) {
  if (fd_ >= 0) return true;
  if (mayCreate) EnsureDataDir();
  const QString path = DataFile(QString::fromLatin1(kLockFile));
  // Never through a link, never blocking on something that is not a file.
  const int fd = ::open(
      PathToBytes(path).constData(),
      (mayCreate ? O_RDWR | O_CREAT : O_RDONLY) | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY,
      0644);
  if (fd < 0 && !mayCreate && errno == ENOENT) return true;
  if (fd < 0) throw Error(CannotCreateFileMessage(path));
  const auto until = std::chrono::steady_clock::now() + patience;
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      fd_ = fd;
      return true;
    }
    if (errno != EWOULDBLOCK && errno != EINTR) {
      // A file system without locks cannot keep writers apart; working as
      // without the lock is better than never working.
      fd_ = fd;
      return true;
    }
    if (std::chrono::steady_clock::now() >= until) break;
    if (between) between();
    std::this_thread::sleep_for(kRetryEvery);
  }
  ::close(fd);
  return false;
}

void DataDirLock::Release() {
  if (fd_ < 0) return;
  ::close(fd_);  // closing the only descriptor releases the lock
  fd_ = -1;
}

}  // namespace ld
