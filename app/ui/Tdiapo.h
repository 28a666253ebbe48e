#pragma once

#include <QCursor>
#include <QSet>
#include <QSize>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "app/core/ScanInputs.h"
#include "app/core/SettingsFile.h"
#include "app/core/TdiapoState.h"
#include "catalogue/CatalogueFiles.h"
#include "catalogue/ScanRules.h"
#include "panel/AlbumCopy.h"
#include "panel/ui/TdiapoControls.h"
#include "platform/Services.h"
#include "show/History.h"
#include "show/KeyCodes.h"
#include "show/SlideShow.h"
#include "show/ui/PictureView.h"

namespace ld {

// The main window: a frameless full-screen window, black, with the picture
// control, the caption labels and the panels on top. It holds the run-time
// state of its panels and the handlers of its controls; the show's state is
// the show engine's (Show()), which the window only shows. Its methods are spread
// over the files of the folder they belong to:
//   app/ui/Tdiapo.cpp          creation, activation, start-up, quit
//   app/ui/TdiapoSettings.cpp  settings load and save, state files
//   app/ui/TdiapoPanels.cpp    the panels' handlers and their wiring
//   app/ui/TdiapoTools.cpp     the panel tools' handlers and their wiring
//   app/ui/TdiapoShow.cpp      the show engine's signals, keys, timer
// The controls are those of TdiapoControls; panel/ui builds and lays them
// out. The values that the handlers share are those of TdiapoState.
class Tdiapo : public QWidget, public TdiapoControls, public TdiapoState, private ShowControls {
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
  // Returns true for a key that is a command of the show (Space, the arrows,
  // Esc, Q, F3): it then goes no further, so that the control with the focus
  // does not act on it as well (Space clicking the last button again).
  bool HandleKeyRelease(QObject* receiver, QKeyEvent* e);

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

  // ---- panels (app/ui/TdiapoPanels.cpp) ----
  void CompactLayout();
  void FullLayout();
  void Button_avec_sans_optionClick();
  void MarkRebuildNeeded();
  void ClearRebuildMark();
  void Button_param_avancerClick();
  void Button4Click();
  void ButtonValidationDelaiClick();
  void CheckBox_voir_liste_300Click();
  void CheckBox_date_deClick();
  void CheckBox_date_aClick();
  void Panel_ajout_repClick();
  void Panel_sup_repClick();
  void CheckListBox_repClick();
  void SpeedButton1Click();  // edits the exclusion file
  // ---- panel tools (app/ui/TdiapoTools.cpp) ----
  void CopyToAlbum(Album album);  // the picture on screen into album A or B
  void SpeedButton_album_AClick();
  void SpeedButton_album_BClick();
  // The picture's directory (or the picture), album A or B in the viewer, by
  // sender; the viewer's slide show for Button_tout_le_rep and after F3.
  void Panel_ouvrir_rep_imgClick(QObject* sender);
  // "DIAPORAMA - F3 " and F3: asks, runs the viewer's slide show, then the
  // compact layout and the Space action.
  void Button_tout_le_repClick(QObject* sender = nullptr);
  void SpeedButton_xnviewClick();
  void OpenManual();
  void SpeedButton2Click();
  void Button3Click();
  void SpeedButton3Click();
  void SpeedButton4Click();
  void SpeedButton5Click();
  void Edit3Change();

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

  // ---- the picture and the timer; the other controls are TdiapoControls ----
  PictureView* Image2 = nullptr;
  QTimer* Timer1 = nullptr;

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
  // Connects the handlers of every area once the controls exist.
  void ConnectHandlers();
  void ConnectPanelHandlers();
  void ConnectCatalogueHandlers();  // the directory list, the reset controls
  // app/ui/TdiapoShow.cpp: the show engine's signals, history buttons,
  // continue, timer.
  void ConnectShowHandlers();
  void ConnectToolHandlers();

 public:
  // app/ui/TdiapoCatalogue.cpp: the scan inputs as the controls give them
  // now (built from the controls' settings lines, as the catalogue tool
  // builds them from the settings file), and the rebuild over the ticked
  // directories of CheckListBox_rep (stopped by the show's stop request, events let
  // through while it walks). With keepFiles the rebuild is held in memory
  // only and no file is touched.
  ScanInputs CurrentScanInputs() const;
  RebuildOutcome RebuildCatalogue(bool keepFiles = false);

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
  // The run of the show: its state, its pending step, its hooks.
  SlideShow& Show() { return *show_; }
  const SlideShow& Show() const { return *show_; }

 private:
  // What the show asks of the window (ShowControls).
  ShowSettings CurrentShowSettings() const override;
  bool PanelOpen() const override;
  void RunGuarded(const std::function<void()>& fn) override;
  SlideShow* show_ = nullptr;
  int replay_saved_top_ = 0;  // the panel's place while a replay hides it

  // The lines of the controls in table order; without integers, only the
  // keys whose control cannot hold a bad value.
  QStringList SettingsLines(bool withIntegers = true) const;
  // The directory list with its ticks as the controls hold it.
  QList<RootDirectory> DirectoryListEntries() const;
  bool DirectoryListChanged() const;

  QString request_;  // the request character of the command line
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
  // file was read, the lines of the settings file as read, and the
  // directory list with its ticks as loaded.
  int settings_keys_read_ = kSettingCount;
  bool history_read_ = true;
  QStringList settings_file_lines_;
  QList<RootDirectory> loaded_directories_;
  QColor window_colour_;
  bool host_window_mode_ = false;
  bool pointer_hidden_ = false;
  // How many files the last look at a directory found to rename (Label24
  // shows it); -1 before any look and after a renaming.
  int renaming_preview_count_ = -1;
  bool creation_finished_ = false;
};

}  // namespace ld
