#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <string_view>

#include "catalogue/ExclusionFile.h"
#include "catalogue/ExclusionMatcher.h"

namespace ld {

// The filter settings that the scan applies, as read from the window's
// controls (or from the settings file by the catalogue tool).
struct ScanFilter {
  // RadioGroup_sous_rep_recursif: above 0 ("tous") sub-directories are walked.
  int subDirectories = 1;
  // RadioGroup_exclusion: 0 leaves out paths marked "++" or "§", 2 keeps only
  // them, any other value does not look at marks.
  int marking = 0;
  // CheckBox_fic_exclusion: the exclusion lists apply.
  bool useExclusionLists = false;
  // CheckBox_date_de / CheckBox_date_a and the four edits, blanks around them dropped.
  bool dateFrom = false;
  bool dateTo = false;
  QString yearFrom, monthFrom, yearTo, monthTo;
  // CheckBox_contient and Edit_contient.
  bool wordsOn = false;
  QString words;
};

// The name-and-size test of a directory entry: the name's extension (the
// text after its last ".") is, in any ASCII letter case, one of jpg, jpeg,
// jpe, jfif, bmp, png, webp, tif, tiff, heic, heif, avif (so sidecar files
// such as "x.JPG.xmp" are not pictures); the name does not start with "."
// (hidden); and the entry is a file of more than 0 bytes (a directory counts
// as 0 bytes). The byte form takes the name's UTF-8 bytes.
bool IsPictureFile(std::string_view nameUtf8, long long size, bool isDirectory);
bool IsPictureFile(const QString& name, long long size, bool isDirectory);

// The name part of IsPictureFile alone (no size test).
bool HasPictureName(std::string_view nameUtf8);

// The rules that decide whether a picture is catalogued, in their order; the
// first that refuses decides.
// Built once per scan from the filter and the exclusion lists.
class PictureRules {
 public:
  PictureRules(const ScanFilter& filter, const ExclusionLists& exclusions);

  // Rules 1 to 5 on one picture: not a directory; no exclusion item in the
  // full path; the marking rule on the full path; the date rule and the word
  // rule on the directory.
  bool Accepts(const QString& fullPath, bool isDirectory, const QString& directory) const;

  // Rules 2 and 3 (they look at the full path).
  bool PassesPathRules(const QString& fullPath) const;
  // Rules 4 and 5 (they look at the directory alone, so a scan tests them
  // once per directory).
  bool PassesDirectoryRules(const QString& directory) const;

  bool PassesExclusionLists(const QString& fullPath) const;
  bool PassesMarking(const QString& fullPath) const;
  bool PassesDateRule(const QString& directory) const;
  bool PassesWordRule(const QString& directory) const;

  const ScanFilter& Filter() const { return filter_; }
  // The exclusion items, for the scan's directory-then-name test.
  const ExclusionMatcher& Exclusions() const { return *exclusions_; }

 private:
  ScanFilter filter_;
  std::shared_ptr<const ExclusionMatcher> exclusions_;
  QString startKey_, endKey_;
  QStringList foldedWords_;  // non-empty folded words; the rule is off when empty
  bool wordRuleOn_ = false;
};

// True when the path holds "++" or "§" (the marks of the marking rule).
bool IsMarkedPath(const QString& path);

// The last name of a directory path, folded with FoldAccents: the text after
// the last separator ("" for the root "/").
QString FoldedLastDirectoryName(const QString& directory);

}  // namespace ld
