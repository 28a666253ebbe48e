#include "panel/AlbumCopy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>

#include "platform/AtomicFile.h"
#include "platform/Error.h"
#include "platform/PathBytes.h"
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
  // The source is opened by its name's bytes, so that a name that is not
  // valid UTF-8 is found too; without waiting, in case it is not a file.
  const int fd = source.isEmpty() ? -1
                                  : ::open(PathToBytes(source).constData(),
                                           O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  const int openErrno = errno;
  QFile in;
  struct stat st {};
  if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
                  !in.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))) {
    ::close(fd);
    return Failed(QStringLiteral("l'image %1 n'existe pas").arg(PathForDisplay(source)));
  }
  if (fd < 0)
    return Failed(
        openErrno == ENOENT || openErrno == ENOTDIR || source.isEmpty()
            ? QStringLiteral("l'image %1 n'existe pas").arg(PathForDisplay(source))
            : QStringLiteral("l'image %1 ne peut pas être lue").arg(PathForDisplay(source)));
  if (target.isEmpty()) return Failed(QStringLiteral("aucun fichier cible"));
  // The album's entries are the album's own: one that is a link is replaced
  // by the copy, and what it led to (a directory included) is left alone.
  // The target is looked at by its bytes: its name comes from the picture's,
  // which may not be UTF-8.
  struct stat entry {};
  if (::lstat(PathToBytes(target).constData(), &entry) == 0 && S_ISDIR(entry.st_mode))
    return Failed(QStringLiteral("%1 est un répertoire").arg(PathForDisplay(target)));
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
          return Failed(QStringLiteral("l'image %1 ne peut pas être lue (%2)")
                            .arg(PathForDisplay(source), in.errorString()));
        break;
      }
      out.Write(block);
    }
    out.SetModificationTime(QDateTime::fromMSecsSinceEpoch(qint64{st.st_mtim.tv_sec} * 1000 +
                                                           st.st_mtim.tv_nsec / 1000000));
    out.Commit();
  } catch (const Error&) {
    const QString why = out.FailureReason();
    const QString shown = PathForDisplay(target);
    return Failed(why.isEmpty() ? QStringLiteral("%1 ne peut pas être écrit").arg(shown)
                                : QStringLiteral("%1 ne peut pas être écrit (%2)").arg(shown, why));
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
  return {true, PathForDisplay(target) + QStringLiteral("\n\n    copie effectuée dans l'album ") +
                    letter + QStringLiteral(" ...")};
}

}  // namespace ld
