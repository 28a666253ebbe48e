#include "app/core/DirectoryListFile.h"

#include "platform/DataDir.h"
#include "platform/Paths.h"
#include "platform/TextFile.h"

namespace ld {
namespace {

QString ListPath() { return DataFile(QString::fromLatin1(files::kDirectoryList)); }
QString FlagsPath() { return DataFile(QString::fromLatin1(files::kDirectoryFlags)); }

}  // namespace

std::optional<QList<RootDirectory>> ReadDirectoryList() {
  const auto lines = ReadPathLines(ListPath());
  if (!lines) return std::nullopt;
  const auto flags = ReadTextLines(FlagsPath());
  QList<RootDirectory> roots;
  roots.reserve(lines->size());
  for (qsizetype i = 0; i < lines->size(); ++i) {
    const bool ticked = !flags || (i < flags->size() && (*flags)[i] == QLatin1String("true"));
    roots.append({(*lines)[i], ticked});
  }
  return roots;
}

void ReportVanishedDirectories(const QList<RootDirectory>& roots,
                               const std::function<void(const QString&)>& report) {
  for (qsizetype i = 0; i < roots.size(); ++i)
    if (!IsExistingDirectory(roots[i].path))
      report(QString::number(i) + QStringLiteral("  ") + roots[i].path +
             QStringLiteral("  n'existe pas..."));
}

QStringList DirectoryFlagLines(const QList<RootDirectory>& roots) {
  QStringList flags;
  flags.reserve(roots.size());
  for (const RootDirectory& r : roots)
    flags << (r.ticked ? QStringLiteral("true") : QStringLiteral("false"));
  return flags;
}

void WriteDirectoryList(const QList<RootDirectory>& roots) {
  QStringList lines;
  lines.reserve(roots.size());
  for (const RootDirectory& r : roots) lines << r.path;
  WriteTextLines(ListPath(), lines);
  WriteTextLines(FlagsPath(), DirectoryFlagLines(roots));
}

}  // namespace ld
