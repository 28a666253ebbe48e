#include "platform/DataDir.h"

#include <QDir>
#include <QStandardPaths>

#include "platform/Paths.h"

namespace ld {
namespace {

// $XDG_DATA_HOME or $XDG_CONFIG_HOME as Qt reads it, ~/.local/share or
// ~/.config without it. A relative value is ignored, as the XDG base
// directory rules ask: Qt 6.4 would take it as it stands, relative to
// whatever the current directory is.
QString XdgDir(QStandardPaths::StandardLocation where, const char* fallbackUnderHome) {
  const QString dir = QStandardPaths::writableLocation(where);
  if (QDir::isAbsolutePath(dir)) return dir;
  return JoinPath(QDir::homePath(), QString::fromLatin1(fallbackUnderHome));
}

}  // namespace

QString DataDir() {
  return JoinPath(XdgDir(QStandardPaths::GenericDataLocation, ".local/share"),
                  QStringLiteral("LuminoDrift"));
}

QString DataFile(const QString& fileName) { return JoinPath(DataDir(), fileName); }

QString ConfigDir() { return XdgDir(QStandardPaths::GenericConfigLocation, ".config"); }

bool EnsureDataDir() {
  const QString d = DataDir();
  if (QFileInfo(d).isDir()) return true;
  return QDir().mkpath(d);
}

}  // namespace ld
