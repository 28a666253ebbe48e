#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "app/core/DirectoryListFile.h"
#include "app/core/ScanInputs.h"
#include "app/core/SettingsFile.h"
#include "platform/DataDir.h"
#include "platform/Error.h"
#include "support/TempData.h"
#include "support/TestWindow.h"

namespace ld {
namespace {

TEST(ScanInputs, FilterFromTheSettingsFile) {
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

  EXPECT_EQ(ScanFilterFromSettings({QStringLiteral("RadioGroup_exclusion.ItemIndex = -5")}).marking,
            -1);
  EXPECT_THROW(ScanFilterFromSettings({QStringLiteral("RadioGroup_exclusion.ItemIndex = x")}),
               Error);
}

TEST(DirectoryListFile, FlagsAndVanishedDirectories) {
  testing::ResetDataDirs();
  QTemporaryDir tmp;
  const QString a = tmp.path() + QStringLiteral("/a"), b = tmp.path() + QStringLiteral("/b"),
                c = tmp.path() + QStringLiteral("/c é"), d = tmp.path() + QStringLiteral("/d");
  for (const QString& p : {a, c, d}) QDir().mkpath(p);
  const QString list = DataFile(QString::fromLatin1(files::kDirectoryList));
  const QString flags = DataFile(QString::fromLatin1(files::kDirectoryFlags));
  QStringList messages;
  auto collect = [&](const QString& m) { messages << m; };

  EXPECT_FALSE(ReadDirectoryList());  // no list file

  // Without flags file every directory is ticked.
  testing::WriteBytes(list, (a + "\r\n" + c + "\r\n").toUtf8());
  auto roots = ReadDirectoryList().value();
  ASSERT_EQ(roots.size(), 2);
  EXPECT_TRUE(roots[0].ticked && roots[1].ticked);
  EXPECT_EQ(roots[1].path, c);

  // Two vanished directories at positions 1 and 2 of five: a message each,
  // numbered by position, and both stay listed with their ticks. "True" and
  // a missing flag line leave a directory unticked.
  testing::WriteBytes(list,
                      (a + "\r\n" + b + "\r\n" + b + "/x\n" + c + "\r\n" + d + "\r\n").toUtf8());
  testing::WriteBytes(flags, "true\r\nfalse\r\ntrue\r\nTrue\r\n");
  roots = ReadDirectoryList().value();
  ReportVanishedDirectories(roots, collect);
  ASSERT_EQ(roots.size(), 5);
  const QList<bool> ticks = {true, false, true, false, false};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(roots[i].ticked, ticks[i]) << i;
  EXPECT_EQ(roots[4].path, d);
  EXPECT_EQ(messages,
            (QStringList{QStringLiteral("1  ") + b + QStringLiteral("  n'existe pas..."),
                         QStringLiteral("2  ") + b + QStringLiteral("/x  n'existe pas...")}));
  // Written back as read.
  WriteDirectoryList(roots);
  EXPECT_EQ(ReadDirectoryList().value().size(), 5);
  EXPECT_EQ(testing::ReadBytes(flags), QByteArray("true\r\nfalse\r\ntrue\r\nfalse\r\nfalse\r\n"));
}

void ExpectSameInputs(const ScanInputs& x, const ScanInputs& y) {
  const ScanFilter& f = x.filter;
  const ScanFilter& g = y.filter;
  EXPECT_EQ(f.subDirectories, g.subDirectories);
  EXPECT_EQ(f.marking, g.marking);
  EXPECT_EQ(f.useExclusionLists, g.useExclusionLists);
  EXPECT_EQ(f.dateFrom, g.dateFrom);
  EXPECT_EQ(f.dateTo, g.dateTo);
  EXPECT_EQ(f.yearFrom, g.yearFrom);
  EXPECT_EQ(f.monthFrom, g.monthFrom);
  EXPECT_EQ(f.yearTo, g.yearTo);
  EXPECT_EQ(f.monthTo, g.monthTo);
  EXPECT_EQ(f.wordsOn, g.wordsOn);
  EXPECT_EQ(f.words, g.words);
  ASSERT_EQ(x.roots.size(), y.roots.size());
  for (qsizetype i = 0; i < x.roots.size(); ++i) {
    EXPECT_EQ(x.roots[i].path, y.roots[i].path);
    EXPECT_EQ(x.roots[i].ticked, y.roots[i].ticked);
  }
}

// What the window scans with its controls as they stand is what the catalogue
// tool scans once they are saved, blanks typed around a value included.
TEST(ScanInputs, TheWindowAndTheToolScanTheSameInputs) {
  testing::TestWindow w;
  w->CheckListBox_rep->AddLine(DataFile(QStringLiteral("pics")), true);
  w->CheckListBox_rep->AddLine(QStringLiteral("/nowhere"), false);
  w->RadioGroup_sous_rep_recursif->SetItemIndex(0);
  w->RadioGroup_exclusion->SetItemIndex(2);
  w->CheckBox_fic_exclusion->setChecked(true);
  w->CheckBox_date_de->setChecked(true);
  w->Edit_annee_de->setText(QStringLiteral(" 2019 "));
  w->Edit_mois_de->setText(QStringLiteral("3"));
  w->Edit_annee_a->setText(QString());
  w->CheckBox_contient->setChecked(true);
  w->Edit_contient->setText(QStringLiteral("  mer montagne "));
  // A bad number typed into an edit that the scan does not use is no matter.
  w->Edit_vmax->setText(QStringLiteral("vite"));
  const ScanInputs window = w->CurrentScanInputs();
  EXPECT_EQ(window.filter.words, QStringLiteral("mer montagne"));
  EXPECT_EQ(window.filter.yearFrom, QStringLiteral("2019"));

  w->Edit_vmax->setText(QStringLiteral("100"));
  w->SaveSettings();
  QStringList settings;
  LoadSettingsList(settings, DataFile(QString::fromLatin1(files::kSettings)));
  ExpectSameInputs(window, BuildScanInputs(settings, ReadDirectoryList().value()));
}

}  // namespace
}  // namespace ld
