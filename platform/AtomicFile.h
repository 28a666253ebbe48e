#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>

namespace ld {

// What a name that is a symbolic link means to a file being replaced.
enum class LinkRule {
  // The file the link leads to is replaced, in its own directory, and the
  // link stays (a settings file kept in a dotfiles repository). The link
  // must end on a regular file: a dangling link, or one to a device, a FIFO
  // or a directory, is refused.
  WriteThrough,
  // The link itself is replaced by the new file, whatever it leads to, and
  // what it led to is left untouched (an album's entries are the album's own).
  ReplaceLink,
};

// A file that is replaced whole or not at all. The bytes go to a temporary
// file in the directory of the file being replaced, written straight to the
// descriptor, so a failed write (a full disk, a size limit) is seen at the
// call that made it. Commit syncs the data to disk and renames the temporary
// file over the file. Only a regular file (or no file yet) is ever replaced:
// a device, a FIFO, a directory or a socket behind the name is refused, and
// a symbolic link is followed or replaced as `rule` says. Any failure throws
// ld::Error("Impossible de créer le fichier <path>"); the old file is then
// intact and the temporary file is removed.
class AtomicFile {
 public:
  explicit AtomicFile(const QString& path, LinkRule rule = LinkRule::WriteThrough);
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Checks what stands behind the name and starts the temporary file.
  void Open();
  void Write(const char* data, qint64 size);
  void Write(const QByteArray& bytes) { Write(bytes.constData(), bytes.size()); }
  // The modification time the file gets at Commit (its write time otherwise).
  void SetModificationTime(const QDateTime& time) { modified_ = time; }
  void Commit();

  // Why the last failure happened, in French.
  const QString& FailureReason() const { return reason_; }

 private:
  [[noreturn]] void Fail(int error);
  [[noreturn]] void Refuse(const QString& reason);
  void Discard();

  QString path_;
  LinkRule rule_;
  QByteArray final_;  // the name that is replaced at Commit
  QByteArray temp_;
  int fd_ = -1;
  std::optional<QDateTime> modified_;
  QString reason_;
};

}  // namespace ld
