// The panels beside the settings panel: the advanced settings (Panel3), the
// system screen-saver delay (Panel2) and the batch renaming of dated
// directories (Panel_renommage).
#include <QApplication>
#include <QRegularExpressionValidator>
#include <QStyle>

#include "panel/ui/BuildPanels.h"
#include "panel/ui/PanelParts.h"

namespace ld {

using namespace panel_parts;

void BuildSidePanels(QWidget* window, TdiapoControls& c) {
  const QStyle* style = QApplication::style();

  // ======== Panel3: "ZOOM param", the advanced settings ========
  c.Panel3 = MakePanel("Panel3", window, QRect(960, 8, 537, 545));
  QWidget* p3 = c.Panel3;
  LD_MAKE(Label14, p3, QRect(8, 6, 200, 18), QStringLiteral("ZOOM param"));
  SetTextColour(c.Label14, kMaroon);
  SetBold(c.Label14);
  LD_MAKE(Button_enreg_param, p3, QRect(330, 4, 170, 24),
          QStringLiteral("Enregistrer et continuer"));
  LD_MAKE(Button4, p3, QRect(505, 4, 26, 24), QStringLiteral("X"));

  // Left column: what the scan reads and the mouse limit.
  LD_MAKE(RadioGroup_sous_rep_recursif, p3, QRect(8, 32, 250, 60),
          QStringLiteral("Sous-répertoires à lire"),
          QStringList{QStringLiteral("aucun"), QStringLiteral("tous")});
  c.RadioGroup_sous_rep_recursif->SetItemIndex(1);
  LD_MAKE(
      RadioGroup_exclusion, p3, QRect(8, 98, 250, 79), QStringLiteral("Exclusion répertoire(s)"),
      QStringList{QStringLiteral("++  ou  §  dans le nom = exclus"), QStringLiteral("indifférent"),
                  QStringLiteral("que ceux contenant  ++  ou  § ")});
  c.RadioGroup_exclusion->SetItemIndex(0);
  LD_MAKE(Label10, p3, QRect(8, 186, 196, 16), QStringLiteral("vitesse max souris => quitter"));
  c.Label10->setToolTip(
      QStringLiteral("adaptez la valeur pour éviter les sorties \"accidentelles\""));
  LD_MAKE(Edit_vmax, p3, QRect(208, 184, 50, 20), QStringLiteral("100"));
  c.Edit_vmax->setFrame(false);

  // Right column: the zoom, the menu form, the history list, renaming.
  LD_MAKE(Label15, p3, QRect(272, 36, 198, 16), QStringLiteral("zoom max en 1/10ème"));
  LD_MAKE(Edit_zoom_s_dix, p3, QRect(474, 34, 52, 20), QStringLiteral("16"));
  LD_MAKE(Label16, p3, QRect(272, 60, 198, 16), QStringLiteral("nb d'itérations"));
  LD_MAKE(Edit_inc_pixel, p3, QRect(474, 58, 52, 20), QStringLiteral("250"));
  const QString shiftHint =
      QStringLiteral("40 % permet de stabiliser le centre de l'image pendant le zoom");
  LD_MAKE(Label7, p3, QRect(272, 84, 198, 16), QStringLiteral("décalage vers le bas (0 à 100%)"));
  c.Label7->setToolTip(shiftHint);
  LD_MAKE(Edit_haut, p3, QRect(474, 82, 52, 20), QStringLiteral("100"));
  c.Edit_haut->setToolTip(shiftHint);
  LD_MAKE(CheckBox_grand_menu, p3, QRect(272, 110, 254, 20), QStringLiteral("grand menu constant"));
  LD_MAKE(CheckBox_voir_liste_300, p3, QRect(272, 134, 254, 20),
          QStringLiteral("voir la liste des 300"));
  LD_MAKE(SpeedButton2, p3, QRect(272, 160, 160, 24), QStringLiteral("renommage par lot"));
  SetTextColour(c.SpeedButton2, kRed);
  SetBold(c.SpeedButton2);

  // The effects, with their durations beside the items: item i of Rdg1 is
  // at top 230 + 22 i in the panel (the group's items start 18 pixels below
  // its top and are 22 pixels apart at window height).
  LD_MAKE(Rdg1, p3, QRect(8, 212, 392, 156), QStringLiteral("Effets"),
          QStringList{
              QStringLiteral("reste à 1  (sans zoom =1 )                        1 durée"),
              QStringLiteral("SBN  (Sans Bandes Noires)                     1 durée"),
              QStringLiteral("1   puis  1 à SBN                                     2 durées"),
              QStringLiteral("1 à SBN  (Sans Bandes Noires)   lent      2 durées + zoom lent"),
              QStringLiteral(
                  "1 à zoom lent fixé                                     2 durées + zoom lent"),
              QStringLiteral(
                  "SBN à zoom lent fixé                                2 durées + zoom lent"),
          });
  c.Rdg1->SetItemIndex(0);
  auto rowTop = [](int item) { return 231 + 22 * item; };
  LD_MAKE(Edit_dt0_a, p3, QRect(406, rowTop(0), 56, 20), QStringLiteral("5000"));
  LD_MAKE(Edit_dt1_a, p3, QRect(406, rowTop(1), 56, 20), QStringLiteral("2000"));
  LD_MAKE(Edit_dt2_a, p3, QRect(406, rowTop(2), 56, 20), QStringLiteral("2000"));
  LD_MAKE(Edit_dt2_b, p3, QRect(468, rowTop(2), 56, 20), QStringLiteral("2000"));
  LD_MAKE(Edit_dt3_a, p3, QRect(406, rowTop(3), 56, 20), QStringLiteral("2000"));
  LD_MAKE(Edit_dt3_b, p3, QRect(468, rowTop(3), 56, 20), QStringLiteral("2000"));
  LD_MAKE(Edit_dt4_a, p3, QRect(406, rowTop(4), 56, 20), QStringLiteral("2000"));
  LD_MAKE(Edit_dt4_b, p3, QRect(468, rowTop(4), 56, 20), QStringLiteral("2000"));
  LD_MAKE(Edit_dt5_a, p3, QRect(406, rowTop(5), 56, 20), QStringLiteral("2000"));
  LD_MAKE(Edit_dt5_b, p3, QRect(468, rowTop(5), 56, 20), QStringLiteral("2000"));

  // The viewer program, the history index, the command line.
  const QString viewerHint =
      QStringLiteral(" autre que XnView, cette info sera  enregistrée pour les prochaines fois ");
  LD_MAKE(Label12, p3, QRect(8, 378, 420, 16),
          QStringLiteral("Programme de visualisation du répertoire image courant"));
  c.Label12->setToolTip(viewerHint);
  LD_MAKE(SpeedButton_xnview, p3, QRect(8, 398, 24, 22));
  c.SpeedButton_xnview->setIcon(style->standardIcon(QStyle::SP_FileDialogStart));
  c.SpeedButton_xnview->setToolTip(QStringLiteral(" choix d'un autre logiciel que XnView"));
  LD_MAKE(xnview_alternative_Label, p3, QRect(38, 401, 490, 16),
          QStringLiteral("exécutable (*.exe)"));
  c.xnview_alternative_Label->setToolTip(viewerHint);
  LD_MAKE(CheckBox_xnview_rep_et_nom, p3, QRect(8, 426, 400, 20),
          QStringLiteral("xnview => répertoire ET nom (relance obligatoire)"));
  c.CheckBox_xnview_rep_et_nom->setToolTip(
      QStringLiteral(" en plus du répertoire, le nom du fichier sera transféré au visualisateur "));
  LD_MAKE(Label19, p3, QRect(8, 454, 180, 16), QStringLiteral("index de la dernière image "));
  LD_MAKE(Label5, p3, QRect(192, 454, 120, 16), QStringLiteral("n"));
  LD_MAKE(Label3, p3, QRect(8, 478, 400, 16), QStringLiteral("ligne de commande"));
  c.Label3->setToolTip(QStringLiteral(" ligne de commande passée à Luminodrift "));

  // ======== Panel2: "écran de veille", the system screen-saver delay ========
  c.Panel2 = MakePanel("Panel2", window, QRect(767, 440, 252, 169));
  LD_MAKE(Label25, c.Panel2, QRect(12, 8, 225, 18), QStringLiteral("écran de veille"));
  SetTextColour(c.Label25, kMaroon);
  SetBold(c.Label25);
  LD_MAKE(Panel4, c.Panel2, QRect(12, 32, 225, 121));
  c.Panel4->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  c.Panel4->setLineWidth(1);
  LD_MAKE(Label2, c.Panel4, QRect(6, 4, 213, 54),
          QStringLiteral("Délai avant mise en route (en secondes)      Efffectif au prochain "
                         "redémarrage"));
  c.Label2->setWordWrap(true);
  c.Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  LD_MAKE(Edit1, c.Panel4, QRect(6, 62, 70, 20), QStringLiteral("60"));
  LD_MAKE(ButtonValidationDelai, c.Panel4, QRect(6, 88, 140, 26),
          QStringLiteral("Validation délai "));
  c.ButtonValidationDelai->setToolTip(
      QStringLiteral("ça va être validé au prochain démarrage    "));

  // ======== Panel_renommage: batch renaming of dated directories ========
  c.Panel_renommage = MakePanel("Panel_renommage", window, QRect(376, 72, 577, 473));
  QWidget* pr = c.Panel_renommage;
  LD_MAKE(Label22, pr, QRect(8, 8, 400, 18), QStringLiteral("renommage de lots de répertoires "));
  SetTextColour(c.Label22, kBlue);
  SetBold(c.Label22);
  LD_MAKE(Button3, pr, QRect(545, 4, 26, 24), QStringLiteral("X"));
  LD_MAKE(Label27, pr, QRect(8, 32, 561, 16),
          QStringLiteral("ex: /051231 avg ou /05-12-31 avg en /2005-15-21 avg"));
  LD_MAKE(Label26, pr, QRect(8, 50, 561, 16),
          QStringLiteral("20050828 avg /2005 08 28 avg en /2005-05-28 avg"));
  LD_MAKE(SpeedButton3, pr, QRect(8, 76, 140, 24), QStringLiteral("Répertoire cible "));
  LD_MAKE(Edit2, pr, QRect(154, 77, 415, 22), QString());
  LD_MAKE(SpeedButton5, pr, QRect(8, 106, 200, 24), QStringLiteral("l'ouvrir dans l'explorateur"));
  LD_MAKE(Edit3, pr, QRect(8, 138, 36, 20), QStringLiteral("20"));
  // The century goes in front of two-digit years: digits only.
  c.Edit3->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), c.Edit3));
  LD_MAKE(Label23, pr, QRect(50, 140, 519, 16),
          QStringLiteral("nombre de fichiers 'aammjj ...' ou 'aa-mm-jj ...'  => '20aa-mm-jj ...'"));
  LD_MAKE(Label24, pr, QRect(8, 166, 120, 16), QStringLiteral("---"));
  SetBold(c.Label24);
  LD_MAKE(SpeedButton4, pr, QRect(449, 162, 120, 24), QStringLiteral("renommer"));
  LD_MAKE(ListBox1, pr, QRect(8, 194, 561, 271));
}

}  // namespace ld
