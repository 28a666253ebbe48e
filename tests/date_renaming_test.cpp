#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "panel/DateRenaming.h"
#include "platform/SafeRename.h"
#include "support/TempData.h"

namespace ld {
namespace {

std::optional<QString> Renamed(const char* name, const char* century = "20") {
  return DateRenamedName(QString::fromUtf8(name), QString::fromUtf8(century));
}

TEST(DateRenaming, TheFourRules) {
  EXPECT_EQ(Renamed("051231 avg"), QStringLiteral("2005-12-31 avg"));
  EXPECT_EQ(Renamed("051231"), QStringLiteral("2005-12-31"));
  EXPECT_EQ(Renamed("05-12-31 avg"), QStringLiteral("2005-12-31 avg"));
  EXPECT_EQ(Renamed("05.12.31"), QStringLiteral("2005-12-31"));
  EXPECT_EQ(Renamed("05_12 31x"), QStringLiteral("2005-12-31x"));
  EXPECT_EQ(Renamed("20050828 avg"), QStringLiteral("2005-08-28 avg"));
  EXPECT_EQ(Renamed("2005 08 28 avg"), QStringLiteral("2005-08-28 avg"));
  EXPECT_EQ(Renamed("2005.08.28"), QStringLiteral("2005-08-28"));
  EXPECT_EQ(Renamed("2005-08-28 été"), QStringLiteral("2005-08-28 été"));
  // Months and days are not checked.
  EXPECT_EQ(Renamed("123456"), QStringLiteral("2012-34-56"));
}

TEST(DateRenaming, CenturyOnlyForTwoDigitYears) {
  EXPECT_EQ(Renamed("051231 avg", "19"), QStringLiteral("1905-12-31 avg"));
  EXPECT_EQ(Renamed("05-12-31 avg", "19"), QStringLiteral("1905-12-31 avg"));
  EXPECT_EQ(Renamed("20050828 avg", "19"), QStringLiteral("2005-08-28 avg"));
  EXPECT_EQ(Renamed("2005 08 28 avg", "19"), QStringLiteral("2005-08-28 avg"));
  EXPECT_EQ(Renamed("051231 avg", ""), QStringLiteral("05-12-31 avg"));
}

TEST(DateRenaming, ACenturyThatIsNotDigitsNeverMovesADirectory) {
  for (const char* century : {"../", "/", "2/", "x", " 20"}) {
    EXPECT_FALSE(Renamed("051231 x", century)) << century;
    EXPECT_FALSE(Renamed("05-12-31 x", century)) << century;
  }
  EXPECT_EQ(Renamed("20050828 x", "../"), QStringLiteral("2005-08-28 x"));  // no century used
  QTemporaryDir tmp;
  const QString root = tmp.filePath(QStringLiteral("in"));
  ASSERT_TRUE(QDir().mkpath(root + QStringLiteral("/051231 x")));
  const RenamePass pass = RenameByDate(root, true, QStringLiteral("../"));
  EXPECT_EQ(pass.count, 0);
  EXPECT_TRUE(QFileInfo(root + QStringLiteral("/051231 x")).isDir());
  EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
            QStringList{QStringLiteral("in")});
}

TEST(DateRenaming, NamesThatMatchNoRule) {
  EXPECT_FALSE(Renamed("1234567 avg"));
  EXPECT_FALSE(Renamed("05-1231 avg"));
  EXPECT_FALSE(Renamed("12345"));
  EXPECT_FALSE(Renamed("avg 051231"));
  EXPECT_FALSE(Renamed("2005-0828"));
  EXPECT_FALSE(Renamed("200508281 x"));
  EXPECT_FALSE(Renamed(""));
  // Already in the target form: the last rule gives the same name.
  EXPECT_EQ(Renamed("2005-08-28 avg"), QStringLiteral("2005-08-28 avg"));
}

void MakeDirs(const QString& root, const QStringList& names) {
  for (const QString& n : names) ASSERT_TRUE(QDir().mkpath(root + u'/' + n));
}

QStringList Entries(const QString& dir) {
  return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

TEST(DateRenaming, PreviewThenRenameInNameOrder) {
  QTemporaryDir tmp;
  const QString root = tmp.path();
  MakeDirs(root, {QStringLiteral("051231 avg"), QStringLiteral("05-12-30 b"),
                  QStringLiteral("2005-08-28 c"), QStringLiteral("divers"),
                  QStringLiteral(".051231 caché")});
  testing::WriteBytes(root + QStringLiteral("/051229 fichier"), "a plain file");
  const QStringList before = Entries(root);

  const RenamePass pass = RenameByDate(root, false, QStringLiteral("20"));
  EXPECT_TRUE(pass.listed);
  EXPECT_EQ(pass.count, 3);
  EXPECT_EQ(pass.lines,
            (QStringList{QStringLiteral("1 : 05-12-30 b"), QStringLiteral("  -> 2005-12-30 b"),
                         QStringLiteral("2 : 051231 avg"), QStringLiteral("  -> 2005-12-31 avg"),
                         QStringLiteral("3 : 2005-08-28 c"), QStringLiteral("  -> 2005-08-28 c")}));
  EXPECT_EQ(Entries(root), before);

  testing::WriteBytes(root + QStringLiteral("/051231 avg/img.jpg"), "picture");
  const RenamePass applied = RenameByDate(root, true, QStringLiteral("20"));
  EXPECT_EQ(applied.count, 2);
  EXPECT_EQ(
      applied.lines,
      (QStringList{QStringLiteral("ok de   05-12-30 b"), QStringLiteral(" -----> 2005-12-30 b"),
                   QStringLiteral("ok de   051231 avg"), QStringLiteral(" -----> 2005-12-31 avg"),
                   QStringLiteral("problème avec       2005-08-28 c"),
                   QStringLiteral("     existe dèjà -> 2005-08-28 c")}));
  EXPECT_EQ(Entries(root),
            (QStringList{QStringLiteral(".051231 caché"), QStringLiteral("051229 fichier"),
                         QStringLiteral("2005-08-28 c"), QStringLiteral("2005-12-30 b"),
                         QStringLiteral("2005-12-31 avg"), QStringLiteral("divers")}));
  EXPECT_EQ(testing::ReadBytes(root + QStringLiteral("/2005-12-31 avg/img.jpg")),
            QByteArray("picture"));

  // A second pass finds only names in the target form, each reported as
  // existing and none counted.
  const RenamePass again = RenameByDate(root, true, QStringLiteral("20"));
  EXPECT_EQ(again.count, 0);
  EXPECT_EQ(again.lines.size(), 6);
  EXPECT_TRUE(again.lines[0].startsWith(QStringLiteral("problème avec       ")));
}

TEST(DateRenaming, ExistingTargetIsNeverReplacedOrMerged) {
  QTemporaryDir tmp;
  const QString root = tmp.path();
  // Beside a full target, an empty one (which a plain rename would replace)
  // and a plain file of the new name.
  MakeDirs(root, {QStringLiteral("051231 avg"), QStringLiteral("2005-12-31 avg"),
                  QStringLiteral("051230 b"), QStringLiteral("2005-12-30 b"),
                  QStringLiteral("051229 c")});
  testing::WriteBytes(root + QStringLiteral("/051231 avg/new.jpg"), "new");
  testing::WriteBytes(root + QStringLiteral("/2005-12-31 avg/old.jpg"), "old");
  testing::WriteBytes(root + QStringLiteral("/051230 b/b.jpg"), "b");
  testing::WriteBytes(root + QStringLiteral("/2005-12-29 c"), "a file");

  const RenamePass pass = RenameByDate(root, true, QStringLiteral("20"));
  EXPECT_EQ(pass.count, 0);
  EXPECT_TRUE(pass.lines.contains(QStringLiteral("problème avec       051231 avg")));
  EXPECT_TRUE(pass.lines.contains(QStringLiteral("problème avec       051230 b")));
  EXPECT_TRUE(pass.lines.contains(QStringLiteral("Erreur de 051229 c")));
  EXPECT_TRUE(pass.lines.contains(QStringLiteral("       en 2005-12-29 c")));
  EXPECT_EQ(Entries(root + QStringLiteral("/051231 avg")), QStringList{QStringLiteral("new.jpg")});
  EXPECT_EQ(Entries(root + QStringLiteral("/2005-12-31 avg")),
            QStringList{QStringLiteral("old.jpg")});
  EXPECT_EQ(Entries(root + QStringLiteral("/051230 b")), QStringList{QStringLiteral("b.jpg")});
  EXPECT_TRUE(Entries(root + QStringLiteral("/2005-12-30 b")).isEmpty());
  EXPECT_EQ(testing::ReadBytes(root + QStringLiteral("/2005-12-29 c")), QByteArray("a file"));
  EXPECT_TRUE(QFileInfo(root + QStringLiteral("/051229 c")).isDir());
}

TEST(DateRenaming, MissingOrEmptyDirectoryListsNothing) {
  QTemporaryDir tmp;
  const RenamePass missing =
      RenameByDate(tmp.filePath(QStringLiteral("vanished")), true, QStringLiteral("20"));
  EXPECT_FALSE(missing.listed);
  EXPECT_EQ(missing.count, 0);
  EXPECT_TRUE(missing.lines.isEmpty());

  // An empty path is not taken as the current directory.
  MakeDirs(tmp.path(), {QStringLiteral("051231 x")});
  const QString cwd = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(tmp.path()));
  const RenamePass empty = RenameByDate(QString(), true, QStringLiteral("20"));
  QDir::setCurrent(cwd);
  EXPECT_FALSE(empty.listed);
  EXPECT_TRUE(QFileInfo(tmp.filePath(QStringLiteral("051231 x"))).isDir());
}

TEST(SafeRename, NeverReplacesWhatIsThere) {
  QTemporaryDir tmp;
  const QString a = tmp.filePath(QStringLiteral("a")), b = tmp.filePath(QStringLiteral("b"));
  ASSERT_TRUE(QDir().mkpath(a));
  ASSERT_TRUE(QDir().mkpath(b));  // empty
  EXPECT_EQ(RenameWithoutReplacing(a, b), RenameOutcome::TargetExists);
  EXPECT_TRUE(QFileInfo(a).isDir());

  const QString file = tmp.filePath(QStringLiteral("f"));
  testing::WriteBytes(file, "keep");
  EXPECT_EQ(RenameWithoutReplacing(a, file), RenameOutcome::TargetExists);
  const QString dangling = tmp.filePath(QStringLiteral("link"));
  ASSERT_EQ(::symlink("/nonexistent/target", QFile::encodeName(dangling).constData()), 0);
  EXPECT_EQ(RenameWithoutReplacing(a, dangling), RenameOutcome::TargetExists);
  EXPECT_EQ(testing::ReadBytes(file), QByteArray("keep"));

  EXPECT_EQ(RenameWithoutReplacing(tmp.filePath(QStringLiteral("gone")),
                                   tmp.filePath(QStringLiteral("x"))),
            RenameOutcome::Failed);
  EXPECT_EQ(RenameWithoutReplacing(a, tmp.filePath(QStringLiteral("c"))), RenameOutcome::Renamed);
  EXPECT_TRUE(QFileInfo(tmp.filePath(QStringLiteral("c"))).isDir());
  EXPECT_FALSE(QFileInfo::exists(a));
}

}  // namespace
}  // namespace ld
