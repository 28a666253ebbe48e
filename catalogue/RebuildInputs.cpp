#include "catalogue/RebuildInputs.h"

#include "app/core/SettingsFile.h"
#include "platform/DataDir.h"
#include "platform/Paths.h"
#include "platform/TextFile.h"

namespace ld {
namespace {

int ClampItemIndex(int index, int count) {
  if (index < -1) return -1;
  if (index >= count) return count - 1;
  return index;
}

QString Default(const char* key) {
  const SettingKey* k = FindSettingKey(QString::fromLatin1(key));
  return k ? SettingDefault(*k) : QString();
}

QString Text(const QStringList& s, const char* key) {
  return ReadSetting(s, QString::fromLatin1(key), Default(key));
}

bool Bool(const QStringList& s, const char* key) {
  return ReadBool(s, QString::fromLatin1(key), Default(key));
}

int Int(const QStringList& s, const char* key) {
  return ReadInt(s, QString::fromLatin1(key), Default(key));
}

}  // namespace

ScanFilter ScanFilterFromSettings(const QStringList& s) {
  ScanFilter f;
  f.subDirectories = ClampItemIndex(Int(s, "RadioGroup_sous_rep_recursif.ItemIndex"), 2);
  f.marking = ClampItemIndex(Int(s, "RadioGroup_exclusion.ItemIndex"), 3);
  f.useExclusionLists = Bool(s, "CheckBox_fic_exclusion.Checked");
  f.dateFrom = Bool(s, "CheckBox_date_de.Checked");
  f.dateTo = Bool(s, "CheckBox_date_a.Checked");
  f.yearFrom = Text(s, "annee_de");
  f.monthFrom = Text(s, "mois_de");
  f.yearTo = Text(s, "annee_a");
  f.monthTo = Text(s, "mois_a");
  f.wordsOn = Bool(s, "CheckBox_contient.Checked");
  f.words = Text(s, "filtre_contient");
  return f;
}

QList<RootDirectory> ReadRootDirectories(const std::function<void(const QString&)>& vanished) {
  QList<RootDirectory> roots;
  const auto lines = ReadTextLines(DataFile(QString::fromLatin1(files::kDirectoryList)));
  if (!lines) return roots;
  const auto flags = ReadTextLines(DataFile(QString::fromLatin1(files::kDirectoryFlags)));
  for (qsizetype i = 0; i < lines->size(); ++i) {
    const bool ticked =
        !flags || (i < flags->size() && (*flags)[i] == QLatin1String("true"));
    roots.append({(*lines)[i], ticked});
  }
  qsizetype i = 0;
  while (i < roots.size()) {
    if (IsExistingDirectory(roots[i].path)) {
      ++i;
      continue;
    }
    if (vanished)
      vanished(QString::number(i) + QStringLiteral("  ") + roots[i].path +
               QStringLiteral("  n'existe pas..."));
    roots.removeAt(i);
  }
  return roots;
}

}  // namespace ld
