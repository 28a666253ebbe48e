#include "catalogue/ScanRules.h"

#include "catalogue/TextUtils.h"
#include "platform/Paths.h"

namespace ld {
namespace {

const QString kMarkPlus = QStringLiteral("++");
const QChar kMarkSection = QChar(0x00A7);  // "§"

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// The picture extensions, lower case.
constexpr std::string_view kPictureExtensions[] = {"jpg",  "jpeg", "jpe",  "jfif", "bmp",  "png",
                                                   "webp", "tif",  "tiff", "heic", "heif", "avif"};

}  // namespace

bool IsMarkedPath(const QString& path) {
  return path.contains(kMarkPlus) || path.contains(kMarkSection);
}

bool HasPictureName(std::string_view n) {
  // Hidden names (a leading ".") are never pictures; the extension is the
  // text after the last ".", compared without regard to ASCII letter case.
  if (n.empty() || n.front() == '.') return false;
  const size_t dot = n.rfind('.');
  if (dot == std::string_view::npos) return false;
  const std::string_view ext = n.substr(dot + 1);
  if (ext.size() < 3 || ext.size() > 4) return false;
  char lower[4];
  for (size_t i = 0; i < ext.size(); ++i) lower[i] = LowerAscii(ext[i]);
  const std::string_view folded(lower, ext.size());
  for (std::string_view known : kPictureExtensions)
    if (folded == known) return true;
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
    : filter_(filter),
      exclusions_(std::make_shared<const ExclusionMatcher>(
          filter.useExclusionLists ? exclusions : ExclusionLists{})) {
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
  return !exclusions_->Matches(fullPath);
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
