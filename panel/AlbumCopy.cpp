#include "panel/AlbumCopy.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "platform/AtomicFile.h"
#include "platform/Error.h"
#include "platform/Paths.h"

namespace ld {

QString AlbumTargetName(const QString& albumDir, const QString& picturePath) {
  return JoinPath(albumDir,
                  LastPathComponent(DirectoryPart(picturePath)) + u'-' + FileNamePart(picturePath));
}

namespace {

CopyResult Failed(const QString& reason) { return {false, reason}; }

}  // namespace

CopyResult CopyReplacing(const QString& source, const QString& target) {
  const QFileInfo from(source);
  if (source.isEmpty() || !from.isFile())
    return Failed(QStringLiteral("l'image %1 n'existe pas").arg(source));
  if (target.isEmpty()) return Failed(QStringLiteral("aucun fichier cible"));
  // The album's entries are the album's own: one that is a link is replaced
  // by the copy, and what it led to (a directory included) is left alone.
  const QFileInfo entry(target);
  if (entry.isDir() && !entry.isSymLink())
    return Failed(QStringLiteral("%1 est un répertoire").arg(target));
  QFile in(source);
  if (!in.open(QIODevice::ReadOnly))
    return Failed(
        QStringLiteral("l'image %1 ne peut pas être lue (%2)").arg(source, in.errorString()));
  // An album that does not exist yet (the default ones on a new
  // installation) is made on its first copy.
  const QString dir = DirectoryPart(target);
  if (!dir.isEmpty() && !QFileInfo(dir).isDir() && (!QDir().mkpath(dir) || !QFileInfo(dir).isDir()))
    return Failed(QStringLiteral("le répertoire %1 ne peut pas être créé").arg(dir));
  AtomicFile out(target, LinkRule::ReplaceLink);
  try {
    out.Open();
    constexpr qint64 kChunk = 1 << 20;
    for (;;) {
      const QByteArray block = in.read(kChunk);
      if (block.isEmpty()) {
        if (in.error() != QFileDevice::NoError || !in.atEnd())
          return Failed(
              QStringLiteral("l'image %1 ne peut pas être lue (%2)").arg(source, in.errorString()));
        break;
      }
      out.Write(block);
    }
    out.SetModificationTime(from.lastModified());
    out.Commit();
  } catch (const Error&) {
    const QString why = out.FailureReason();
    return Failed(why.isEmpty()
                      ? QStringLiteral("%1 ne peut pas être écrit").arg(target)
                      : QStringLiteral("%1 ne peut pas être écrit (%2)").arg(target, why));
  }
  return {true, QString()};
}

AlbumCopyOutcome CopyIntoAlbum(Album album, const QString& albumDir, const QString& picturePath) {
  const QString target = AlbumTargetName(albumDir, picturePath);
  const QChar letter = album == Album::A ? u'A' : u'B';
  // An existing copy is replaced only by a complete new one.
  const CopyResult copy = CopyReplacing(picturePath, target);
  if (!copy)
    return {false, QStringLiteral("\n     Copie impossible dans l'album %1 (%2) :\n\n     %3")
                       .arg(letter)
                       .arg(albumDir, copy.reason)};
  return {true, target + QStringLiteral("\n\n    copie effectuée dans l'album ") + letter +
                    QStringLiteral(" ...")};
}

}  // namespace ld
