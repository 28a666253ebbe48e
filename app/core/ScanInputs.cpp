#include "app/core/ScanInputs.h"

#include "app/core/SettingsFile.h"

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

ScanInputs BuildScanInputs(const QStringList& settings, QList<RootDirectory> roots) {
  return {ScanFilterFromSettings(settings), std::move(roots)};
}

}  // namespace ld
