#include "catalogue/DirectoryScan.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "catalogue/CatalogueFiles.h"
#include "platform/DataDir.h"
#include "support/TempData.h"

namespace ld {
namespace {

void Touch(const QString& path, int bytes = 3) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
  f.write(QByteArray(bytes, 'x'));
}

void Link(const QString& target, const QString& link) {
  ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()), 0);
}

ScanFilter AllSubDirectories() {
  ScanFilter f;
  f.subDirectories = 1;
  f.marking = 1;
  return f;
}

QStringList Paths(const Catalogue& c) {
  QStringList out;
  for (int i = 0; i < c.Count(); ++i) out << c.CataloguePath(i);
  return out;
}

// The order a walk must give, computed with Qt's own unsorted listing.
void ExpectedOrder(const QString& dir, bool recursive, QStringList& out) {
  const QStringList names = QDir(dir).entryList(
      QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
  for (const QString& n : names) {
    const QString full = dir + u'/' + n;
    const QFileInfo fi(full);
    if (fi.isFile() && fi.size() > 0 && IsPictureFile(n, fi.size(), false)) out << full;
    if (fi.isDir() && recursive) ExpectedOrder(full, recursive, out);
  }
}

TEST(DirectoryScan, WalksInListingOrderDepthFirst) {
  QTemporaryDir tmp;
  const QString root = tmp.path() + QStringLiteral("/Photos");
  for (const char* n : {"m.jpg", "a.jpg", "z.BMP", "k.JPG.bak", "sub/b.jpg", "sub/deeper/c.jpg",
                        "sub/y.jpg", "2010.jpg/d.jpg", "q.jpg", "b2.jpg"})
    Touch(root + u'/' + QString::fromLatin1(n));
  Touch(root + QStringLiteral("/zero.jpg"), 0);
  for (const char* n : {".h.jpg", "x.jpeg", "notes.txt"}) Touch(root + u'/' + QString::fromLatin1(n));

  for (int sub : {0, 1}) {
    Catalogue c;
    int counter = 0;
    ScanFilter f = AllSubDirectories();
    f.subDirectories = sub;
    DirectoryScan scan(f, {}, c, counter);
    scan.ScanDirectory(root);
    QStringList expected;
    ExpectedOrder(root, sub == 1, expected);
    EXPECT_EQ(Paths(c), expected);
    EXPECT_EQ(c.Count(), sub == 1 ? 10 : 6);
    // Every entry listed counts, "." and ".." included.
    const int rootEntries = 12 + 2;
    EXPECT_EQ(counter, sub == 1 ? rootEntries + 5 + 3 + 3 : rootEntries);
  }
}

TEST(DirectoryScan, NamesThatCannotBeCatalogued) {
  QTemporaryDir tmp;
  const QString root = tmp.path();
  const QString name80 = QString(76, u'n') + QStringLiteral(".jpg");
  const QString name81 = QString(77, u'n') + QStringLiteral(".jpg");
  const QString accents = QStringLiteral("Noël § l'été \"x\".jpg");
  Touch(root + u'/' + name80);
  Touch(root + u'/' + name81);
  Touch(root + u'/' + accents);
  Touch(root + QStringLiteral("/a\nb.jpg"));
  Touch(root + QStringLiteral("/c\rd.jpg"));
  Touch(root + QStringLiteral("/dir\nname/e.jpg"));
  Touch(root + QStringLiteral("/target.txt"));
  Link(root + QStringLiteral("/target.txt"), root + QStringLiteral("/link.jpg"));
  Link(root + QStringLiteral("/missing"), root + QStringLiteral("/dead.jpg"));
  // A name that is not UTF-8 cannot be written back as a path.
  const QByteArray bad = QFile::encodeName(root) + "/\xff\xfe.jpg";
  const int fd = ::open(bad.constData(), O_WRONLY | O_CREAT, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, "xyz", 3), 3);
  ::close(fd);
  struct Unlink {
    QByteArray path;
    ~Unlink() { ::unlink(path.constData()); }
  } unlinkBad{bad};

  Catalogue c;
  int counter = 0;
  DirectoryScan scan(AllSubDirectories(), {}, c, counter);
  scan.ScanDirectory(root);
  QStringList names;
  for (const auto& e : c.Entries()) names << e.Name();
  names.sort();
  QStringList expected{name80, accents, QStringLiteral("link.jpg")};
  expected.sort();
  EXPECT_EQ(names, expected);
  EXPECT_EQ(c.Directories(), QStringList{root});
}

