#pragma once

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

// A data file of the program by its name, written or read as lines.
inline QString Data(const char* name) { return ld::DataFile(QString::fromLatin1(name)); }
inline void WriteLines(const char* name, const QStringList& lines) {
  ld::WriteTextLines(Data(name), lines);
}
inline QStringList FileLines(const char* name) {
  return ld::ReadTextLines(Data(name)).value_or(QStringList{"<missing>"});
}

}  // namespace ld::testing
