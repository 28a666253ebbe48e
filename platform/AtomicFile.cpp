#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <ctime>

#include "platform/Error.h"
#include "platform/PathBytes.h"

namespace ld {
namespace {

// Links followed before a chain counts as a loop (the kernel's own limit).
constexpr int kMaxLinks = 40;

QByteArray DirectoryOf(const QByteArray& name) {
  const qsizetype slash = name.lastIndexOf('/');
  if (slash < 0) return QByteArrayLiteral(".");
  if (slash == 0) return QByteArrayLiteral("/");
  return name.left(slash);
}

QByteArray BaseOf(const QByteArray& name) { return name.mid(name.lastIndexOf('/') + 1); }

// The text a symbolic link holds.
std::optional<QByteArray> LinkText(const QByteArray& link) {
  QByteArray buffer(256, Qt::Uninitialized);
  for (;;) {
    const ssize_t n = ::readlink(link.constData(), buffer.data(), size_t(buffer.size()));
    if (n < 0) return std::nullopt;
    if (n < buffer.size()) return buffer.left(n);
    buffer.resize(buffer.size() * 2);
  }
}

// A name for the temporary file that no other writer, in this process or
// another, picks at the same time.
QByteArray TemporaryName(const QByteArray& final, int attempt) {
  static std::atomic<unsigned> counter{0};
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  const QByteArray base = BaseOf(final);
  const QByteArray dir = DirectoryOf(final);
  return (dir == "/" ? dir : dir + '/') + '.' + base + '.' +
         QByteArray::number(qulonglong(::getpid()), 36) + '-' +
         QByteArray::number(qulonglong(now.tv_nsec) + unsigned(attempt), 36) + '-' +
         QByteArray::number(counter.fetch_add(1), 36) + ".tmp";
}

}  // namespace

AtomicFile::AtomicFile(const QString& path, LinkRule rule) : path_(path), rule_(rule) {}

AtomicFile::~AtomicFile() { Discard(); }

void AtomicFile::Discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_.isEmpty()) ::unlink(temp_.constData());
  temp_.clear();
}

void AtomicFile::Open() {
  if (path_.isEmpty()) Fail(ENOENT);
  // Works out which name is replaced: the name itself when it is a regular
  // file or nothing yet; for a link, as the rule says. Everything else is
  // refused, as renaming over it would destroy what it is (a device, a FIFO)
  // or fail half-way (a directory).
  QByteArray name = PathToBytes(path_);
  struct stat st {};
  bool exists = false;
  for (int links = 0;; ++links) {
    if (::lstat(name.constData(), &st) != 0) {
      if (errno != ENOENT) Fail(errno);
      // A link leading nowhere would have the file created at its target,
      // somewhere its user never chose.
      if (links > 0) Refuse(QStringLiteral("lien vers un fichier qui n'existe pas"));
      break;
    }
    if (S_ISLNK(st.st_mode) && rule_ == LinkRule::WriteThrough) {
      if (links == kMaxLinks) Fail(ELOOP);
      const std::optional<QByteArray> target = LinkText(name);
      if (!target) Fail(errno);
      name = target->startsWith('/') ? *target : DirectoryOf(name) + '/' + *target;
      continue;
    }
    if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) {
      Refuse(S_ISDIR(st.st_mode) ? QStringLiteral("c'est un répertoire")
                                 : QStringLiteral("ce n'est pas un fichier ordinaire"));
    }
    exists = S_ISREG(st.st_mode);
    break;
  }
  // A file its owner made read-only is not replaced behind their back.
  if (exists && ::access(name.constData(), W_OK) != 0) Fail(errno);
  final_ = name;

  for (int attempt = 0; fd_ < 0; ++attempt) {
    temp_ = TemporaryName(final_, attempt);
    // 0666 less the umask, as for any new file; an existing file's own
    // permissions are put back below.
    fd_ = ::open(temp_.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd_ < 0) {
      const int error = errno;
      temp_.clear();
      if (error != EEXIST || attempt == 100) Fail(error);
    }
  }
  if (exists && ::fchmod(fd_, st.st_mode & 07777) != 0) Fail(errno);
}

void AtomicFile::Write(const char* data, qint64 size) {
  if (fd_ < 0) Fail(EBADF);
  // A short count is what a write that ran out of room returns after its
  // first part; the next write then says why.
  while (size > 0) {
    const ssize_t n = ::write(fd_, data, size_t(size));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Fail(errno);
    if (n == 0) Fail(ENOSPC);
    data += n;
    size -= n;
  }
}

void AtomicFile::Commit() {
  if (fd_ < 0) Fail(EBADF);
  // The data must be on the disk before the rename makes it the file, or a
  // crash soon after could leave the new name on lost data. A file system
  // that cannot sync (EINVAL) has nothing to lose.
  if (::fsync(fd_) != 0 && errno != EINVAL) Fail(errno);
  if (modified_) {
    const qint64 ms = modified_->toMSecsSinceEpoch();
    const qint64 s = ms >= 0 ? ms / 1000 : (ms - 999) / 1000;  // rounded down
    const timespec times[2] = {{0, UTIME_OMIT}, {time_t(s), long((ms - s * 1000) * 1000000)}};
    if (::futimens(fd_, times) != 0) Fail(errno);
  }
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0 && errno != EINTR) Fail(errno);
  if (::rename(temp_.constData(), final_.constData()) != 0) Fail(errno);
  temp_.clear();
}

void AtomicFile::Fail(int error) { Refuse(SystemErrorReason(error)); }

void AtomicFile::Refuse(const QString& reason) {
  reason_ = reason;
  Discard();
  throw Error(CannotCreateFileMessage(path_));
}

}  // namespace ld
