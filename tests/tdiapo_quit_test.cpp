#include <gtest/gtest.h>

#include <QDir>
#include <QTest>

#include "app/core/SettingsFile.h"
#include "platform/DataDir.h"
#include "platform/Error.h"
#include "platform/TextFile.h"
#include "support/TestWindow.h"

namespace ld {
namespace {

using testing::Data;
using testing::FileLines;
using testing::ReadBytes;
using testing::TestWindow;
using testing::WriteLines;

TEST(TdiapoQuit, QuitDeletesMarkerSavesAndEndsWithCode1) {
  TestWindow w;
  w->LoadSettings();
  testing::WriteBytes(Data(files::kResetMarker), QByteArray());
  WriteLines(files::kCurrentDirectoryList, {"/p", "a.jpg"});
  WriteLines(files::kHistory, {"/p/a.jpg"});

  // While Space is being handled, quitting does nothing.
  w->Show().KeyReleased(32);
  w->QuitProgram();
  EXPECT_TRUE(w.fake.exit.codes.empty());
  w->Show().KeyReleased(27);

  // Neither flag: nothing deleted, nothing saved.
  w->settings_changed = false;
  EXPECT_THROW(w->QuitProgram(), ProcessEnded);
  EXPECT_EQ(w.fake.exit.codes, std::vector<int>{1});
  EXPECT_TRUE(QFileInfo::exists(Data(files::kResetMarker)));
  EXPECT_FALSE(QFileInfo::exists(Data(files::kSettings)));
  EXPECT_FALSE(w->PointerHidden());

  w->rebuild_requested = true;
  EXPECT_THROW(w->QuitProgram(), ProcessEnded);
  EXPECT_FALSE(QFileInfo::exists(Data(files::kResetMarker)));
  EXPECT_FALSE(QFileInfo::exists(Data(files::kCurrentDirectoryList)));
  EXPECT_FALSE(QFileInfo::exists(Data(files::kSettings)));
  EXPECT_EQ(FileLines(files::kHistory), QStringList{"/p/a.jpg"});
}

TEST(TdiapoQuit, ResetButtonSavesRequestsRebuildAndQuits) {
  TestWindow w;
  w->LoadSettings();
  testing::WriteBytes(Data(files::kResetMarker), QByteArray());
  WriteLines(files::kCurrentDirectoryList, {"/p", "a.jpg"});
  w->Show().LoadHistory({QStringLiteral("/p/new.jpg")});
  w->Guarded([&] { w->aPanel_sauve_param_et_BD0_et_quitterClick(); });
  EXPECT_TRUE(w->settings_changed);
  EXPECT_TRUE(w->rebuild_requested);
  EXPECT_EQ(w.fake.exit.codes, std::vector<int>{1});
  EXPECT_FALSE(QFileInfo::exists(Data(files::kResetMarker)));
  EXPECT_FALSE(QFileInfo::exists(Data(files::kCurrentDirectoryList)));
  EXPECT_EQ(FileLines(files::kSettings).size(), 37);
  EXPECT_TRUE(QFileInfo::exists(Data(files::kDirectoryList)));
  EXPECT_TRUE(QFileInfo::exists(Data(files::kDirectoryFlags)));
  // A save with a rebuild requested leaves the history file alone.
  EXPECT_FALSE(QFileInfo::exists(Data(files::kHistory)));
}

TEST(TdiapoQuit, AFailedSaveIsShownOnceAndTheProgramEndsAnyway) {
  testing::ResetDataDirs();
  WriteLines(files::kHistory, {"/p/a.jpg"});
  // A directory where the settings file goes: it cannot be replaced, even
  // by root.
  QDir().mkpath(Data(files::kSettings));
  for (const bool button : {false, true}) {
    // The marker keeps the history file through the start-up.
    testing::WriteBytes(Data(files::kResetMarker), QByteArray());
    TestWindow w(QSize(1920, 1080), QString(), true);
    w->Start();
    ASSERT_TRUE(w->settings_changed);
    if (button) {
      w.fake.dialogs.answers = {true};
      w->Button_quit->click();
    } else {
      QTest::keyClick(w.window.get(), Qt::Key_Escape);
    }
    EXPECT_EQ(w.fake.exit.codes, std::vector<int>{1});
    EXPECT_EQ(w.fake.dialogs.errors, QStringList{CannotCreateFileMessage(Data(files::kSettings))});
    EXPECT_EQ(FileLines(files::kHistory), QStringList{"/p/a.jpg"});
  }
}

TEST(TdiapoQuit, QuitButtonAnsweredNoChangesNothingButTheLayout) {
  TestWindow w;
  w->Start();
  w->FullLayout();
  EXPECT_EQ(w->Panel1->height(), 214);
  w.fake.dialogs.answers = {false};
  w->Guarded([&] { w->Button_quitClick(); });
  EXPECT_EQ(w.fake.dialogs.confirmations.back(), QStringLiteral("\n     Quitter ?"));
  EXPECT_EQ(w.fake.pointer.moves.back(), QPoint(960, 540));
  EXPECT_TRUE(w.fake.exit.codes.empty());
  EXPECT_FALSE(QFileInfo::exists(Data(files::kSettings)));
  EXPECT_EQ(w->Label11->text(), QStringLiteral("LuminoDrift 3.6"));
  EXPECT_EQ(w->Panel1->height(), 39);
  w.fake.dialogs.answers = {true};
  w->Guarded([&] { w->Button_quitClick(); });
  EXPECT_EQ(w.fake.exit.codes, std::vector<int>{1});
  // The first start changed settings (defaults differ from the design), so
  // the quit saved them.
  EXPECT_EQ(FileLines(files::kSettings).size(), 37);
}

TEST(TdiapoStart, CreationAndFirstStartOnAnEmptyMachine) {
  TestWindow w(QSize(1024, 768), QStringLiteral("s"));
  EXPECT_EQ(w->Label3->text(), QStringLiteral("paramètre ligne de commande = <s>"));
  EXPECT_FALSE(w->Panel1->isVisibleTo(w.window.get()));
  EXPECT_EQ(w->width(), 1024);
  EXPECT_EQ(w->height(), 768);
  EXPECT_EQ(w->SpeedButton_valider_filtre->text(), QStringLiteral("Valider les\nfiltres"));
  EXPECT_EQ(w->Edit_rayon_rnd->toolTip(), w->Label9->toolTip());
  EXPECT_EQ(w->Label_etat->text(), QStringLiteral("inactif"));
  // Names from the command line and the disk are never markup ("<s>").
  for (QLabel* l : w->findChildren<QLabel*>())
    EXPECT_EQ(l->textFormat(), Qt::PlainText) << l->objectName().toStdString();
  w->Start();
  // Nothing to show: the panel stays open with the normal pointer; no
  // settings file was written by starting.
  EXPECT_TRUE(w->Panel1->isVisibleTo(w.window.get()));
  EXPECT_FALSE(w->PointerHidden());
  EXPECT_TRUE(w.fake.dialogs.errors.isEmpty());
  EXPECT_FALSE(QFileInfo::exists(Data(files::kSettings)));
  EXPECT_EQ(w->Label11->text(), QStringLiteral("LuminoDrift 3.6"));
  w->FormActivate();
  EXPECT_EQ(w->Label11->text(), QStringLiteral("LuminoDrift 3.6"));
}

TEST(TdiapoStart, ScreenSaverStateIsShownAtCreation) {
  testing::ResetDataDirs();
  testing::FakeServices fake;
  fake.screenSaver.state = {true, 600};
  Tdiapo w(fake.services, QString(), QSize(1920, 1080));
  EXPECT_EQ(w.Label_etat->text(), QStringLiteral("actif"));
  EXPECT_EQ(w.Label_delai->text(), QStringLiteral("600 s"));
  EXPECT_EQ(w.Edit1->text(), QStringLiteral("600"));
  EXPECT_EQ(w.Label3->text(), QStringLiteral("paramètre ligne de commande = <>"));
}

}  // namespace
}  // namespace ld
