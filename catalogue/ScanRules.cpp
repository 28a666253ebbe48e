#include "catalogue/ScanRules.h"

#include "catalogue/TextUtils.h"
#include "platform/Paths.h"

namespace ld {
namespace {

const QString kMarkPlus = QStringLiteral("++");
const QChar kMarkSection = QChar(0x00A7);  // "§"

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

// ".JPG" or ".BMP" at position i of the name, letter case ignored.
bool PictureSuffixAt(std::string_view n, size_t i) {
  if (i + 4 > n.size() || n[i] != '.') return false;
  const char a = UpperAscii(n[i + 1]), b = UpperAscii(n[i + 2]), c = UpperAscii(n[i + 3]);
  return (a == 'J' && b == 'P' && c == 'G') || (a == 'B' && b == 'M' && c == 'P');
}

}  // namespace

bool IsMarkedPath(const QString& path) {
  return path.contains(kMarkPlus) || path.contains(kMarkSection);
}

bool HasPictureName(std::string_view n) {
  // The first "." must not be the first character; a name without "." cannot
  // hold ".JPG" either.
  if (n.empty() || n.front() == '.') return false;
  for (size_t i = n.find('.'); i != std::string_view::npos; i = n.find('.', i + 1))
    if (PictureSuffixAt(n, i)) return true;
  return false;
}

bool IsPictureFile(std::string_view nameUtf8, long long size, bool isDirectory) {
  if (isDirectory || size <= 0) return false;
  return HasPictureName(nameUtf8);
}

bool IsPictureFile(const QString& name, long long size, bool isDirectory) {
  const QByteArray bytes = name.toUtf8();
  return IsPictureFile(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())), size,
                       isDirectory);
}

QString FoldedLastDirectoryName(const QString& directory) {
  const QString folded = FoldAccents(directory);
  return folded.mid(folded.lastIndexOf(kSep) + 1);
}

PictureRules::PictureRules(const ScanFilter& filter, const ExclusionLists& exclusions)
    : filter_(filter) {
  // An empty item never matches (it would otherwise be "found" in every path).
  for (const QString& item : exclusions.directories)
    if (!item.isEmpty()) exclusionItems_.append(item);
  for (const QString& item : exclusions.pictures)
    if (!item.isEmpty()) exclusionItems_.append(item);

  startKey_ = filter.yearFrom + u'-' + TwoDigitText(filter.monthFrom);
  endKey_ = filter.yearTo + u'-' + TwoDigitText(filter.monthTo);

  const QString trimmed = TrimSpaces(filter.words);
  wordRuleOn_ = filter.wordsOn && !FoldAccents(trimmed).isEmpty();
  if (wordRuleOn_) {
    const int count = CountChar(u' ', trimmed) + 1;
    for (int i = 1; i <= count; ++i) {
      const QString w = FoldAccents(NthField(trimmed, i, u' '));
      if (!w.isEmpty()) foldedWords_.append(w);
    }
  }
}

bool PictureRules::PassesExclusionLists(const QString& fullPath) const {
  if (!filter_.useExclusionLists) return true;
  for (const QString& item : exclusionItems_)
    if (fullPath.contains(item)) return false;
  return true;
}

bool PictureRules::PassesMarking(const QString& fullPath) const {
  switch (filter_.marking) {
    case 0:
      return !IsMarkedPath(fullPath);
    case 2:
      return IsMarkedPath(fullPath);
    default:
      return true;
  }
}

bool PictureRules::PassesDateRule(const QString& directory) const {
  if (!filter_.dateFrom) return true;
  if (!filter_.dateTo) return directory.contains(startKey_);
  // The directory's key: 7 characters starting 4 before its first "-", which
  // must stand after the 4th character.
  const qsizetype dash = directory.indexOf(u'-');
  if (dash < 4) return false;
  const QString key = directory.mid(dash - 4, 7);
  return QString::compare(key, startKey_) >= 0 && QString::compare(key, endKey_) <= 0;
}

bool PictureRules::PassesWordRule(const QString& directory) const {
  if (!wordRuleOn_) return true;
  const QString last = FoldedLastDirectoryName(directory);
  for (const QString& w : foldedWords_)
    if (last.contains(w)) return true;
  return false;
}

bool PictureRules::PassesPathRules(const QString& fullPath) const {
  return PassesExclusionLists(fullPath) && PassesMarking(fullPath);
}

bool PictureRules::PassesDirectoryRules(const QString& directory) const {
  return PassesDateRule(directory) && PassesWordRule(directory);
}

bool PictureRules::Accepts(const QString& fullPath, bool isDirectory,
                           const QString& directory) const {
  if (isDirectory) return false;
  return PassesPathRules(fullPath) && PassesDirectoryRules(directory);
}

}  // namespace ld
