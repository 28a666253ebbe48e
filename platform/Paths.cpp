#include "platform/Paths.h"

#include <sys/stat.h>

#include "platform/PathBytes.h"

namespace ld {

QString JoinPath(const QString& dir, const QString& name) { return dir + kSep + name; }

QString DirectoryPart(const QString& path) {
  const qsizetype i = path.lastIndexOf(kSep);
  if (i < 0) return QString();
  if (i == 0) return kSepText;
  return path.left(i);
}

bool HasLineBreak(const QString& text) { return text.contains(u'\n') || text.contains(u'\r'); }

QString FileNamePart(const QString& path) {
  const qsizetype i = path.lastIndexOf(kSep);
  return i < 0 ? path : path.mid(i + 1);
}

QString LastPathComponent(const QString& dirPath) {
  QString p = dirPath;
  if (p.endsWith(kSep)) p.chop(1);
  const qsizetype i = p.lastIndexOf(kSep);
  return i < 0 ? p : p.mid(i + 1);
}

QString LowerExtension(const QString& path) {
  const QString name = FileNamePart(path);
  const qsizetype i = name.lastIndexOf(u'.');
  return i < 0 ? QString() : name.mid(i).toLower();
}

// Tested by the path's bytes (PathToBytes), so that a name that is not valid
// UTF-8 is found as well; links are followed.
bool IsExistingDirectory(const QString& path) {
  struct stat st;
  return !path.isEmpty() && ::stat(PathToBytes(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::optional<FileStamp> StatFile(const QString& path) {
  struct stat st;
  if (path.isEmpty() || ::stat(PathToBytes(path).constData(), &st) != 0) return std::nullopt;
  return FileStamp{qint64(st.st_size),
                   QDateTime::fromMSecsSinceEpoch(qint64(st.st_mtim.tv_sec) * 1000 +
                                                  st.st_mtim.tv_nsec / 1000000)};
}

bool IsExistingFile(const QString& path) {
  struct stat st;
  return !path.isEmpty() && ::stat(PathToBytes(path).constData(), &st) == 0 && !S_ISDIR(st.st_mode);
}

}  // namespace ld
