#include "catalogue/ExclusionFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>

#include "catalogue/TextUtils.h"
#include "platform/Error.h"
#include "platform/PathBytes.h"
#include "platform/Paths.h"
#include "platform/TextFile.h"

namespace ld {
namespace {

const QString kRange = QStringLiteral("...");

QString TooLargeMessage(const QString& path) {
  return QStringLiteral("Le fichier d'exclusions %1 est trop grand pour être lu.").arg(path);
}

QString UnreadableMessage(const QString& path, int error) {
  QString reason;
  switch (error) {
    case EACCES:
    case EPERM:
      reason = QStringLiteral("accès refusé");
      break;
    case EISDIR:
      reason = QStringLiteral("c'est un répertoire");
      break;
    case 0:
      reason = QStringLiteral("ce n'est pas un fichier ordinaire");
      break;
    default:
      reason = QStringLiteral("erreur d'entrée/sortie %1").arg(error);
      break;
  }
  return QStringLiteral("Impossible de lire le fichier d'exclusions %1 (%2).").arg(path, reason);
}

// The items of one block line of directory dir.
void AddBlockLine(const QString& dir, const QString& line, ExclusionLists& lists, qsizetype& chars,
                  IDialogs& dialogs) {
  const qsizetype p = line.indexOf(kRange);
  if (p < 0) {
    lists.pictures.append(JoinPath(dir, line));
    chars += lists.pictures.back().size();
    return;
  }
  // A numbered range: the first number comes from the text between the last
  // separator and "...", the prefix and the last number from the text after
  // it, the extension from the first name.
  const qsizetype start = line.lastIndexOf(kSep) + 1;
  const QString first = p > start ? line.mid(start, p - start) : QString();
  const QString last = line.mid(p + kRange.size());
  const qsizetype dot = first.lastIndexOf(u'.');
  ExclusionRange range;
  range.extension = dot < 0 ? QString() : first.mid(dot);
  QString unusedPrefix, prefix;
  int from = 0, to = 0;
  SplitDigits(first, unusedPrefix, from, dialogs);
  SplitDigits(last, prefix, to, dialogs);
  if (to < from) return;  // no item
  range.head = JoinPath(dir, prefix);
  range.first = from;
  range.last =
      static_cast<int>(std::min<long long>(to, static_cast<long long>(from) + kMaxRangeItems - 1));
  range.position = lists.pictures.size();
  chars += range.head.size() + range.extension.size();
  lists.ranges.append(range);
}

}  // namespace

QStringList PictureItems(const ExclusionLists& lists) {
  QStringList out;
  qsizetype next = 0;
  auto plainUpTo = [&](qsizetype end) {
    for (; next < end && next < lists.pictures.size(); ++next) out.append(lists.pictures[next]);
  };
  for (const ExclusionRange& r : lists.ranges) {
    plainUpTo(r.position);
    for (long long k = r.first; k <= r.last; ++k)
      out.append(r.head + QString::number(k) + r.extension);
  }
  plainUpTo(lists.pictures.size());
  return out;
}

ExclusionLists ParseExclusionLines(const QStringList& lines, IDialogs& dialogs) {
  ExclusionLists lists;
  qsizetype chars = 0;
  const qsizetype n = lines.size();
  auto lineAt = [&](qsizetype i) {
    QString l = lines[i];
    RepairUtf8Text(l);
    return l;
  };
  auto checkSize = [&] {
    if (chars > kMaxExclusionItemChars)
      throw Error(QStringLiteral("Le fichier d'exclusions est trop grand pour être lu."));
  };
  for (qsizetype i = 0; i < n; ++i) {
    QString line = lineAt(i);
    if (line.isEmpty() || line.front() == u'\'') continue;
    if (line.startsWith(QLatin1String("**"))) {
      line = line.mid(2);
      lists.directories.append(line);
      chars += line.size();
      checkSize();
    }
    if (!line.startsWith(QLatin1String("+*"))) continue;
    const QString dir = line.mid(2);
    // The block: each line read is used only when the file goes on after it,
    // so a block left open at the end of the file loses its last line.
    for (++i; i < n; ++i) {
      const QString blockLine = lineAt(i);
      if (i == n - 1) return lists;
      if (blockLine == QLatin1String("-")) break;
      AddBlockLine(dir, blockLine, lists, chars, dialogs);
      checkSize();
    }
  }
  return lists;
}

ExclusionLists ReadExclusionFile(const QString& path, bool enabled, IDialogs& dialogs) {
  if (!enabled) return {};
  // Opened without waiting (a FIFO in its place must not block the start),
  // then checked to be a file of a sensible size.
  const QByteArray name = PathToBytes(path);
  const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return {};
    throw Error(UnreadableMessage(path, errno));
  }
  QByteArray bytes;
  int error = -1;
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    error = errno;
  } else if (S_ISDIR(st.st_mode)) {
    error = EISDIR;
  } else if (!S_ISREG(st.st_mode)) {
    error = 0;
  } else if (st.st_size > kMaxExclusionFileBytes) {
    ::close(fd);
    throw Error(TooLargeMessage(path));
  } else {
    bytes.resize(static_cast<qsizetype>(st.st_size));
    qsizetype done = 0;
    for (;;) {
      if (done == bytes.size())
        bytes.resize(std::min<qsizetype>(done * 2 + 4096, kMaxExclusionFileBytes + 1));
      const ssize_t got = ::read(fd, bytes.data() + done, static_cast<size_t>(bytes.size() - done));
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) {
        error = errno;
        break;
      }
      if (got == 0) break;
      done += got;
      if (done > kMaxExclusionFileBytes) {
        ::close(fd);
        throw Error(TooLargeMessage(path));
      }
    }
    bytes.truncate(done);
  }
  ::close(fd);
  if (error >= 0) throw Error(UnreadableMessage(path, error));
  try {
    return ParseExclusionLines(SplitLines(DecodeText(bytes), /*stopAtSub=*/true), dialogs);
  } catch (const Error&) {
    throw Error(TooLargeMessage(path));
  }
}

