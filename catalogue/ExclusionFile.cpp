#include "catalogue/ExclusionFile.h"

#include <QFileInfo>
#include <algorithm>

#include "catalogue/TextUtils.h"
#include "platform/Paths.h"
#include "platform/TextFile.h"

namespace ld {
namespace {

const QString kRange = QStringLiteral("...");

// The items of one block line of directory dir.
void AddBlockLine(const QString& dir, const QString& line, QStringList& out, IDialogs& dialogs) {
  const qsizetype p = line.indexOf(kRange);
  if (p < 0) {
    out.append(JoinPath(dir, line));
    return;
  }
  // A numbered range: the first number comes from the text between the last
  // separator and "...", the prefix and the last number from the text after
  // it, the extension from the first name.
  const qsizetype start = line.lastIndexOf(kSep) + 1;
  const QString first = p > start ? line.mid(start, p - start) : QString();
  const QString last = line.mid(p + kRange.size());
  const qsizetype dot = first.lastIndexOf(u'.');
  const QString extension = dot < 0 ? QString() : first.mid(dot);
  QString unusedPrefix, prefix;
  int from = 0, to = 0;
  SplitDigits(first, unusedPrefix, from, dialogs);
  SplitDigits(last, prefix, to, dialogs);
  // 64-bit counting, so that a last number of 2147483647 ends the loop.
  long long k = from;
  const long long end = std::min<long long>(to, static_cast<long long>(from) + kMaxRangeItems - 1);
  const QString head = JoinPath(dir, prefix);
  for (; k <= end; ++k) out.append(head + QString::number(k) + extension);
}

}  // namespace

ExclusionLists ParseExclusionLines(const QStringList& lines, IDialogs& dialogs) {
  ExclusionLists lists;
  const qsizetype n = lines.size();
  auto lineAt = [&](qsizetype i) {
    QString l = lines[i];
    RepairUtf8Text(l);
    return l;
  };
  for (qsizetype i = 0; i < n; ++i) {
    QString line = lineAt(i);
    if (line.isEmpty() || line.front() == u'\'') continue;
    if (line.startsWith(QLatin1String("**"))) {
      line = line.mid(2);
      lists.directories.append(line);
    }
    if (!line.startsWith(QLatin1String("+*"))) continue;
    const QString dir = line.mid(2);
    // The block: each line read is used only when the file goes on after it,
    // so a block left open at the end of the file loses its last line.
    for (++i; i < n; ++i) {
      const QString blockLine = lineAt(i);
      if (i == n - 1) return lists;
      if (blockLine == QLatin1String("-")) break;
      AddBlockLine(dir, blockLine, lists.pictures, dialogs);
    }
  }
  return lists;
}

ExclusionLists ReadExclusionFile(const QString& path, bool enabled, IDialogs& dialogs) {
  if (!enabled) return {};
  const auto lines = ReadTextLines(path, /*stopAtSub=*/true);
  if (!lines) return {};
  return ParseExclusionLines(*lines, dialogs);
}

QStringList ExclusionFileStarterLines() {
  return {
      QStringLiteral("' Fichier d'exclusions de LuminoDrift"),
      QStringLiteral("' Les lignes commençant par une apostrophe sont des commentaires."),
      QStringLiteral("' Il n'agit que si la case \"fichier d'exclusions\" est cochée, et seulement"),
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
      QStringLiteral("' Dans une série, les zéros de tête ne sont pas repris : IMG_0008.JPG...IMG_0010.JPG"),
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
