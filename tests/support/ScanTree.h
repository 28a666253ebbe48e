#pragma once
// Small trees of files for the tests of the directory walk.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "catalogue/Catalogue.h"
#include "catalogue/ScanRules.h"

namespace ld::testing {

inline void Touch(const QString& path, int bytes = 3) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
  f.write(QByteArray(bytes, 'x'));
}

inline void Link(const QString& target, const QString& link) {
  ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()),
            0);
}

inline ScanFilter AllSubDirectories() {
  ScanFilter f;
  f.subDirectories = 1;
  f.marking = 1;
  return f;
}

inline QStringList Paths(const Catalogue& c) {
  QStringList out;
  for (int i = 0; i < c.Count(); ++i) out << c.CataloguePath(i);
  return out;
}

// The pictures a walk must find, from Qt's own listing (in its order).
inline void ExpectedOrder(const QString& dir, bool recursive, QStringList& out) {
  const QStringList names = QDir(dir).entryList(
      QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
  for (const QString& n : names) {
    const QString full = dir + u'/' + n;
    const QFileInfo fi(full);
    if (fi.isFile() && fi.size() > 0 && IsPictureFile(n, fi.size(), false)) out << full;
    if (fi.isDir() && recursive) ExpectedOrder(full, recursive, out);
  }
}

}  // namespace ld::testing
