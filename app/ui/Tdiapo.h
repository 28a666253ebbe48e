#pragma once

#include <QCheckBox>
#include <QCursor>
#include <QElapsedTimer>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSet>
#include <QSize>
#include <QStringList>
#include <QTimer>
#include <QToolButton>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "catalogue/Catalogue.h"
#include "catalogue/ScanRules.h"
#include "panel/ui/Controls.h"
#include "platform/AlbumCopy.h"
#include "platform/Services.h"
#include "show/KeyCodes.h"
#include "show/SlideShow.h"
#include "show/ui/PictureView.h"

namespace ld {

// The main window: a frameless full-screen window, black, with the picture
// control, the caption labels and the panels on top. It holds the run-time
// state of the show and the handlers of its controls. Its methods are spread
// over the files of the folder they belong to:
//   app/ui/Tdiapo.cpp          creation, activation, start-up, quit
//   app/ui/TdiapoSettings.cpp  settings load and save, state files
//   panel/ui/BuildPanels.cpp      the panels and their controls
//   panel/ui/Layout.cpp           compact and full layouts, small handlers
//   app/ui/TdiapoShow.cpp      the show's signals, keys, timer
class Tdiapo : public QWidget {
  Q_OBJECT
 public:
  // request: the request character of the command line ("s", "p", ... or
  // empty). screenSize: the screen's size, taken once; every layout uses it.
  // Creation runs the creation steps up to making the window visible; call
  // Start() to run the start-up sequence.
  Tdiapo(Services& services, const QString& request, QSize screenSize, QWidget* parent = nullptr);
  ~Tdiapo() override;

  // Creation steps 16 to 19: visible (activation), StartUpSequence, then the
  // caption labels. Errors raised here are shown and the rest is skipped.
  void Start();
  // Creation steps 18 and 19 (the corner labels emptied and placed), run once
  // when the first run of the show has stopped.
  void FinishCreation();
  // True while a run of the show is under way (defined with the show).
  bool ShowRunActive() const;

  // Drawn into another program's window (XScreenSaver's): the show only,
  // with neither panel nor key or mouse handling (the host owns the input and
  // ends the program), and no file written. Call before Start().
  void SetHostWindowMode();
  bool HostWindowMode() const { return host_window_mode_; }

  // The key preview: every key press and release of this window, before any
  // control sees it. A release acts only when this window took its press
  // (not a dialog, and no dialog open then). Auto-repeats are ignored.
  void HandleKeyRelease(QObject* receiver, QKeyEvent* e);

  // ---- Part of the start-up and the way out ----
  void FormActivate();
  void StartUpSequence();
  void QuitProgram();
  void Button_quitClick();
  void aPanel_sauve_param_et_BD0_et_quitterClick();
  void CentrePointer();

  // ---- settings and state files ----
  void LoadSettings();
  void SaveSettings();
  void Button2Click();
  void Button_enreg_paramClick();
  void LoadDirectoryList();
  void SaveDirectoryList();
  void LoadHistory();
  void SaveHistory();
  // The current-directory list: the picture that replaces `chosen`, when the
  // list yields one (shortening it on disk), else `chosen`.
  QString TakeFromCurrentDirectoryList(const QString& chosen);

  // ---- panels ----
  void CompactLayout();
  void FullLayout();
  void Button_avec_sans_optionClick();
  void MarkRebuildNeeded();
  void ClearRebuildMark();
  void Button_param_avancerClick();
  void Button4Click();
  void ButtonValidationDelaiClick();
  void CheckBox_voir_liste_300Click();

  // ---- catalogue ----
  void ReadExclusionFile();
  void PrepareCatalogue();

  // ---- show ----
  void ShowNextPicture();
  void FormKeyUp(int key);
  void Timer1Timer();

  // Runs fn as an entry point that Qt calls: an ld::Error is shown in the
  // error box and the handler stops there; the program goes on.
  void Guarded(const std::function<void()>& fn);

  // Notice / confirmation through the dialogs service; the main window then
  // becomes active again, which runs the activation steps.
  void Notice(const QString& text);
  bool Confirm(const QString& text);

