#include "platform/AlbumCopy.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "platform/Paths.h"

namespace ld {

QString AlbumTargetName(const QString& albumDir, const QString& picturePath) {
  return JoinPath(albumDir,
                  LastPathComponent(DirectoryPart(picturePath)) + u'-' + FileNamePart(picturePath));
}

bool CopyReplacing(const QString& source, const QString& target) {
  const QFileInfo from(source);
  if (source.isEmpty() || target.isEmpty() || !from.isFile()) return false;
  if (QFileInfo(target).isDir()) return false;
  QFile in(source);
  if (!in.open(QIODevice::ReadOnly)) return false;
  // QSaveFile writes to a temporary file in the target's directory and
  // renames it over the target on commit; it fails when that directory does
  // not exist or cannot be written, and removes its temporary file then.
  QSaveFile out(target);
  out.setDirectWriteFallback(false);
  if (!out.open(QIODevice::WriteOnly)) return false;
  constexpr qint64 kChunk = 1 << 20;
  for (;;) {
    const QByteArray block = in.read(kChunk);
    if (block.isEmpty()) {
      // A QSaveFile destroyed without commit removes its temporary file.
      if (in.error() != QFileDevice::NoError || !in.atEnd()) return false;
      break;
    }
    if (out.write(block) != block.size()) return false;
  }
  if (!out.flush()) return false;
  out.setFileTime(from.lastModified(), QFileDevice::FileModificationTime);
  return out.commit();
}

}  // namespace ld
