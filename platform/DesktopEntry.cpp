#include "platform/DesktopEntry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <functional>

namespace ld {
namespace {

// Undoes the escapes of a string value of the file. Other backslashes stay,
// for the quoting rule of the command line.
QString UnescapeValue(const QString& v) {
  QString out;
  out.reserve(v.size());
  for (qsizetype i = 0; i < v.size(); ++i) {
    if (v[i] != u'\\' || i + 1 == v.size()) {
      out += v[i];
      continue;
    }
    const QChar n = v[++i];
    if (n == u's')
      out += u' ';
    else if (n == u'n')
      out += u'\n';
    else if (n == u't')
      out += u'\t';
    else if (n == u'r')
      out += u'\r';
    else if (n == u'\\')
      out += u'\\';
    else
      out += QLatin1Char('\\') + QString(n);
  }
  return out;
}

bool IsFileCode(QChar c) { return c == u'f' || c == u'F' || c == u'u' || c == u'U'; }

QStringList DataDirs() {
  QStringList dirs;
  QString home = qEnvironmentVariable("XDG_DATA_HOME");
  if (home.isEmpty()) home = QDir::homePath() + QStringLiteral("/.local/share");
  dirs << home;
  QString others = qEnvironmentVariable("XDG_DATA_DIRS");
  if (others.isEmpty()) others = QStringLiteral("/usr/local/share:/usr/share");
  for (const QString& d : others.split(u':', Qt::SkipEmptyParts)) dirs << d;
  return dirs;
}

}  // namespace

std::optional<QStringList> SplitExec(const QString& exec) {
  const QString s = UnescapeValue(exec);
  QStringList args;
  QString current;
  bool inToken = false, quoted = false;
  for (qsizetype i = 0; i < s.size(); ++i) {
    const QChar c = s[i];
    if (quoted) {
      if (c == u'"') {
        quoted = false;
      } else if (c == u'\\' && i + 1 < s.size() && QStringView(u"\"`$\\").contains(s[i + 1])) {
        current += s[++i];
      } else {
        current += c;
      }
    } else if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r') {
      if (inToken) args << current;
      current.clear();
      inToken = false;
    } else if (c == u'"') {
      quoted = inToken = true;
    } else {
      current += c;
      inToken = true;
    }
  }
  if (quoted) return std::nullopt;
  if (inToken) args << current;
  if (args.isEmpty() || args[0].isEmpty()) return std::nullopt;
  return args;
}

QStringList ExpandExec(const QStringList& tokens, const QString& target) {
  QStringList out;
  bool gaveFile = false;
  for (qsizetype t = 0; t < tokens.size(); ++t) {
    const QString& token = tokens[t];
    if (t == 0) {
      out << token;
      continue;
    }
    // A code standing alone for something other than a file (the icon, the
    // name, the entry's own path) is left out with its argument.
    if (token.size() == 2 && token[0] == u'%' && token[1] != u'%' && !IsFileCode(token[1]))
      continue;
    QString arg;
    for (qsizetype i = 0; i < token.size(); ++i) {
      if (token[i] != u'%' || i + 1 == token.size()) {
        arg += token[i];
        continue;
      }
      const QChar code = token[++i];
      if (code == u'%') {
        arg += u'%';
      } else if (IsFileCode(code)) {
        arg += target;
        gaveFile = true;
      }
    }
    out << arg;
  }
  if (!gaveFile) out << target;
  return out;
}

std::optional<QString> FindDesktopEntry(const QString& id) {
  if (id.isEmpty() || id.contains(u'/') || !id.endsWith(QStringLiteral(".desktop")))
    return std::nullopt;
  // The id is the entry's path below applications/ with "/" written "-".
  std::function<std::optional<QString>(const QString&, const QString&)> find =
      [&find](const QString& dir, const QString& rest) -> std::optional<QString> {
    const QFileInfo direct(dir + u'/' + rest);
    if (direct.isFile() && direct.isReadable()) return direct.filePath();
    for (qsizetype i = rest.indexOf(u'-'); i > 0; i = rest.indexOf(u'-', i + 1)) {
      const QString sub = dir + u'/' + rest.left(i);
      if (QFileInfo(sub).isDir())
        if (auto found = find(sub, rest.mid(i + 1))) return found;
    }
    return std::nullopt;
  };
  for (const QString& d : DataDirs())
    if (auto found = find(d + QStringLiteral("/applications"), id)) return found;
  return std::nullopt;
}

std::optional<QStringList> ReadDesktopExec(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
  bool inMain = false;
  std::optional<QStringList> exec;
  for (const QByteArray& raw : f.readAll().split('\n')) {
    const QString line = QString::fromUtf8(raw).trimmed();
    if (line.startsWith(u'[')) {
      inMain = line == QStringLiteral("[Desktop Entry]");
      continue;
    }
    if (!inMain || line.startsWith(u'#')) continue;
    const qsizetype eq = line.indexOf(u'=');
    if (eq <= 0) continue;
    const QString key = line.left(eq).trimmed();
    const QString value = line.mid(eq + 1).trimmed();
    if (key == QStringLiteral("Hidden") && value == QStringLiteral("true")) return std::nullopt;
    if (key == QStringLiteral("Exec")) exec = SplitExec(value);
  }
  return exec;
}

}  // namespace ld
