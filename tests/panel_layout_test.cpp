// The panels of the main window: the two forms of the settings panel on
// several screen sizes, the placement rules of the controls (nothing
// overlaps, no caption is cut, the compact form shows the top row alone),
// the small change handlers and the flags they set, the advanced-settings
// panel and the screen-saver delay.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QRadioButton>
#include <QSet>
#include <functional>
#include <memory>

#include "app/ui/Tdiapo.h"
#include "platform/DataDir.h"
#include "support/PanelChecks.h"
#include "support/Recording.h"

using ld::Tdiapo;
using ld::testing::CutOff;
using ld::testing::FakeServices;
using ld::testing::Overlaps;
using ld::testing::Shown;

namespace {

class PanelTest : public ::testing::Test {
 protected:
  void SetUp() override { QFile::remove(ld::DataFile(QString::fromLatin1(ld::files::kSettings))); }
  std::unique_ptr<Tdiapo> Make(QSize screen) {
    return std::make_unique<Tdiapo>(fs.services, QString(), screen);
  }
  FakeServices fs;
};

QStringList TopRowNames() {
  return {"Panel_continuer",         "Button_retour", "Button_avance",      "Panel_ouvrir_rep_img",
          "Button_avec_sans_option", "Button_quit",   "Button_close_param", "Button_tout_le_rep"};
}

int LeftOf(const Tdiapo& w, const char* name) {
  auto* c = w.findChild<QWidget*>(QString::fromLatin1(name));
  return c ? c->x() : -99999;
}

TEST_F(PanelTest, FormsOfTheSettingsPanelFollowTheScreenSize) {
  struct Case {
    QSize screen;
    QRect compact, full;
    QPoint panel3, panel2;
  };
  const Case cases[] = {
      {{1920, 1080}, {459, 1029, 1001, 39}, {187, 854, 1545, 214}, {1195, 307}, {941, 307}},
      {{1024, 768}, {11, 717, 1001, 39}, {-260, 542, 1545, 214}, {748, -5}, {494, -5}},
      // Narrower than the compact panel: centred, not clipped.
      {{800, 600}, {-100, 549, 1001, 39}, {-372, 374, 1545, 214}, {636, -173}, {382, -173}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.screen.width());
    auto w = Make(c.screen);
    // The window's own size plays no part: only the screen size counts.
    w->resize(640, 480);
    w->CompactLayout();
    EXPECT_EQ(w->Panel1->geometry(), c.compact);
    EXPECT_EQ(w->Button_avec_sans_option->text(), "options");
    const int compactLefts[] = {123, 311, 367, 424, 644, 744, 849, 878};
    for (int i = 0; i < 8; ++i)
      EXPECT_EQ(LeftOf(*w, TopRowNames()[i].toLatin1().constData()), compactLefts[i])
          << TopRowNames()[i].toStdString();

    w->FullLayout();
    EXPECT_EQ(w->Panel1->geometry(), c.full);
    EXPECT_EQ(w->Button_avec_sans_option->text(), "moins d'options");
    EXPECT_EQ(w->Panel3->pos(), c.panel3);
    EXPECT_EQ(w->Panel2->pos(), c.panel2);
    const int fullLefts[] = {475, 663, 719, 769, 1082, 123, 1517, 990};
    for (int i = 0; i < 8; ++i)
      EXPECT_EQ(LeftOf(*w, TopRowNames()[i].toLatin1().constData()), fullLefts[i])
          << TopRowNames()[i].toStdString();
    // The layouts move panels, they do not show them.
    EXPECT_TRUE(w->Panel3->isHidden());
    EXPECT_TRUE(w->Panel2->isHidden());
  }
}

TEST_F(PanelTest, CompactFormShowsOnlyTheTopRowAndLabel20IsLowest) {
  auto w = Make({1920, 1080});
  w->CompactLayout();
  const QRect compactArea(0, 0, 1001, 39);
  QStringList corner = TopRowNames();
  corner << "Label11"
         << "Label21";
  int lowest = 0;
  QString lowestName;
  for (QWidget* c : Shown(w->Panel1)) {
    const QString name = c->objectName();
    if (corner.contains(name)) {
      EXPECT_TRUE(compactArea.contains(c->geometry())) << name.toStdString();
      EXPECT_GE(c->y(), 2) << name.toStdString();
    } else {
      EXPECT_TRUE(c->y() >= 39 || c->x() >= 1001) << name.toStdString();
    }
    const int bottom = c->y() + c->height();
    if (bottom > lowest || (bottom == lowest && name == "Label20")) {
      lowest = bottom;
      lowestName = name;
    }
  }
  EXPECT_EQ(lowest, 206);
  EXPECT_EQ(lowestName, "Label20");
  // Every control of the top row is 27 high at top 6.
  for (const QString& name : TopRowNames()) {
    auto* c = w->findChild<QWidget*>(name);
    ASSERT_NE(c, nullptr) << name.toStdString();
    EXPECT_EQ(c->y(), 6) << name.toStdString();
    EXPECT_EQ(c->height(), 27) << name.toStdString();
  }
}

TEST_F(PanelTest, NothingOverlapsAndNoCaptionIsCut) {
  auto w = Make({1920, 1080});
  EXPECT_EQ(w->Panel3->size(), QSize(537, 545));
  EXPECT_EQ(w->Panel2->size(), QSize(252, 169));
  EXPECT_EQ(w->Panel4->geometry(), QRect(12, 32, 225, 121));
  EXPECT_EQ(w->Panel_renommage->geometry(), QRect(376, 72, 577, 473));
  EXPECT_EQ(w->Bevel1->geometry(), w->CheckListBox_rep->geometry().adjusted(-1, -1, 1, 1));
  // Shown, so that every control has been laid out at its final size.
  w->show();
  for (QWidget* p : {w->Panel1, w->Panel3, w->Panel2, w->Panel_renommage}) p->show();

  w->CompactLayout();
  EXPECT_TRUE(Overlaps(w->Panel1).isEmpty()) << Overlaps(w->Panel1).join("; ").toStdString();
  w->FullLayout();
  EXPECT_TRUE(Overlaps(w->Panel1).isEmpty()) << Overlaps(w->Panel1).join("; ").toStdString();
  EXPECT_TRUE(CutOff(w->Panel1).isEmpty()) << CutOff(w->Panel1).join("; ").toStdString();
  // The longer caption of the options button fits in the compact form too.
  w->Button_avec_sans_option->setText("moins d'options");
  w->CompactLayout();
  for (QWidget* p : {w->Panel3, w->Panel2, w->Panel4, w->Panel_renommage}) {
    SCOPED_TRACE(p->objectName().toStdString());
    EXPECT_TRUE(Overlaps(p).isEmpty()) << Overlaps(p).join("; ").toStdString();
    EXPECT_TRUE(CutOff(p).isEmpty()) << CutOff(p).join("; ").toStdString();
  }
  // Long texts that replace design captions at run time still fit.
  w->Label3->setText("paramètre ligne de commande = <s>");
  w->Label_delai->setText("86400 s");
  w->Label_etat->setText("inactif");
  w->Label11->setText("LuminoDrift 3.6");
  w->FullLayout();
  EXPECT_TRUE(CutOff(w->Panel1).isEmpty()) << CutOff(w->Panel1).join("; ").toStdString();
  EXPECT_TRUE(CutOff(w->Panel3).isEmpty()) << CutOff(w->Panel3).join("; ").toStdString();
}

TEST_F(PanelTest, OptionsButtonTogglesTheFormsUnlessTheLargeMenuIsKept) {
  auto w = Make({1920, 1080});
  w->CompactLayout();
  w->Button_avec_sans_option->click();
  EXPECT_EQ(w->Panel1->height(), 214);
  EXPECT_EQ(w->Button_avec_sans_option->text(), "moins d'options");
  w->Button_avec_sans_option->click();
  EXPECT_EQ(w->Panel1->height(), 39);
  EXPECT_EQ(w->Button_avec_sans_option->text(), "options");

  w->CheckBox_grand_menu->setChecked(true);
  w->CompactLayout();
  EXPECT_EQ(w->Panel1->height(), 214);
  for (int i = 0; i < 2; ++i) {
    w->Button_avec_sans_option->click();
    EXPECT_EQ(w->Panel1->geometry(), QRect(187, 854, 1545, 214));
    EXPECT_EQ(w->Button_avec_sans_option->text(), "moins d'options");
  }
  // Neither form changes a flag.
  EXPECT_FALSE(w->settings_changed);
  EXPECT_FALSE(w->rebuild_requested);
}

bool Marked(const Tdiapo& w) {
  return w.aPanel_sauve_param_et_BD0_et_quitter->Background() == QColor(255, 0, 0) &&
         w.aPanel_sauve_param_et_BD0_et_quitter->TextColour() == QColor(255, 255, 255);
}

TEST_F(PanelTest, SmallHandlersSetExactlyTheirFlags) {
  struct Case {
    const char* what;
    std::function<void(Tdiapo&)> change;
    bool settingsChanged, marked;
  };
  auto text = [](ld::Edit* Tdiapo::*edit, const char* t) {
    return [edit, t](Tdiapo& w) { (w.*edit)->setText(QString::fromUtf8(t)); };
  };
  auto toggle = [](QCheckBox* Tdiapo::*box) {
    return [box](Tdiapo& w) { (w.*box)->setChecked(!(w.*box)->isChecked()); };
  };
  auto pick = [](ld::RadioGroup* Tdiapo::*group, int i) {
    return [group, i](Tdiapo& w) { (w.*group)->SetItemIndex(i); };
  };
  const Case cases[] = {
      {"CheckBox_rnd", toggle(&Tdiapo::CheckBox_rnd), true, false},
      {"Edit_rayon_rnd", text(&Tdiapo::Edit_rayon_rnd, "7"), true, false},
      {"Edit_nb_fouille", text(&Tdiapo::Edit_nb_fouille, "3"), true, false},
      {"Edit_indice_non_aleatoire", text(&Tdiapo::Edit_indice_non_aleatoire, "4"), true, false},
      {"Edit_vmax", text(&Tdiapo::Edit_vmax, "80"), true, false},
      {"RadioGroup_titre_ecran", pick(&Tdiapo::RadioGroup_titre_ecran, 2), true, false},
      {"Edit_annee_de", text(&Tdiapo::Edit_annee_de, "2015"), true, false},
      {"Edit_annee_a", text(&Tdiapo::Edit_annee_a, "2016"), true, false},
      {"Edit_mois_de", text(&Tdiapo::Edit_mois_de, "01"), true, false},
      {"Edit_mois_a", text(&Tdiapo::Edit_mois_a, "12"), true, false},
      {"CheckBox_date_de", toggle(&Tdiapo::CheckBox_date_de), true, true},
      {"CheckBox_date_a", toggle(&Tdiapo::CheckBox_date_a), true, true},
      {"CheckBox_contient", toggle(&Tdiapo::CheckBox_contient), false, true},
      {"Edit_contient", text(&Tdiapo::Edit_contient, "noël"), true, true},
      {"CheckBox_fic_exclusion", toggle(&Tdiapo::CheckBox_fic_exclusion), false, true},
      {"RadioGroup_exclusion", pick(&Tdiapo::RadioGroup_exclusion, 2), false, true},
      // Controls whose values are only taken at the next save.
      {"Edit_zoom_s_dix", text(&Tdiapo::Edit_zoom_s_dix, "20"), false, false},
      {"Edit_inc_pixel", text(&Tdiapo::Edit_inc_pixel, "300"), false, false},
      {"Edit_haut", text(&Tdiapo::Edit_haut, "40"), false, false},
      {"Edit_dt3_b", text(&Tdiapo::Edit_dt3_b, "900"), false, false},
      {"Rdg1", pick(&Tdiapo::Rdg1, 4), false, false},
      {"RadioGroup_sous_rep_recursif", pick(&Tdiapo::RadioGroup_sous_rep_recursif, 0), false,
       false},
      {"CheckBox_grand_menu", toggle(&Tdiapo::CheckBox_grand_menu), false, false},
      {"CheckBox_xnview_rep_et_nom", toggle(&Tdiapo::CheckBox_xnview_rep_et_nom), false, false},
      {"CheckBox_af_an", toggle(&Tdiapo::CheckBox_af_an), false, false},
      {"CheckBox_voir_liste_300", toggle(&Tdiapo::CheckBox_voir_liste_300), false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto w = Make({1920, 1080});
    ASSERT_FALSE(Marked(*w));
    c.change(*w);
    EXPECT_EQ(w->settings_changed, c.settingsChanged);
    EXPECT_EQ(Marked(*w), c.marked);
    // No small handler asks for a rebuild by itself.
    EXPECT_FALSE(w->rebuild_requested);
    EXPECT_TRUE(fs.dialogs.errors.isEmpty());
  }

  // Putting back the value a control already holds is no change.
  auto w = Make({1920, 1080});
  w->Edit_vmax->setText("100");
  w->CheckBox_rnd->setChecked(true);
  w->RadioGroup_titre_ecran->SetItemIndex(1);
  w->Edit_contient->setText("divers avignon");
  EXPECT_FALSE(w->settings_changed);
  EXPECT_FALSE(Marked(*w));

  // The mark goes again; the flag stays.
  w->CheckBox_date_de->setChecked(true);
  w->ClearRebuildMark();
  EXPECT_FALSE(Marked(*w));
  EXPECT_EQ(w->aPanel_sauve_param_et_BD0_et_quitter->TextColour(), QColor(255, 0, 0));
  EXPECT_TRUE(w->settings_changed);
}

// A date box's change repaints the reset button's highlight once: the box is
// connected to its handler once.
TEST_F(PanelTest, DateBoxMarksTheRebuildOnce) {
  class PaintCount : public QObject {
   public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Paint) ++paints;
      return false;
    }
  } count;
  auto w = Make({1920, 1080});
  w->show();
  w->Panel1->show();
  w->FullLayout();
  QCoreApplication::processEvents();
  w->aPanel_sauve_param_et_BD0_et_quitter->installEventFilter(&count);
  for (QCheckBox* box : {w->CheckBox_date_de, w->CheckBox_date_a}) {
    count.paints = 0;
    box->setChecked(!box->isChecked());
    EXPECT_EQ(count.paints, 1) << box->objectName().toStdString();
    EXPECT_TRUE(Marked(*w));
  }
}

