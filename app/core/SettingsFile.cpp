#include "app/core/SettingsFile.h"

#include "catalogue/TextUtils.h"
#include "platform/DataDir.h"
#include "platform/TextFile.h"

namespace ld {

const std::array<SettingKey, kSettingCount>& SettingKeys() {
  using K = SettingKind;
  // Album defaults are the Linux places of the data directory; no viewer of
  // the user's (empty) means the desktop's default image viewer; the rest as
  // the program always had them.
  static const std::array<SettingKey, kSettingCount> keys = {{
      {"rep_album_A.Caption", K::Text, nullptr, "répertoire album A", "rep_album_A", nullptr},
      {"rep_album_B.Caption", K::Text, nullptr, "répertoire album B", "rep_album_B", nullptr},
      {"xnview_alternative_Label.Caption", K::Text, "", "exécutable (*.exe)",
       "xnview_alternative_Label", nullptr},
      {"dt0_a", K::Integer, "1000", "5000", "Edit_dt0_a", "dt0_a"},
      {"dt1_a", K::Integer, "2000", "2000", "Edit_dt1_a", "dt1_a"},
      {"dt2_a", K::Integer, "4000", "2000", "Edit_dt2_a", "dt2_a"},
      {"dt2_b", K::Integer, "4000", "2000", "Edit_dt2_b", "dt2_b"},
      {"dt3_a", K::Integer, "2000", "2000", "Edit_dt3_a", "dt3_a"},
      {"dt3_b", K::Integer, "2000", "2000", "Edit_dt3_b", "dt3_b"},
      {"dt4_a", K::Integer, "2000", "2000", "Edit_dt4_a", "dt4_a"},
      {"dt4_b", K::Integer, "2000", "2000", "Edit_dt4_b", "dt4_b"},
      {"dt5_a", K::Integer, "2000", "2000", "Edit_dt5_a", "dt5_a"},
      {"dt5_b", K::Integer, "2000", "2000", "Edit_dt5_b", "dt5_b"},
      {"_haut", K::Integer, "100", "100", "Edit_haut", "_haut"},
      {"vmax", K::Integer, "100", "100", "Edit_vmax", "vmax"},
      {"zoom_max10", K::Integer, "32", "16", "Edit_zoom_s_dix", "zoom_max10"},
      {"inc_dx", K::Integer, "500", "250", "Edit_inc_pixel", "inc_dx"},
      {"indice_non_aleatoire", K::Integer, "4", "0", "Edit_indice_non_aleatoire",
       "sequential_index"},
      {"rayon_rnd", K::Integer, "5", "5", "Edit_rayon_rnd", "rayon_rnd"},
      {"nb_fouille", K::Integer, "3", "5", "Edit_nb_fouille", "nb_fouille"},
      {"Rdg1.ItemIndex", K::ItemIndex, "0", "0", "Rdg1", nullptr},
      {"RadioGroup_titre_ecran.ItemIndex", K::ItemIndex, "1", "1", "RadioGroup_titre_ecran",
       nullptr},
      {"RadioGroup_sous_rep_recursif.ItemIndex", K::ItemIndex, "1", "1",
       "RadioGroup_sous_rep_recursif", nullptr},
      {"RadioGroup_exclusion.ItemIndex", K::ItemIndex, "0", "0", "RadioGroup_exclusion", nullptr},
      {"CheckBox_rnd.Checked", K::Boolean, "true", "true", "CheckBox_rnd", nullptr},
      {"CheckBox_date_de.Checked", K::Boolean, "false", "false", "CheckBox_date_de", nullptr},
      {"CheckBox_date_a.Checked", K::Boolean, "false", "false", "CheckBox_date_a", nullptr},
      {"annee_de", K::Text, "", "2014", "Edit_annee_de", nullptr},
      {"annee_a", K::Text, "", "", "Edit_annee_a", nullptr},
      {"mois_de", K::Text, "", "10", "Edit_mois_de", nullptr},
      {"mois_a", K::Text, "", "", "Edit_mois_a", nullptr},
      {"CheckBox_contient.Checked", K::Boolean, "false", "false", "CheckBox_contient", nullptr},
      {"filtre_contient", K::Text, "", "divers avignon", "Edit_contient", nullptr},
      {"CheckBox_xnview_rep_et_nom.Checked", K::Boolean, "false", "false",
       "CheckBox_xnview_rep_et_nom", nullptr},
      {"CheckBox_af_an.Checked", K::Boolean, "false", "false", "CheckBox_af_an", nullptr},
      {"CheckBox_fic_exclusion.Checked", K::Boolean, "false", "false", "CheckBox_fic_exclusion",
       nullptr},
      {"CheckBox_grand_menu.Checked", K::Boolean, "false", "false", "CheckBox_grand_menu", nullptr},
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

QString SettingLine(const SettingKey& key, const QString& value) {
  return QString::fromLatin1(key.key) + QStringLiteral(" = ") + value;
}

QStringList DesignSettingLines() {
  QStringList lines;
  for (const SettingKey& k : SettingKeys())
    lines << SettingLine(k, QString::fromUtf8(k.designValue));
  return lines;
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
