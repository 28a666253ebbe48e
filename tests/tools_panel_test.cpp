#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "platform/DataDir.h"
#include "platform/RealServices.h"
#include "support/PanelChecks.h"
#include "support/TestWindow.h"

namespace ld {
namespace {

using testing::Click;
using testing::Lines;
using testing::ReadBytes;
using testing::TestWindow;
using testing::WriteBytes;

// A window on a picture in "<tmp>/2005-08-28 avg/img001.jpg".
struct PictureWindow {
  PictureWindow() {
    dir = tmp.filePath(QStringLiteral("2005-08-28 avg"));
    picture = dir + QStringLiteral("/img001.jpg");
    WriteBytes(picture, QByteArray("jpeg data"));
    // The picture the show is on: a run over a catalogue of it alone chose
    // it; the catalogue is empty again, as in the other tests here.
    w->catalogue.AppendCatalogueEntry(dir, QStringLiteral("img001.jpg"));
    w->Show().StartForward();
    w->Show().Abandon();
    w->catalogue.Clear();
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

// An executable file standing in for the viewer (XnView's name: its slide
// show is "-slide").
QString MakeViewer(const QTemporaryDir& tmp, const QString& name = QStringLiteral("xnview"),
                   const QByteArray& script = "#!/bin/sh\nexit 0\n") {
  const QString viewer = tmp.filePath(QStringLiteral("bin/") + name);
  WriteBytes(viewer, script);
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
  w->Show().KeyReleased(39);
  Click(w->Button_tout_le_rep);
  ASSERT_EQ(runs.size(), 4u);
  EXPECT_EQ(runs[3].args, (QStringList{QStringLiteral("-slide"), p.dir}));
  EXPECT_EQ(w.fake.dialogs.confirmations.last(),
            QStringLiteral("\n\n     Diaporama de ?\n\n") + p.dir + QStringLiteral("\n\n"));
  // Whatever the answer, the Space action follows (it ends with last_key 0).
  EXPECT_EQ(w->Show().LastKey(), 0);
  EXPECT_EQ(w->Button_avec_sans_option->text(), QStringLiteral("options"));

  // No: nothing starts, the panel still switches.
  w->FullLayout();
  w.fake.dialogs.answers = {false};
  w->Show().KeyReleased(39);
  Click(w->Button_tout_le_rep);
  EXPECT_EQ(runs.size(), 4u);
  EXPECT_EQ(w->Show().LastKey(), 0);
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

TEST(ToolsPanel, NoViewerOfTheUsersMeansTheDesktopsImageViewer) {
  PictureWindow p;
  auto& w = p.w;
  auto& shell = w.fake.shell;
  w->xnview_alternative_Label->setText(QString());  // the default: none
  WriteBytes(
      qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/applications/ristretto.desktop"),
      "[Desktop Entry]\nExec=ristretto %F\n");
  shell.defaultApplication = QStringLiteral("ristretto.desktop");
  Click(w->Panel_ouvrir_rep_img);
  w.fake.dialogs.answers = {true};
  Click(w->Button_tout_le_rep);
  // The old default, which no Debian package installs, counts as none.
  w->xnview_alternative_Label->setText(QStringLiteral("/usr/bin/xnview"));
  Click(w->Panel_ouvrir_repA);
  ASSERT_EQ(shell.runs.size(), 3u);
  EXPECT_EQ(shell.mimeQueries.first(), QStringLiteral("image/jpeg"));
  for (const auto& r : shell.runs) EXPECT_EQ(r.program, QStringLiteral("ristretto"));
  EXPECT_EQ(shell.runs[0].args, QStringList{p.dir});
  EXPECT_EQ(shell.runs[1].args, (QStringList{QStringLiteral("--slideshow"), p.dir}));
  EXPECT_EQ(shell.runs[2].args, QStringList{w->rep_album_A->text()});
  EXPECT_TRUE(w.fake.dialogs.errors.isEmpty());

  // A viewer that fails says so in the error box, naming itself.
  shell.runExitCode = 2;
  Click(w->Panel_ouvrir_rep_img);
  shell.runExitCode = 0;
  shell.runSucceeds = false;
  Click(w->Panel_ouvrir_rep_img);
  ASSERT_EQ(w.fake.dialogs.errors.size(), 2);
  EXPECT_EQ(
      w.fake.dialogs.errors[0],
      QStringLiteral("\n     Le visualiseur ristretto s'est terminé sur une erreur (code 2)"));
  EXPECT_TRUE(w.fake.dialogs.errors[1].startsWith(
      QStringLiteral("\n     Le visualiseur ristretto ne peut pas être lancé")));
  // No image viewer at all, and nothing on the desktop opens the directory.
  shell.defaultApplication.clear();
  shell.openSucceeds = false;
  Click(w->Panel_ouvrir_rep_img);
  EXPECT_EQ(shell.opened, QStringList{p.dir});
  ASSERT_EQ(w.fake.dialogs.errors.size(), 3);
  EXPECT_TRUE(w.fake.dialogs.errors[2].endsWith(p.dir));
}

// The real process and desktop services: the desktop's default viewer comes
// from xdg-mime and its desktop entry, and a viewer that ends badly or cannot
// start is reported in a box.
TEST(ToolsPanel, RealViewerFailuresAreReportedInABox) {
  testing::ResetDataDirs();
  QTemporaryDir tmp;
  testing::FakeServices fake;
  QtShell realShell;
  Services services{fake.dialogs, fake.screenSaver, fake.pointer, fake.clock,
                    fake.random,  fake.exit,        fake.sound,   realShell};
  Tdiapo w(services, QString(), QSize(1920, 1080));
  const QString dir = tmp.filePath(QStringLiteral("photos"));
  QDir().mkpath(dir);
  w.Label_repertoire->setText(dir);

  // eog as the default viewer of JPEG pictures, for xdg-mime.
  const QString eog = MakeViewer(tmp, QStringLiteral("eog"),
                                 "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.args\"\nexit 3\n");
  WriteBytes(
      qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/applications/fake-eog.desktop"),
      "[Desktop Entry]\nType=Application\nName=Eog\nMimeType=image/jpeg;\nExec=" + eog.toUtf8() +
          " %U\n");
  WriteBytes(qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/mimeapps.list"),
             "[Default Applications]\nimage/jpeg=fake-eog.desktop\n");
  w.Show().KeyReleased(114);
  w.Guarded([&] { w.Panel_ouvrir_rep_imgClick(w.Button_tout_le_rep); });
  EXPECT_EQ(ReadBytes(eog + QStringLiteral(".args")), "--slide-show\n" + dir.toUtf8() + "\n");
  ASSERT_EQ(fake.dialogs.errors.size(), 1);
  EXPECT_EQ(fake.dialogs.errors[0],
            QStringLiteral("\n     Le visualiseur eog s'est terminé sur une erreur (code 3)"));

  // Killed by a signal; then a viewer file that is not a program.
  w.Show().KeyHandled();
  w.xnview_alternative_Label->setText(
      MakeViewer(tmp, QStringLiteral("feh"), "#!/bin/sh\nkill -9 $$\n"));
  w.Guarded([&] { w.Panel_ouvrir_rep_imgClick(w.Panel_ouvrir_rep_img); });
  const QString notAProgram = tmp.filePath(QStringLiteral("viewer.txt"));
  WriteBytes(notAProgram, "text");
  w.xnview_alternative_Label->setText(notAProgram);
  w.Guarded([&] { w.Panel_ouvrir_rep_imgClick(w.Panel_ouvrir_rep_img); });
  ASSERT_EQ(fake.dialogs.errors.size(), 3);
  EXPECT_EQ(fake.dialogs.errors[1],
            QStringLiteral("\n     Le visualiseur feh s'est arrêté brutalement"));
  EXPECT_EQ(fake.dialogs.errors[2],
            QStringLiteral("\n     Le visualiseur viewer.txt ne peut pas être lancé\n     (") +
                notAProgram + u')');
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
  EXPECT_EQ(w.fake.dialogs.notices.last(),
            QStringLiteral("Firefox et Acrobat introuvables\n\n     Le manuel : ") + manual);
}

}  // namespace
}  // namespace ld
