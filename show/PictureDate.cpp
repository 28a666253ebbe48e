#include "show/PictureDate.h"

#include <QDateTime>

#include "catalogue/TextUtils.h"
#include "platform/Paths.h"

namespace ld {

namespace {

QString Mask(const QString& text) { return DigitMask(u'*', text, u'_'); }

// Characters p..p+len-1 of text, p counted from 1.
QString Cut(const QString& text, qsizetype p, qsizetype len) { return text.mid(p - 1, len); }

// 1-based position of the first occurrence, 0 when absent.
qsizetype Find(const QString& mask, const QString& pattern) { return mask.indexOf(pattern) + 1; }

QString Century(const QString& yy) {
  bool ok = false;
  const int v = yy.toInt(&ok);
  return (ok && v > 40) ? QStringLiteral("19") : QStringLiteral("20");
}

QString DateFromDirectoryName(const QString& name) {
  const QString m = Mask(name);
  if (m.startsWith(QStringLiteral("******_"))) {
    const QString yy = Cut(name, 1, 2);
    return Century(yy) + yy + u'-' + Cut(name, 3, 2);
  }
  if (const qsizetype p = Find(m, QStringLiteral("**_**_**_"))) {
    const QString yy = Cut(name, p, 2);
    return Century(yy) + yy + u'-' + Cut(name, p + 3, 2);
  }
  if (const qsizetype p = Find(m, QStringLiteral("********_")))
    return Cut(name, p, 4) + u'-' + Cut(name, p + 4, 2);
  if (const qsizetype p = Find(m, QStringLiteral("****_**_**")))
    return Cut(name, p, 4) + u'-' + Cut(name, p + 5, 2);
  return NthField(name, 1, u'-').left(4) + u'-' + NthField(name, 2, u'-').left(2);
}

}  // namespace

QString FileMonthText(const QString& path) {
  const std::optional<FileStamp> stamp = StatFile(path);
  if (!stamp) return QStringLiteral("?");
  const QDateTime t = stamp->modified;
  if (!t.isValid()) return QStringLiteral("?");
  return t.toString(QStringLiteral("yyyy-MM"));
}

QString PictureDateText(const QString& path, bool captionEmpty,
                        const std::function<QString(const QString&)>& fileMonth) {
  if (captionEmpty) return fileMonth(path);
  const QString name = LastPathComponent(DirectoryPart(path));
  QString date = StripLetters(DateFromDirectoryName(name));
  const QString pathMask = Mask(path);
  if (date.isEmpty()) {
    if (const qsizetype p = Find(pathMask, QStringLiteral("****_**_**")))
      date = Cut(path, p, 4) + u'-' + Cut(path, p + 5, 2);
  }
  if (!date.contains(QStringLiteral("20"))) {
    if (const qsizetype p = Find(pathMask, QStringLiteral("**************")))
      date = Cut(path, p, 4) + u'-' + Cut(path, p + 4, 2);
    else
      date = fileMonth(path);
  }
  return date;
}

QString FilterIndicatorText(bool dateFrom, bool dateTo, bool wordFilter, const QString& words) {
  QString text;
  if (dateFrom || dateTo) text = QStringLiteral("dates filtrées");
  if (wordFilter) text += QStringLiteral("=>") + words;
  return text;
}

}  // namespace ld
