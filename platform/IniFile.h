#pragma once

#include <QList>
#include <QString>
#include <optional>

namespace ld {

// An initialisation-profile file ("[section]" lines, then "key=value"
// lines), read and written as raw lines: a value is all the text after the
// first "=", exactly as written (no quoting, no escaping, no comment or list
// syntax), and every line that is not set is written back as it was read.
// Section and key names are matched without regard to letter case; the first
// section of a name and its first line of a key count.
class IniFile {
 public:
  // The file's lines (UTF-8, or Windows-1252 when not valid UTF-8); a
  // missing or unreadable file has none, and an unreadable one is then never
  // replaced by Write (its lines would be lost).
  static IniFile Read(const QString& path);

  // The value, or nothing when the section or the key is missing.
  std::optional<QString> Value(const QString& section, const QString& key) const;

  // Replaces the key's line by key=value, or adds that line at the end of
  // the section, or adds the section at the end of the file. A line break in
  // the value is written as a blank (a value is one line).
  void SetValue(const QString& section, const QString& key, const QString& value);

  // Replaces the file atomically (UTF-8); throws ld::Error("Impossible de
  // créer le fichier <path>") and keeps the old file when it cannot.
  void Write(const QString& path) const;

 private:
  struct Line {
    QString text;
    QString end;  // the line's own end ("\r\n", "\n", "\r", or none for a last line)
  };
  // The range of a section's lines after its header: [first, last).
  struct Section {
    qsizetype header = -1, first = 0, last = 0;
  };
  Section Find(const QString& section) const;
  qsizetype FindKey(const Section& s, const QString& key) const;

  QList<Line> lines_;
  bool unreadable_ = false;
};

}  // namespace ld
