#include <gtest/gtest.h>

#include <QDir>
#include <QTest>

#include "app/core/SettingsFile.h"
#include "platform/DataDir.h"
#include "platform/Error.h"
#include "platform/TextFile.h"
#include "show/CurrentPictureList.h"
#include "support/TestWindow.h"

namespace ld {
namespace {

using testing::Data;
using testing::FileLines;
using testing::ReadBytes;
using testing::TestWindow;
using testing::WriteLines;

TEST(TdiapoSettings, EmptyDataDirectoryGivesTheDefaults) {
  TestWindow w;
  w->LoadSettings();
  const QStringList ints = {
      w->Edit_dt0_a->text(),      w->Edit_dt1_a->text(),     w->Edit_dt2_a->text(),
      w->Edit_dt2_b->text(),      w->Edit_dt3_a->text(),     w->Edit_dt3_b->text(),
      w->Edit_dt4_a->text(),      w->Edit_dt4_b->text(),     w->Edit_dt5_a->text(),
      w->Edit_dt5_b->text(),      w->Edit_haut->text(),      w->Edit_vmax->text(),
      w->Edit_zoom_s_dix->text(), w->Edit_inc_pixel->text(), w->Edit_indice_non_aleatoire->text(),
      w->Edit_rayon_rnd->text(),  w->Edit_nb_fouille->text()};
  EXPECT_EQ(ints, (QStringList{"1000", "2000", "4000", "4000", "2000", "2000", "2000", "2000",
                               "2000", "2000", "100", "100", "32", "500", "4", "5", "3"}));
  EXPECT_EQ(w->dt0_a, 1000);
  EXPECT_EQ(w->zoom_max10, 32);
  EXPECT_EQ(w->nb_fouille, 3);
  EXPECT_EQ(w->Rdg1->ItemIndex(), 0);
  EXPECT_EQ(w->RadioGroup_titre_ecran->ItemIndex(), 1);
  EXPECT_EQ(w->RadioGroup_sous_rep_recursif->ItemIndex(), 1);
  EXPECT_EQ(w->RadioGroup_exclusion->ItemIndex(), 0);
  EXPECT_TRUE(w->CheckBox_rnd->isChecked());
  for (QCheckBox* c : {w->CheckBox_date_de, w->CheckBox_date_a, w->CheckBox_contient,
                       w->CheckBox_xnview_rep_et_nom, w->CheckBox_af_an, w->CheckBox_fic_exclusion,
                       w->CheckBox_grand_menu})
    EXPECT_FALSE(c->isChecked()) << c->objectName().toStdString();
  for (QLineEdit* e :
       {static_cast<QLineEdit*>(w->Edit_annee_de), static_cast<QLineEdit*>(w->Edit_annee_a),
        static_cast<QLineEdit*>(w->Edit_mois_de), static_cast<QLineEdit*>(w->Edit_mois_a),
        static_cast<QLineEdit*>(w->Edit_contient)})
    EXPECT_TRUE(e->text().isEmpty()) << e->objectName().toStdString();
  EXPECT_EQ(w->rep_album_A->text(), DataFile(QStringLiteral("A")));
  EXPECT_EQ(w->rep_album_B->text(), DataFile(QStringLiteral("B")));
  // The defaults differ from the window's design values (nb_fouille 5 -> 3,
  // the start year 2014 -> empty), as a user's change would.
  EXPECT_TRUE(w->settings_changed);
  EXPECT_FALSE(w->rebuild_requested);
  // The first-start message, and no file written by loading.
  EXPECT_TRUE(w->Label6->text().startsWith(QStringLiteral("Il faut choisir un répertoire")));
  EXPECT_FALSE(QFileInfo::exists(Data(files::kSettings)));
}

TEST(TdiapoSettings, DesignValuesInTheFileLeaveNoChangeFlag) {
  testing::ResetDataDirs();
  WriteLines(files::kSettings,
             {"dt0_a = 5000", "zoom_max10 = 16", "inc_dx = 250", "indice_non_aleatoire = 0",
              "rayon_rnd = 5", "nb_fouille = 5", "annee_de = 2014", "mois_de = 10",
              "filtre_contient = divers avignon", "CheckBox_rnd.Checked = true"});
  TestWindow w(QSize(1920, 1080), QString(), true);
  w->LoadSettings();
  EXPECT_FALSE(w->settings_changed);
  EXPECT_EQ(w->Edit_contient->text(), QStringLiteral("divers avignon"));
}

TEST(TdiapoSettings, LoadSaveRoundTripWritesThe37KeysInOrder) {
  testing::ResetDataDirs();
  WriteLines(files::kSettings,
             {"Rdg1.ItemIndex = 9", "rayon_rnd = 07", "CheckBox_rnd.Checked = True", "vmax = 80",
              "vmax = 90", "filtre_contient = a = b", "RadioGroup_exclusion.ItemIndex = -5",
              "rep_album_A.Caption = /photos/album A", "CheckBox_af_an.Checked = true"});
  TestWindow w(QSize(1920, 1080), QString(), true);
  w->LoadSettings();
  EXPECT_EQ(w->Rdg1->ItemIndex(), 5);
  EXPECT_EQ(w->Edit_rayon_rnd->text(), QStringLiteral("07"));
  EXPECT_EQ(w->rayon_rnd, 7);
  EXPECT_FALSE(w->CheckBox_rnd->isChecked());
  EXPECT_EQ(w->vmax, 80);
  EXPECT_EQ(w->Edit_contient->text(), QStringLiteral("a = b"));
  EXPECT_EQ(w->RadioGroup_exclusion->ItemIndex(), -1);
  EXPECT_TRUE(w->Label_an->isVisibleTo(w.window.get()));

  // Typed numbers reach the show's variables only when saved.
  w->Edit_vmax->setText(QStringLiteral("150"));
  EXPECT_EQ(w->vmax, 80);
  w->SaveSettings();
  EXPECT_EQ(w->vmax, 150);
  const QStringList lines = FileLines(files::kSettings);
  ASSERT_EQ(lines.size(), 37);
  const auto& keys = SettingKeys();
  for (int i = 0; i < 37; ++i)
    EXPECT_TRUE(lines[i].startsWith(QLatin1String(keys[static_cast<size_t>(i)].key) +
                                    QStringLiteral(" = ")))
        << lines[i].toStdString();
  EXPECT_EQ(lines[0], QStringLiteral("rep_album_A.Caption = /photos/album A"));
  EXPECT_EQ(lines[14], QStringLiteral("vmax = 150"));
  EXPECT_EQ(lines[18], QStringLiteral("rayon_rnd = 7"));
  EXPECT_EQ(lines[20], QStringLiteral("Rdg1.ItemIndex = 5"));
  EXPECT_EQ(lines[23], QStringLiteral("RadioGroup_exclusion.ItemIndex = -1"));
  EXPECT_EQ(lines[24], QStringLiteral("CheckBox_rnd.Checked = false"));
  EXPECT_EQ(lines[32], QStringLiteral("filtre_contient = a = b"));
  EXPECT_EQ(ReadBytes(Data(files::kSettings)).count("\r\n"), 37);
  // Between a save and the next refill the list holds the lines just written.
  EXPECT_EQ(w->ListBox_param, lines);
}

// Every key of the table goes from the file to its control and back to the
// same bytes; the controls before any load hold the table's design values.
TEST(TdiapoSettings, EveryKeyRoundTripsAndTheDesignValuesMatchTheControls) {
  testing::ResetDataDirs();
  const QStringList file = {"rep_album_A.Caption = /albums/A é",
                            "rep_album_B.Caption = /albums/B",
                            "xnview_alternative_Label.Caption = /opt/xnview/xnview.sh",
                            "dt0_a = 1001",
                            "dt1_a = 1002",
                            "dt2_a = 1003",
                            "dt2_b = 1004",
                            "dt3_a = 1005",
                            "dt3_b = 1006",
                            "dt4_a = 1007",
                            "dt4_b = 1008",
                            "dt5_a = 1009",
                            "dt5_b = 1010",
                            "_haut = 111",
                            "vmax = 112",
                            "zoom_max10 = 13",
                            "inc_dx = 114",
                            "indice_non_aleatoire = 15",
                            "rayon_rnd = 16",
                            "nb_fouille = 17",
                            "Rdg1.ItemIndex = 4",
                            "RadioGroup_titre_ecran.ItemIndex = 2",
                            "RadioGroup_sous_rep_recursif.ItemIndex = 0",
                            "RadioGroup_exclusion.ItemIndex = 2",
                            "CheckBox_rnd.Checked = false",
                            "CheckBox_date_de.Checked = true",
                            "CheckBox_date_a.Checked = true",
                            "annee_de = 2001",
                            "annee_a = 2002",
                            "mois_de = 3",
                            "mois_a = 4",
                            "CheckBox_contient.Checked = true",
                            "filtre_contient = mer = montagne",
                            "CheckBox_xnview_rep_et_nom.Checked = true",
                            "CheckBox_af_an.Checked = true",
                            "CheckBox_fic_exclusion.Checked = true",
                            "CheckBox_grand_menu.Checked = true"};
  ASSERT_EQ(file.size(), kSettingCount);
  WriteLines(files::kSettings, file);
  const QByteArray bytes = ReadBytes(Data(files::kSettings));
  {
    TestWindow w(QSize(1920, 1080), QString(), true);
    w->LoadSettings();
    // Each edit and variable gets the value of its own key.
    const std::pair<Edit*, int> edits[] = {
        {w->Edit_dt0_a, w->dt0_a},
        {w->Edit_dt1_a, w->dt1_a},
        {w->Edit_dt2_a, w->dt2_a},
        {w->Edit_dt2_b, w->dt2_b},
        {w->Edit_dt3_a, w->dt3_a},
        {w->Edit_dt3_b, w->dt3_b},
        {w->Edit_dt4_a, w->dt4_a},
        {w->Edit_dt4_b, w->dt4_b},
        {w->Edit_dt5_a, w->dt5_a},
        {w->Edit_dt5_b, w->dt5_b},
        {w->Edit_haut, w->_haut},
        {w->Edit_vmax, w->vmax},
        {w->Edit_zoom_s_dix, w->zoom_max10},
        {w->Edit_inc_pixel, w->inc_dx},
        {w->Edit_indice_non_aleatoire, w->Show().SequentialIndex()},
        {w->Edit_rayon_rnd, w->rayon_rnd},
        {w->Edit_nb_fouille, w->nb_fouille}};
    const int expected[] = {1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008, 1009,
                            1010, 111,  112,  13,   114,  15,   16,   17};
    for (int i = 0; i < 17; ++i) {
      EXPECT_EQ(edits[i].first->text(), QString::number(expected[i])) << i;
      EXPECT_EQ(edits[i].second, expected[i]) << i;
    }
    EXPECT_EQ(w->RadioGroup_titre_ecran->ItemIndex(), 2);
    EXPECT_TRUE(w->CheckBox_xnview_rep_et_nom->isChecked());
    EXPECT_EQ(w->xnview_alternative_Label->text(), QStringLiteral("/opt/xnview/xnview.sh"));
    w->SaveSettings();
    EXPECT_EQ(ReadBytes(Data(files::kSettings)), bytes);
  }
  testing::ResetDataDirs();
  TestWindow fresh(QSize(1920, 1080), QString(), true);
  fresh->SaveSettings();
  EXPECT_EQ(FileLines(files::kSettings), DesignSettingLines());
}

TEST(TdiapoSettings, BadIntegerStopsTheLoadAtItsKey) {
  testing::ResetDataDirs();
  WriteLines(files::kSettings,
             {"dt0_a = 1234", "dt2_a = 12x", "dt2_b = 777", "Rdg1.ItemIndex = 3"});
  WriteLines(files::kHistory, {"/p/a.jpg"});
  TestWindow w(QSize(1920, 1080), QString(), true);
  try {
    w->LoadSettings();
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.message(), QStringLiteral("'12x' n'est pas une valeur entière correcte"));
  }
  EXPECT_EQ(w->Edit_dt0_a->text(), QStringLiteral("1234"));
  EXPECT_EQ(w->dt0_a, 1234);
  EXPECT_EQ(w->Edit_dt2_b->text(), QStringLiteral("2000"));  // design value, not read
  EXPECT_EQ(w->Rdg1->ItemIndex(), 0);
  EXPECT_EQ(w->Show().History().Count(), 0);  // the history file was not read

