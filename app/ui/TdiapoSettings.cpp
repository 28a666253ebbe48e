// Settings file and state files of the main window: the load and save
// sequences, the directory list with its ticks, the history file and the
// current-directory list.
#include <QDir>
#include <cstring>
#include <stdexcept>

#include "app/core/DirectoryListFile.h"
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

// Gives the window's integer fed by key (by its name in the settings table)
// the value n. The sequential position is the show's own: it goes to the
// show, which advances it and shows it in its edit.
void SetSettingVariable(Tdiapo& w, const SettingKey& key, int n) {
  if (!key.variable) return;
  if (std::strcmp(key.variable, "sequential_index") == 0) {
    w.Show().SetSequentialIndex(n);
    return;
  }
  static const std::pair<const char*, int Tdiapo::*> variables[] = {
      {"dt0_a", &Tdiapo::dt0_a},           {"dt1_a", &Tdiapo::dt1_a},
      {"dt2_a", &Tdiapo::dt2_a},           {"dt2_b", &Tdiapo::dt2_b},
      {"dt3_a", &Tdiapo::dt3_a},           {"dt3_b", &Tdiapo::dt3_b},
      {"dt4_a", &Tdiapo::dt4_a},           {"dt4_b", &Tdiapo::dt4_b},
      {"dt5_a", &Tdiapo::dt5_a},           {"dt5_b", &Tdiapo::dt5_b},
      {"_haut", &Tdiapo::_haut},           {"vmax", &Tdiapo::vmax},
      {"zoom_max10", &Tdiapo::zoom_max10}, {"inc_dx", &Tdiapo::inc_dx},
      {"rayon_rnd", &Tdiapo::rayon_rnd},   {"nb_fouille", &Tdiapo::nb_fouille},
  };
  for (const auto& [name, member] : variables) {
    if (std::strcmp(name, key.variable) == 0) {
      w.*member = n;
      return;
    }
  }
  throw std::logic_error(std::string("no variable ") + key.variable);
}

// The controls carry their member names as object names.
QWidget* SettingControl(const Tdiapo& w, const SettingKey& key) {
  QWidget* control = w.findChild<QWidget*>(QString::fromLatin1(key.control));
  if (!control) throw std::logic_error(std::string("no control ") + key.control);
  return control;
}

// Puts the value that the settings lines give for key into its control (and
// its variable); a bad integer throws the conversion error.
void ApplySetting(Tdiapo& w, const SettingKey& key, const QStringList& settings) {
  QWidget* control = SettingControl(w, key);
  const QString value = ReadSetting(settings, QString::fromLatin1(key.key), SettingDefault(key));
  switch (key.kind) {
    case SettingKind::Text:
      if (auto* label = qobject_cast<QLabel*>(control))
        label->setText(value);
      else
        static_cast<QLineEdit*>(control)->setText(value);
      break;
    case SettingKind::Integer: {
      // The edit shows the text as read ("07"); the variable gets its number.
      const int n = ToIntOrThrow(value);
      static_cast<QLineEdit*>(control)->setText(value);
      SetSettingVariable(w, key, n);
      break;
    }
    case SettingKind::ItemIndex:
      static_cast<RadioGroup*>(control)->SetItemIndex(ToIntOrThrow(value));
      break;
    case SettingKind::Boolean:
      static_cast<QCheckBox*>(control)->setChecked(value == QLatin1String("true"));
      break;
  }
}

// The line that the save writes for key from its control as it stands.
QString ControlSettingLine(const Tdiapo& w, const SettingKey& key) {
  const QWidget* control = SettingControl(w, key);
  QString value;
  switch (key.kind) {
    case SettingKind::Text:
      if (auto* label = qobject_cast<const QLabel*>(control))
        value = label->text();
      else
        value = static_cast<const QLineEdit*>(control)->text();
      break;
    case SettingKind::Integer:
      value = QString::number(ToIntOrThrow(static_cast<const QLineEdit*>(control)->text()));
      break;
    case SettingKind::ItemIndex:
      value = QString::number(static_cast<const RadioGroup*>(control)->ItemIndex());
      break;
    case SettingKind::Boolean:
      value = static_cast<const QCheckBox*>(control)->isChecked() ? QStringLiteral("true")
                                                                  : QStringLiteral("false");
      break;
  }
  return SettingLine(key, value);
}

}  // namespace

QStringList Tdiapo::SettingsLines(bool withIntegers) const {
  QStringList lines;
  for (const SettingKey& key : SettingKeys())
    if (withIntegers || key.kind != SettingKind::Integer) lines << ControlSettingLine(*this, key);
  return lines;
}

