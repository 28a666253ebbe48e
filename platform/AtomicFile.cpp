#include "platform/AtomicFile.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/Error.h"

namespace ld {

AtomicFile::AtomicFile(const QString& path) : path_(path), file_(path) {
  // Never write in place: without its temporary file there is no old file
  // to keep.
  file_.setDirectWriteFallback(false);
}

void AtomicFile::Open() {
  if (!file_.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) Fail();
}

void AtomicFile::Write(const char* data, qint64 size) {
  // A short count without error is what a write that ran out of room
  // returns after its first part: it fails as well.
  if (size > 0 && file_.write(data, size) != size) Fail();
}

void AtomicFile::Commit() {
  // The data must be on the disk before the rename makes it the file, or a
  // crash soon after could leave the new name on lost data. QSaveFile syncs
  // too but ignores the result; a file system that cannot sync (EINVAL) has
  // nothing to lose.
  if (::fsync(file_.handle()) != 0 && errno != EINVAL) {
    reason_ = QString::fromLocal8Bit(std::strerror(errno));
    throw Error(CannotCreateFileMessage(path_));
  }
  if (!file_.commit()) Fail();
}

void AtomicFile::Fail() {
  reason_ = file_.errorString();
  // The temporary file is removed when the QSaveFile goes without commit;
  // cancelling also makes a later commit impossible.
  file_.cancelWriting();
  throw Error(CannotCreateFileMessage(path_));
}

}  // namespace ld