  // Through the start-up: the error box, the rest skipped, Esc still quits.
  TestWindow s(QSize(1920, 1080), QString(), true);
  s->Start();
  ASSERT_EQ(s.fake.dialogs.errors.size(), 1);
  EXPECT_EQ(s.fake.dialogs.errors[0],
            QStringLiteral("'12x' n'est pas une valeur entière correcte"));
  s->Guarded([&] { s->FormKeyUp(27); });
  EXPECT_EQ(s.fake.exit.codes, std::vector<int>{1});
}

TEST(TdiapoSettings, SaveStopsAtABadEditAfterTheDirectoryFiles) {
  TestWindow w;
  w->LoadSettings();
  WriteLines(files::kSettings, {"old = 1"});
  w->Edit_dt3_a->setText(QStringLiteral("abc"));
  EXPECT_THROW(w->SaveSettings(), Error);
  EXPECT_EQ(FileLines(files::kSettings), QStringList{"old = 1"});
  EXPECT_TRUE(QFileInfo::exists(Data(files::kDirectoryList)));
  // Quitting still ends the program: the message once, the old file kept.
  w->Guarded([&] { w->QuitProgram(); });
  EXPECT_EQ(w.fake.exit.codes, std::vector<int>{1});
  EXPECT_EQ(w.fake.dialogs.errors, QStringList{"'abc' n'est pas une valeur entière correcte"});
  EXPECT_EQ(FileLines(files::kSettings), QStringList{"old = 1"});
}

TEST(TdiapoSettings, QuitAfterALoadStoppedAtABadValueKeepsWhatWasNotRead) {
  testing::ResetDataDirs();
  const QString pics = DataFile(QStringLiteral("pics"));
  QDir().mkpath(pics);
  const QStringList file = {"dt0_a = 3000",
                            "indice_non_aleatoire = 9",
                            "Rdg1.ItemIndex = x",
                            "RadioGroup_titre_ecran.ItemIndex = 2",
                            "CheckBox_rnd.Checked = false",
                            "annee_de = 2019",
                            "filtre_contient = mer",
                            "CheckBox_fic_exclusion.Checked = true"};
  WriteLines(files::kSettings, file);
  WriteLines(files::kHistory, {"/p/a.jpg", "/p/b.jpg"});
  // Line feeds alone: any rewrite of the directory files would show.
  testing::WriteBytes(Data(files::kDirectoryList), (pics + "\n").toUtf8());
  testing::WriteBytes(Data(files::kDirectoryFlags), "true\n");
  const QByteArray history = ReadBytes(Data(files::kHistory));
  {
    TestWindow w(QSize(1920, 1080), QString(), true);
    w->Start();
    ASSERT_EQ(w.fake.dialogs.errors, QStringList{"'x' n'est pas une valeur entière correcte"});
    QTest::keyClick(w.window.get(), Qt::Key_Escape);
    EXPECT_EQ(w.fake.exit.codes, std::vector<int>{1});
    const QStringList saved = FileLines(files::kSettings);
    EXPECT_TRUE(saved.contains("dt0_a = 3000"));
    for (const QString& line : file.mid(2)) EXPECT_TRUE(saved.contains(line)) << line.toStdString();
    // No design value of the window in place of the user's setting.
    EXPECT_FALSE(saved.contains("mois_de = 10"));
    EXPECT_EQ(ReadBytes(Data(files::kHistory)), history);
    EXPECT_EQ(ReadBytes(Data(files::kDirectoryList)), (pics + "\n").toUtf8());
  }
  {
    // What the user changes after such a load is saved.
    TestWindow w(QSize(1920, 1080), QString(), true);
    w->Start();
    w->CheckListBox_rep->SetChecked(0, false);
    w->Rdg1->SetItemIndex(3);
    QTest::keyClick(w.window.get(), Qt::Key_Escape);
    EXPECT_EQ(FileLines(files::kDirectoryFlags), QStringList{"false"});
    const QStringList saved = FileLines(files::kSettings);
    EXPECT_TRUE(saved.contains("Rdg1.ItemIndex = 3"));
    EXPECT_TRUE(saved.contains("annee_de = 2019"));
    EXPECT_EQ(ReadBytes(Data(files::kHistory)), history);
  }
}

TEST(TdiapoState, DirectoryListFlagsAndVanishedDirectoriesStayListed) {
  testing::ResetDataDirs();
  const QString base = DataFile(QStringLiteral("pics"));
  for (const char* d : {"a", "d", "e"}) QDir().mkpath(base + u'/' + QLatin1String(d));
  const QStringList all = {base + "/a", base + "/gone1", base + "/gone2", base + "/d", base + "/e"};
  WriteLines(files::kDirectoryList, all);
  WriteLines(files::kDirectoryFlags, {"true", "true", "false", "True"});
  TestWindow w(QSize(1920, 1080), QString(), true);
  w->LoadDirectoryList();
  EXPECT_EQ(
      w.fake.dialogs.notices,
      (QStringList{QStringLiteral("1  ") + base + QStringLiteral("/gone1  n'existe pas..."),
                   QStringLiteral("2  ") + base + QStringLiteral("/gone2  n'existe pas...")}));
  // A missing directory (an unplugged disk) keeps its place and its tick, so
  // it is scanned again when it comes back.
  ASSERT_EQ(w->CheckListBox_rep->Lines(), all);
  const QList<bool> ticks = {true, true, false, false,
                             false};  // "True" is not "true"; no flag line
  for (int i = 0; i < 5; ++i) EXPECT_EQ(w->CheckListBox_rep->Checked(i), ticks[i]) << i;
  w->SaveDirectoryList();
  EXPECT_EQ(FileLines(files::kDirectoryList), all);
  EXPECT_EQ(FileLines(files::kDirectoryFlags),
            (QStringList{"true", "true", "false", "false", "false"}));

  // Without a flags file every directory is ticked.
  DeleteFileSilently(Data(files::kDirectoryFlags));
  TestWindow v(QSize(1920, 1080), QString(), true);
  v->LoadDirectoryList();
  for (int i = 0; i < v->CheckListBox_rep->Count(); ++i)
    EXPECT_TRUE(v->CheckListBox_rep->Checked(i));
}

TEST(TdiapoState, HistoryLimitsAndFirstStart) {
  testing::ResetDataDirs();
  QStringList h;
  for (int i = 1; i <= 450; ++i) h << QStringLiteral("/p/%1.jpg").arg(i);
  WriteLines(files::kHistory, h);
  {
    TestWindow w(QSize(1920, 1080), QString(), true);
    w->LoadHistory();
    ASSERT_EQ(w->Show().History().Count(), 300);
    EXPECT_EQ(w->Show().History().At(0), QStringLiteral("/p/151.jpg"));
    EXPECT_EQ(w->Show().HistoryPosition(), 299);
    w->Show().LoadHistory(w->Show().History().Entries() + QStringList{"/p/451.jpg"});
    w->SaveHistory();
    const QStringList saved = FileLines(files::kHistory);
    ASSERT_EQ(saved.size(), 300);
    EXPECT_EQ(saved.front(), QStringLiteral("/p/152.jpg"));
    EXPECT_EQ(saved.back(), QStringLiteral("/p/451.jpg"));
  }
  WriteLines(files::kHistory, h.mid(0, 300));
  {
    TestWindow w(QSize(1920, 1080), QString(), true);
    w->LoadHistory();
    EXPECT_EQ(w->Show().History().Count(), 300);
    EXPECT_EQ(w->Show().History().At(0), QStringLiteral("/p/1.jpg"));
  }
  testing::WriteBytes(Data(files::kHistory), QByteArray());
  {
    TestWindow w(QSize(1920, 1080), QString(), true);
    w->FormActivate();
    w->LoadHistory();
    EXPECT_EQ(w->Show().HistoryPosition(), -1);
    EXPECT_TRUE(w->Label6->isVisibleTo(w.window.get()));
    EXPECT_TRUE(w->Label6->text().contains(QStringLiteral("bouton ROUGE")));
    // The full form of the panel, and the message above it.
    EXPECT_EQ(w->Panel1->height(), 214);
    EXPECT_EQ(w->Label6->x(), w->Panel1->x() + 50);
    EXPECT_EQ(w->Label6->y(), w->Panel1->y() - 150);
  }
}

TEST(TdiapoState, CurrentDirectoryListIsConsumedOneNameAtATime) {
  TestWindow w;
  // The list the show takes its forward steps' pictures from.
  CurrentPictureList list;
  const QString chosen = QStringLiteral("/x/c.jpg");
  WriteLines(files::kCurrentDirectoryList, {"/photos/2005", "a.jpg", "b.jpg"});
  EXPECT_EQ(list.Peek(), QStringLiteral("/photos/2005/a.jpg"));
  EXPECT_EQ(list.Take().value_or(chosen), QStringLiteral("/photos/2005/a.jpg"));
  EXPECT_EQ(FileLines(files::kCurrentDirectoryList), (QStringList{"/photos/2005", "b.jpg"}));
  EXPECT_EQ(list.Take().value_or(chosen), QStringLiteral("/photos/2005/b.jpg"));
  EXPECT_EQ(list.Take().value_or(chosen), QStringLiteral("/x/c.jpg"));
  EXPECT_FALSE(QFileInfo::exists(Data(files::kCurrentDirectoryList)));
  EXPECT_EQ(list.Take().value_or(QStringLiteral("/x/d.jpg")), QStringLiteral("/x/d.jpg"));

  // Drawn into another program's window: the same steps, on the list read
  // once, and the file stays as it is.
  WriteLines(files::kCurrentDirectoryList, {"/photos/2005", "a.jpg"});
  CurrentPictureList h;
  h.KeepInMemory(true);
  EXPECT_EQ(h.Take().value_or(chosen), QStringLiteral("/photos/2005/a.jpg"));
  EXPECT_EQ(h.Peek(), std::nullopt);
  EXPECT_EQ(h.Take().value_or(chosen), QStringLiteral("/x/c.jpg"));
  EXPECT_EQ(FileLines(files::kCurrentDirectoryList), (QStringList{"/photos/2005", "a.jpg"}));
}

}  // namespace
}  // namespace ld
