#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "platform/DataDir.h"
#include "support/TestWindow.h"

namespace ld {
namespace {

using testing::ReadBytes;
using testing::TestWindow;
using testing::WriteBytes;

QStringList Lines(QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

// Buttons are pressed, labels and panels clicked with the mouse.
void Click(QWidget* w) {
  if (auto* b = qobject_cast<QAbstractButton*>(w))
    b->click();
  else
    QTest::mouseClick(w, Qt::LeftButton);
}

// A window on a picture in "<tmp>/2005-08-28 avg/img001.jpg".
struct PictureWindow {
  PictureWindow() {
    dir = tmp.filePath(QStringLiteral("2005-08-28 avg"));
    picture = dir + QStringLiteral("/img001.jpg");
    WriteBytes(picture, QByteArray("jpeg data"));
    w->current_path = picture;
    w->Label_repertoire->setText(dir);
    w->Label_nom_img->setText(QStringLiteral("img001.jpg"));
    w->show();
    w->Panel1->show();
    w->Panel3->show();
  }
  QTemporaryDir tmp;
  TestWindow w;
  QString dir, picture;
};

TEST(ToolsPanel, AlbumCopiesReplaceTheOldCopyAndConfirmEachTime) {
  PictureWindow p;
  auto& w = p.w;
  const QString album = p.tmp.filePath(QStringLiteral("album A"));
  QDir().mkpath(album);
  w->rep_album_A->setText(album);
  const QString target = album + QStringLiteral("/2005-08-28 avg-img001.jpg");
  WriteBytes(target, QByteArray("older copy"));
  w.fake.pointer.pos = QPoint(3, 4);

  Click(w->Button_album_a);
  EXPECT_EQ(ReadBytes(target), QByteArray("jpeg data"));
  Click(w->Label12);  // the label copies into album A too
  ASSERT_EQ(w.fake.dialogs.notices.size(), 2);
  EXPECT_EQ(w.fake.dialogs.notices[0],
            target + QStringLiteral("\n\n    copie effectuée dans l'album A ..."));
  EXPECT_EQ(w.fake.dialogs.notices[1], w.fake.dialogs.notices[0]);
  EXPECT_EQ(w.fake.pointer.pos, QPoint(960, 540));

  // Album B does not exist yet (a new installation): it is made by the copy.
  const QString missing = p.tmp.filePath(QStringLiteral("new/album B"));
  w->rep_album_B->setText(missing);
  w.fake.pointer.pos = QPoint(0, 0);
  Click(w->Button_album_B);
  ASSERT_EQ(w.fake.dialogs.notices.size(), 3);
  EXPECT_TRUE(
      w.fake.dialogs.notices[2].endsWith(QStringLiteral("    copie effectuée dans l'album B ...")));
  EXPECT_EQ(ReadBytes(missing + QStringLiteral("/2005-08-28 avg-img001.jpg")),
            QByteArray("jpeg data"));
  EXPECT_EQ(w.fake.pointer.pos, QPoint(960, 540));

  // An album that cannot be made (a file stands in its path): an error box
  // naming the album and the reason, no success notice.
  WriteBytes(p.tmp.filePath(QStringLiteral("plain")), QByteArray("x"));
  const QString impossible = p.tmp.filePath(QStringLiteral("plain/album"));
  w->rep_album_B->setText(impossible);
  Click(w->Button_album_B);
  EXPECT_EQ(w.fake.dialogs.notices.size(), 3);
  ASSERT_EQ(w.fake.dialogs.errors.size(), 1);
  EXPECT_EQ(w.fake.dialogs.errors[0].toStdString(),
            QStringLiteral(
                "\n     Copie impossible dans l'album B (%1) :\n\n     le répertoire %1 ne peut "
                "pas être créé")
                .arg(impossible)
                .toStdString());
}

TEST(ToolsPanel, AlbumDirectoriesFromTheChooser) {
  TestWindow w;
  const QString before = w->rep_album_A->text();
  Click(w->SpeedButton_album_A);  // cancelled
  EXPECT_EQ(w->rep_album_A->text(), before);
  EXPECT_FALSE(w->settings_changed);
  // A path with a line break would split its settings line: refused.
  const QString broken = QStringLiteral("/media/photos\nalbum B");
  const QString beforeB = w->rep_album_B->text();
  w.fake.dialogs.directories.push_back(broken);
  Click(w->SpeedButton_album_B);
  EXPECT_EQ(w->rep_album_B->text(), beforeB);
  EXPECT_FALSE(w->settings_changed);
  ASSERT_EQ(w.fake.dialogs.notices.size(), 1);
  EXPECT_TRUE(w.fake.dialogs.notices[0].endsWith(broken));
  w.fake.dialogs.executables.push_back(QStringLiteral("/usr/bin/x\rview"));
  w.fake.dialogs.defaultAnswer = true;
  const QString viewer = w->xnview_alternative_Label->text();
  Click(w->SpeedButton_xnview);
  EXPECT_EQ(w->xnview_alternative_Label->text(), viewer);
  EXPECT_EQ(w.fake.dialogs.notices.size(), 2);

  w.fake.dialogs.directories.push_back(QStringLiteral("/media/photos/album B"));
  Click(w->SpeedButton_album_B);
  EXPECT_EQ(w->rep_album_B->text(), QStringLiteral("/media/photos/album B"));
  EXPECT_TRUE(w->settings_changed);
  EXPECT_EQ(w.fake.dialogs.directoryStarts, (QStringList{QString(), QString(), QString()}));
}

// An executable file standing in for the viewer.
QString MakeViewer(const QTemporaryDir& tmp) {
  const QString viewer = tmp.filePath(QStringLiteral("bin/viewer"));
  WriteBytes(viewer, QByteArray("#!/bin/sh\nexit 0\n"));
  QFile::setPermissions(viewer,
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  return viewer;
}

TEST(ToolsPanel, ViewerArgumentsForEachSenderAndTheSlideShow) {
  PictureWindow p;
  auto& w = p.w;
  const QString viewer = MakeViewer(p.tmp);
  w->xnview_alternative_Label->setText(viewer);
  w->rep_album_A->setText(QStringLiteral("/e/Album"));
  w->rep_album_B->setText(QStringLiteral("/e/\"B\" $x"));
  auto& runs = w.fake.shell.runs;

  Click(w->Panel_ouvrir_rep_img);
  Click(w->Panel_ouvrir_repA);
  Click(w->Panel_ouvrir_repB);
  ASSERT_EQ(runs.size(), 3u);
  for (const auto& r : runs) EXPECT_EQ(r.program, viewer);
  EXPECT_EQ(runs[0].args, QStringList{p.dir});
  EXPECT_EQ(runs[1].args, QStringList{QStringLiteral("/e/Album")});
  EXPECT_EQ(runs[2].args, QStringList{QStringLiteral("/e/\"B\" $x")});
  EXPECT_TRUE(w.fake.exit.codes.empty());

  // "DIAPORAMA - F3 ": the question, then the slide show of the directory.
  w.fake.dialogs.answers = {true};
  w->last_key = 39;
  Click(w->Button_tout_le_rep);
  ASSERT_EQ(runs.size(), 4u);
  EXPECT_EQ(runs[3].args, (QStringList{QStringLiteral("-slide"), p.dir}));
  EXPECT_EQ(w.fake.dialogs.confirmations.last(),
            QStringLiteral("\n\n     Diaporama de ?\n\n") + p.dir + QStringLiteral("\n\n"));
  // Whatever the answer, the Space action follows (it ends with last_key 0).
  EXPECT_EQ(w->last_key, 0);
  EXPECT_EQ(w->Button_avec_sans_option->text(), QStringLiteral("options"));

  // No: nothing starts, the panel still switches.
  w->FullLayout();
  w.fake.dialogs.answers = {false};
  w->last_key = 39;
  Click(w->Button_tout_le_rep);
  EXPECT_EQ(runs.size(), 4u);
  EXPECT_EQ(w->last_key, 0);
  EXPECT_EQ(w->Button_avec_sans_option->text(), QStringLiteral("options"));

  // The F3 key asks the same question and runs the same slide show.
  w.fake.dialogs.answers = {true};
  w->Guarded([&] { w->FormKeyUp(114); });
  ASSERT_EQ(runs.size(), 5u);
  EXPECT_EQ(runs[4].args, (QStringList{QStringLiteral("-slide"), p.dir}));
  EXPECT_TRUE(w.fake.dialogs.errors.isEmpty());
}

TEST(ToolsPanel, DirectoryAndNameModeGivesThePictureAndEndsWithCodeZero) {
  PictureWindow p;
  auto& w = p.w;
  w->xnview_alternative_Label->setText(MakeViewer(p.tmp));
  w->CheckBox_xnview_rep_et_nom->setChecked(true);
  w->settings_changed = true;

  Click(w->Panel_ouvrir_rep_img);
  ASSERT_EQ(w.fake.shell.runs.size(), 1u);
  EXPECT_EQ(w.fake.shell.runs[0].args, QStringList{p.picture});
  EXPECT_EQ(w.fake.exit.codes, std::vector<int>{0});
  // Ended without saving the settings.
  EXPECT_FALSE(QFileInfo::exists(DataFile(QString::fromLatin1(files::kSettings))));

  // F3 still gives the directory alone, and the program ends after it too.
  w.fake.dialogs.answers = {true};
  EXPECT_THROW(w->FormKeyUp(114), ProcessEnded);
  ASSERT_EQ(w.fake.shell.runs.size(), 2u);
  EXPECT_EQ(w.fake.shell.runs[1].args, (QStringList{QStringLiteral("-slide"), p.dir}));
  EXPECT_EQ(w.fake.exit.codes, (std::vector<int>{0, 0}));

  // A viewer that does not start ends the program all the same.
  w.fake.shell.runSucceeds = false;
  Click(w->Panel_ouvrir_repA);
  EXPECT_EQ(w.fake.exit.codes, (std::vector<int>{0, 0, 0}));
}

TEST(ToolsPanel, MissingViewerOpensTheTargetWithTheDesktop) {
  PictureWindow p;
  auto& w = p.w;
  w->xnview_alternative_Label->setText(p.tmp.filePath(QStringLiteral("no/xnview")));
  Click(w->Panel_ouvrir_rep_img);
  w.fake.dialogs.answers = {true};
  Click(w->Button_tout_le_rep);
  EXPECT_TRUE(w.fake.shell.runs.empty());
  EXPECT_EQ(w.fake.shell.opened, (QStringList{p.dir, p.dir}));
  // A viewer that is a directory is not a viewer either.
  w->xnview_alternative_Label->setText(p.tmp.path());
  Click(w->Panel_ouvrir_repA);
  EXPECT_TRUE(w.fake.shell.runs.empty());
  EXPECT_EQ(w.fake.shell.opened.size(), 3);
}

TEST(ToolsPanel, ChoosingAnotherViewer) {
  TestWindow w;
  const QString before = w->xnview_alternative_Label->text();
  Click(w->SpeedButton_xnview);  // dialog cancelled: no question
  EXPECT_TRUE(w.fake.dialogs.confirmations.isEmpty());
  w.fake.dialogs.executables = {QStringLiteral("/opt/viewer"), QStringLiteral("/usr/bin/gwenview")};
  w.fake.dialogs.answers = {false, true};
  Click(w->SpeedButton_xnview);
  EXPECT_EQ(w->xnview_alternative_Label->text(), before);
  Click(w->SpeedButton_xnview);
  EXPECT_EQ(w->xnview_alternative_Label->text(), QStringLiteral("/usr/bin/gwenview"));
  EXPECT_EQ(w.fake.dialogs.confirmations,
            (QStringList{QStringLiteral("/opt/viewer\r\r => Valider"),
                         QStringLiteral("/usr/bin/gwenview\r\r => Valider")}));
  EXPECT_FALSE(w->settings_changed);
}

TEST(ToolsPanel, ManualThroughTheDesktopThenFirefox) {
  TestWindow w;
  const QString manual = DataFile(QString::fromLatin1(files::kManual));
  auto& shell = w.fake.shell;
  // No manual yet (nor a data directory): it is rendered, then opened.
  ASSERT_FALSE(QFile::exists(manual));
  Click(w->Button_aide);
  EXPECT_TRUE(w.fake.dialogs.notices.isEmpty());
  EXPECT_TRUE(w.fake.dialogs.errors.isEmpty());
  EXPECT_EQ(shell.opened, QStringList{manual});
  QFile pdf(manual);
  ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
  const QByteArray bytes = pdf.readAll();
  EXPECT_TRUE(bytes.startsWith("%PDF-"));
  EXPECT_TRUE(bytes.trimmed().endsWith("%%EOF"));
  EXPECT_GE(bytes.count("/Type /Page\n"), 5);  // every section of the manual

  // A manual that is there is opened as it is.
  WriteBytes(manual, QByteArray("%PDF-1.4"));
  shell.opened.clear();
  Click(w->Button_aide);
  EXPECT_EQ(shell.opened, QStringList{manual});
  EXPECT_TRUE(shell.detached.empty());
  EXPECT_EQ(QFileInfo(manual).size(), 8);

  shell.openSucceeds = false;
  Click(w->Button_aide);
  ASSERT_EQ(shell.detached.size(), 1u);
  EXPECT_EQ(shell.detached[0].program, QStringLiteral("firefox"));
  EXPECT_EQ(shell.detached[0].args, QStringList{QStringLiteral("file://") + manual});
  EXPECT_TRUE(w.fake.dialogs.notices.isEmpty());

  shell.detachedSucceeds = false;
  Click(w->Button_aide);
  EXPECT_EQ(w.fake.dialogs.notices.last(), QStringLiteral("Firefox et Acrobat introuvables"));
}

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
