#include "platform/SafeRename.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <QFile>
#include <cerrno>
#include <cstdio>

namespace ld {

RenameOutcome RenameWithoutReplacing(const QString& from, const QString& to) {
  if (from.isEmpty() || to.isEmpty()) return RenameOutcome::Failed;
  const QByteArray f = QFile::encodeName(from);
  const QByteArray t = QFile::encodeName(to);
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
