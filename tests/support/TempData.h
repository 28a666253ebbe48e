#pragma once

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include "platform/DataDir.h"
#include "platform/TextFile.h"

namespace ld::testing {

// Empties the data and config directories of the test process, so each test
// starts on a machine without any of the program's files.
inline void ResetDataDirs() {
  QDir(ld::DataDir()).removeRecursively();
  QDir(ld::ConfigDir()).removeRecursively();
  QDir().mkpath(ld::ConfigDir());
}

inline void WriteBytes(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  f.open(QIODevice::WriteOnly);
  f.write(bytes);
}

inline QByteArray ReadBytes(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return QByteArray();
  return f.readAll();
}

// A file written by its bytes (its name, and its directories', may not be
// UTF-8, which Qt's file classes cannot name), its missing directories made
// on the way.
inline bool WriteRawFile(const QByteArray& path, const QByteArray& bytes) {
  for (qsizetype slash = path.indexOf('/', 1); slash > 0; slash = path.indexOf('/', slash + 1))
    ::mkdir(path.left(slash).constData(), 0755);
  const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool ok = ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
  return ::close(fd) == 0 && ok;
}

// Removes a tree whose names may not be UTF-8.
inline void RemoveRawTree(const QByteArray& root) {
  ::nftw(
      root.constData(), [](const char* p, const struct stat*, int, FTW*) { return ::remove(p); },
      16, FTW_DEPTH | FTW_PHYS);
}

// A data file of the program by its name, written or read as lines.
inline QString Data(const char* name) { return ld::DataFile(QString::fromLatin1(name)); }
inline void WriteLines(const char* name, const QStringList& lines) {
  ld::WriteTextLines(Data(name), lines);
}
inline QStringList FileLines(const char* name) {
  return ld::ReadTextLines(Data(name)).value_or(QStringList{"<missing>"});
}

}  // namespace ld::testing
