#include "show/Captions.h"

#include "platform/PathBytes.h"
#include "platform/Paths.h"

namespace ld {

namespace {
QString Undotted(QString text) {
  text.replace(u'.', u' ');
  return text;
}
}  // namespace

// Captions show a name that is not UTF-8 by its bytes' Windows-1252 reading
// (PathForDisplay), the way such names were written.

QString ForwardCaption(int item, int index, int count, const QString& shownPath) {
  if (item != 1 && item != 2) return QString();
  const QString path = PathForDisplay(shownPath);
  QString c =
      QStringLiteral("(%1/%2)  ").arg(index).arg(count) + LastPathComponent(DirectoryPart(path));
  // The separator is caption text, not a path separator.
  if (item == 2) c += QStringLiteral(" \\ ") + FileNamePart(path);
  return Undotted(c);
}

QString BrowsingCaption(int item, int position, int count, const QString& shownPath) {
  const QString path = PathForDisplay(shownPath);
  if (item == 1)
    return Undotted(QStringLiteral(" [%1 / %2]  ").arg(position).arg(count) + DirectoryPart(path));
  if (item == 2) return Undotted(QStringLiteral(" [%1]  ").arg(position) + path);
  return QStringLiteral(" ");
}

QString ReplayCaption(const QString& path) {
  QString c = PathForDisplay(path);
  c.replace(u'.', u',');
  return c;
}

}  // namespace ld
