#include "platform/IniFile.h"

#include <QFileInfo>

#include "platform/Error.h"
#include "platform/TextFile.h"

namespace ld {
namespace {

const QString kCrLf = QStringLiteral("\r\n");

bool SameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// The name of a "[name]" line, or nothing for any other line.
std::optional<QString> SectionName(const QString& line) {
  const QString t = line.trimmed();
  const qsizetype close = t.indexOf(u']');
  if (!t.startsWith(u'[') || close < 0) return std::nullopt;
  return t.mid(1, close - 1).trimmed();
}

// The key of a "key=value" line (blanks around it dropped), or nothing.
std::optional<QString> KeyName(const QString& line) {
  const qsizetype eq = line.indexOf(u'=');
  if (eq < 0) return std::nullopt;
  return line.left(eq).trimmed();
}

}  // namespace

IniFile IniFile::Read(const QString& path) {
  IniFile ini;
  const std::optional<QByteArray> bytes = ReadDataFile(path);
  if (!bytes) {
    // Anything by that name that is not read (a FIFO, a directory, a file
    // without read permission) is kept as it is.
    ini.unreadable_ = QFileInfo::exists(path) || QFileInfo(path).isSymLink();
    return ini;
  }
  const QString text = DecodeText(*bytes);
  // Lines keep their own ends, so that lines not set go back unchanged.
  qsizetype start = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c != u'\r' && c != u'\n') continue;
    const qsizetype endLength = (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ? 2 : 1;
    ini.lines_.append({text.mid(start, i - start), text.mid(i, endLength)});
    i += endLength - 1;
    start = i + 1;
  }
  if (start < text.size()) ini.lines_.append({text.mid(start), QString()});
  return ini;
}

IniFile::Section IniFile::Find(const QString& section) const {
  Section s;
  s.last = lines_.size();
  for (qsizetype i = 0; i < lines_.size(); ++i) {
    const std::optional<QString> name = SectionName(lines_[i].text);
    if (!name) continue;
    if (s.header >= 0) {
      s.last = i;  // the next section begins
      break;
    }
    if (SameName(*name, section)) s.header = i;
  }
  s.first = s.header + 1;
  return s;
}

qsizetype IniFile::FindKey(const Section& s, const QString& key) const {
  if (s.header < 0) return -1;
  for (qsizetype i = s.first; i < s.last; ++i) {
    const std::optional<QString> name = KeyName(lines_[i].text);
    if (name && SameName(*name, key)) return i;
  }
  return -1;
}

std::optional<QString> IniFile::Value(const QString& section, const QString& key) const {
  const qsizetype i = FindKey(Find(section), key);
  if (i < 0) return std::nullopt;
  const QString& line = lines_[i].text;
  return line.mid(line.indexOf(u'=') + 1);
}

void IniFile::SetValue(const QString& section, const QString& key, const QString& value) {
  QString v = value;
  v.replace(u'\r', u' ').replace(u'\n', u' ');
  const Line line{key + u'=' + v, kCrLf};
  const Section s = Find(section);
  if (const qsizetype i = FindKey(s, key); i >= 0) {
    lines_[i].text = line.text;
    if (lines_[i].end.isEmpty()) lines_[i].end = kCrLf;
    return;
  }
  qsizetype at = lines_.size();
  if (s.header >= 0) {
    // After the section's last line that is not blank.
    at = s.last;
    while (at > s.first && lines_[at - 1].text.trimmed().isEmpty()) --at;
  }
  // The line before the new one must end, or the two would be one.
  if (at > 0 && lines_[at - 1].end.isEmpty()) lines_[at - 1].end = kCrLf;
  if (s.header < 0) lines_.insert(at++, {u'[' + section + u']', kCrLf});
  lines_.insert(at, line);
}

void IniFile::Write(const QString& path) const {
  // Lines that were never read cannot be written back.
  if (unreadable_) throw Error(CannotCreateFileMessage(path));
  QString text;
  for (const Line& l : lines_) text += l.text + l.end;
  WriteFileAtomically(path, text.toUtf8());
}

}  // namespace ld