void Tdiapo::LoadSettings() {
  // Until the load has gone through, a save keeps what the files hold for
  // the keys not read yet and the history file (see SaveSettings).
  settings_keys_read_ = 0;
  history_read_ = false;
  // 1. Directory list, ticks, vanished directories.
  LoadDirectoryList();
  // 2.
  LoadSettingsList(ListBox_param, DataPath(files::kSettings));
  settings_file_lines_ = ListBox_param;
  // 3. The 37 keys in table order. Putting a value into a control runs its
  // change handler when the value differs, as a user's change would. A value
  // that does not convert stops the load at its key.
  for (const SettingKey& key : SettingKeys()) {
    ApplySetting(*this, key, ListBox_param);
    ++settings_keys_read_;
    // The year caption shows with its check box.
    if (SettingControl(*this, key) == CheckBox_af_an)
      Label_an->setVisible(CheckBox_af_an->isChecked());
  }
  // 4. History, or the first-start message.
  LoadHistory();
  // 5. Nothing to show yet: act as a release of Space, which opens the panel
  // with the normal pointer while the catalogue is prepared.
  if (catalogue.Count() == 0 && !host_window_mode_) FormKeyUp(keys::kSpace);
}

void Tdiapo::SaveSettings() {
  Label1->setText(QStringLiteral(" Sauvegarde des paramètres"));
  if (!EnsureDataDir()) throw Error(QStringLiteral("Impossible de créer ") + DataDir());
  const bool loadComplete = settings_keys_read_ == kSettingCount;
  // After a load that stopped early the directory files are rewritten only
  // when the user changed the list.
  if (loadComplete || DirectoryListChanged()) SaveDirectoryList();

  // The numbers typed into the edits reach the show's variables here, in
  // table order up to the first that does not convert.
  for (const SettingKey& key : SettingKeys())
    if (key.kind == SettingKind::Integer)
      SetSettingVariable(*this, key,
                         ToIntOrThrow(static_cast<QLineEdit*>(SettingControl(*this, key))->text()));
  ListBox_param = SettingsLines();
  if (!loadComplete) {
    // A key the load never reached keeps its line of the file (and stays
    // absent when the file had none), unless the user set its control since:
    // the control still holds its design value, not the user's setting.
    const auto& keys = SettingKeys();
    const QStringList design = DesignSettingLines();
    QStringList kept;
    for (int i = 0; i < kSettingCount; ++i) {
      if (i < settings_keys_read_ || ListBox_param[i] != design[i]) {
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
  if (auto roots = ReadDirectoryList()) {
    CheckListBox_rep->clear();
    for (const RootDirectory& r : *roots) CheckListBox_rep->AddLine(r.path, r.ticked);
  }
  if (auto flags = ReadTextLines(DataPath(files::kDirectoryFlags))) CheckListBox_rep_flag = *flags;
  // Directories missing now (an unplugged disk, a share not mounted yet):
  // one message each. They stay in the list with their ticks, so that they
  // are scanned again once they are back; the rebuild passes over them.
  loaded_directories_ = DirectoryListEntries();
  ReportVanishedDirectories(loaded_directories_, [this](const QString& m) { Notice(m); });
}

QList<RootDirectory> Tdiapo::DirectoryListEntries() const {
  QList<RootDirectory> roots;
  for (int i = 0; i < CheckListBox_rep->Count(); ++i)
    roots.append({CheckListBox_rep->Line(i), CheckListBox_rep->Checked(i)});
  return roots;
}

bool Tdiapo::DirectoryListChanged() const {
  const QList<RootDirectory> now = DirectoryListEntries();
  if (now.size() != loaded_directories_.size()) return true;
  for (qsizetype i = 0; i < now.size(); ++i)
    if (now[i].path != loaded_directories_[i].path ||
        now[i].ticked != loaded_directories_[i].ticked)
      return true;
  return false;
}

void Tdiapo::SaveDirectoryList() {
  const QList<RootDirectory> roots = DirectoryListEntries();
  CheckListBox_rep_flag = DirectoryFlagLines(roots);
  WriteDirectoryList(roots);
}

void Tdiapo::LoadHistory() {
  const QString path = DataPath(files::kHistory);
  if (FileSizeOf(path) > 0) {
    QStringList lines = ReadPathLines(path).value_or(QStringList());
    if (lines.size() > kHistoryFileLimit) lines = lines.mid(lines.size() - kHistoryFileLimit);
    show_->LoadHistory(lines);
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
  const QStringList& entries = show_->History().Entries();
  if (entries.size() > kHistoryFileLimit) {
    ListBox_tmp = entries.mid(entries.size() - kHistoryFileLimit);
    WriteTextLines(DataPath(files::kHistory), ListBox_tmp);
  } else {
    WriteTextLines(DataPath(files::kHistory), entries);
  }
}

}  // namespace ld
