#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <optional>

namespace ld {

// The settings file "luminodrift_var.prm": lines "key = value", read into an
// ordered list of lines and looked up by key.

enum class SettingKind { Text, Integer, ItemIndex, Boolean };

// One row of the settings table. The load and the save of the main window
// both walk this table: the kind says how the value is read and written, the
// control is the object name of the window's control that shows the value,
// the variable the name of the window's integer that the value also feeds.
struct SettingKey {
  const char* key;
  SettingKind kind;
  const char* defaultValue;  // used when the key is missing or its value empty
  const char* designValue;   // the control's value before the first load
  const char* control;
  const char* variable;  // nullptr when the setting feeds no variable
};

inline constexpr int kSettingCount = 37;

// The 37 keys in the order in which they are read and written.
const std::array<SettingKey, kSettingCount>& SettingKeys();

// The line that the save writes for a value: key + " = " + value.
QString SettingLine(const SettingKey& key, const QString& value);

// The line of each key with its control at its design value, in table order.
QStringList DesignSettingLines();

// The default text of a key ("<data directory>/A" and "/B" for the albums).
QString SettingDefault(const SettingKey& key);

// The key of that name; nullptr when there is none.
const SettingKey* FindSettingKey(const QString& key);

// Empties the list; when the file exists, fills it with the file's lines.
void LoadSettingsList(QStringList& list, const QString& path);

// The lookup rule: the first line containing "=" whose text before its first
// "=" equals key + one blank (letter case ignored); its value after that "="
// trimmed of blanks; the default when there is no such line or the value is
// empty.
QString ReadSetting(const QStringList& list, const QString& key, const QString& defaultText);

// The whole line that the lookup rule finds for key, as it stands.
std::optional<QString> FindSettingLine(const QStringList& list, const QString& key);

// True exactly when the value is "true".
bool ReadBool(const QStringList& list, const QString& key, const QString& defaultText);

// The value as a whole number; throws ld::Error with the conversion message
// (the trimmed value) when it is not one.
int ReadInt(const QStringList& list, const QString& key, const QString& defaultText);

// Appending writers: key + " = " + value.
void WriteText(QStringList& list, const QString& key, const QString& value);
void WriteBool(QStringList& list, const QString& key, bool value);
void WriteInt(QStringList& list, const QString& key, int value);

}  // namespace ld
