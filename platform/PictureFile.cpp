#include "platform/PictureFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/PathBytes.h"

namespace ld {

PictureFile::PictureFile(const QString& path, qint64 maxBytes) {
  const QByteArray name = PathToBytes(path);
  // O_NONBLOCK: opening a FIFO without a writer, or a device, returns at
  // once; it changes nothing for a regular file.
  const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    error_ = QStringLiteral("Impossible d'ouvrir le fichier %1").arg(path);
    return;
  }
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    error_ = QStringLiteral("%1 n'est pas un fichier ordinaire").arg(path);
    return;
  }
  if (maxBytes > 0 && st.st_size > maxBytes) {
    ::close(fd);
    error_ = QStringLiteral("Le fichier %1 est bien trop grand pour une image").arg(path);
    return;
  }
  fd_ = fd;
  size_ = st.st_size;
}

PictureFile::~PictureFile() {
  if (fd_ >= 0) ::close(fd_);
}

QByteArray PictureFile::Read(qint64 offset, qint64 len) const {
  if (fd_ < 0 || offset < 0 || len <= 0 || offset >= size_) return QByteArray();
  len = std::min(len, size_ - offset);
  QByteArray out(static_cast<qsizetype>(len), Qt::Uninitialized);
  qint64 got = 0;
  while (got < len) {
    const ssize_t n = ::pread(fd_, out.data() + got, static_cast<size_t>(len - got), offset + got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // the file shrank, or an input/output error
    got += n;
  }
  out.truncate(static_cast<qsizetype>(got));
  return out;
}

}  // namespace ld
