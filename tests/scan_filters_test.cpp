#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "catalogue/DirectoryScan.h"
#include "support/ScanTree.h"

namespace ld {
namespace {

using testing::AllSubDirectories;
using testing::ExpectedOrder;
using testing::Link;
using testing::Paths;
using testing::Touch;

TEST(DirectoryScan, RulesApplyDuringTheWalk) {
  QTemporaryDir tmp;
  const QString root = tmp.path();
  Touch(root + QStringLiteral("/2014-11 Lyon ++/a.jpg"));
  Touch(root + QStringLiteral("/2014-11 Lyon/b§.jpg"));
  Touch(root + QStringLiteral("/2014-11 Lyon/c.jpg"));
  Touch(root + QStringLiteral("/2014-11 Lyon/Privé/d.jpg"));
  Touch(root + QStringLiteral("/Divers/e.jpg"));
  for (int marking : {0, 1, 2}) {
    for (bool lists : {false, true}) {
      ScanFilter f = AllSubDirectories();
      f.marking = marking;
      f.useExclusionLists = lists;
      ExclusionLists ex;
      ex.directories << root + QStringLiteral("/2014-11 Lyon/Privé");
      Catalogue c;
      int counter = 0;
      DirectoryScan scan(f, ex, c, counter);
      scan.ScanDirectory(root);
      QStringList got = Paths(c);
      got.sort();
      // The same answer as the rules applied one picture at a time.
      QStringList expected;
      ExpectedOrder(root, true, expected);
      QStringList filtered;
      for (const QString& p : expected)
        if (scan.Rules().Accepts(p, false, p.left(p.lastIndexOf(u'/')))) filtered << p;
      filtered.sort();
      EXPECT_EQ(got, filtered) << marking << lists;
      EXPECT_EQ(got.size(), (marking == 0   ? 3
                             : marking == 2 ? 2
                                            : 5) -
                                (lists && marking != 2 ? 1 : 0))
          << marking << lists;
    }
  }
}

// The date and word filters through the real walk: a tree of dated and named
// directories, the pictures the scan catalogues for each filter.
TEST(DirectoryScan, DateAndWordFiltersDuringTheWalk) {
  // The date rule reads the first "-" of the whole path: none above the tree.
  QTemporaryDir tmp(QDir::tempPath() + QStringLiteral("/ldscanXXXXXX"));
  const QString root = tmp.path();
  ASSERT_FALSE(root.contains(u'-')) << root.toStdString();
  for (const char* n : {"2014-11 Lyon/a.jpg", "2014-11 Lyon/Soir/b.jpg", "2015-03 Avignon/c.jpg",
                        "2016-07 Divers/d.jpg", "Divers/e.jpg", "Noël à Paris/f.jpg"})
    Touch(root + u'/' + QString::fromUtf8(n));

  struct Case {
    const char* what;
    ScanFilter filter;
    QString top;  // the directory walked
    QStringList expected;
  };
  auto names = [&](std::initializer_list<const char*> list) {
    QStringList out;
    for (const char* n : list) out << root + u'/' + QString::fromUtf8(n);
    return out;
  };
  ScanFilter from = AllSubDirectories();
  from.dateFrom = true;
  from.yearFrom = QStringLiteral("2014");
  from.monthFrom = QStringLiteral("11");
  ScanFilter range = from;
  range.dateTo = true;
  range.yearFrom = QStringLiteral("2015");
  range.monthFrom = QStringLiteral("1");
  range.yearTo = QStringLiteral("2016");
  range.monthTo = QStringLiteral("12");
  ScanFilter words = AllSubDirectories();
  words.wordsOn = true;
  words.words = QStringLiteral(" divers noël ");
  ScanFilter lyon = words;
  lyon.words = QStringLiteral("lyon");
  ScanFilter both = range;
  both.wordsOn = true;
  both.words = QStringLiteral("divers");
  ScanFilter flat = from;
  flat.subDirectories = 0;
  const QString lyonDir = root + QStringLiteral("/2014-11 Lyon");
  const Case cases[] = {
      {"from 2014-11, its sub-directory too", from, root,
       names({"2014-11 Lyon/a.jpg", "2014-11 Lyon/Soir/b.jpg"})},
      {"from 2014-11 without sub-directories", flat, lyonDir, names({"2014-11 Lyon/a.jpg"})},
      {"2015-01 to 2016-12", range, root, names({"2015-03 Avignon/c.jpg", "2016-07 Divers/d.jpg"})},
      {"words, accents and case folded", words, root,
       names({"2016-07 Divers/d.jpg", "Divers/e.jpg", "Noël à Paris/f.jpg"})},
      {"a word in the last directory name only", lyon, lyonDir, names({"2014-11 Lyon/a.jpg"})},
      {"dates and words together", both, root, names({"2016-07 Divers/d.jpg"})},
  };
  for (const Case& c : cases) {
    Catalogue catalogue;
    int counter = 0;
    DirectoryScan scan(c.filter, {}, catalogue, counter);
    scan.ScanDirectory(c.top);
    EXPECT_EQ(Paths(catalogue).join(u'\n').toStdString(), c.expected.join(u'\n').toStdString())
        << c.what;
  }
}

}  // namespace
}  // namespace ld
