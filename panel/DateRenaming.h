#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <optional>

// Batch renaming of dated directories: names that begin with a date such as
// "051231 avg", "05-12-31 avg", "20050828 avg" or "2005 08 28 avg" get the
// form "2005-12-31 avg", which the scan's date rule reads.

namespace ld {

// The new name under the first of the four date rules that matches the
// name's digit mask, or nothing when none does. century is put in front of
// two-digit years as it is (it may be empty); a century that is not made of
// digits alone renames nothing under those rules, so a new name never holds
// a path separator. A name already in the target
// form matches the last rule and comes back unchanged.
std::optional<QString> DateRenamedName(const QString& name, const QString& century);

// The line pairs of the renaming list.
QStringList PreviewLines(int number, const QString& oldName, const QString& newName);
QStringList ExistingTargetLines(const QString& oldName, const QString& newName);
QStringList RenamedLines(const QString& oldName, const QString& newName);
QStringList RenameErrorLines(const QString& oldName, const QString& newName);

struct RenamePass {
  // False when the directory could not be listed (missing, unreadable or an
  // empty path): no count and no lines then.
  bool listed = false;
  // Preview: the names that would change; apply: the names renamed.
  quint16 count = 0;
  QStringList lines;
  // Apply: each directory renamed, as full paths (old, new).
  QList<QPair<QString, QString>> renamed;
};

// path with its leading directory `from` replaced by `to`, when path is
// `from` or lies below it (whole path components only); else nothing.
std::optional<QString> RenamedPath(const QString& path, const QString& from, const QString& to);

// One pass over the sub-directories of dir, in name order. Hidden entries
// (names starting with ".") and plain files are left out. Without apply,
// lists what would be renamed and counts it; with apply, renames each one
// unless its new name already exists (never replacing or merging anything)
// and lists the result of each.
RenamePass RenameByDate(const QString& dir, bool apply, const QString& century);

}  // namespace ld
