// The panels on every screen from 1280 x 720 up: every control inside the
// screen and reachable, the drawn geometry kept where it fits, the panels
// scaled where it does not; the album paths elided in the middle.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QHelpEvent>
#include <QToolTip>
#include <initializer_list>
#include <memory>

#include "app/ui/Tdiapo.h"
#include "platform/DataDir.h"
#include "support/PanelChecks.h"
#include "support/Recording.h"

using ld::Tdiapo;
using ld::testing::CutOff;
using ld::testing::Shown;

namespace {

class PanelFitTest : public ::testing::Test {
 protected:
  void SetUp() override { QFile::remove(ld::DataFile(QString::fromLatin1(ld::files::kSettings))); }
  std::unique_ptr<Tdiapo> Make(QSize screen) {
    return std::make_unique<Tdiapo>(fs.services, QString(), screen);
  }
  ld::testing::FakeServices fs;
};

// The controls of a panel that the user can reach, panels inside it
// included.
QList<QWidget*> Controls(QWidget* panel) {
  QList<QWidget*> out;
  for (QWidget* w : Shown(panel)) {
    if (w->metaObject() == &QFrame::staticMetaObject && w->objectName() != "Bevel1")
      out << Controls(w);
    else if (w->objectName() != "Bevel1")
      out << w;
  }
  return out;
}

// Controls of the panels that stick out of the screen or whose centre the
// window does not find them at (covered by another panel). Controls outside
// their panel's rectangle are hidden by it on purpose (the compact form).
QStringList Unusable(Tdiapo& w, std::initializer_list<QWidget*> panels) {
  QStringList out;
  const QRect screen(QPoint(0, 0), w.ScreenSize());
  for (QWidget* panel : panels)
    for (QWidget* c : Controls(panel)) {
      const QRect r(c->mapTo(&w, QPoint(0, 0)), c->size());
      if (!QRect(panel->mapTo(&w, QPoint(0, 0)), panel->size()).contains(r)) continue;
      QWidget* hit = w.childAt(r.center());
      if (!screen.contains(r) || (hit != c && !c->isAncestorOf(hit)))
        out << c->objectName() +
                   QString(" (%1,%2 %3x%4)").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
    }
  return out;
}

TEST_F(PanelFitTest, PanelsFitEveryScreenFrom1280x720AndKeepTheirDrawnSizeWhereItFits) {
  for (QSize screen : {QSize(1280, 720), QSize(1366, 768), QSize(1440, 900), QSize(1600, 900),
                       QSize(1920, 1080), QSize(3840, 2160)}) {
    SCOPED_TRACE(QString("%1x%2").arg(screen.width()).arg(screen.height()).toStdString());
    auto w = Make(screen);
    w->show();
    w->Panel1->show();
    w->CompactLayout();
    EXPECT_EQ(w->Panel1->size(), QSize(1001, 39));
    EXPECT_TRUE(Unusable(*w, {w->Panel1}).isEmpty())
        << Unusable(*w, {w->Panel1}).join("; ").toStdString();

    w->FullLayout();
    w->Button_param_avancer->click();
    // The history list, shown beside the advanced panels, covers none of them.
    w->CheckBox_voir_liste_300->setChecked(true);
    ASSERT_FALSE(w->ListBox_passee->isHidden());
    ASSERT_FALSE(w->Panel3->isHidden());
    const QStringList full = Unusable(*w, {w->Panel1, w->Panel3, w->Panel2});
    EXPECT_TRUE(full.isEmpty()) << full.join("; ").toStdString();
    for (QWidget* p : {w->Panel1, w->Panel3, w->Panel2})
      EXPECT_TRUE(CutOff(p).isEmpty()) << CutOff(p).join("; ").toStdString();
    // The drawn sizes wherever they fit.
    const bool fullFits = screen.width() >= 1545 && screen.height() >= 773;
    EXPECT_EQ(w->Panel1->size() == QSize(1545, 214), fullFits);
    EXPECT_EQ(w->Panel3->size() == QSize(537, 545), screen.height() >= 768);
    EXPECT_EQ(w->Panel2->size() == QSize(252, 169), screen.height() >= 768);
    EXPECT_EQ(w->Panel1->y() + w->Panel1->height(), screen.height() - 12);

    // The renaming panel opens over the others, whole and usable.
    w->SpeedButton2->click();
    ASSERT_FALSE(w->Panel_renommage->isHidden());
    EXPECT_TRUE(Unusable(*w, {w->Panel_renommage}).isEmpty())
        << Unusable(*w, {w->Panel_renommage}).join("; ").toStdString();
    EXPECT_EQ(w->Panel_renommage->geometry(), QRect(376, 72, 577, 473));

    // Back to the compact form, the panel is as drawn again.
    w->Button4->click();
    w->Button3->click();
    w->CompactLayout();
    EXPECT_EQ(w->Button_retour->geometry(), QRect(311, 6, 52, 27));
    EXPECT_EQ(w->Label20->geometry(), QRect(8, 190, 324, 16));
  }
}

TEST_F(PanelFitTest, AlbumPathsAreElidedInTheMiddleWithTheWholePathAsHint) {
  auto w = Make({1920, 1080});
  w->show();
  w->Panel1->show();
  w->FullLayout();
  const QString path = "/home/moi/Images/Albums de famille/Vacances d'été 2024/sélection A";
  w->rep_album_A->setText(path);
  const QString shown = w->rep_album_A->ShownText();
  EXPECT_TRUE(shown.startsWith("/home/")) << shown.toStdString();
  EXPECT_TRUE(shown.endsWith("sélection A")) << shown.toStdString();
  EXPECT_TRUE(shown.contains(QChar(0x2026)));
  EXPECT_LE(w->rep_album_A->fontMetrics().horizontalAdvance(shown), w->rep_album_A->width());
  EXPECT_EQ(w->rep_album_A->text(), path);  // what is saved and copied into
  // A path that fits is shown whole.
  w->rep_album_B->setText("/data/B");
  EXPECT_EQ(w->rep_album_B->ShownText(), "/data/B");

  QHelpEvent hint(QEvent::ToolTip, QPoint(5, 5), w->rep_album_A->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(w->rep_album_A, &hint);
  EXPECT_TRUE(QToolTip::isVisible());
  EXPECT_EQ(QToolTip::text(), path);
  QToolTip::hideText();
}

}  // namespace
