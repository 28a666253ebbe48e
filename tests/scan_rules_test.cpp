#include <gtest/gtest.h>

#include "catalogue/ScanRules.h"

namespace ld {
namespace {

ScanFilter NoFilter() {
  ScanFilter f;
  f.marking = 1;
  return f;
}

bool Accepts(const PictureRules& r, const QString& fullPath) {
  const qsizetype slash = fullPath.lastIndexOf(u'/');
  return r.Accepts(fullPath, false, fullPath.left(slash));
}

TEST(IsPictureFile, ExtensionAfterTheLastDotAndSize) {
  for (const char* n : {"scan.bmp", "Noël.Jpg", "a.jpeg", "b.JPE", "c.jfif", "d.png", "e.WebP",
                        "f.tif", "g.TIFF", "h.heic", "i.HEIF", "j.avif", "k.l.jpg", "2010.JPG"})
    EXPECT_TRUE(IsPictureFile(QString::fromUtf8(n), 10, false)) << n;
  // Sidecar files, other extensions, hidden names, no extension.
  for (const char* n : {"a.jpg.txt", "x.JPG.xmp", "y.jpg.json", "z.jpg.bak", "jpg", "a.jpgx",
                        "a.gif", "a.", ".hidden.jpg", "._a.jpg", ".jpg", "a.jp g"})
    EXPECT_FALSE(IsPictureFile(QString::fromUtf8(n), 10, false)) << n;
  EXPECT_FALSE(IsPictureFile(QStringLiteral("photo.JPG"), 0, false));
  // A directory counts as 0 bytes, whatever the file system says.
  EXPECT_FALSE(IsPictureFile(QStringLiteral("2010.jpg"), 4096, true));
}

TEST(PictureRules, DirectoriesAreRefusedFirst) {
  PictureRules r(NoFilter(), {});
  EXPECT_FALSE(r.Accepts(QStringLiteral("/p/2010.jpg"), true, QStringLiteral("/p")));
  EXPECT_TRUE(r.Accepts(QStringLiteral("/p/2010.jpg"), false, QStringLiteral("/p")));
}

TEST(PictureRules, ExclusionListsAreCaseSensitiveSubstringsAndOnlyWhenTicked) {
  ExclusionLists lists;
  lists.directories << QStringLiteral("/p/Privé") << QString();
  lists.pictures << QStringLiteral("/p/2005-07 Vacances/DSC2.JPG");
  ScanFilter f = NoFilter();
  f.useExclusionLists = true;
  PictureRules r(f, lists);
  EXPECT_FALSE(Accepts(r, QStringLiteral("/p/Privé/a.jpg")));
  EXPECT_FALSE(Accepts(r, QStringLiteral("/p/Privé 2/b.jpg")));
  EXPECT_FALSE(Accepts(r, QStringLiteral("/p/Privé/sous/c.jpg")));
  EXPECT_TRUE(Accepts(r, QStringLiteral("/p/privé/c.jpg")));
  EXPECT_FALSE(Accepts(r, QStringLiteral("/p/2005-07 Vacances/DSC2.JPG")));
  // A substring: DSC2.JPG also covers DSC2.JPG.bak, not DSC20.JPG.
  EXPECT_FALSE(Accepts(r, QStringLiteral("/p/2005-07 Vacances/DSC2.JPG.bak")));
  EXPECT_TRUE(Accepts(r, QStringLiteral("/p/2005-07 Vacances/DSC20.JPG")));
  // The empty item (a "**" line with nothing after it) excludes nothing.
  EXPECT_TRUE(Accepts(r, QStringLiteral("/q/d.jpg")));

  f.useExclusionLists = false;
  PictureRules off(f, lists);
  EXPECT_TRUE(Accepts(off, QStringLiteral("/p/Privé/a.jpg")));
}

TEST(PictureRules, MarkingRule) {
  const QString plus = QStringLiteral("/p/Noël ++/a.jpg");
  const QString section = QStringLiteral("/p/a§.jpg");
  const QString plain = QStringLiteral("/p/b.jpg");
  ScanFilter f;
  f.marking = 0;
  PictureRules zero(f, {});
  EXPECT_FALSE(Accepts(zero, plus));
  EXPECT_FALSE(Accepts(zero, section));
  EXPECT_TRUE(Accepts(zero, plain));
  f.marking = 2;
  PictureRules two(f, {});
  EXPECT_TRUE(Accepts(two, plus));
  EXPECT_TRUE(Accepts(two, section));
  EXPECT_FALSE(Accepts(two, plain));
  for (int m : {1, -1, 7}) {
    f.marking = m;
    PictureRules any(f, {});
    EXPECT_TRUE(Accepts(any, plus)) << m;
    EXPECT_TRUE(Accepts(any, plain)) << m;
  }
  // A single "+" is no mark.
  f.marking = 0;
  PictureRules z(f, {});
  EXPECT_TRUE(Accepts(z, QStringLiteral("/p/a+b/c+.jpg")));
}

TEST(PictureRules, DateRuleWithoutEnd) {
  ScanFilter f = NoFilter();
  f.dateFrom = true;
  f.yearFrom = QStringLiteral("2014");
  f.monthFrom = QStringLiteral("9");
  PictureRules r(f, {});
  EXPECT_TRUE(Accepts(r, QStringLiteral("/home/u/Photos/2014-09 Rome/a.jpg")));
  EXPECT_TRUE(Accepts(r, QStringLiteral("/home/u/2014-09/x/a.jpg")));
  EXPECT_FALSE(Accepts(r, QStringLiteral("/home/u/Photos/2014-10/a.jpg")));
  EXPECT_FALSE(Accepts(r, QStringLiteral("/home/u/Photos/2014-9/a.jpg")));
  // Without the first box nothing is tested.
  f.dateFrom = false;
  f.dateTo = true;
  PictureRules off(f, {});
  EXPECT_TRUE(Accepts(off, QStringLiteral("/x/a.jpg")));
}

TEST(PictureRules, DateRuleWithEnd) {
  ScanFilter f = NoFilter();
  f.dateFrom = f.dateTo = true;
  f.yearFrom = QStringLiteral("2014");
  f.monthFrom = QStringLiteral("10");
  f.yearTo = QStringLiteral("2015");
  f.monthTo = QStringLiteral(" 3 ");
  PictureRules r(f, {});
  EXPECT_TRUE(Accepts(r, QStringLiteral("/Photos/2014-11 Lyon/a.jpg")));
  EXPECT_TRUE(Accepts(r, QStringLiteral("/Photos/2014-10/a.jpg")));
  EXPECT_TRUE(Accepts(r, QStringLiteral("/Photos/2015-03-31 fin/a.jpg")));
  EXPECT_FALSE(Accepts(r, QStringLiteral("/Photos/2015-04/a.jpg")));
  EXPECT_FALSE(Accepts(r, QStringLiteral("/Photos/2014-09/a.jpg")));
  // No "-" at all, or the first one at position 4 or earlier: refused, even
  // when a later part of the path holds a valid date.
  EXPECT_FALSE(Accepts(r, QStringLiteral("/Photos/201411/a.jpg")));
  EXPECT_FALSE(Accepts(r, QStringLiteral("/p/-x/2014-10/a.jpg")));
  // Only the first "-" of the path counts.
  EXPECT_FALSE(Accepts(r, QStringLiteral("/home/jean-paul/2014-11/a.jpg")));
  // A key cut short by the end of the path is a prefix, so it is smaller.
  EXPECT_FALSE(Accepts(r, QStringLiteral("/ab/2014-1/a.jpg")));

  // An empty end gives the end key "-", which every key starting with a
  // digit exceeds.
  f.yearTo.clear();
  f.monthTo.clear();
  PictureRules noEnd(f, {});
  EXPECT_FALSE(Accepts(noEnd, QStringLiteral("/Photos/2014-11 Lyon/a.jpg")));
}

TEST(PictureRules, WordRuleLooksAtTheLastDirectoryNameOnly) {
  ScanFilter f = NoFilter();
  f.wordsOn = true;
  f.words = QStringLiteral("  divers   avignon ");
  PictureRules r(f, {});
  EXPECT_TRUE(Accepts(r, QStringLiteral("/e/Voyages/2009 Avignon/a.jpg")));
  EXPECT_TRUE(Accepts(r, QStringLiteral("/e/Divers-2/a.jpg")));
  EXPECT_FALSE(Accepts(r, QStringLiteral("/e/Voyages/Avignon/Jour 2/a.jpg")));
  EXPECT_FALSE(Accepts(r, QStringLiteral("/avignon/x/a.jpg")));
  // Accents fold to their base letter on both sides (an accented small
  // letter stays small, as FoldAccents does).
  f.words = QStringLiteral("noël");
  PictureRules accents(f, {});
  EXPECT_TRUE(Accepts(accents, QStringLiteral("/p/Noël 2010/a.jpg")));
  EXPECT_TRUE(Accepts(accents, QStringLiteral("/p/noel-noël/a.jpg")));
  EXPECT_FALSE(Accepts(accents, QStringLiteral("/p/NOEL 2010/a.jpg")));
  // Files directly in the root: the last name is empty.
  EXPECT_FALSE(Accepts(accents, QStringLiteral("/a.jpg")));

  // Blanks only (or hyphens only, which folding drops): no word rule.
  for (const char* w : {"  ", "", " - "}) {
    f.words = QString::fromUtf8(w);
    PictureRules none(f, {});
    EXPECT_TRUE(Accepts(none, QStringLiteral("/e/Voyages/a.jpg"))) << w;
  }
  // The box unchecked: no word rule either.
  f.wordsOn = false;
  f.words = QStringLiteral("avignon");
  PictureRules off(f, {});
  EXPECT_TRUE(Accepts(off, QStringLiteral("/e/Voyages/a.jpg")));
}

TEST(PictureRules, FoldedLastDirectoryName) {
  EXPECT_EQ(FoldedLastDirectoryName(QStringLiteral("/e/Voyages/2009 Avignon")),
            QStringLiteral("2009AVIGNON"));
  EXPECT_EQ(FoldedLastDirectoryName(QStringLiteral("/")), QString());
  EXPECT_EQ(FoldedLastDirectoryName(QStringLiteral("/p/Été")), QStringLiteral("ETe"));
}

}  // namespace
}  // namespace ld
