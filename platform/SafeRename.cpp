#include "platform/SafeRename.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>

#include "platform/PathBytes.h"

namespace ld {

RenameOutcome RenameWithoutReplacing(const QString& from, const QString& to) {
  if (from.isEmpty() || to.isEmpty()) return RenameOutcome::Failed;
  const QByteArray f = PathToBytes(from);
  const QByteArray t = PathToBytes(to);
  if (::renameat2(AT_FDCWD, f.constData(), AT_FDCWD, t.constData(), RENAME_NOREPLACE) == 0)
    return RenameOutcome::Renamed;
  if (errno == EEXIST) return RenameOutcome::TargetExists;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return RenameOutcome::Failed;
  // The file system has no no-replace rename: look first. lstat also sees a
  // dangling symbolic link, which must not be replaced either.
  struct stat st {};
  if (::lstat(t.constData(), &st) == 0) return RenameOutcome::TargetExists;
  if (errno != ENOENT) return RenameOutcome::Failed;
  return ::rename(f.constData(), t.constData()) == 0 ? RenameOutcome::Renamed
                                                     : RenameOutcome::Failed;
}

}  // namespace ld
