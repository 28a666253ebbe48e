#pragma once

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>

#include "panel/ui/Controls.h"

namespace ld {

// Every control of the main window's panels, and the window's own labels that
// the panels act on, by the names they are known by (each one's objectName is
// its member name). The main window holds them by inheritance; the panel code
// takes them as a whole, without knowing the window. BuildPanels fills the
// panels' members; the window makes its own labels.
struct TdiapoControls {
  // ---- the window's own labels and the history list ----
  QLabel* Label1 = nullptr;  // caption over the picture
  QLabel* Label6 = nullptr;  // status ("patientez ...")
  QLabel* Label4 = nullptr;  // hidden
  QLabel* Label_an = nullptr;
  QLabel* Label_mois = nullptr;
  QLabel* Label_options = nullptr;
  QListView* ListBox_passee = nullptr;  // shows the show's history list

  // ---- Panel1 ----
  QFrame* Panel1 = nullptr;
  ClickPanel* Panel_continuer = nullptr;
  QPushButton* Button_retour = nullptr;
  QPushButton* Button_avance = nullptr;
  ClickPanel* Panel_ouvrir_rep_img = nullptr;
  QPushButton* Button_avec_sans_option = nullptr;
  QPushButton* Button_quit = nullptr;
  QPushButton* Button_close_param = nullptr;
  QPushButton* Button_tout_le_rep = nullptr;
  QLabel* Label11 = nullptr;
  QLabel* Label21 = nullptr;
  ClickPanel* Panel_ajout_rep = nullptr;
  ClickPanel* Panel_sup_rep = nullptr;
  ClickPanel* aPanel_sauve_param_et_BD0_et_quitter = nullptr;
  CheckListBox* CheckListBox_rep = nullptr;
  QFrame* Bevel1 = nullptr;
  QLabel* Label20 = nullptr;
  QLabel* Label8 = nullptr;
  QLabel* Label_repertoire = nullptr;
  QLabel* Label_nom_img = nullptr;
  QPushButton* Button_aide = nullptr;
  QPushButton* Button_album_a = nullptr;
  QPushButton* Button_album_B = nullptr;
  ClickPanel* Panel_ouvrir_repA = nullptr;
  ClickPanel* Panel_ouvrir_repB = nullptr;
  QToolButton* SpeedButton_album_A = nullptr;
  QToolButton* SpeedButton_album_B = nullptr;
  PathLabel* rep_album_A = nullptr;
  PathLabel* rep_album_B = nullptr;
  QLabel* Label13 = nullptr;
  QCheckBox* CheckBox_rnd = nullptr;
  QLabel* Label9 = nullptr;
  Edit* Edit_rayon_rnd = nullptr;
  QLabel* Label17 = nullptr;
  Edit* Edit_nb_fouille = nullptr;
  QLabel* Label18 = nullptr;
  Edit* Edit_indice_non_aleatoire = nullptr;
  QLabel* Label28 = nullptr;
  QCheckBox* CheckBox_date_de = nullptr;
  QCheckBox* CheckBox_date_a = nullptr;
  Edit* Edit_annee_de = nullptr;
  Edit* Edit_mois_de = nullptr;
  Edit* Edit_annee_a = nullptr;
  Edit* Edit_mois_a = nullptr;
  QPushButton* SpeedButton_valider_filtre = nullptr;
  QCheckBox* CheckBox_contient = nullptr;
  Edit* Edit_contient = nullptr;
  QCheckBox* CheckBox_fic_exclusion = nullptr;
  QPushButton* SpeedButton1 = nullptr;
  RadioGroup* RadioGroup_titre_ecran = nullptr;
  QCheckBox* CheckBox_af_an = nullptr;
  QPushButton* Button_param_avancer = nullptr;
  QPushButton* Button2 = nullptr;
  QLabel* Label_etat = nullptr;
  QLabel* Label_delai = nullptr;

  // ---- Panel3 ("ZOOM param") ----
  QFrame* Panel3 = nullptr;
  QLabel* Label14 = nullptr;
  QPushButton* Button4 = nullptr;
  QPushButton* Button_enreg_param = nullptr;
  RadioGroup* RadioGroup_sous_rep_recursif = nullptr;
  QLabel* Label10 = nullptr;
  Edit* Edit_vmax = nullptr;
  RadioGroup* RadioGroup_exclusion = nullptr;
  QLabel* Label15 = nullptr;
  Edit* Edit_zoom_s_dix = nullptr;
  QLabel* Label16 = nullptr;
  Edit* Edit_inc_pixel = nullptr;
  QLabel* Label7 = nullptr;
  Edit* Edit_haut = nullptr;
  QCheckBox* CheckBox_grand_menu = nullptr;
  QPushButton* SpeedButton2 = nullptr;
  RadioGroup* Rdg1 = nullptr;
  Edit* Edit_dt0_a = nullptr;
  Edit* Edit_dt1_a = nullptr;
  Edit* Edit_dt2_a = nullptr;
  Edit* Edit_dt2_b = nullptr;
  Edit* Edit_dt3_a = nullptr;
  Edit* Edit_dt3_b = nullptr;
  Edit* Edit_dt4_a = nullptr;
  Edit* Edit_dt4_b = nullptr;
  Edit* Edit_dt5_a = nullptr;
  Edit* Edit_dt5_b = nullptr;
  QLabel* Label12 = nullptr;
  QToolButton* SpeedButton_xnview = nullptr;
  QLabel* xnview_alternative_Label = nullptr;
  QCheckBox* CheckBox_xnview_rep_et_nom = nullptr;
  QLabel* Label19 = nullptr;
  QLabel* Label5 = nullptr;
  QCheckBox* CheckBox_voir_liste_300 = nullptr;
  QLabel* Label3 = nullptr;

  // ---- Panel2 ("écran de veille") and Panel4 ----
  QFrame* Panel2 = nullptr;
  QLabel* Label25 = nullptr;
  QFrame* Panel4 = nullptr;
  QLabel* Label2 = nullptr;
  Edit* Edit1 = nullptr;
  QPushButton* ButtonValidationDelai = nullptr;

  // ---- Panel_renommage ----
  QFrame* Panel_renommage = nullptr;
  QLabel* Label22 = nullptr;
  QLabel* Label27 = nullptr;
  QLabel* Label26 = nullptr;
  QPushButton* Button3 = nullptr;
  QPushButton* SpeedButton3 = nullptr;
  QPushButton* SpeedButton5 = nullptr;
  Edit* Edit2 = nullptr;
  Edit* Edit3 = nullptr;
  QLabel* Label23 = nullptr;
  QLabel* Label24 = nullptr;
  QListWidget* ListBox1 = nullptr;
  QPushButton* SpeedButton4 = nullptr;
};

}  // namespace ld
