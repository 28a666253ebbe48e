// Entry functions of the text targets: the text-file decoder, the settings
// reader, the exclusion-file parser, the screen-saver dialog's profile file
// and the order of names.
#include <QByteArray>
#include <QFile>
#include <QStringList>
#include <algorithm>
#include <optional>
#include <string_view>

#include "app/core/SettingsFile.h"
#include "catalogue/ExclusionFile.h"
#include "catalogue/NameOrder.h"
#include "fuzz/FuzzEntries.h"
#include "platform/DataDir.h"
#include "platform/Error.h"
#include "platform/IniFile.h"
#include "platform/Services.h"
#include "platform/TextFile.h"

namespace ld::fuzz {
namespace {

QByteArray Bytes(const std::uint8_t* data, std::size_t size) {
  return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// What a text file written by the program holds for these lines.
QByteArray EncodeLines(const QStringList& lines) {
  QByteArray bytes;
  for (const QString& l : lines) bytes += l.toUtf8() + "\r\n";
  return bytes;
}

// The lines that a text must give: every CR LF, CR or LF ends a line, and a
// last line without end still counts.
QStringList ExpectedLines(QString text) {
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(u'\r', u'\n');
  QStringList lines = text.split(u'\n');
  if (lines.back().isEmpty()) lines.removeLast();
  return lines;
}

// Dialogs that only count what the parser tells the user.
class CountingDialogs : public IDialogs {
 public:
  int shown = 0;
  void Notice(const QString&) override { ++shown; }
  void ErrorBox(const QString&) override { ++shown; }
  bool Confirm(const QString&) override { return false; }
  void ConfirmYesOnly(const QString&) override {}
  std::optional<QString> ChooseDirectory(const QString&) override { return std::nullopt; }
  std::optional<QString> ChooseExecutable() override { return std::nullopt; }
  void Beep() override {}
};

}  // namespace

QString FuzzTextFile(const std::uint8_t* data, std::size_t size) {
  const QByteArray bytes = Bytes(data, size);
  const QString cp1252 = DecodeWindows1252(bytes);
  if (cp1252.size() != bytes.size()) return QStringLiteral("Windows-1252: one character per byte");
  const QString text = DecodeText(bytes);
  QByteArray utf8 = bytes;
  if (utf8.startsWith("\xEF\xBB\xBF")) utf8.remove(0, 3);
  // Valid UTF-8 reads back to its own bytes; anything else is Windows-1252.
  if (text.toUtf8() != utf8 && text != cp1252)
    return QStringLiteral("DecodeText: neither the UTF-8 nor the Windows-1252 reading");
  if (SplitLines(text) != ExpectedLines(text)) return QStringLiteral("SplitLines: wrong lines");
  const QStringList cut = SplitLines(text, /*stopAtSub=*/true);
  const qsizetype sub = text.indexOf(QChar(0x1A));
  if (cut != ExpectedLines(sub < 0 ? text : text.left(sub)))
    return QStringLiteral("SplitLines: wrong lines before 0x1A");
  // What the program writes, it reads back line for line. A text that
  // starts with U+FEFF cannot: the reader drops it as a byte-order mark.
  const QStringList lines = SplitLines(text);
  if (!text.startsWith(QChar(0xFEFF)) && SplitLines(DecodeText(EncodeLines(lines))) != lines)
    return QStringLiteral("written lines do not read back");
  return QString();
}

QString FuzzSettingsReader(const std::uint8_t* data, std::size_t size) {
  const QStringList lines = SplitLines(DecodeText(Bytes(data, size)));
  QStringList saved;
  QStringList values;
  for (const SettingKey& k : SettingKeys()) {
    const QString key = QString::fromLatin1(k.key);
    const QString fallback = SettingDefault(k);
    const QString value = ReadSetting(lines, key, fallback);
    if (value != fallback && (value.isEmpty() || value.front() == u' ' || value.back() == u' '))
      return QStringLiteral("ReadSetting: value not trimmed for ") + key;
    if (k.kind == SettingKind::Integer || k.kind == SettingKind::ItemIndex) {
      try {
        ReadInt(lines, key, fallback);
      } catch (const Error& e) {
        if (e.message().isEmpty()) return QStringLiteral("ReadInt: error without text");
      }
    } else if (k.kind == SettingKind::Boolean) {
      if (ReadBool(lines, key, fallback) != (value == QLatin1String("true")))
        return QStringLiteral("ReadBool differs from the value read");
    }
    WriteText(saved, key, value);
    values.append(value);
  }
  // A save of the values read gives them back at the next start.
  const QStringList reread = SplitLines(DecodeText(EncodeLines(saved)));
  for (int i = 0; i < kSettingCount; ++i) {
    const SettingKey& k = SettingKeys()[static_cast<size_t>(i)];
    if (ReadSetting(reread, QString::fromLatin1(k.key), SettingDefault(k)) != values[i])
      return QStringLiteral("saved value reads back differently: ") + QLatin1String(k.key);
  }
  return QString();
}

QString FuzzExclusionFile(const std::uint8_t* data, std::size_t size) {
  CountingDialogs dialogs;
  const QStringList lines = SplitLines(DecodeText(Bytes(data, size)), /*stopAtSub=*/true);
  const ExclusionLists lists = ParseExclusionLines(lines, dialogs);
  if (lists.directories.size() > lines.size())
    return QStringLiteral("more excluded directories than lines");
  if (lists.pictures.size() > lines.size() * static_cast<qsizetype>(kMaxRangeItems))
    return QStringLiteral("a line gave more pictures than a range may");
  return QString();
}

QString FuzzIniFile(const std::uint8_t* data, std::size_t size) {
  const QByteArray bytes = Bytes(data, size);
  const QString path = DataFile(QStringLiteral("fuzz.ini"));
  {
    QFile f(path);
    if (!EnsureDataDir() || !f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        f.write(bytes) != bytes.size())
      return QStringLiteral("cannot write the profile file");
  }
  // The dialog's two keys set, the file written and read back: both read
  // as set, and a key of another section keeps its value.
  IniFile ini = IniFile::Read(path);
  const std::optional<QString> other = ini.Value(QStringLiteral("Autre"), QStringLiteral("Texte"));
  const QString text = DecodeText(bytes.left(64)).remove(u'\r').remove(u'\n');
  ini.SetValue(QStringLiteral("Parametres"), QStringLiteral("Texte"), text);
  ini.SetValue(QStringLiteral("Parametres"), QStringLiteral("Couleur"), QStringLiteral("Rouge"));
  try {
    ini.Write(path);
  } catch (const Error&) {
    return QStringLiteral("the profile file cannot be written");
  }
  const IniFile back = IniFile::Read(path);
  QFile::remove(path);
  if (back.Value(QStringLiteral("Parametres"), QStringLiteral("Texte")) != text)
    return QStringLiteral("the text set does not read back");
  if (back.Value(QStringLiteral("Parametres"), QStringLiteral("Couleur")) !=
      QStringLiteral("Rouge"))
    return QStringLiteral("the colour set does not read back");
  if (back.Value(QStringLiteral("Autre"), QStringLiteral("Texte")) != other)
    return QStringLiteral("a key of another section changed");
  return QString();
}

QString FuzzNameOrder(const std::uint8_t* data, std::size_t size) {
  // Names are the input's lines (bytes as they are, valid UTF-8 or not).
  std::vector<std::string_view> names;
  std::string_view all(reinterpret_cast<const char*>(data), size);
  while (!all.empty() && names.size() < 256) {
    const size_t end = std::min(all.find('\n'), all.size());
    names.push_back(all.substr(0, end));
    all.remove_prefix(std::min(end + 1, all.size()));
  }
  const NameOrder& order = NameOrder::Instance();
  std::vector<std::uint32_t> forward, backward;
  order.Sort(names, forward);
  std::vector<std::string_view> reversed(names.rbegin(), names.rend());
  order.Sort(reversed, backward);
  if (forward.size() != names.size() || backward.size() != names.size())
    return QStringLiteral("not one position per name");
  std::vector<bool> seen(names.size());
  for (const std::uint32_t i : forward) {
    if (i >= names.size() || seen[i]) return QStringLiteral("not a permutation");
    seen[i] = true;
  }
  // A total order: the same names in another order sort the same.
  for (size_t k = 0; k < names.size(); ++k)
    if (names[forward[k]] != reversed[backward[k]])
      return QStringLiteral("the order depends on the input's order");
  return QString();
}

}  // namespace ld::fuzz
