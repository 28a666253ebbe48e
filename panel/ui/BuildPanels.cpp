// The panels of the main window and every control on them, at their places,
// with their captions, hints, colours and fonts. The window's own labels, the
// history list and the picture control are made by the window itself.
//
// Layout of the settings panel Panel1 (1545 x 214 in its full form):
//   top row (top 6, height 27): moved by CompactLayout / FullLayout; the
//     product name and the history position sit left of it;
//   below, in columns: the directory list, the current picture and the
//     albums, the random draw, the catalogue filters, the caption choice.
// Every control below the top row starts at top 39 or lower, so that the
// compact form (39 pixels high) shows the top row alone, and Label20 is the
// lowest control, its bottom at 206.
#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QStyle>
#include <type_traits>
#include <utility>

#include "app/ui/Tdiapo.h"

namespace ld {
namespace {

const QColor kMaroon(128, 0, 0);
const QColor kBlue(0, 0, 255);
const QColor kRed(255, 0, 0);
const QColor kFuchsia(255, 0, 255);
const QColor kGreen(0, 128, 0);
const QColor kYellow(255, 255, 0);
const QColor kWhite(255, 255, 255);

// Characters of the panels, in pixels: the size the panel geometry was
// drawn for, whatever the desktop's point size and resolution are.
constexpr int kPanelFontPixels = 11;

// Creates a control of type T as a child of parent, named and placed.
// The constructor arguments come first and the parent last, as every Qt
// widget takes them.
template <class T, class... Args>
T* Create(const char* name, QWidget* parent, const QRect& place, Args&&... args) {
  T* w = new T(std::forward<Args>(args)..., parent);
  w->setObjectName(QString::fromLatin1(name));
  w->setGeometry(place);
  return w;
}

// member = a new control of the member's type, named after the member.
#define LD_MAKE(member, parent, place, ...)                                   \
  member = Create<std::remove_pointer_t<decltype(member)>>(#member, parent, \
                                                           place __VA_OPT__(, ) __VA_ARGS__)

// The application's palette with every colour set explicitly, so that a
// panel does not take the black or white of the window it lies on.
QPalette SystemPalette() {
  const QPalette app = QApplication::palette();
  QPalette p;
  for (int g = 0; g < QPalette::NColorGroups; ++g)
    for (int r = 0; r < QPalette::NColorRoles; ++r) {
      const auto group = static_cast<QPalette::ColorGroup>(g);
      const auto role = static_cast<QPalette::ColorRole>(r);
      p.setColor(group, role, app.color(group, role));
    }
  p.setColor(QPalette::Window, app.color(QPalette::Button));
  return p;
}

QColor ButtonFace() { return QApplication::palette().color(QPalette::Button); }

// A panel: raised frame, button-face background painted over the picture.
QFrame* MakePanel(const char* name, QWidget* parent, const QRect& place) {
  auto* f = Create<QFrame>(name, parent, place);
  f->setFrameStyle(QFrame::Panel | QFrame::Raised);
  f->setLineWidth(1);
  f->setPalette(SystemPalette());
  f->setAutoFillBackground(true);
  QFont font = QApplication::font();
  font.setPixelSize(kPanelFontPixels);
  f->setFont(font);
  f->hide();
  return f;
}

void SetTextColour(QWidget* w, const QColor& c) {
  QPalette p = w->palette();
  for (auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
    p.setColor(role, c);
  w->setPalette(p);
}

void SetBold(QWidget* w) {
  QFont f = w->font();
  f.setBold(true);
  w->setFont(f);
}

// Shrinks the font of a control whose width the layouts fix until its
// caption fits (the top row's buttons share their places in both forms).
void FitCaption(QWidget* w, const QString& caption, int margin) {
  QFont f = w->font();
  while (f.pixelSize() > 7 &&
         QFontMetrics(f).horizontalAdvance(caption.trimmed()) > w->width() - margin)
    f.setPixelSize(f.pixelSize() - 1);
  w->setFont(f);
}

}  // namespace

void Tdiapo::BuildPanels() {
  const QStyle* style = QApplication::style();

  // ======== Panel1: the settings panel along the bottom edge ========
  Panel1 = MakePanel("Panel1", this, QRect(8, 624, 1545, 225));
  QWidget* p1 = Panel1;

  // Top row, at the places of the compact form; the layouts move it.
  LD_MAKE(Panel_continuer, p1, QRect(123, 6, 184, 27), QStringLiteral("continuer [Espace]"));
  Panel_continuer->SetColours(kYellow, kBlue);
  SetBold(Panel_continuer);
  Panel_continuer->setToolTip(
      QStringLiteral("----------> pour reprendre le diaporama où il s'était arrêté "));
  LD_MAKE(Button_retour, p1, QRect(311, 6, 52, 27), QStringLiteral("<"));
  SetBold(Button_retour);
  Button_retour->setToolTip(
      QStringLiteral("-------> parmis les 300 dernières affichées  [flèche Gauche]"));
  LD_MAKE(Button_avance, p1, QRect(367, 6, 48, 27), QStringLiteral(">"));
  Button_avance->setToolTip(
      QStringLiteral("-------> parmis les 300 dernières affichées  [flèche Droite]"));
  LD_MAKE(Panel_ouvrir_rep_img, p1, QRect(424, 6, 216, 27),
          QStringLiteral("ouvrir le répertoire de l'image"));
  Panel_ouvrir_rep_img->SetColours(ButtonFace(), kMaroon);
  SetBold(Panel_ouvrir_rep_img);
  Panel_ouvrir_rep_img->setToolTip(QStringLiteral("-------> visualise le répertoire dans XnView  "));
  LD_MAKE(Button_avec_sans_option, p1, QRect(644, 6, 98, 27), QStringLiteral("options"));
  Button_avec_sans_option->setToolTip(QStringLiteral("-------> afficher les options disponibles "));
  FitCaption(Button_avec_sans_option, QStringLiteral("moins d'options"), 10);
  LD_MAKE(Button_quit, p1, QRect(744, 6, 100, 27), QStringLiteral(" quitter (Esc)"));
  LD_MAKE(Button_close_param, p1, QRect(849, 6, 24, 27), QStringLiteral("X"));
  SetTextColour(Button_close_param, kRed);
  SetBold(Button_close_param);
  Button_close_param->setToolTip(QStringLiteral("-------> comme Continuer (espace)"));
  LD_MAKE(Button_tout_le_rep, p1, QRect(878, 6, 90, 27), QStringLiteral("DIAPORAMA - F3 "));
  Button_tout_le_rep->setToolTip(
      QStringLiteral("-------> diaporama simple du répertoire de l'image "));
  FitCaption(Button_tout_le_rep, Button_tout_le_rep->text(), 10);

  // Product name and history position, in the top-left corner.
  LD_MAKE(Label11, p1, QRect(6, 3, 114, 16), QStringLiteral("LuminoDrift"));
  SetTextColour(Label11, kGreen);
  SetBold(Label11);
  LD_MAKE(Label21, p1, QRect(6, 20, 114, 16), QStringLiteral("n"));
  SetTextColour(Label21, kBlue);
  Label21->setToolTip(
      QStringLiteral("indice de l'image / nombre visualisé et stockées (300 au max) "));

  // Column 1: the picture directories.
  LD_MAKE(Panel_ajout_rep, p1, QRect(8, 42, 160, 22), QStringLiteral("ajouter un répertoire"));
  Panel_ajout_rep->SetColours(ButtonFace(), kMaroon);
  Panel_ajout_rep->setToolTip(QStringLiteral("-------> à la liste ci-dessous "));
  LD_MAKE(Panel_sup_rep, p1, QRect(172, 42, 160, 22), QStringLiteral("supprimer la sélection"));
  Panel_sup_rep->SetColours(QApplication::palette().color(QPalette::Highlight),
                            QApplication::palette().color(QPalette::HighlightedText));
  Panel_sup_rep->setToolTip(
      QStringLiteral("-------> supprime les lignes sélectionnées de la liste ci-dessous "));
  // The frame first, so that the list is drawn over it and only its outer
  // pixel shows.
  LD_MAKE(Bevel1, p1, QRect(8, 68, 324, 116));
  Bevel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Bevel1->setLineWidth(1);
  LD_MAKE(CheckListBox_rep, p1, QRect(9, 69, 322, 114));
  CheckListBox_rep->setFrameShape(QFrame::NoFrame);
  SetTextColour(CheckListBox_rep, kMaroon);
  LD_MAKE(Label20, p1, QRect(8, 190, 324, 16), QStringLiteral("ligne"));

  // Column 2: the picture on screen, the albums, the reset button.
  LD_MAKE(Label_repertoire, p1, QRect(342, 42, 388, 16), QStringLiteral("répertoire image"));
  SetTextColour(Label_repertoire, kMaroon);
  SetBold(Label_repertoire);
  LD_MAKE(Label_nom_img, p1, QRect(342, 60, 388, 16), QStringLiteral("nom image"));
  SetTextColour(Label_nom_img, kMaroon);
  SetBold(Label_nom_img);
  LD_MAKE(Button_album_a, p1, QRect(342, 80, 144, 24), QStringLiteral("Copier vers album A"));
  SetBold(Button_album_a);
  Button_album_a->setToolTip(QStringLiteral("copie l'image dans le répertoire A"));
  LD_MAKE(Panel_ouvrir_repA, p1, QRect(490, 80, 50, 24), QStringLiteral("ouvrir"));
  Panel_ouvrir_repA->setToolTip(QStringLiteral("visualise l'album A"));
  LD_MAKE(SpeedButton_album_A, p1, QRect(544, 80, 24, 24));
  SpeedButton_album_A->setIcon(style->standardIcon(QStyle::SP_DirOpenIcon));
  SpeedButton_album_A->setToolTip(QStringLiteral("choix du répertoire de l'album A"));
  LD_MAKE(rep_album_A, p1, QRect(572, 84, 158, 16), QStringLiteral("répertoire album A"));
  LD_MAKE(Button_album_B, p1, QRect(342, 108, 144, 24), QStringLiteral("Copier vers album B"));
  SetBold(Button_album_B);
  LD_MAKE(Panel_ouvrir_repB, p1, QRect(490, 108, 50, 24), QStringLiteral("ouvrir"));
  Panel_ouvrir_repB->setToolTip(QStringLiteral("visualise l'album B"));
  LD_MAKE(SpeedButton_album_B, p1, QRect(544, 108, 24, 24));
  SpeedButton_album_B->setIcon(style->standardIcon(QStyle::SP_DirOpenIcon));
  SpeedButton_album_B->setToolTip(QStringLiteral("choix du répertoire de l'album B"));
  LD_MAKE(rep_album_B, p1, QRect(572, 112, 158, 16), QStringLiteral("répertoire album B"));
  LD_MAKE(Button_aide, p1, QRect(342, 138, 24, 24), QStringLiteral("?"));
  SetTextColour(Button_aide, kRed);
  SetBold(Button_aide);
  Button_aide->setToolTip(QStringLiteral("Aide"));
  LD_MAKE(Label13, p1, QRect(372, 142, 110, 16), QStringLiteral("ntot"));
  LD_MAKE(Label8, p1, QRect(490, 142, 120, 16), QStringLiteral("Esc = quitter"));
  LD_MAKE(aPanel_sauve_param_et_BD0_et_quitter, p1, QRect(342, 168, 388, 26),
          QStringLiteral("Réinitialiser = enregistre + quitter et Relancer"));
  aPanel_sauve_param_et_BD0_et_quitter->SetColours(ButtonFace(), kRed);
  aPanel_sauve_param_et_BD0_et_quitter->setToolTip(QStringLiteral(
      "-------> réinitialise l'index des images avec tous les nouveaux répertoires "));

  // Column 3: the random draw, the advanced settings, saving.
  LD_MAKE(CheckBox_rnd, p1, QRect(740, 42, 200, 20), QStringLiteral("aléatoire"));
  SetTextColour(CheckBox_rnd, kFuchsia);
  CheckBox_rnd->setChecked(true);
  CheckBox_rnd->setToolTip(QStringLiteral(
      "lecture aléatoire ou successive (voir indice non aléatoire de démarrage)"));
  LD_MAKE(Edit_rayon_rnd, p1, QRect(740, 66, 40, 20), QStringLiteral("5"));
  Edit_rayon_rnd->setFrame(false);
  LD_MAKE(Label9, p1, QRect(786, 68, 244, 16), QStringLiteral("rayon aléatoire"));
  Label9->setToolTip(QStringLiteral("rayon du 2ème  tirage  aléatoire"));
  LD_MAKE(Edit_nb_fouille, p1, QRect(740, 90, 40, 20), QStringLiteral("5"));
  LD_MAKE(Label17, p1, QRect(786, 92, 244, 16), QStringLiteral("nb de tirages dans ce rayon"));
  Label17->setToolTip(QStringLiteral("ce nombre est  plus petit que 2 fois le rayon!"));
  LD_MAKE(Edit_indice_non_aleatoire, p1, QRect(740, 114, 40, 20), QStringLiteral("0"));
  LD_MAKE(Label18, p1, QRect(786, 116, 244, 16),
          QStringLiteral("indice de démarrage  (SI non aléatoire)"));
  Label18->setToolTip(QStringLiteral(
      "d'une fois sur l'autre, on reprend après la dernire image affichée ET cette valeur se "
      "met à jour automatiquement"));
  LD_MAKE(Button_param_avancer, p1, QRect(740, 142, 150, 24), QStringLiteral("Paramètres avancés"));
  SetTextColour(Button_param_avancer, kFuchsia);
  SetBold(Button_param_avancer);
  LD_MAKE(Button2, p1, QRect(740, 170, 150, 24), QStringLiteral("Enregistrer paramètres"));
  LD_MAKE(Label_etat, p1, QRect(898, 146, 132, 16), QStringLiteral("état"));
  SetTextColour(Label_etat, kMaroon);
  SetBold(Label_etat);
  LD_MAKE(Label_delai, p1, QRect(898, 174, 132, 16), QStringLiteral("délai"));
  SetTextColour(Label_delai, kMaroon);
  SetBold(Label_delai);

  // Column 4: the catalogue filters (dates, words, exclusion file).
  LD_MAKE(Label28, p1, QRect(1040, 42, 300, 16), QStringLiteral("Filtres date (année        mois)"));
  SetTextColour(Label28, kBlue);
  LD_MAKE(CheckBox_date_de, p1, QRect(1040, 62, 176, 20), QStringLiteral("'à partir de' ou 'que'"));
  SetTextColour(CheckBox_date_de, kBlue);
  CheckBox_date_de->setToolTip(QStringLiteral("-------> si 'jusqu'à' est vide alors = 'de'   "));
  LD_MAKE(Edit_annee_de, p1, QRect(1220, 62, 40, 20), QStringLiteral("2014"));
  LD_MAKE(Edit_mois_de, p1, QRect(1264, 62, 28, 20), QStringLiteral("10"));
  LD_MAKE(CheckBox_date_a, p1, QRect(1040, 86, 176, 20), QStringLiteral("'jusqu'à'"));
  SetTextColour(CheckBox_date_a, kBlue);
  CheckBox_date_a->setToolTip(QStringLiteral(
      "-------> SI 'jusqu'à' est vide ALORS une seule date de filtrée (année/mois)"));
  LD_MAKE(Edit_annee_a, p1, QRect(1220, 86, 40, 20), QString());
  LD_MAKE(Edit_mois_a, p1, QRect(1264, 86, 28, 20), QString());
  for (Edit* e : {Edit_annee_de, Edit_mois_de, Edit_annee_a, Edit_mois_a}) e->setFrame(false);
  LD_MAKE(SpeedButton_valider_filtre, p1, QRect(1300, 62, 96, 44), QStringLiteral("Valider filtre"));
  SetTextColour(SpeedButton_valider_filtre, kBlue);
  SpeedButton_valider_filtre->setToolTip(QStringLiteral(
      "Relance l'application pour valider ces filtres et générer le nouvel index"));
  const QString wordsHint =
      QStringLiteral("le répertoire des images doit contenir les mots suivants");
  LD_MAKE(CheckBox_contient, p1, QRect(1040, 112, 110, 20), QStringLiteral("doit contenir"));
  SetTextColour(CheckBox_contient, kBlue);
  CheckBox_contient->setToolTip(wordsHint);
  LD_MAKE(Edit_contient, p1, QRect(1154, 112, 242, 20), QStringLiteral("divers avignon"));
  Edit_contient->setFrame(false);
  SetTextColour(Edit_contient, kBlue);
  Edit_contient->setToolTip(wordsHint);
  LD_MAKE(CheckBox_fic_exclusion, p1, QRect(1040, 138, 292, 20),
          QStringLiteral("fichier d'exclusions (LuminoDrift_exclusions.txt)"));
  SetTextColour(CheckBox_fic_exclusion, kBlue);
  CheckBox_fic_exclusion->setToolTip(QStringLiteral(
      "fichier contenant les répertoires et images à ne pas afficher  (aide dans le fichier)  "));
  LD_MAKE(SpeedButton1, p1, QRect(1336, 136, 60, 24), QStringLiteral("l'éditer"));
  SetTextColour(SpeedButton1, kBlue);
  SpeedButton1->setToolTip(QStringLiteral(
      "éditer le fichier contenant les répertoires et images à ne pas afficher  (aide dans le "
      "fichier)  "));

  // Column 5: what is written over the picture.
  LD_MAKE(RadioGroup_titre_ecran, p1, QRect(1406, 40, 132, 79), QStringLiteral("afficher à l'écran"),
          QStringList{QStringLiteral("rien"), QStringLiteral("répertoire"),
                      QStringLiteral("répertoire + nom")});
  RadioGroup_titre_ecran->SetItemIndex(1);
  LD_MAKE(CheckBox_af_an, p1, QRect(1406, 124, 132, 20), QStringLiteral("affiche année"));

  // ======== Panel3: "ZOOM param", the advanced settings ========
  Panel3 = MakePanel("Panel3", this, QRect(960, 8, 537, 545));
  QWidget* p3 = Panel3;
  LD_MAKE(Label14, p3, QRect(8, 6, 200, 18), QStringLiteral("ZOOM param"));
  SetTextColour(Label14, kMaroon);
  SetBold(Label14);
  LD_MAKE(Button_enreg_param, p3, QRect(330, 4, 170, 24), QStringLiteral("Enregistrer et continuer"));
  LD_MAKE(Button4, p3, QRect(505, 4, 26, 24), QStringLiteral("X"));

  // Left column: what the scan reads and the mouse limit.
  LD_MAKE(RadioGroup_sous_rep_recursif, p3, QRect(8, 32, 250, 60),
          QStringLiteral("Sous-répertoires à lire"),
          QStringList{QStringLiteral("aucun"), QStringLiteral("tous")});
  RadioGroup_sous_rep_recursif->SetItemIndex(1);
  LD_MAKE(RadioGroup_exclusion, p3, QRect(8, 98, 250, 79), QStringLiteral("Exclusion répertoire(s)"),
          QStringList{QStringLiteral("++  ou  §  dans le nom = exclus"), QStringLiteral("indifférent"),
                      QStringLiteral("que ceux contenant  ++  ou  § ")});
  RadioGroup_exclusion->SetItemIndex(0);
  LD_MAKE(Label10, p3, QRect(8, 186, 196, 16), QStringLiteral("vitesse max souris => quitter"));
  Label10->setToolTip(QStringLiteral("adaptez la valeur pour éviter les sorties \"accidentelles\""));
  LD_MAKE(Edit_vmax, p3, QRect(208, 184, 50, 20), QStringLiteral("100"));
  Edit_vmax->setFrame(false);

  // Right column: the zoom, the menu form, the history list, renaming.
  LD_MAKE(Label15, p3, QRect(272, 36, 198, 16), QStringLiteral("zoom max en 1/10ème"));
  LD_MAKE(Edit_zoom_s_dix, p3, QRect(474, 34, 52, 20), QStringLiteral("16"));
  LD_MAKE(Label16, p3, QRect(272, 60, 198, 16), QStringLiteral("nb d'itérations"));
  LD_MAKE(Edit_inc_pixel, p3, QRect(474, 58, 52, 20), QStringLiteral("250"));
  const QString shiftHint =
      QStringLiteral("40 % permet de stabiliser le centre de l'image pendant le zoom");
  LD_MAKE(Label7, p3, QRect(272, 84, 198, 16), QStringLiteral("décalage vers le bas (0 à 100%)"));
  Label7->setToolTip(shiftHint);
  LD_MAKE(Edit_haut, p3, QRect(474, 82, 52, 20), QStringLiteral("100"));
  Edit_haut->setToolTip(shiftHint);
  LD_MAKE(CheckBox_grand_menu, p3, QRect(272, 110, 254, 20), QStringLiteral("grand menu constant"));
  LD_MAKE(CheckBox_voir_liste_300, p3, QRect(272, 134, 254, 20),
          QStringLiteral("voir la liste des 300"));
  LD_MAKE(SpeedButton2, p3, QRect(272, 160, 160, 24), QStringLiteral("renommage par lot"));
  SetTextColour(SpeedButton2, kRed);
  SetBold(SpeedButton2);

  // The effects, with their durations beside the items: item i of Rdg1 is
  // at top 230 + 22 i in the panel (the group's items start 18 pixels below
  // its top and are 22 pixels apart at this height).
  LD_MAKE(Rdg1, p3, QRect(8, 212, 392, 156), QStringLiteral("Effets"),
          QStringList{
              QStringLiteral("reste à 1  (sans zoom =1 )                        1 durée"),
              QStringLiteral("SBN  (Sans Bandes Noires)                     1 durée"),
              QStringLiteral("1   puis  1 à SBN                                     2 durées"),
              QStringLiteral("1 à SBN  (Sans Bandes Noires)   lent      2 durées + zoom lent"),
              QStringLiteral(
                  "1 à zoom lent fixé                                     2 durées + zoom lent"),
              QStringLiteral("SBN à zoom lent fixé                                2 durées + zoom lent"),
          });
  Rdg1->SetItemIndex(0);
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
  const QString viewerHint = QStringLiteral(
      " autre que XnView, cette info sera  enregistrée pour les prochaines fois ");
  LD_MAKE(Label12, p3, QRect(8, 378, 420, 16),
          QStringLiteral("Programme de visualisation du répertoire image courant"));
  Label12->setToolTip(viewerHint);
  LD_MAKE(SpeedButton_xnview, p3, QRect(8, 398, 24, 22));
  SpeedButton_xnview->setIcon(style->standardIcon(QStyle::SP_FileDialogStart));
  SpeedButton_xnview->setToolTip(QStringLiteral(" choix d'un autre logiciel que XnView"));
  LD_MAKE(xnview_alternative_Label, p3, QRect(38, 401, 490, 16),
          QStringLiteral("exécutable (*.exe)"));
  xnview_alternative_Label->setToolTip(viewerHint);
  LD_MAKE(CheckBox_xnview_rep_et_nom, p3, QRect(8, 426, 400, 20),
          QStringLiteral("xnview => répertoire ET nom (relance obligatoire)"));
  CheckBox_xnview_rep_et_nom->setToolTip(QStringLiteral(
      " en plus du répertoire, le nom du fichier sera transféré au visualisateur "));
  LD_MAKE(Label19, p3, QRect(8, 454, 180, 16), QStringLiteral("index de la dernière image "));
  LD_MAKE(Label5, p3, QRect(192, 454, 120, 16), QStringLiteral("n"));
  LD_MAKE(Label3, p3, QRect(8, 478, 400, 16), QStringLiteral("ligne de commande"));
  Label3->setToolTip(QStringLiteral(" ligne de commande passée à Luminodrift "));

  // ======== Panel2: "écran de veille", the system screen-saver delay ========
  Panel2 = MakePanel("Panel2", this, QRect(767, 440, 252, 169));
  LD_MAKE(Label25, Panel2, QRect(12, 8, 225, 18), QStringLiteral("écran de veille"));
  SetTextColour(Label25, kMaroon);
  SetBold(Label25);
  LD_MAKE(Panel4, Panel2, QRect(12, 32, 225, 121));
  Panel4->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel4->setLineWidth(1);
  LD_MAKE(Label2, Panel4, QRect(6, 4, 213, 54),
          QStringLiteral("Délai avant mise en route (en secondes)      Efffectif au prochain "
                         "redémarrage"));
  Label2->setWordWrap(true);
  Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  LD_MAKE(Edit1, Panel4, QRect(6, 62, 70, 20), QStringLiteral("60"));
  LD_MAKE(ButtonValidationDelai, Panel4, QRect(6, 88, 140, 26), QStringLiteral("Validation délai "));
  ButtonValidationDelai->setToolTip(QStringLiteral("ça va être validé au prochain démarrage    "));

  // ======== Panel_renommage: batch renaming of dated directories ========
  Panel_renommage = MakePanel("Panel_renommage", this, QRect(376, 72, 577, 473));
  QWidget* pr = Panel_renommage;
  LD_MAKE(Label22, pr, QRect(8, 8, 400, 18), QStringLiteral("renommage de lots de répertoires "));
  SetTextColour(Label22, kBlue);
  SetBold(Label22);
  LD_MAKE(Button3, pr, QRect(545, 4, 26, 24), QStringLiteral("X"));
  LD_MAKE(Label27, pr, QRect(8, 32, 561, 16),
          QStringLiteral("ex: /051231 avg ou /05-12-31 avg en /2005-15-21 avg"));
  LD_MAKE(Label26, pr, QRect(8, 50, 561, 16),
          QStringLiteral("20050828 avg /2005 08 28 avg en /2005-05-28 avg"));
  LD_MAKE(SpeedButton3, pr, QRect(8, 76, 140, 24), QStringLiteral("Répertoire cible "));
  LD_MAKE(Edit2, pr, QRect(154, 77, 415, 22), QString());
  LD_MAKE(SpeedButton5, pr, QRect(8, 106, 200, 24), QStringLiteral("l'ouvrir dans l'explorateur"));
  LD_MAKE(Edit3, pr, QRect(8, 138, 36, 20), QStringLiteral("20"));
  LD_MAKE(Label23, pr, QRect(50, 140, 519, 16),
          QStringLiteral("nombre de fichiers 'aammjj ...' ou 'aa-mm-jj ...'  => '20aa-mm-jj ...'"));
  LD_MAKE(Label24, pr, QRect(8, 166, 120, 16), QStringLiteral("---"));
  SetBold(Label24);
  LD_MAKE(SpeedButton4, pr, QRect(449, 162, 120, 24), QStringLiteral("renommer"));
  LD_MAKE(ListBox1, pr, QRect(8, 194, 561, 271));

  // The frame one pixel outside the directory list on every side.
  Bevel1->setGeometry(CheckListBox_rep->x() - 1, CheckListBox_rep->y() - 1,
                      CheckListBox_rep->width() + 2, CheckListBox_rep->height() + 2);
}

#undef LD_MAKE

}  // namespace ld
