#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/fsuid.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstring>
#include <thread>

#include "catalogue/CatalogueFiles.h"
#include "catalogue/DirectoryScan.h"
#include "platform/DataDir.h"
#include "platform/PathBytes.h"
#include "support/ScanTree.h"
#include "support/TempData.h"

namespace ld {
namespace {

using testing::AllSubDirectories;
using testing::ExpectedOrder;
using testing::Link;
using testing::Paths;
using testing::Touch;

TEST(DirectoryScan, WalksInNameOrderDepthFirst) {
  QTemporaryDir tmp;
  const QString root = tmp.path() + QStringLiteral("/Photos");
  for (const char* n :
       {"m.jpg", "IMG_10.jpg", "z.BMP", "k.JPG.bak", "sub/y.jpg", "sub/deeper/c.jpg", "sub/b.jpg",
        "2010.jpg/d.jpg", "etz.jpg", "Été.png", "ete.jpeg", "eta.heic", "img_3.tif", "IMG_2.jpg",
        "a.jpg", "x.jpg.xmp", "y.jpg.json"})
    Touch(root + u'/' + QString::fromUtf8(n));
  Touch(root + QStringLiteral("/zero.jpg"), 0);
  for (const char* n : {".h.jpg", "notes.txt"}) Touch(root + u'/' + QString::fromLatin1(n));

  for (int sub : {0, 1}) {
    Catalogue c;
    int counter = 0;
    ScanFilter f = AllSubDirectories();
    f.subDirectories = sub;
    DirectoryScan scan(f, {}, c, counter);
    scan.ScanDirectory(root);
    // Case ignored, accents beside their letter, numbers by value, each
    // directory walked where its name falls.
    QStringList expected;
    for (const char* n : {"2010.jpg/d.jpg", "a.jpg", "eta.heic", "ete.jpeg", "Été.png", "etz.jpg",
                          "IMG_2.jpg", "img_3.tif", "IMG_10.jpg", "m.jpg", "sub/b.jpg",
                          "sub/deeper/c.jpg", "sub/y.jpg", "z.BMP"})
      if (sub == 1 || !QString::fromLatin1(n).contains(u'/'))
        expected << root + u'/' + QString::fromUtf8(n);
    EXPECT_EQ(Paths(c), expected);
    // Every entry listed counts, "." and ".." included.
    const int rootEntries = 18 + 2;
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
  // A name that is not UTF-8 is catalogued with its bytes.
  const QByteArray bad = QFile::encodeName(root) + "/\xff\xfe.jpg";
  const int fd = ::open(bad.constData(), O_WRONLY | O_CREAT, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, "xyz", 3), 3);
  ::close(fd);
  struct Unlink {
    QByteArray path;
    ~Unlink() { ::unlink(path.constData()); }
  } unlinkBad{bad};
  // Only regular files are pictures: not a FIFO, a socket or a device, nor a
  // link to one (opening a FIFO would wait for a writer for ever).
  ASSERT_EQ(::mkfifo(QFile::encodeName(root + QStringLiteral("/fifo.jpg")).constData(), 0644), 0);
  Link(root + QStringLiteral("/fifo.jpg"), root + QStringLiteral("/tofifo.png"));
  Link(QStringLiteral("/dev/zero"), root + QStringLiteral("/zero.jpg"));
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const QByteArray sockPath = QFile::encodeName(root + QStringLiteral("/sock.bmp"));
  ASSERT_LT(sockPath.size(), static_cast<qsizetype>(sizeof(address.sun_path)));
  std::memcpy(address.sun_path, sockPath.constData(), static_cast<size_t>(sockPath.size()));
  ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  ::close(sock);

  Catalogue c;
  int counter = 0;
  DirectoryScan scan(AllSubDirectories(), {}, c, counter);
  scan.ScanDirectory(root);
  QStringList names;
  for (const auto& e : c.Entries()) names << e.Name();
  names.sort();
  QStringList expected{name80, accents, QStringLiteral("link.jpg"),
                       PathFromBytes(QByteArrayView("\xff\xfe.jpg"))};
  expected.sort();
  EXPECT_EQ(names, expected);
  EXPECT_EQ(c.Directories(), QStringList{root});
  // What is left out by its name is named in the report, never dropped
  // without a word.
  QStringList refused = scan.Report().refusedNames;
  refused.sort();
  QStringList named{root + u'/' + name81, root + QStringLiteral("/a\nb.jpg"),
                    root + QStringLiteral("/c\rd.jpg"), root + QStringLiteral("/dir\nname")};
  named.sort();
  EXPECT_EQ(refused, named);
}

// Below a root, directories whose name starts with "." (thumbnail caches,
// the trash of a removable drive) are not walked; a root is walked whatever
// its own name. A sub-directory that cannot be listed is reported.
TEST(DirectoryScan, HiddenDirectoriesAreLeftAndUnreadableOnesReported) {
  QTemporaryDir tmp;
  const QString root = tmp.path() + QStringLiteral("/.photos");
  for (const char* n : {"a.jpg", "sub/b.jpg", ".thumbnails/normal/t.jpg",
                        ".Trash-1000/files/deleted.jpg", "sub/.cache/c.jpg", "locked/x.jpg"})
    Touch(root + u'/' + QString::fromLatin1(n));
  const QString locked = root + QStringLiteral("/locked");
  // Run by root, the scan's thread checks permissions as "nobody" (its own
  // file-system identity), so the locked directory stays locked for it.
  ASSERT_EQ(::chmod(QFile::encodeName(tmp.path()).constData(), 0755), 0);
  ASSERT_EQ(::chmod(QFile::encodeName(locked).constData(), 0), 0);
  Catalogue c;
  int counter = 0;
  DirectoryScan scan(AllSubDirectories(), {}, c, counter);
  std::thread([&] {
    if (::geteuid() == 0) ::setfsuid(65534);
    scan.ScanDirectory(root);
  }).join();
  ::chmod(QFile::encodeName(locked).constData(), 0755);
  EXPECT_EQ(Paths(c),
            (QStringList{root + QStringLiteral("/a.jpg"), root + QStringLiteral("/sub/b.jpg")}));
  EXPECT_EQ(scan.Report().unreadableDirectories, QStringList{locked});
  EXPECT_TRUE(ScanReportLines(scan.Report()).first().contains(locked));
}

TEST(DirectoryScan, FollowsLinksButNeverAroundALoop) {
  QTemporaryDir tmp;
  const QString root = tmp.path() + QStringLiteral("/r");
  const QString other = tmp.path() + QStringLiteral("/other");
  Touch(root + QStringLiteral("/a.jpg"));
  Touch(root + QStringLiteral("/s/b.jpg"));
  Touch(other + QStringLiteral("/e.jpg"));
  Link(QStringLiteral(".."), root + QStringLiteral("/s/up"));   // back to the root
  Link(QStringLiteral("."), root + QStringLiteral("/s/self"));  // to itself
  Link(root, other + QStringLiteral("/toroot"));                // other -> root -> ...
  Link(other, root + QStringLiteral("/ext"));                   // root -> other
  Link(other, root + QStringLiteral("/s/ext2"));                // a second way to other

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

// A chain of directories named "d", made one level at a time relative to
// the one above (their full paths soon exceed what open() takes). Returns the
// bottom directory, open.
int MakeChain(const QString& top, int levels) {
  QDir().mkpath(top);
  int fd = ::open(QFile::encodeName(top).constData(), O_RDONLY | O_DIRECTORY);
  for (int i = 0; i < levels && fd >= 0; ++i) {
    if (::mkdirat(fd, "d", 0755) != 0) return -1;
    const int child = ::openat(fd, "d", O_RDONLY | O_DIRECTORY);
    ::close(fd);
    fd = child;
  }
  return fd;
}

// Removes such a chain by lifting it one level at a time.
void RemoveChain(const QString& top) {
  const int fd = ::open(QFile::encodeName(top).constData(), O_RDONLY | O_DIRECTORY);
  while (::renameat(fd, "d/d", fd, "t") == 0) {
    ::unlinkat(fd, "d", AT_REMOVEDIR);
    ::renameat(fd, "t", fd, "d");
  }
  ::unlinkat(fd, "d", AT_REMOVEDIR);
  ::close(fd);
}

TEST(DirectoryScan, DeepTreesLongPathsAndFewOpenFiles) {
  // Thousands of directories are made and removed one by one: in memory
  // where the system offers it, much faster than on a disk.
  QTemporaryDir tmp(QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                        ? QStringLiteral("/dev/shm/ld_scan_test-XXXXXX")
                        : QDir::tempPath() + QStringLiteral("/ld_scan_test-XXXXXX"));
  ASSERT_TRUE(tmp.isValid());
  const QString root = tmp.path();
  // a/: deep enough for paths of 4095 and 4096 bytes at its bottom (about
  // two thousand levels, more than the open files allowed below).
  const QString a = root + QStringLiteral("/a");
  const int top = static_cast<int>(QFile::encodeName(a).size());
  const int levels = (4095 - 1 - 10 - top) / 2;
  const int bottomBytes = top + 2 * levels;
  const int bottom = MakeChain(a, levels);
  ASSERT_GE(bottom, 0);
  const QByteArray fits = QByteArray(4095 - bottomBytes - 1 - 4, 'p') + ".jpg";
  const QByteArray tooLong = QByteArray(4096 - bottomBytes - 1 - 4, 'q') + ".jpg";
  for (const QByteArray& name : {fits, tooLong}) {
    const int fd = ::openat(bottom, name.constData(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "xyz", 3), 3);
    ::close(fd);
  }
  // b/: 15000 levels, far more than any stack of recursive calls holds.
  Touch(root + QStringLiteral("/b/c.jpg"));
  const int deep = MakeChain(root + QStringLiteral("/b"), 15000);
  ASSERT_GE(deep, 0);
  ::close(deep);
  Touch(root + QStringLiteral("/z.jpg"));

  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
  rlimit few = saved;
  few.rlim_cur = std::min<rlim_t>(saved.rlim_cur, 1024);
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &few), 0);
  Catalogue c;
  int counter = 0;
  DirectoryScan scan(AllSubDirectories(), {}, c, counter);
  scan.ScanDirectory(root);
  ::setrlimit(RLIMIT_NOFILE, &saved);

