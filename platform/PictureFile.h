#pragma once

#include <QByteArray>
#include <QString>

namespace ld {

// A picture file opened for decoding, safely whatever the name hides: it is
// opened without blocking (a FIFO or a device named "x.jpg" cannot hold the
// thread in open()), and only a regular file of at most `maxBytes` is kept
// open, so a huge or endless file is never read. Closed with the object.
class PictureFile {
 public:
  // maxBytes <= 0: no bound.
  PictureFile(const QString& path, qint64 maxBytes);
  ~PictureFile();
  PictureFile(const PictureFile&) = delete;
  PictureFile& operator=(const PictureFile&) = delete;

  bool IsOpen() const { return fd_ >= 0; }
  // Why the file could not be opened: a French text naming the file.
  const QString& Error() const { return error_; }
  int Descriptor() const { return fd_; }
  qint64 Size() const { return size_; }
  // Up to len bytes from offset (fewer at the end of the file).
  QByteArray Read(qint64 offset, qint64 len) const;
  // The whole file, as its size said when it was opened.
  QByteArray ReadAll() const { return Read(0, size_); }

 private:
  int fd_ = -1;
  qint64 size_ = 0;
  QString error_;
};

}  // namespace ld
