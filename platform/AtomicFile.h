#pragma once

#include <QByteArray>
#include <QSaveFile>
#include <QString>

namespace ld {

// A file that is replaced whole or not at all. The bytes go to a temporary
// file in the file's own directory without any buffering in between, so a
// failed write (a full disk, a size limit) is seen at the call that made it:
// a buffered device can lose the failure of its last flush and then rename a
// truncated file over a good one. Commit syncs the data to disk and renames
// the temporary file over the file. Any failure throws
// ld::Error("Impossible de créer le fichier <path>"); the old file is then
// intact and the temporary file is removed.
class AtomicFile {
 public:
  explicit AtomicFile(const QString& path);
  // Starts the temporary file.
  void Open();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  void Write(const char* data, qint64 size);
  void Write(const QByteArray& bytes) { Write(bytes.constData(), bytes.size()); }
  void Commit();

  // The device being written (for its file times).
  QFileDevice& Device() { return file_; }
  // The system's reason for the last failure, as the platform words it.
  const QString& FailureReason() const { return reason_; }

 private:
  [[noreturn]] void Fail();

  QString path_;
  QSaveFile file_;
  QString reason_;
};

}  // namespace ld