  // The picture whose path takes 4095 bytes is found at the bottom of a/;
  // the one of 4096 bytes could not be opened by its path and is left out;
  // the rest of the tree comes after the deep parts.
  ASSERT_EQ(c.Count(), 3);
  EXPECT_EQ(c.CataloguePath(0).toUtf8().size(), 4095);
  EXPECT_TRUE(c.CataloguePath(0).endsWith(QString::fromLatin1(fits)));
  EXPECT_EQ(c.CataloguePath(1), root + QStringLiteral("/b/c.jpg"));
  EXPECT_EQ(c.CataloguePath(2), root + QStringLiteral("/z.jpg"));

  for (const QByteArray& name : {fits, tooLong}) ::unlinkat(bottom, name.constData(), 0);
  ::close(bottom);
  RemoveChain(a);
  RemoveChain(root + QStringLiteral("/b"));
}

TEST(DirectoryScan, StopRequestedEndsTheScanAndKeepsWhatWasFound) {
  QTemporaryDir tmp;
  for (int i = 0; i < 50; ++i)
    Touch(tmp.path() + QStringLiteral("/d%1/p.jpg").arg(i % 5) + QString::number(i));
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
  RebuildCatalogue({{one, true},
                    {off, false},
                    {tmp.path() + QStringLiteral("/gone"), true},
                    {two, true},
                    {two + QStringLiteral("/A"), true}},
                   scan);
  EXPECT_FALSE(QFileInfo::exists(ResetMarkerPath()));
  // one: 252 entries; two: 4 + A 252 + a 3; two/A again: 252.
  EXPECT_EQ(counter, 252 + 4 + 252 + 3 + 252);
  EXPECT_EQ(shown, (QList<int>{200, 400, 600}));
  EXPECT_GE(events, 5);  // after each root at least
  // Overlapping roots catalogue two/A twice; "A" and "a" are two directories.
  EXPECT_EQ(c.Count(), 250 + 250 + 1 + 250);
  EXPECT_EQ(c.Directories(),
            (QStringList{one, two + QStringLiteral("/A"), two + QStringLiteral("/a")}))
      << "A and a: equal names for the order, then by their bytes";
}

}  // namespace
}  // namespace ld
