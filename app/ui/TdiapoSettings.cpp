// Settings file and state files of the main window: the load and save
// sequences, the directory list with its ticks, the history file and the
// current-directory list.
#include <QDir>

#include "app/core/SettingsFile.h"
#include "app/ui/Tdiapo.h"
#include "catalogue/TextUtils.h"
#include "platform/DataDir.h"
#include "platform/Error.h"
#include "platform/Paths.h"
#include "platform/TextFile.h"

namespace ld {
namespace {

QString DataPath(const char* name) { return DataFile(QString::fromLatin1(name)); }

}  // namespace

// The controls of keys 4 to 24 in table order: the integer edits with the
// variables they feed, then the radio groups.
Tdiapo::NumericControls Tdiapo::NumericSettingControls() {
  return {{Edit_dt0_a, Edit_dt1_a, Edit_dt2_a, Edit_dt2_b, Edit_dt3_a, Edit_dt3_b, Edit_dt4_a,
           Edit_dt4_b, Edit_dt5_a, Edit_dt5_b, Edit_haut, Edit_vmax, Edit_zoom_s_dix,
           Edit_inc_pixel, Edit_indice_non_aleatoire, Edit_rayon_rnd, Edit_nb_fouille},
          {&dt0_a, &dt1_a, &dt2_a, &dt2_b, &dt3_a, &dt3_b, &dt4_a, &dt4_b, &dt5_a, &dt5_b, &_haut,
           &vmax, &zoom_max10, &inc_dx, &sequential_index, &rayon_rnd, &nb_fouille},
          {Rdg1, RadioGroup_titre_ecran, RadioGroup_sous_rep_recursif, RadioGroup_exclusion}};
}

void Tdiapo::LoadSettings() {
  // Until the load has gone through, a save keeps what the files hold for
  // the keys not read yet and the history file (see SaveSettings).
  settings_keys_read_ = 0;
  history_read_ = false;
  design_setting_lines_ = SettingsLines();
  // 1. Directory list, ticks, vanished directories.
  LoadDirectoryList();
  // 2.
  LoadSettingsList(ListBox_param, DataPath(files::kSettings));
  settings_file_lines_ = ListBox_param;
  // 3. The 37 keys in table order. Putting a value into a control runs its
  // change handler when the value differs, as a user's change would. A value
  // that does not convert stops the load at its key.
  const auto& keys = SettingKeys();
  QLabel* const captions[3] = {rep_album_A, rep_album_B, xnview_alternative_Label};
  const NumericControls c = NumericSettingControls();
  auto key = [&](int i) { return QString::fromLatin1(keys[static_cast<size_t>(i)].key); };
  auto def = [&](int i) { return SettingDefault(keys[static_cast<size_t>(i)]); };
  auto text = [&](int i) { return ReadSetting(ListBox_param, key(i), def(i)); };

  for (int i = 0; i < 3; ++i) captions[i]->setText(text(i));
  settings_keys_read_ = 3;
  for (int i = 0; i < 17; ++i) {
    const QString t = text(3 + i);
    const int n = ToIntOrThrow(t);
    c.edits[i]->setText(t);
    *c.vars[i] = n;
    settings_keys_read_ = 4 + i;
  }
  for (int i = 0; i < 4; ++i) {
    c.groups[i]->SetItemIndex(ReadInt(ListBox_param, key(20 + i), def(20 + i)));
    settings_keys_read_ = 21 + i;
  }
  CheckBox_rnd->setChecked(text(24) == QLatin1String("true"));
  CheckBox_date_de->setChecked(text(25) == QLatin1String("true"));
  CheckBox_date_a->setChecked(text(26) == QLatin1String("true"));
  Edit_annee_de->setText(text(27));
  Edit_annee_a->setText(text(28));
  Edit_mois_de->setText(text(29));
  Edit_mois_a->setText(text(30));
  CheckBox_contient->setChecked(text(31) == QLatin1String("true"));
  Edit_contient->setText(text(32));
  CheckBox_xnview_rep_et_nom->setChecked(text(33) == QLatin1String("true"));
  CheckBox_af_an->setChecked(text(34) == QLatin1String("true"));
  Label_an->setVisible(CheckBox_af_an->isChecked());
  CheckBox_fic_exclusion->setChecked(text(35) == QLatin1String("true"));
  CheckBox_grand_menu->setChecked(text(36) == QLatin1String("true"));
  settings_keys_read_ = kSettingCount;
  // 4. History, or the first-start message.
  LoadHistory();
  // 5. Nothing to show yet: act as a release of Space, which opens the panel
  // with the normal pointer while the catalogue is prepared.
  if (catalogue.Count() == 0 && !host_window_mode_) FormKeyUp(keys::kSpace);
}

QStringList Tdiapo::SettingsLines() {
  const auto& keys = SettingKeys();
  auto key = [&](int i) { return QString::fromLatin1(keys[static_cast<size_t>(i)].key); };
  const NumericControls c = NumericSettingControls();

  QStringList lines;
  WriteText(lines, key(0), rep_album_A->text());
  WriteText(lines, key(1), rep_album_B->text());
  WriteText(lines, key(2), xnview_alternative_Label->text());
  for (int i = 0; i < 17; ++i) WriteInt(lines, key(3 + i), ToIntOrThrow(c.edits[i]->text()));
  for (int i = 0; i < 4; ++i) WriteInt(lines, key(20 + i), c.groups[i]->ItemIndex());
  WriteBool(lines, key(24), CheckBox_rnd->isChecked());
  WriteBool(lines, key(25), CheckBox_date_de->isChecked());
  WriteBool(lines, key(26), CheckBox_date_a->isChecked());
  WriteText(lines, key(27), Edit_annee_de->text());
  WriteText(lines, key(28), Edit_annee_a->text());
  WriteText(lines, key(29), Edit_mois_de->text());
  WriteText(lines, key(30), Edit_mois_a->text());
  WriteBool(lines, key(31), CheckBox_contient->isChecked());
  WriteText(lines, key(32), Edit_contient->text());
  WriteBool(lines, key(33), CheckBox_xnview_rep_et_nom->isChecked());
  WriteBool(lines, key(34), CheckBox_af_an->isChecked());
  WriteBool(lines, key(35), CheckBox_fic_exclusion->isChecked());
  WriteBool(lines, key(36), CheckBox_grand_menu->isChecked());
  return lines;
}

void Tdiapo::SaveSettings() {
  Label1->setText(QStringLiteral(" Sauvegarde des paramètres"));
  if (!EnsureDataDir()) throw Error(QStringLiteral("Impossible de créer ") + DataDir());
  const bool loadComplete = settings_keys_read_ == kSettingCount;
  // After a load that stopped early the directory files are rewritten only
  // when the user changed the list.
  if (loadComplete || DirectoryListChanged()) SaveDirectoryList();

  // The numbers typed into the edits reach the show's variables here.
  const NumericControls c = NumericSettingControls();
  for (int i = 0; i < 17; ++i) *c.vars[i] = ToIntOrThrow(c.edits[i]->text());
  ListBox_param = SettingsLines();
  if (!loadComplete) {
    // A key the load never reached keeps its line of the file (and stays
    // absent when the file had none), unless the user set its control since:
    // the control still holds its design value, not the user's setting.
    const auto& keys = SettingKeys();
    QStringList kept;
    for (int i = 0; i < kSettingCount; ++i) {
      if (i < settings_keys_read_ || ListBox_param[i] != design_setting_lines_.value(i)) {
        kept << ListBox_param[i];
      } else if (const auto line = FindSettingLine(
                     settings_file_lines_, QString::fromLatin1(keys[static_cast<size_t>(i)].key))) {
        kept << *line;
      }
    }
    ListBox_param = kept;
  }
  WriteTextLines(DataPath(files::kSettings), ListBox_param);

  if (rebuild_requested)
    DeleteFileSilently(DataPath(files::kCurrentDirectoryList));
  else
    SaveHistory();
}

void Tdiapo::Button2Click() { SaveSettings(); }

void Tdiapo::Button_enreg_paramClick() {
  settings_changed = true;
  rebuild_requested = true;
  SaveSettings();
  Panel3->hide();
  Panel2->hide();
}

void Tdiapo::LoadDirectoryList() {
  if (auto lines = ReadTextLines(DataPath(files::kDirectoryList)))
    CheckListBox_rep->SetLines(*lines, false);
  if (auto flags = ReadTextLines(DataPath(files::kDirectoryFlags))) {
    CheckListBox_rep_flag = *flags;
    for (int i = 0; i < CheckListBox_rep_flag.size() && i < CheckListBox_rep->Count(); ++i)
      if (CheckListBox_rep_flag[i] == QLatin1String("true")) CheckListBox_rep->SetChecked(i, true);
  } else {
    for (int i = 0; i < CheckListBox_rep->Count(); ++i) CheckListBox_rep->SetChecked(i, true);
  }
  // Directories missing now (an unplugged disk, a share not mounted yet):
  // one message each. They stay in the list with their ticks, so that they
  // are scanned again once they are back; the rebuild passes over them.
  for (int i = 0; i < CheckListBox_rep->Count(); ++i) {
    const QString path = CheckListBox_rep->Line(i);
    if (!IsExistingDirectory(path))
      Notice(QString::number(i) + QStringLiteral("  ") + path +
             QStringLiteral("  n'existe pas..."));
  }
  loaded_directory_lines_ = CheckListBox_rep->Lines();
  loaded_directory_ticks_.clear();
  for (int i = 0; i < CheckListBox_rep->Count(); ++i)
    loaded_directory_ticks_ << CheckListBox_rep->Checked(i);
}

bool Tdiapo::DirectoryListChanged() const {
  if (CheckListBox_rep->Lines() != loaded_directory_lines_) return true;
  for (int i = 0; i < CheckListBox_rep->Count(); ++i)
    if (CheckListBox_rep->Checked(i) != loaded_directory_ticks_.value(i)) return true;
  return false;
}

void Tdiapo::SaveDirectoryList() {
  WriteTextLines(DataPath(files::kDirectoryList), CheckListBox_rep->Lines());
  CheckListBox_rep_flag.clear();
  for (int i = 0; i < CheckListBox_rep->Count(); ++i)
    CheckListBox_rep_flag << (CheckListBox_rep->Checked(i) ? QStringLiteral("true")
                                                           : QStringLiteral("false"));
  WriteTextLines(DataPath(files::kDirectoryFlags), CheckListBox_rep_flag);
}

void Tdiapo::LoadHistory() {
  const QString path = DataPath(files::kHistory);
  if (FileSizeOf(path) > 0) {
    QStringList lines = ReadTextLines(path).value_or(QStringList());
    if (lines.size() > history_file_limit) lines = lines.mid(lines.size() - history_file_limit);
    ListBox_passee->clear();
    ListBox_passee->addItems(lines);
    history_position = ListBox_passee->count() - 1;
    history_read_ = true;
    return;
  }
  // First start (no history yet): the full panel, and the message that
  // tells what to do; a show without panel has none of them. There is no
  // history on disk to keep.
  history_read_ = true;
  if (host_window_mode_) return;
  Button_avec_sans_optionClick();
  MarkRebuildNeeded();
  Label6->setWordWrap(false);
  Label6->setText(QStringLiteral(
      "Il faut choisir un répertoire contenant des images ET quitter l'application pour la "
      "relancer\n\n  en appuyant sur le  bouton ROUGE  [Enregistrer et quitter pour "
      "réinitialiser]"));
  Label6->adjustSize();
  Label6->move(Panel1->x() + 50, Panel1->y() - 150);
  Label6->show();
  Label6->repaint();
}

void Tdiapo::SaveHistory() {
  // A history file that the load did not reach is left as it is: the list
  // in memory lacks its entries.
  if (!history_read_) return;
  QStringList entries;
  entries.reserve(ListBox_passee->count());
  for (int i = 0; i < ListBox_passee->count(); ++i) entries << ListBox_passee->item(i)->text();
  if (entries.size() > history_file_limit) {
    ListBox_tmp = entries.mid(entries.size() - history_file_limit);
    WriteTextLines(DataPath(files::kHistory), ListBox_tmp);
  } else {
    WriteTextLines(DataPath(files::kHistory), entries);
  }
}

QString Tdiapo::TakeFromCurrentDirectoryList(const QString& chosen) {
  const QString path = DataPath(files::kCurrentDirectoryList);
  if (host_window_mode_) {
    // Read once, then shortened in memory: the file stays as it is.
    if (!host_current_list_) host_current_list_ = ReadTextLines(path).value_or(QStringList());
    QStringList& list = *host_current_list_;
    if (list.size() < 2) return chosen;
    const QString picture = JoinPath(list[0], list[1]);
    list.removeAt(1);
    return picture;
  }
  auto lines = ReadTextLines(path);
  if (!lines) return chosen;
  ListBox_fic_rep_crt = *lines;
  if (ListBox_fic_rep_crt.size() < 2) {
    DeleteFileSilently(path);
    return chosen;
  }
  const QString picture = JoinPath(ListBox_fic_rep_crt[0], ListBox_fic_rep_crt[1]);
  ListBox_fic_rep_crt.removeAt(1);
  WriteTextLines(path, ListBox_fic_rep_crt);
  return picture;
}

}  // namespace ld