TEST(DirectoryScan, FollowsLinksButNeverAroundALoop) {
  QTemporaryDir tmp;
  const QString root = tmp.path() + QStringLiteral("/r");
  const QString other = tmp.path() + QStringLiteral("/other");
  Touch(root + QStringLiteral("/a.jpg"));
  Touch(root + QStringLiteral("/s/b.jpg"));
  Touch(other + QStringLiteral("/e.jpg"));
  Link(QStringLiteral(".."), root + QStringLiteral("/s/up"));      // back to the root
  Link(QStringLiteral("."), root + QStringLiteral("/s/self"));     // to itself
  Link(root, other + QStringLiteral("/toroot"));                  // other -> root -> ...
  Link(other, root + QStringLiteral("/ext"));                     // root -> other
  Link(other, root + QStringLiteral("/s/ext2"));                  // a second way to other

  Catalogue c;
  int counter = 0;
  DirectoryScan scan(AllSubDirectories(), {}, c, counter);
  scan.ScanDirectory(root);
  QStringList paths = Paths(c);
  paths.sort();
  // "other" is reached twice by two different ways (not a loop); no path
  // goes through a directory twice.
  QStringList expected{root + QStringLiteral("/a.jpg"), root + QStringLiteral("/s/b.jpg"),
                       root + QStringLiteral("/ext/e.jpg"), root + QStringLiteral("/s/ext2/e.jpg")};
  expected.sort();
  EXPECT_EQ(paths, expected);
}

TEST(DirectoryScan, StopRequestedEndsTheScanAndKeepsWhatWasFound) {
  QTemporaryDir tmp;
  for (int i = 0; i < 50; ++i) Touch(tmp.path() + QStringLiteral("/d%1/p.jpg").arg(i % 5) + QString::number(i));
  for (int i = 0; i < 50; ++i) Touch(tmp.path() + QStringLiteral("/d%1/%2.jpg").arg(i % 5).arg(i));
  Catalogue c;
  int counter = 0;
  ScanHooks hooks;
  // Set as a key release would set it, in the middle of a sub-directory.
  hooks.stopRequested = [&] { return counter >= 40; };
  DirectoryScan scan(AllSubDirectories(), {}, c, counter, hooks);
  scan.ScanDirectory(tmp.path());
  // Checked before every entry at every depth: 40 entries were examined.
  EXPECT_EQ(counter, 40);
  EXPECT_GT(c.Count(), 0);
  EXPECT_LT(c.Count(), 50);
}

TEST(DirectoryScan, RebuildOverTheRoots) {
  testing::ResetDataDirs();
  QTemporaryDir tmp;
  const QString one = tmp.path() + QStringLiteral("/one");
  const QString two = tmp.path() + QStringLiteral("/two");
  const QString off = tmp.path() + QStringLiteral("/off");
  for (int i = 0; i < 250; ++i) Touch(one + QStringLiteral("/%1.jpg").arg(i));
  for (int i = 0; i < 250; ++i) Touch(two + QStringLiteral("/A/%1.jpg").arg(i));
  Touch(two + QStringLiteral("/a/x.jpg"));
  Touch(off + QStringLiteral("/o.jpg"));
  testing::WriteBytes(ResetMarkerPath(), QByteArray());

  Catalogue c;
  c.AppendCatalogueEntry(QStringLiteral("/old"), QStringLiteral("old.jpg"));
  int counter = 0;
  QList<int> shown;
  int events = 0;
  ScanHooks hooks;
  hooks.showCounter = [&](int n) { shown << n; };
  hooks.letEventsThrough = [&] { ++events; };
  DirectoryScan scan(AllSubDirectories(), {}, c, counter, hooks);
  RebuildCatalogue({{one, true}, {off, false}, {tmp.path() + QStringLiteral("/gone"), true},
                    {two, true}, {two + QStringLiteral("/A"), true}},
                   scan);
  EXPECT_FALSE(QFileInfo::exists(ResetMarkerPath()));
  // one: 252 entries; two: 4 + A 252 + a 3; two/A again: 252.
  EXPECT_EQ(counter, 252 + 4 + 252 + 3 + 252);
  EXPECT_EQ(shown, (QList<int>{200, 400, 600}));
  EXPECT_GE(events, 5);  // after each root at least
  // Overlapping roots catalogue two/A twice; "A" and "a" are two directories.
  EXPECT_EQ(c.Count(), 250 + 250 + 1 + 250);
  EXPECT_EQ(c.Directories(), (QStringList{one, two + QStringLiteral("/A"), two + QStringLiteral("/a")}) )
      << "the order of A and a follows the listing";
}

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
      EXPECT_EQ(got.size(), (marking == 0 ? 3 : marking == 2 ? 2 : 5) - (lists && marking != 2 ? 1 : 0))
          << marking << lists;
    }
  }
}

}  // namespace
}  // namespace ld