  Services& services() { return services_; }
  const QSize& ScreenSize() const { return screen_; }

  // ---- run-time fields ----
  int screen_width = 0;
  int screen_height = 0;
  int last_key = 0;
  bool stop_requested = false;
  bool settings_changed = false;
  bool rebuild_requested = false;
  QCursor saved_cursor;
  int history_file_limit = 300;
  int dt0_a = 0, dt1_a = 0, dt2_a = 0, dt2_b = 0, dt3_a = 0, dt3_b = 0, dt4_a = 0, dt4_b = 0,
      dt5_a = 0, dt5_b = 0, _haut = 0;
  // Program-wide values.
  int scan_counter = 0;
  int history_position = -1;
  bool show_running = true;
  int history_list_limit = 32766;
  int timer_ticks = 0;
  int last_pointer_x = 0;
  double last_sample_time = 0;
  bool replaying_history = false;
  int vmax = 0, zoom_max10 = 0, inc_dx = 0, sequential_index = 0, rayon_rnd = 0, nb_fouille = 0;
  QString current_path;
  QString request_;

  // The catalogue and its directory table.
  Catalogue catalogue;

  // ---- working lists (never shown) ----
  QStringList ListBox_param;
  QStringList ListBox_tmp;
  QStringList CheckListBox_rep_flag;
  QStringList ListBox_rep_exclu;
  QStringList ListBox_rep_nom_fic_exclu;
  QList<ExclusionRange> exclusion_ranges;  // the range lines, beside the pictures above
  QStringList ListBox_fic_rep_crt;

  // ---- controls of the window itself ----
  PictureView* Image2 = nullptr;
  QLabel* Label1 = nullptr;  // caption over the picture
  QLabel* Label6 = nullptr;  // status ("patientez ...")
  QLabel* Label4 = nullptr;  // hidden
  QLabel* Label_an = nullptr;
  QLabel* Label_mois = nullptr;
  QLabel* Label_options = nullptr;
  QListWidget* ListBox_passee = nullptr;  // the history list
  QTimer* Timer1 = nullptr;

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

  // The pointer over the window: hidden while the show runs, saved_cursor
  // while the panel is open.
  void HidePointer();
  void RestorePointer();
  bool PointerHidden() const;

  // Window colour (black for pictures, grey at start-up, red for a picture
  // that could not be decoded).
  void SetWindowColour(const QColor& c);
  QColor WindowColour() const;