TEST_F(PanelTest, EnteringTheWordFieldSwitchesTheWordFilterOn) {
  auto w = Make({1920, 1080});
  ASSERT_FALSE(w->CheckBox_contient->isChecked());
  QFocusEvent in(QEvent::FocusIn, Qt::MouseFocusReason);
  QApplication::sendEvent(w->Edit_contient, &in);
  EXPECT_TRUE(w->CheckBox_contient->isChecked());
  EXPECT_TRUE(Marked(*w));
  EXPECT_FALSE(w->settings_changed);
}

TEST_F(PanelTest, YearCheckBoxShowsAndBlanksTheYearLabel) {
  auto w = Make({1920, 1080});
  w->Label_an->setText("2015 08");
  w->CheckBox_af_an->setChecked(true);
  EXPECT_FALSE(w->Label_an->isHidden());
  EXPECT_EQ(w->Label_an->text(), "2015 08");
  w->CheckBox_af_an->setChecked(false);
  EXPECT_TRUE(w->Label_an->isHidden());
  EXPECT_EQ(w->Label_an->text(), "    ");
}

TEST_F(PanelTest, AdvancedPanelAndHistoryList) {
  auto w = Make({1920, 1080});
  ASSERT_TRUE(w->Panel3->isHidden());
  ASSERT_TRUE(w->ListBox_passee->isHidden());

  w->Button_param_avancer->click();
  EXPECT_FALSE(w->Panel3->isHidden());
  EXPECT_FALSE(w->Panel2->isHidden());
  EXPECT_TRUE(w->ListBox_passee->isHidden());  // the box is unchecked
  w->CheckBox_voir_liste_300->setChecked(true);
  EXPECT_FALSE(w->ListBox_passee->isHidden());
  w->CheckBox_voir_liste_300->setChecked(false);
  EXPECT_TRUE(w->ListBox_passee->isHidden());
  w->CheckBox_voir_liste_300->setChecked(true);

  w->Button_param_avancer->click();
  EXPECT_TRUE(w->Panel3->isHidden());
  EXPECT_TRUE(w->Panel2->isHidden());
  EXPECT_TRUE(w->ListBox_passee->isHidden());
  w->Button_param_avancer->click();
  EXPECT_FALSE(w->ListBox_passee->isHidden());  // the box is checked now

  // The X of the advanced panel hides both panels, not the list.
  w->Button4->click();
  EXPECT_TRUE(w->Panel3->isHidden());
  EXPECT_TRUE(w->Panel2->isHidden());
  EXPECT_FALSE(w->ListBox_passee->isHidden());
  EXPECT_FALSE(w->settings_changed);
}

