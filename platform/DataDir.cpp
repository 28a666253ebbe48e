#include "platform/DataDir.h"

#include <QDir>

#include "platform/Paths.h"

namespace ld {
namespace {

QString XdgDir(const char* var, const char* fallbackUnderHome) {
  const QString v = qEnvironmentVariable(var);
  if (!v.isEmpty() && QDir::isAbsolutePath(v)) return v;
  return JoinPath(QDir::homePath(), QString::fromLatin1(fallbackUnderHome));
}

}  // namespace

QString DataDir() {
  return JoinPath(XdgDir("XDG_DATA_HOME", ".local/share"), QStringLiteral("LuminoDrift"));
}

QString DataFile(const QString& fileName) { return JoinPath(DataDir(), fileName); }

QString ConfigDir() { return XdgDir("XDG_CONFIG_HOME", ".config"); }

bool EnsureDataDir() {
  const QString d = DataDir();
  if (QFileInfo(d).isDir()) return true;
  return QDir().mkpath(d);
}

}  // namespace ld
