#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "catalogue/CatalogueFiles.h"
#include "platform/DataDir.h"
#include "platform/TextFile.h"
#include "support/TempData.h"
#include "support/TestWindow.h"

namespace ld {
namespace {

using testing::TestWindow;

const QColor kRed(255, 0, 0);

bool Red(TestWindow& w) { return w->aPanel_sauve_param_et_BD0_et_quitter->Background() == kRed; }

QString AddQuestion(const QString& d) {
  return QStringLiteral("Rajouter le répertoire suivant à la liste ?\n\n") + d +
         QStringLiteral(
             "\n\n(attention, dans la fenêtre précedente, il fallait double-cliquer pour "
             "valider le choix d'un nouveau répertoire) \n\n");
}

TEST(DirectoryListEditing, AddingDirectories) {
  TestWindow w;
  auto& dialogs = w.fake.dialogs;
  w->CheckListBox_rep->AddLine(QStringLiteral("/p/A"), false);
  w->ClearRebuildMark();

  // Confirmed: appended and ticked.
  dialogs.directories.push_back(QStringLiteral("/p/Noël § \"x\""));
  dialogs.answers.push_back(true);
  w->Panel_ajout_rep->clicked();
  // The chooser opens beside the list's last directory.
  EXPECT_EQ(dialogs.directoryStarts, QStringList{QStringLiteral("/p")});
  EXPECT_EQ(dialogs.confirmations, QStringList{AddQuestion(QStringLiteral("/p/Noël § \"x\""))});
  ASSERT_EQ(w->CheckListBox_rep->Count(), 2);
  EXPECT_EQ(w->CheckListBox_rep->Line(1), QStringLiteral("/p/Noël § \"x\""));
  EXPECT_TRUE(w->CheckListBox_rep->Checked(1));
  EXPECT_TRUE(w->rebuild_requested);
  EXPECT_FALSE(w->settings_changed);
  EXPECT_TRUE(Red(w));

  // The same path again: a beep and no change. Another letter case is
  // another directory on Linux.
  dialogs.directories = {QStringLiteral("/p/A"), QStringLiteral("/p/a")};
  dialogs.answers = {true, true};
  w->Panel_ajout_rep->clicked();
  EXPECT_EQ(dialogs.beeps, 1);
  EXPECT_EQ(w->CheckListBox_rep->Count(), 2);
  w->Panel_ajout_rep->clicked();
  EXPECT_EQ(dialogs.beeps, 1);
  EXPECT_EQ(w->CheckListBox_rep->Lines().last(), QStringLiteral("/p/a"));

  // Answered No: nothing added, but the rebuild is still requested.
  w->rebuild_requested = false;
  dialogs.directories = {QStringLiteral("/p/B")};
  dialogs.answers = {false};
  w->Panel_ajout_rep->clicked();
  EXPECT_EQ(w->CheckListBox_rep->Count(), 3);
  EXPECT_TRUE(w->rebuild_requested);
  EXPECT_TRUE(Red(w));

  // Chooser cancelled: no question, the rebuild is still requested.
  w->rebuild_requested = false;
  w->ClearRebuildMark();
  const int asked = dialogs.confirmations.size();
  w->Panel_ajout_rep->clicked();
  EXPECT_EQ(dialogs.confirmations.size(), asked);
  EXPECT_TRUE(w->rebuild_requested);
  EXPECT_TRUE(Red(w));

  // A name with a line break would break the list file: refused with a message.
  dialogs.directories = {QStringLiteral("/p/x\ny")};
  dialogs.answers = {true};
  w->Panel_ajout_rep->clicked();
  EXPECT_EQ(w->CheckListBox_rep->Count(), 3);
  EXPECT_EQ(dialogs.notices.size(), 1);
  EXPECT_EQ(dialogs.confirmations.size(), asked);

  // With an empty list it opens in the home directory (an empty start).
  while (w->CheckListBox_rep->Count() > 0) w->CheckListBox_rep->RemoveLine(0);
  w->Panel_ajout_rep->clicked();
  EXPECT_EQ(dialogs.directoryStarts.last(), QString());
}

TEST(DirectoryListEditing, RemovingAndSelecting) {
  TestWindow w;
  auto& dialogs = w.fake.dialogs;
  for (const char* d : {"/p/A", "/p/B", "/p/C"})
    w->CheckListBox_rep->AddLine(QString::fromLatin1(d), true);
  w->CheckListBox_rep->setCurrentRow(-1);
  w->ClearRebuildMark();

  // No selection: no question, no flag, no highlight.
  w->Panel_sup_rep->clicked();
  EXPECT_TRUE(dialogs.confirmations.isEmpty());
  EXPECT_FALSE(w->rebuild_requested);
  EXPECT_FALSE(Red(w));

  // Selecting a line shows it and marks the reset button; no flag.
  w->CheckListBox_rep->setCurrentRow(1);
  EXPECT_EQ(w->Label20->text(), QStringLiteral("/p/B"));
  EXPECT_TRUE(Red(w));
  EXPECT_FALSE(w->rebuild_requested);
  EXPECT_FALSE(w->settings_changed);

  // No: the line stays, no flag, but the button is red.
  w->ClearRebuildMark();
  dialogs.answers = {false};
  w->Panel_sup_rep->clicked();
  EXPECT_EQ(dialogs.confirmations.last(),
            QStringLiteral("Effacer de la liste le répertoire : /p/B"));
  EXPECT_EQ(w->CheckListBox_rep->Count(), 3);
  EXPECT_FALSE(w->rebuild_requested);
  EXPECT_TRUE(Red(w));

  // Yes: only the selected line goes.
  dialogs.answers = {true};
  w->CheckListBox_rep->setCurrentRow(1);
  w->Panel_sup_rep->clicked();
  EXPECT_EQ(w->CheckListBox_rep->Lines(),
            (QStringList{QStringLiteral("/p/A"), QStringLiteral("/p/C")}));
  EXPECT_TRUE(w->rebuild_requested);
}

TEST(DirectoryListEditing, ExclusionFileEditor) {
  TestWindow w;
  const QString path = DataFile(QString::fromLatin1(files::kExclusion));
  w->SpeedButton1->click();
  EXPECT_EQ(w.fake.shell.opened, QStringList{path});
  const auto lines = ReadTextLines(path);
  ASSERT_TRUE(lines.has_value());
  EXPECT_TRUE(lines->front().startsWith(u'\''));
  EXPECT_FALSE(w->rebuild_requested);  // opening the editor requests nothing

  testing::WriteBytes(path, "**/mine\r\n");
  w->SpeedButton1->click();
  EXPECT_EQ(testing::ReadBytes(path), QByteArray("**/mine\r\n"));
  EXPECT_EQ(w.fake.shell.opened.size(), 2);
}

TEST(DirectoryListEditing, TheThreeResetControlsSaveAndQuit) {
  QTemporaryDir tmp;
  for (int control = 0; control < 3; ++control) {
    TestWindow w;
    testing::WriteBytes(ResetMarkerPath(), QByteArray());
    testing::WriteBytes(DataFile(QString::fromLatin1(files::kCurrentDirectoryList)),
                        "/p\r\na.jpg\r\n");
    w->CheckListBox_rep->AddLine(tmp.path(), true);
    w->CheckListBox_rep->AddLine(tmp.path() + QStringLiteral("/off"), false);
    if (control == 0) QTest::mouseClick(w->Label25, Qt::LeftButton);
    if (control == 1) w->SpeedButton_valider_filtre->click();
    if (control == 2) w->aPanel_sauve_param_et_BD0_et_quitter->clicked();
    EXPECT_EQ(w.fake.exit.codes, std::vector<int>{1}) << control;
    EXPECT_TRUE(w->settings_changed && w->rebuild_requested) << control;
    EXPECT_FALSE(QFileInfo::exists(ResetMarkerPath())) << control;
    EXPECT_FALSE(QFileInfo::exists(DataFile(QString::fromLatin1(files::kCurrentDirectoryList))));
    EXPECT_TRUE(QFileInfo::exists(DataFile(QString::fromLatin1(files::kSettings))));
    EXPECT_EQ(ReadTextLines(DataFile(QString::fromLatin1(files::kDirectoryList))),
              (QStringList{tmp.path(), tmp.path() + QStringLiteral("/off")}));
    EXPECT_EQ(ReadTextLines(DataFile(QString::fromLatin1(files::kDirectoryFlags))),
              (QStringList{QStringLiteral("true"), QStringLiteral("false")}));
  }
}

TEST(DirectoryListEditing, PrepareCatalogueFromTheWindowControls) {
  QTemporaryDir tmp;
  const QString root = tmp.path() + QStringLiteral("/Photos");
  auto touch = [](const QString& p) {
    QDir().mkpath(QFileInfo(p).absolutePath());
    QFile f(p);
    f.open(QIODevice::WriteOnly);
    f.write("xyz");
  };
  for (int i = 0; i < 300; ++i) touch(root + QStringLiteral("/2014-11 Lyon/%1.jpg").arg(i));
  touch(root + QStringLiteral("/top.jpg"));
  touch(root + QStringLiteral("/Privé/p.jpg"));
  touch(root + QStringLiteral("/marked ++/m.jpg"));

  TestWindow w;
  testing::WriteBytes(HistoryPath(), "/p/h.jpg\r\n");
  testing::WriteBytes(DataFile(QString::fromLatin1(files::kExclusion)),
                      (QStringLiteral("**") + root + QStringLiteral("/Privé\n")).toUtf8());
  w->CheckListBox_rep->AddLine(root, true);
  w->CheckListBox_rep->AddLine(tmp.path(), false);
  w->CheckBox_fic_exclusion->setChecked(true);
  w->RadioGroup_exclusion->SetItemIndex(0);
  w->RadioGroup_sous_rep_recursif->SetItemIndex(1);
  w->Show().RequestStop();  // left over from a key: the rebuild clears it
  w->ReadExclusionFile();
  EXPECT_EQ(w->ListBox_rep_exclu, QStringList{root + QStringLiteral("/Privé")});
  w->PrepareCatalogue();
  // No marker: the history file went, the catalogue was rebuilt and saved.
  EXPECT_FALSE(QFileInfo::exists(HistoryPath()));
  EXPECT_EQ(w->catalogue.Count(), 301);
  EXPECT_EQ(w->Label13->text(), QStringLiteral("301 images"));
  EXPECT_EQ(w->Label1->text(), QStringLiteral("200"));
  EXPECT_TRUE(QFileInfo::exists(ResetMarkerPath()));

  // The next start loads the saved catalogue; the filter no longer matters.
  w->RadioGroup_sous_rep_recursif->SetItemIndex(0);
  w->catalogue.Clear();
  w->PrepareCatalogue();
  EXPECT_EQ(w->catalogue.Count(), 301);

  // Without the marker, "aucun": only the root's own picture.
  QFile::remove(ResetMarkerPath());
  w->PrepareCatalogue();
  EXPECT_EQ(w->catalogue.Count(), 1);
  EXPECT_EQ(w->catalogue.CataloguePath(0), root + QStringLiteral("/top.jpg"));

  // The photo drive unplugged when a rebuild is due (a catalogue file
  // missing, then the marker too): the marker, the directory file and the
  // history are kept, and the scan label says why the catalogue is empty.
  const QByteArray history("/p/h.jpg\r\n");
  testing::WriteBytes(HistoryPath(), history);
  const QByteArray dirs = testing::ReadBytes(CatalogueDirsPath());
  QFile::remove(CatalogueRecordsPath());
  ASSERT_TRUE(QDir().rename(root, root + QStringLiteral(" débranché")));
  w->PrepareCatalogue();
  EXPECT_EQ(w->catalogue.Count(), 0);
  EXPECT_TRUE(QFileInfo::exists(ResetMarkerPath()));
  EXPECT_EQ(testing::ReadBytes(CatalogueDirsPath()), dirs);
  EXPECT_EQ(testing::ReadBytes(HistoryPath()), history);
  EXPECT_EQ(w->Label1->text(), NoTickedDirectoryMessage());
  QFile::remove(ResetMarkerPath());
  w->PrepareCatalogue();
  EXPECT_EQ(testing::ReadBytes(HistoryPath()), history);
}

}  // namespace
}  // namespace ld