 protected:
  void keyReleaseEvent(QKeyEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  // panel/ui/BuildPanels.cpp: creates every panel and control at its design
  // place with its design caption, hint, colour and font.
  void BuildPanels();
  // panel/ui/Layout.cpp: connects the small change handlers of the panels.
  void ConnectPanelHandlers();
  // Connects the handlers of the other areas once the controls exist.
  void ConnectHandlers();
  // panel/ui/DirectoryListEditing.cpp: directory list, exclusion-file editor,
  // the reset buttons.
  void ConnectCatalogueHandlers();
  // app/ui/TdiapoShow.cpp: the show engine's signals, history buttons,
  // continue, timer.
  void ConnectShowHandlers();
  // panel/ui/Tools.cpp: albums, viewer, manual, batch renaming.
  void ConnectToolHandlers();

 public:
  // ==== catalogue area: members added by the catalogue work go here ====
  // panel/ui/DirectoryListEditing.cpp: the directory list's handlers and the
  // exclusion file's editor button.
  void Panel_ajout_repClick();
  void Panel_sup_repClick();
  void CheckListBox_repClick();
  void SpeedButton1Click();
  // app/ui/TdiapoCatalogue.cpp: the filter as the controls give it now, and
  // the rebuild over the ticked directories of CheckListBox_rep (stopped by
  // stop_requested, events let through while it walks).
  ScanFilter CurrentScanFilter() const;
  void RebuildCatalogue();

  // ---- the show (app/ui/TdiapoShow.cpp): handlers forwarding to the engine ----
  // LoadPicture: the picture of path into Image2, decoded off this thread;
  // then `then` runs. ShowPicture: the display of the picture just loaded;
  // `done` runs when its pauses and zoom are over. ReplayHistory: the
  // history from the current position to the newest, then `done`.
  void LoadPicture(const QString& path, std::function<void()> then = nullptr);
  void ShowPicture(const QString& path, std::function<void()> done);
  void ReplayHistory(std::function<void()> done);
  void PlayTone(int frequency, int ms, int amplitude);
  void ShowPictureDate();
  void Button_retourClick();
  void Button_avanceClick();
  void Panel_continuer_clik();
  void Button_close_paramClick();
  void CheckBox_date_deClick();
  void CheckBox_date_aClick();
  // The run of the show: its state, its pending step, its hooks.
  SlideShow& Show() { return *show_; }

 private:
  ShowSettings CurrentShowSettings() const;
  // The picture the current-directory list would give next, left unchanged.
  std::optional<QString> PeekCurrentDirectoryList();
  SlideShow* show_ = nullptr;
  int replay_saved_top_ = 0;  // the panel's place while a replay hides it

 public:
  // ==== tools area: members added by the tools work go here ====
  // panel/ui/Tools.cpp: albums, the viewer and its slide show, the manual, the
  // batch renaming of dated directories.
  // Copies the current picture into album A or B and confirms it.
  void CopyToAlbum(Album album);
  void SpeedButton_album_AClick();
  void SpeedButton_album_BClick();
  // Opens the picture's directory (or the picture), album A or album B in the
  // viewer, by sender, and waits for it; the slide-show form for
  // Button_tout_le_rep and after F3.
  void Panel_ouvrir_rep_imgClick(QObject* sender);
  // "DIAPORAMA - F3 " and the F3 key: asks, runs the viewer's slide show of
  // the picture's directory, then compact layout and the Space action.
  void Button_tout_le_repClick(QObject* sender = nullptr);
  void SpeedButton_xnviewClick();
  void OpenManual();
  // One renaming pass over dir's sub-directories into ListBox1; the count.
  quint16 RenameByDate(const QString& dir, bool apply);
  // After a renaming: the rebuild requested, and the directory list's
  // entries that were renamed follow their new names.
  void FollowRenamedDirectories(const QList<QPair<QString, QString>>& renamed);
  void SpeedButton2Click();
  void Button3Click();
  void SpeedButton3Click();
  void SpeedButton4Click();
  void SpeedButton5Click();
  void Edit3Change();

 private:
  struct NumericControls {
    std::array<Edit*, 17> edits;
    std::array<int*, 17> vars;
    std::array<RadioGroup*, 4> groups;
  };
  NumericControls NumericSettingControls();

  // The settings line to save for each key: the controls' lines, except
  // that a key the load never reached keeps its line of the file unless the
  // user changed its control since (see settings_keys_read_).
  QStringList SettingsLines();
  bool DirectoryListChanged() const;

  Services& services_;
  QSize screen_;
  // Keys whose press this window took and whose release is still to come.
  QSet<int> keys_down_;
  // True from the start of PrepareCatalogue to its end: keys then only stop
  // the scan (Esc and Q still quit).
  bool preparing_catalogue_ = false;
  // True once QuitProgram is under way: re-entering it (from a box's event
  // loop) does nothing more.
  bool quitting_ = false;
  // How far the settings load got: the number of keys of the table applied
  // (all of them unless a load stopped at a bad value), whether the history
  // file was read, the lines of the settings file as read, the controls'
  // lines before the load, and the directory list with its ticks as loaded.
  int settings_keys_read_ = 37;
  bool history_read_ = true;
  QStringList settings_file_lines_;
  QStringList design_setting_lines_;
  QStringList loaded_directory_lines_;
  QList<bool> loaded_directory_ticks_;
  QColor window_colour_;
  bool host_window_mode_ = false;
  // The current-directory list as read once, consumed in memory only (host
  // window mode).
  std::optional<QStringList> host_current_list_;
  bool pointer_hidden_ = false;
  bool creation_finished_ = false;
};

}  // namespace ld
