#pragma once

#include <QCursor>
#include <QList>
#include <QString>
#include <QStringList>

#include "catalogue/Catalogue.h"
#include "catalogue/ExclusionFile.h"

namespace ld {

// The values that the main window's handlers share: the run-time fields of
// the panels, the settings' numbers as the controls last gave them, the
// catalogue, and the working lists that are never shown. No widget here, so
// the window's areas read and write them by name. The show's own state
// (keys, stop request, history, positions, current picture) is the show
// engine's.
struct TdiapoState {
  int screen_width = 0;
  int screen_height = 0;
  bool settings_changed = false;
  bool rebuild_requested = false;
  QCursor saved_cursor;
  int dt0_a = 0, dt1_a = 0, dt2_a = 0, dt2_b = 0, dt3_a = 0, dt3_b = 0, dt4_a = 0, dt4_b = 0,
      dt5_a = 0, dt5_b = 0, _haut = 0;
  // Program-wide values.
  int scan_counter = 0;
  int timer_ticks = 0;
  int last_pointer_x = 0;
  double last_sample_time = 0;
  int vmax = 0, zoom_max10 = 0, inc_dx = 0, rayon_rnd = 0, nb_fouille = 0;

  // The catalogue and its directory table.
  Catalogue catalogue;

  // ---- working lists (never shown) ----
  QStringList ListBox_param;
  QStringList ListBox_tmp;
  QStringList CheckListBox_rep_flag;
  QStringList ListBox_rep_exclu;
  QStringList ListBox_rep_nom_fic_exclu;
  QList<ExclusionRange> exclusion_ranges;  // the range lines, beside the pictures above
};

}  // namespace ld