TEST_F(PanelTest, ScreenSaverDelayIsSetAndTheProgramEndsWithoutSaving) {
  const QString settingsFile = ld::DataFile(QString::fromLatin1(ld::files::kSettings));
  {
    auto w = Make({1920, 1080});
    w->settings_changed = true;
    w->Edit1->setText("300");
    w->ButtonValidationDelai->click();
    EXPECT_EQ(fs.screenSaver.setTimeouts, std::vector<int>{300});
    EXPECT_EQ(fs.exit.codes, std::vector<int>{1});
    EXPECT_FALSE(QFile::exists(settingsFile));
    EXPECT_TRUE(fs.dialogs.errors.isEmpty());
  }
  fs.screenSaver.setTimeouts.clear();
  fs.exit.codes.clear();
  {
    auto w = Make({1920, 1080});
    w->Edit1->setText("abc");
    w->ButtonValidationDelai->click();
    EXPECT_EQ(fs.dialogs.errors, QStringList{"'abc' n'est pas une valeur entière correcte"});
    EXPECT_TRUE(fs.screenSaver.setTimeouts.empty());
    EXPECT_TRUE(fs.exit.codes.empty());
    EXPECT_EQ(w->Edit1->text(), "abc");
    EXPECT_FALSE(QFile::exists(settingsFile));
  }
  fs.dialogs.errors.clear();
  {
    // The X server holds at most 32767 seconds: a larger delay would be cut
    // to another one. Refused with a message; the program goes on.
    auto w = Make({1920, 1080});
    for (const char* t : {"70000", "32768", "-1"}) {
      w->Edit1->setText(t);
      w->ButtonValidationDelai->click();
    }
    ASSERT_EQ(fs.dialogs.errors.size(), 3);
    EXPECT_EQ(fs.dialogs.errors[0], "Le délai doit être compris entre 0 et 32767 secondes : 70000");
    EXPECT_TRUE(fs.screenSaver.setTimeouts.empty());
    EXPECT_TRUE(fs.exit.codes.empty());
    w->Edit1->setText("32767");
    w->ButtonValidationDelai->click();
    EXPECT_EQ(fs.screenSaver.setTimeouts, std::vector<int>{32767});
    EXPECT_EQ(fs.exit.codes, std::vector<int>{1});
  }
}

}  // namespace
