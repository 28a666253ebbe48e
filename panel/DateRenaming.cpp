#include "panel/DateRenaming.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

#include "catalogue/TextUtils.h"
#include "platform/PathBytes.h"
#include "platform/Paths.h"
#include "platform/SafeRename.h"

namespace ld {

namespace {

struct DateRule {
  int minLength;
  const char* mask;  // what the name's digit mask must begin with
  bool twoDigitYear;
  int year, month, day;  // 0-based start of each piece in the name
  int rest;              // 0-based start of the part of the name kept
};

// Their masks exclude one another, so at most one applies; they are tried in
// this order all the same.
constexpr DateRule kRules[] = {
    {6, "******_", true, 0, 2, 4, 6},         // aammjj
    {8, "**_**_**_", true, 0, 3, 6, 8},       // aa?mm?jj
    {8, "********_", false, 0, 4, 6, 8},      // aaaammjj
    {10, "****_**_**_", false, 0, 5, 8, 10},  // aaaa?mm?jj
};

bool AllDigits(const QString& text) {
  return std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

}  // namespace

std::optional<QString> DateRenamedName(const QString& name, const QString& century) {
  const QString mask = DigitMask(u'*', name, u'_');
  for (const DateRule& r : kRules) {
    if (name.size() < r.minLength || !mask.startsWith(QLatin1String(r.mask))) continue;
    // Only digits go in front of a two-digit year: anything else ("../")
    // would move the directory elsewhere instead of renaming it.
    if (r.twoDigitYear && !AllDigits(century)) return std::nullopt;
    const QString year = r.twoDigitYear ? century + name.mid(r.year, 2) : name.mid(r.year, 4);
    QString renamed =
        year + u'-' + name.mid(r.month, 2) + u'-' + name.mid(r.day, 2) + name.mid(r.rest);
    if (renamed.contains(kSep)) return std::nullopt;  // a new name, never a path
    return renamed;
  }
  return std::nullopt;
}

QStringList PreviewLines(int number, const QString& oldName, const QString& newName) {
  return {QString::number(number) + QStringLiteral(" : ") + oldName,
          QStringLiteral("  -> ") + newName};
}

QStringList ExistingTargetLines(const QString& oldName, const QString& newName) {
  return {QStringLiteral("problème avec       ") + oldName,
          QStringLiteral("     existe dèjà -> ") + newName};
}

QStringList RenamedLines(const QString& oldName, const QString& newName) {
  return {QStringLiteral("ok de   ") + oldName, QStringLiteral(" -----> ") + newName};
}

QStringList RenameErrorLines(const QString& oldName, const QString& newName) {
  return {QStringLiteral("Erreur de ") + oldName, QStringLiteral("       en ") + newName};
}

std::optional<QString> RenamedPath(const QString& path, const QString& from, const QString& to) {
  if (from.isEmpty()) return std::nullopt;
  if (path == from) return to;
  if (path.startsWith(from) && path.at(from.size()) == kSep) return to + path.mid(from.size());
  return std::nullopt;
}

RenamePass RenameByDate(const QString& dir, bool apply, const QString& century) {
  RenamePass pass;
  // An empty path would mean the process's current directory, which the
  // user never chose.
  if (dir.isEmpty()) return pass;
  // Listed by the names' bytes, so that a directory whose name is not valid
  // UTF-8 is listed and renamed with its bytes kept; names starting with "."
  // are left out. The whole listing is taken before anything is renamed, so
  // a directory renamed during the pass is not met again under its new name.
  std::optional<QStringList> listed = ListDirectoryNames(dir, true, false);
  if (!listed) return pass;
  QStringList names = std::move(*listed);
  std::sort(names.begin(), names.end());
  pass.listed = true;
  for (const QString& name : names) {
    const std::optional<QString> renamed = DateRenamedName(name, century);
    if (!renamed) continue;
    const QString& newName = *renamed;
    if (!apply) {
      ++pass.count;
      pass.lines << PreviewLines(pass.count, name, newName);
      continue;
    }
    const QString target = JoinPath(dir, newName);
    if (IsExistingDirectory(target)) {
      pass.lines << ExistingTargetLines(name, newName);
      continue;
    }
    if (RenameWithoutReplacing(JoinPath(dir, name), target) == RenameOutcome::Renamed) {
      ++pass.count;
      pass.lines << RenamedLines(name, newName);
      pass.renamed.append({QDir::cleanPath(JoinPath(dir, name)), QDir::cleanPath(target)});
    } else {
      pass.lines << RenameErrorLines(name, newName);
    }
  }
  return pass;
}

}  // namespace ld
