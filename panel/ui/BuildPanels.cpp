// The panels of the main window and every control on them, at their places,
// with their captions, hints, colours and fonts. The window's own labels, the
// history list and the picture control are made by the window itself.
//
// Layout of the settings panel Panel1 (1545 x 214 in its full form):
//   top row (top 6, height 27): moved by LayOutCompact / LayOutFull; the
//     product name and the history position sit left of it;
//   below, in columns: the directory list, the current picture and the
//     albums, the random draw, the catalogue filters, the caption choice.
// Every control below the top row starts at top 39 or lower, so that the
// compact form (39 pixels high) shows the top row alone, and Label20 is the
// lowest control, its bottom at 206.
#include "panel/ui/BuildPanels.h"

#include <QApplication>
#include <QStyle>

#include "panel/ui/PanelParts.h"

namespace ld {

using namespace panel_parts;

void BuildPanels(QWidget* window, TdiapoControls& c) {
  const QStyle* style = QApplication::style();

  // ======== Panel1: the settings panel along the bottom edge ========
  c.Panel1 = MakePanel("Panel1", window, QRect(8, 624, 1545, 225));
  QWidget* p1 = c.Panel1;

  // Top row, at the places of the compact form; the layouts move it.
  LD_MAKE(Panel_continuer, p1, QRect(123, 6, 184, 27), QStringLiteral("continuer [Espace]"));
  c.Panel_continuer->SetColours(kYellow, kBlue);
  SetBold(c.Panel_continuer);
  c.Panel_continuer->setToolTip(
      QStringLiteral("----------> pour reprendre le diaporama où il s'était arrêté "));
  LD_MAKE(Button_retour, p1, QRect(311, 6, 52, 27), QStringLiteral("<"));
  SetBold(c.Button_retour);
  c.Button_retour->setToolTip(
      QStringLiteral("-------> parmis les 300 dernières affichées  [flèche Gauche]"));
  LD_MAKE(Button_avance, p1, QRect(367, 6, 48, 27), QStringLiteral(">"));
  c.Button_avance->setToolTip(
      QStringLiteral("-------> parmis les 300 dernières affichées  [flèche Droite]"));
  LD_MAKE(Panel_ouvrir_rep_img, p1, QRect(424, 6, 216, 27),
          QStringLiteral("ouvrir le répertoire de l'image"));
  c.Panel_ouvrir_rep_img->SetColours(ButtonFace(), kMaroon);
  SetBold(c.Panel_ouvrir_rep_img);
  c.Panel_ouvrir_rep_img->setToolTip(
      QStringLiteral("-------> visualise le répertoire dans XnView  "));
  LD_MAKE(Button_avec_sans_option, p1, QRect(644, 6, 98, 27), QStringLiteral("options"));
  c.Button_avec_sans_option->setToolTip(
      QStringLiteral("-------> afficher les options disponibles "));
  FitCaption(c.Button_avec_sans_option, QStringLiteral("moins d'options"), 10);
  LD_MAKE(Button_quit, p1, QRect(744, 6, 100, 27), QStringLiteral(" quitter (Esc)"));
  LD_MAKE(Button_close_param, p1, QRect(849, 6, 24, 27), QStringLiteral("X"));
  SetTextColour(c.Button_close_param, kRed);
  SetBold(c.Button_close_param);
  c.Button_close_param->setToolTip(QStringLiteral("-------> comme Continuer (espace)"));
  LD_MAKE(Button_tout_le_rep, p1, QRect(878, 6, 90, 27), QStringLiteral("DIAPORAMA - F3 "));
  c.Button_tout_le_rep->setToolTip(
      QStringLiteral("-------> diaporama simple du répertoire de l'image "));
  FitCaption(c.Button_tout_le_rep, c.Button_tout_le_rep->text(), 10);

  // Product name and history position, in the top-left corner.
  LD_MAKE(Label11, p1, QRect(6, 3, 114, 16), QStringLiteral("LuminoDrift"));
  SetTextColour(c.Label11, kGreen);
  SetBold(c.Label11);
  LD_MAKE(Label21, p1, QRect(6, 20, 114, 16), QStringLiteral("n"));
  SetTextColour(c.Label21, kBlue);
  c.Label21->setToolTip(
      QStringLiteral("indice de l'image / nombre visualisé et stockées (300 au max) "));

  // Column 1: the picture directories.
  LD_MAKE(Panel_ajout_rep, p1, QRect(8, 42, 160, 22), QStringLiteral("ajouter un répertoire"));
  c.Panel_ajout_rep->SetColours(ButtonFace(), kMaroon);
  c.Panel_ajout_rep->setToolTip(QStringLiteral("-------> à la liste ci-dessous "));
  LD_MAKE(Panel_sup_rep, p1, QRect(172, 42, 160, 22), QStringLiteral("supprimer la sélection"));
  c.Panel_sup_rep->SetColours(QApplication::palette().color(QPalette::Highlight),
                              QApplication::palette().color(QPalette::HighlightedText));
  c.Panel_sup_rep->setToolTip(
      QStringLiteral("-------> supprime les lignes sélectionnées de la liste ci-dessous "));
  // The frame first, so that the list is drawn over it and only its outer
  // pixel shows.
  LD_MAKE(Bevel1, p1, QRect(8, 68, 324, 116));
  c.Bevel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  c.Bevel1->setLineWidth(1);
  LD_MAKE(CheckListBox_rep, p1, QRect(9, 69, 322, 114));
  c.CheckListBox_rep->setFrameShape(QFrame::NoFrame);
  SetTextColour(c.CheckListBox_rep, kMaroon);
  LD_MAKE(Label20, p1, QRect(8, 190, 324, 16), QStringLiteral("ligne"));

  // Column 2: the picture on screen, the albums, the reset button.
  LD_MAKE(Label_repertoire, p1, QRect(342, 42, 388, 16), QStringLiteral("répertoire image"));
  SetTextColour(c.Label_repertoire, kMaroon);
  SetBold(c.Label_repertoire);
  LD_MAKE(Label_nom_img, p1, QRect(342, 60, 388, 16), QStringLiteral("nom image"));
  SetTextColour(c.Label_nom_img, kMaroon);
  SetBold(c.Label_nom_img);
  LD_MAKE(Button_album_a, p1, QRect(342, 80, 144, 24), QStringLiteral("Copier vers album A"));
  SetBold(c.Button_album_a);
  c.Button_album_a->setToolTip(QStringLiteral("copie l'image dans le répertoire A"));
  LD_MAKE(Panel_ouvrir_repA, p1, QRect(490, 80, 50, 24), QStringLiteral("ouvrir"));
  c.Panel_ouvrir_repA->setToolTip(QStringLiteral("visualise l'album A"));
  LD_MAKE(SpeedButton_album_A, p1, QRect(544, 80, 24, 24));
  c.SpeedButton_album_A->setIcon(style->standardIcon(QStyle::SP_DirOpenIcon));
  c.SpeedButton_album_A->setToolTip(QStringLiteral("choix du répertoire de l'album A"));
  LD_MAKE(rep_album_A, p1, QRect(572, 84, 158, 16), QStringLiteral("répertoire album A"));
  LD_MAKE(Button_album_B, p1, QRect(342, 108, 144, 24), QStringLiteral("Copier vers album B"));
  SetBold(c.Button_album_B);
  LD_MAKE(Panel_ouvrir_repB, p1, QRect(490, 108, 50, 24), QStringLiteral("ouvrir"));
  c.Panel_ouvrir_repB->setToolTip(QStringLiteral("visualise l'album B"));
  LD_MAKE(SpeedButton_album_B, p1, QRect(544, 108, 24, 24));
  c.SpeedButton_album_B->setIcon(style->standardIcon(QStyle::SP_DirOpenIcon));
  c.SpeedButton_album_B->setToolTip(QStringLiteral("choix du répertoire de l'album B"));
  LD_MAKE(rep_album_B, p1, QRect(572, 112, 158, 16), QStringLiteral("répertoire album B"));
  LD_MAKE(Button_aide, p1, QRect(342, 138, 24, 24), QStringLiteral("?"));
  SetTextColour(c.Button_aide, kRed);
  SetBold(c.Button_aide);
  c.Button_aide->setToolTip(QStringLiteral("Aide"));
  LD_MAKE(Label13, p1, QRect(372, 142, 110, 16), QStringLiteral("ntot"));
  LD_MAKE(Label8, p1, QRect(490, 142, 120, 16), QStringLiteral("Esc = quitter"));
  LD_MAKE(aPanel_sauve_param_et_BD0_et_quitter, p1, QRect(342, 168, 388, 26),
          QStringLiteral("Réinitialiser = enregistre + quitter et Relancer"));
  c.aPanel_sauve_param_et_BD0_et_quitter->SetColours(ButtonFace(), kRed);
  c.aPanel_sauve_param_et_BD0_et_quitter->setToolTip(QStringLiteral(
      "-------> réinitialise l'index des images avec tous les nouveaux répertoires "));

  // Column 3: the random draw, the advanced settings, saving.
  LD_MAKE(CheckBox_rnd, p1, QRect(740, 42, 200, 20), QStringLiteral("aléatoire"));
  SetTextColour(c.CheckBox_rnd, kFuchsia);
  c.CheckBox_rnd->setChecked(true);
  c.CheckBox_rnd->setToolTip(
      QStringLiteral("lecture aléatoire ou successive (voir indice non aléatoire de démarrage)"));
  LD_MAKE(Edit_rayon_rnd, p1, QRect(740, 66, 40, 20), QStringLiteral("5"));
  c.Edit_rayon_rnd->setFrame(false);
  LD_MAKE(Label9, p1, QRect(786, 68, 244, 16), QStringLiteral("rayon aléatoire"));
  c.Label9->setToolTip(QStringLiteral("rayon du 2ème  tirage  aléatoire"));
  LD_MAKE(Edit_nb_fouille, p1, QRect(740, 90, 40, 20), QStringLiteral("5"));
  LD_MAKE(Label17, p1, QRect(786, 92, 244, 16), QStringLiteral("nb de tirages dans ce rayon"));
  c.Label17->setToolTip(QStringLiteral("ce nombre est  plus petit que 2 fois le rayon!"));
  LD_MAKE(Edit_indice_non_aleatoire, p1, QRect(740, 114, 40, 20), QStringLiteral("0"));
  LD_MAKE(Label18, p1, QRect(786, 116, 244, 16),
          QStringLiteral("indice de démarrage  (SI non aléatoire)"));
  c.Label18->setToolTip(QStringLiteral(
      "d'une fois sur l'autre, on reprend après la dernire image affichée ET cette valeur se "
      "met à jour automatiquement"));
  LD_MAKE(Button_param_avancer, p1, QRect(740, 142, 150, 24), QStringLiteral("Paramètres avancés"));
  SetTextColour(c.Button_param_avancer, kFuchsia);
  SetBold(c.Button_param_avancer);
  LD_MAKE(Button2, p1, QRect(740, 170, 150, 24), QStringLiteral("Enregistrer paramètres"));
  LD_MAKE(Label_etat, p1, QRect(898, 146, 132, 16), QStringLiteral("état"));
  SetTextColour(c.Label_etat, kMaroon);
  SetBold(c.Label_etat);
  LD_MAKE(Label_delai, p1, QRect(898, 174, 132, 16), QStringLiteral("délai"));
  SetTextColour(c.Label_delai, kMaroon);
  SetBold(c.Label_delai);

  // Column 4: the catalogue filters (dates, words, exclusion file).
  LD_MAKE(Label28, p1, QRect(1040, 42, 300, 16),
          QStringLiteral("Filtres date (année        mois)"));
  SetTextColour(c.Label28, kBlue);
  LD_MAKE(CheckBox_date_de, p1, QRect(1040, 62, 176, 20), QStringLiteral("'à partir de' ou 'que'"));
  SetTextColour(c.CheckBox_date_de, kBlue);
  c.CheckBox_date_de->setToolTip(QStringLiteral("-------> si 'jusqu'à' est vide alors = 'de'   "));
  LD_MAKE(Edit_annee_de, p1, QRect(1220, 62, 40, 20), QStringLiteral("2014"));
  LD_MAKE(Edit_mois_de, p1, QRect(1264, 62, 28, 20), QStringLiteral("10"));
  LD_MAKE(CheckBox_date_a, p1, QRect(1040, 86, 176, 20), QStringLiteral("'jusqu'à'"));
  SetTextColour(c.CheckBox_date_a, kBlue);
  c.CheckBox_date_a->setToolTip(QStringLiteral(
      "-------> SI 'jusqu'à' est vide ALORS une seule date de filtrée (année/mois)"));
  LD_MAKE(Edit_annee_a, p1, QRect(1220, 86, 40, 20), QString());
  LD_MAKE(Edit_mois_a, p1, QRect(1264, 86, 28, 20), QString());
  for (Edit* e : {c.Edit_annee_de, c.Edit_mois_de, c.Edit_annee_a, c.Edit_mois_a})
    e->setFrame(false);
  LD_MAKE(SpeedButton_valider_filtre, p1, QRect(1300, 62, 96, 44),
          QStringLiteral("Valider filtre"));
  SetTextColour(c.SpeedButton_valider_filtre, kBlue);
  c.SpeedButton_valider_filtre->setToolTip(
      QStringLiteral("Relance l'application pour valider ces filtres et générer le nouvel index"));
  const QString wordsHint =
      QStringLiteral("le répertoire des images doit contenir les mots suivants");
  LD_MAKE(CheckBox_contient, p1, QRect(1040, 112, 110, 20), QStringLiteral("doit contenir"));
  SetTextColour(c.CheckBox_contient, kBlue);
  c.CheckBox_contient->setToolTip(wordsHint);
  LD_MAKE(Edit_contient, p1, QRect(1154, 112, 242, 20), QStringLiteral("divers avignon"));
  c.Edit_contient->setFrame(false);
  SetTextColour(c.Edit_contient, kBlue);
  c.Edit_contient->setToolTip(wordsHint);
  LD_MAKE(CheckBox_fic_exclusion, p1, QRect(1040, 138, 292, 20),
          QStringLiteral("fichier d'exclusions (LuminoDrift_exclusions.txt)"));
  SetTextColour(c.CheckBox_fic_exclusion, kBlue);
  c.CheckBox_fic_exclusion->setToolTip(QStringLiteral(
      "fichier contenant les répertoires et images à ne pas afficher  (aide dans le fichier)  "));
  LD_MAKE(SpeedButton1, p1, QRect(1336, 136, 60, 24), QStringLiteral("l'éditer"));
  SetTextColour(c.SpeedButton1, kBlue);
  c.SpeedButton1->setToolTip(QStringLiteral(
      "éditer le fichier contenant les répertoires et images à ne pas afficher  (aide dans le "
      "fichier)  "));

  // Column 5: what is written over the picture.
  LD_MAKE(RadioGroup_titre_ecran, p1, QRect(1406, 40, 132, 79),
          QStringLiteral("afficher à l'écran"),
          QStringList{QStringLiteral("rien"), QStringLiteral("répertoire"),
                      QStringLiteral("répertoire + nom")});
  c.RadioGroup_titre_ecran->SetItemIndex(1);
  LD_MAKE(CheckBox_af_an, p1, QRect(1406, 124, 132, 20), QStringLiteral("affiche année"));

  BuildSidePanels(window, c);

  // The frame one pixel outside the directory list on every side.
  c.Bevel1->setGeometry(c.CheckListBox_rep->x() - 1, c.CheckListBox_rep->y() - 1,
                        c.CheckListBox_rep->width() + 2, c.CheckListBox_rep->height() + 2);
}

}  // namespace ld
