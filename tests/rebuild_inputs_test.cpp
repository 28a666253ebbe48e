#include "catalogue/RebuildInputs.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "platform/DataDir.h"
#include "platform/Error.h"
#include "support/TempData.h"

namespace ld {
namespace {

TEST(RebuildInputs, FilterFromTheSettingsFile) {
  // Defaults when the file lacks the keys.
  ScanFilter f = ScanFilterFromSettings({});
  EXPECT_EQ(f.subDirectories, 1);
  EXPECT_EQ(f.marking, 0);
  EXPECT_FALSE(f.useExclusionLists || f.dateFrom || f.dateTo || f.wordsOn);

  f = ScanFilterFromSettings({QStringLiteral("radiogroup_sous_rep_recursif.itemindex = 0"),
                              QStringLiteral("RadioGroup_exclusion.ItemIndex = 7"),
                              QStringLiteral("CheckBox_fic_exclusion.Checked = true"),
                              QStringLiteral("CheckBox_date_de.Checked = True"),
                              QStringLiteral("CheckBox_date_a.Checked = true"),
                              QStringLiteral("annee_de = 2014"), QStringLiteral("mois_de = 9"),
                              QStringLiteral("annee_a = 2015"), QStringLiteral("mois_a = 3"),
                              QStringLiteral("CheckBox_contient.Checked = true"),
                              QStringLiteral("filtre_contient = divers avignon")});
  EXPECT_EQ(f.subDirectories, 0);
  // Past the last item the radio group selects the last one ("que ceux
  // contenant ++ ou §"), as the window does.
  EXPECT_EQ(f.marking, 2);
  EXPECT_TRUE(f.useExclusionLists);
  EXPECT_FALSE(f.dateFrom);  // only "true" exactly
  EXPECT_TRUE(f.dateTo);
  EXPECT_EQ(f.yearFrom + f.monthFrom + f.yearTo + f.monthTo, QStringLiteral("2014920153"));
  EXPECT_TRUE(f.wordsOn);
  EXPECT_EQ(f.words, QStringLiteral("divers avignon"));

  EXPECT_EQ(ScanFilterFromSettings({QStringLiteral("RadioGroup_exclusion.ItemIndex = -5")}).marking, -1);
  EXPECT_THROW(ScanFilterFromSettings({QStringLiteral("RadioGroup_exclusion.ItemIndex = x")}), Error);
}

TEST(RebuildInputs, DirectoryListFlagsAndVanishedDirectories) {
  testing::ResetDataDirs();
  QTemporaryDir tmp;
  const QString a = tmp.path() + QStringLiteral("/a"), b = tmp.path() + QStringLiteral("/b"),
                c = tmp.path() + QStringLiteral("/c é"), d = tmp.path() + QStringLiteral("/d");
  for (const QString& p : {a, c, d}) QDir().mkpath(p);
  const QString list = DataFile(QString::fromLatin1(files::kDirectoryList));
  const QString flags = DataFile(QString::fromLatin1(files::kDirectoryFlags));
  QStringList messages;
  auto collect = [&](const QString& m) { messages << m; };

  EXPECT_TRUE(ReadRootDirectories(collect).isEmpty());  // no list file

  // Without flags file every directory is ticked.
  testing::WriteBytes(list, (a + "\r\n" + c + "\r\n").toUtf8());
  auto roots = ReadRootDirectories(collect);
  ASSERT_EQ(roots.size(), 2);
  EXPECT_TRUE(roots[0].ticked && roots[1].ticked);
  EXPECT_EQ(roots[1].path, c);

  // Two vanished directories at positions 1 and 2 of four: two messages,
  // both numbered 1; "True" and a missing flag line leave a directory
  // unticked.
  testing::WriteBytes(list, (a + "\r\n" + b + "\r\n" + b + "/x\n" + c + "\r\n" + d + "\r\n").toUtf8());
  testing::WriteBytes(flags, "true\r\nfalse\r\ntrue\r\nTrue\r\n");
  roots = ReadRootDirectories(collect);
  ASSERT_EQ(roots.size(), 3);
  EXPECT_EQ(roots[0].path, a);
  EXPECT_TRUE(roots[0].ticked);
  EXPECT_EQ(roots[1].path, c);
  EXPECT_FALSE(roots[1].ticked);
  EXPECT_EQ(roots[2].path, d);
  EXPECT_FALSE(roots[2].ticked);
  EXPECT_EQ(messages, (QStringList{QStringLiteral("1  ") + b + QStringLiteral("  n'existe pas..."),
                                   QStringLiteral("1  ") + b + QStringLiteral("/x  n'existe pas...")}));
}

}  // namespace
}  // namespace ld
