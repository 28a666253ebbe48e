#include "app/core/SettingsFile.h"

#include "catalogue/TextUtils.h"
#include "platform/DataDir.h"
#include "platform/TextFile.h"

namespace ld {

const std::array<SettingKey, kSettingCount>& SettingKeys() {
  using K = SettingKind;
  // Album and viewer defaults are the Linux places of the data directory and
  // the XnView MP launcher; the rest as the program always had them.
  static const std::array<SettingKey, kSettingCount> keys = {{
      {"rep_album_A.Caption", K::Text, nullptr},
      {"rep_album_B.Caption", K::Text, nullptr},
      {"xnview_alternative_Label.Caption", K::Text, "/usr/bin/xnview"},
      {"dt0_a", K::Integer, "1000"},
      {"dt1_a", K::Integer, "2000"},
      {"dt2_a", K::Integer, "4000"},
      {"dt2_b", K::Integer, "4000"},
      {"dt3_a", K::Integer, "2000"},
      {"dt3_b", K::Integer, "2000"},
      {"dt4_a", K::Integer, "2000"},
      {"dt4_b", K::Integer, "2000"},
      {"dt5_a", K::Integer, "2000"},
      {"dt5_b", K::Integer, "2000"},
      {"_haut", K::Integer, "100"},
      {"vmax", K::Integer, "100"},
      {"zoom_max10", K::Integer, "32"},
      {"inc_dx", K::Integer, "500"},
      {"indice_non_aleatoire", K::Integer, "4"},
      {"rayon_rnd", K::Integer, "5"},
      {"nb_fouille", K::Integer, "3"},
      {"Rdg1.ItemIndex", K::ItemIndex, "0"},
      {"RadioGroup_titre_ecran.ItemIndex", K::ItemIndex, "1"},
      {"RadioGroup_sous_rep_recursif.ItemIndex", K::ItemIndex, "1"},
      {"RadioGroup_exclusion.ItemIndex", K::ItemIndex, "0"},
      {"CheckBox_rnd.Checked", K::Boolean, "true"},
      {"CheckBox_date_de.Checked", K::Boolean, "false"},
      {"CheckBox_date_a.Checked", K::Boolean, "false"},
      {"annee_de", K::Text, ""},
      {"annee_a", K::Text, ""},
      {"mois_de", K::Text, ""},
      {"mois_a", K::Text, ""},
      {"CheckBox_contient.Checked", K::Boolean, "false"},
      {"filtre_contient", K::Text, ""},
      {"CheckBox_xnview_rep_et_nom.Checked", K::Boolean, "false"},
      {"CheckBox_af_an.Checked", K::Boolean, "false"},
      {"CheckBox_fic_exclusion.Checked", K::Boolean, "false"},
      {"CheckBox_grand_menu.Checked", K::Boolean, "false"},
  }};
  return keys;
}

QString SettingDefault(const SettingKey& key) {
  if (key.defaultValue) return QString::fromUtf8(key.defaultValue);
  // The two album keys: their defaults live in the data directory.
  return DataFile(QString::fromLatin1(key.key).startsWith(QLatin1String("rep_album_A"))
                      ? QStringLiteral("A")
                      : QStringLiteral("B"));
}

const SettingKey* FindSettingKey(const QString& key) {
  for (const SettingKey& k : SettingKeys())
    if (key == QLatin1String(k.key)) return &k;
  return nullptr;
}

void LoadSettingsList(QStringList& list, const QString& path) {
  list.clear();
  if (auto lines = ReadTextLines(path)) list = std::move(*lines);
}

namespace {
// The index of the line that the lookup rule finds for key, or -1.
qsizetype FindSettingIndex(const QStringList& list, const QString& key) {
  const QString name = key + u' ';
  for (qsizetype i = 0; i < list.size(); ++i) {
    const QString& line = list[i];
    const qsizetype eq = line.indexOf(u'=');
    if (eq < 0) continue;
    if (QStringView(line).left(eq).compare(name, Qt::CaseInsensitive) == 0) return i;
  }
  return -1;
}
}  // namespace

QString ReadSetting(const QStringList& list, const QString& key, const QString& defaultText) {
  const qsizetype i = FindSettingIndex(list, key);
  if (i < 0) return defaultText;
  const QString& line = list[i];
  const QString value = TrimRightSpaces(TrimLeftSpaces(line.mid(line.indexOf(u'=') + 1)));
  return value.isEmpty() ? defaultText : value;
}

std::optional<QString> FindSettingLine(const QStringList& list, const QString& key) {
  const qsizetype i = FindSettingIndex(list, key);
  if (i < 0) return std::nullopt;
  return list[i];
}

bool ReadBool(const QStringList& list, const QString& key, const QString& defaultText) {
  return ReadSetting(list, key, defaultText) == QLatin1String("true");
}

int ReadInt(const QStringList& list, const QString& key, const QString& defaultText) {
  return ToIntOrThrow(ReadSetting(list, key, defaultText));
}

void WriteText(QStringList& list, const QString& key, const QString& value) {
  list.append(key + QStringLiteral(" = ") + value);
}

void WriteBool(QStringList& list, const QString& key, bool value) {
  WriteText(list, key, value ? QStringLiteral("true") : QStringLiteral("false"));
}

void WriteInt(QStringList& list, const QString& key, int value) {
  WriteText(list, key, QString::number(value));
}

}  // namespace ld