QStringList ExclusionFileStarterLines() {
  return {
      QStringLiteral("' Fichier d'exclusions de LuminoDrift"),
      QStringLiteral("' Les lignes commençant par une apostrophe sont des commentaires."),
      QStringLiteral(
          "' Il n'agit que si la case \"fichier d'exclusions\" est cochée, et seulement"),
      QStringLiteral("' à la prochaine reconstruction (bouton rouge \"Réinitialiser\")."),
      QStringLiteral("'"),
      QStringLiteral("' Exclure un répertoire entier (et ses sous-répertoires) :"),
      QStringLiteral("'   **/home/moi/Images/Privé"),
      QStringLiteral("'"),
      QStringLiteral("' Exclure des images d'un répertoire : un bloc commençant par +* suivi du"),
      QStringLiteral("' répertoire, une image par ligne, terminé par une ligne ne contenant que -"),
      QStringLiteral("'   +*/home/moi/Images/2005-07 Vacances"),
      QStringLiteral("'   IMG_0001.JPG"),
      QStringLiteral("'   DSC1.JPG...DSC3.JPG      (DSC1.JPG, DSC2.JPG et DSC3.JPG)"),
      QStringLiteral("'   -"),
      QStringLiteral(
          "' Dans une série, les zéros de tête ne sont pas repris : IMG_0008.JPG...IMG_0010.JPG"),
      QStringLiteral("' donne IMG_8.JPG, IMG_9.JPG et IMG_10.JPG."),
      QStringLiteral("' Les majuscules et minuscules comptent ; toute autre ligne est ignorée."),
      QString(),
  };
}

void CreateExclusionFileIfMissing(const QString& path) {
  if (QFileInfo::exists(path)) return;
  WriteTextLines(path, ExclusionFileStarterLines());
}

}  // namespace ld
