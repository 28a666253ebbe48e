#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "platform/DataDir.h"
#include "support/PanelChecks.h"
#include "support/TestWindow.h"

namespace ld {
namespace {

using testing::Click;
using testing::Lines;
using testing::ReadBytes;
using testing::TestWindow;
using testing::WriteBytes;

TEST(ToolsPanel, RenamingPanelPreviewRenameAndCounts) {
  TestWindow w;
  w->show();
  QTemporaryDir tmp;
  const QString root = tmp.path();
  for (const char* n :
       {"051231 avg", "05-12-30 b", "20050828 c", "2005 08 27 d", "divers", ".060101 caché"})
    QDir().mkpath(root + u'/' + QString::fromUtf8(n));

  Click(w->SpeedButton2);
  EXPECT_FALSE(w->Panel_renommage->isHidden());
  w->Edit3->setText(QStringLiteral("19"));
  EXPECT_EQ(
      w->Label23->text(),
      QStringLiteral("nombre de fichiers 'aammjj ...' ou 'aa-mm-jj ...'  => '19aa-mm-jj ...'"));
  EXPECT_EQ(w->Label27->text(),
            QStringLiteral("ex: /051231 avg ou /05-12-31 avg en /1905-15-21 avg"));
  w->Edit3->setText(QStringLiteral("20"));
  // The century takes digits only.
  ASSERT_NE(w->Edit3->validator(), nullptr);
  for (QString typed : {QStringLiteral("../"), QStringLiteral("2/"), QStringLiteral(" 20")}) {
    int pos = 0;
    EXPECT_EQ(w->Edit3->validator()->validate(typed, pos), QValidator::Invalid)
        << typed.toStdString();
  }

  w.fake.dialogs.directories.push_back(root);
  Click(w->SpeedButton3);
  EXPECT_EQ(w->Edit2->text(), root);
  EXPECT_EQ(w->Label24->text(), QStringLiteral("4"));
  const QStringList preview = Lines(w->ListBox1);
  ASSERT_EQ(preview.size(), 8);
  EXPECT_EQ(preview[0], QStringLiteral("1 : 05-12-30 b"));
  EXPECT_EQ(preview[1], QStringLiteral("  -> 2005-12-30 b"));
  EXPECT_EQ(preview[6], QStringLiteral("4 : 20050828 c"));
  // The same directory again: a second block, numbered from 1.
  w.fake.dialogs.directories.push_back(root);
  Click(w->SpeedButton3);
  ASSERT_EQ(w->ListBox1->count(), 16);
  EXPECT_EQ(w->ListBox1->item(8)->text(), QStringLiteral("1 : 05-12-30 b"));

  w.fake.dialogs.answers = {false, true};
  Click(w->SpeedButton4);  // No
  EXPECT_TRUE(QFileInfo(root + QStringLiteral("/051231 avg")).isDir());
  Click(w->SpeedButton4);
  EXPECT_EQ(w.fake.dialogs.confirmations, (QStringList{QStringLiteral("\n     Renommer ?"),
                                                       QStringLiteral("\n     Renommer ?")}));
  EXPECT_EQ(w.fake.dialogs.yesOnly,
            QStringList{QStringLiteral("\n     Renommage des 4 fichiers effectués ")});
  EXPECT_EQ(w->Label24->text(), QStringLiteral("---"));
  EXPECT_EQ(w->ListBox1->count(), 8);
  EXPECT_EQ(w->ListBox1->item(0)->text(), QStringLiteral("ok de   05-12-30 b"));
  for (const char* n : {"2005-12-31 avg", "2005-12-30 b", "2005-08-28 c", "2005-08-27 d", "divers",
                        ".060101 caché"})
    EXPECT_TRUE(QFileInfo(root + u'/' + QString::fromUtf8(n)).isDir()) << n;

  // "---" does not block: a typed path is renamed without a preview; the
  // names already in the target form are reported, not counted.
  w.fake.dialogs.answers = {true};
  Click(w->SpeedButton4);
  EXPECT_EQ(w.fake.dialogs.yesOnly.last(),
            QStringLiteral("\n     Renommage des 0 fichiers effectués "));
  EXPECT_TRUE(w->ListBox1->item(0)->text().startsWith(QStringLiteral("problème avec       ")));

  // A preview that finds nothing blocks the renaming without a question.
  const QString empty = tmp.filePath(QStringLiteral("divers"));
  w.fake.dialogs.directories.push_back(empty);
  Click(w->SpeedButton3);
  EXPECT_EQ(w->Label24->text(), QStringLiteral("0"));
  EXPECT_EQ(w->ListBox1->count(), 0);  // another directory: the list was cleared
  const int asked = w.fake.dialogs.confirmations.size();
  Click(w->SpeedButton4);
  EXPECT_EQ(w.fake.dialogs.confirmations.size(), asked);
  EXPECT_EQ(w.fake.dialogs.yesOnly.last(), QStringLiteral("\n     Aucun fichier à renommer "));

  Click(w->SpeedButton5);
  EXPECT_EQ(w.fake.shell.opened, QStringList{empty});

  // Hiding and showing the panel again clears the list.
  w->ListBox1->addItem(QStringLiteral("x"));
  Click(w->Button3);
  EXPECT_TRUE(w->Panel_renommage->isHidden());
  Click(w->SpeedButton2);
  EXPECT_FALSE(w->Panel_renommage->isHidden());
  EXPECT_EQ(w->ListBox1->count(), 0);
  Click(w->SpeedButton2);
  EXPECT_TRUE(w->Panel_renommage->isHidden());
}

TEST(ToolsPanel, RenamedDirectoriesAskForARebuildAndFollowInTheList) {
  TestWindow w;
  w->show();
  QTemporaryDir tmp;
  const QString root = tmp.path();
  for (const char* n : {"051231 avg/sub", "divers"}) QDir().mkpath(root + u'/' + n);
  w->CheckListBox_rep->AddLine(root + QStringLiteral("/051231 avg"), true);
  w->CheckListBox_rep->AddLine(root + QStringLiteral("/051231 avg/sub"), false);
  w->CheckListBox_rep->AddLine(root + QStringLiteral("/051231 avg copie"), true);
  w->CheckListBox_rep->AddLine(root + QStringLiteral("/divers"), true);
  w->settings_changed = false;
  w->ClearRebuildMark();
  const QColor normal = w->aPanel_sauve_param_et_BD0_et_quitter->Background();

  // A renaming that renames nothing changes nothing.
  w->Edit2->setText(root + QStringLiteral("/divers"));
  w.fake.dialogs.answers = {true};
  Click(w->SpeedButton4);
  EXPECT_FALSE(w->rebuild_requested);

  w->Edit2->setText(root);
  w.fake.dialogs.answers = {true};
  Click(w->SpeedButton4);
  EXPECT_TRUE(w->rebuild_requested);
  EXPECT_TRUE(w->settings_changed);
  EXPECT_NE(w->aPanel_sauve_param_et_BD0_et_quitter->Background(), normal);
  // Whole path components only: "051231 avg copie" is another directory.
  EXPECT_EQ(w->CheckListBox_rep->Lines(),
            (QStringList{root + "/2005-12-31 avg", root + "/2005-12-31 avg/sub",
                         root + "/051231 avg copie", root + "/divers"}));
  EXPECT_TRUE(w->CheckListBox_rep->Checked(0));
  EXPECT_FALSE(w->CheckListBox_rep->Checked(1));
}

}  // namespace
}  // namespace ld
