#pragma once
// The zoom that both show benchmarks measure (offscreen in ld_show_bench, on
// an X server in ld_screen_bench), set the same way in both so their figures
// describe the same run: catalogue order from the first picture, effect 3
// (a zoom to 32 tenths of the screen's width in 120 steps), 200 ms pauses.
#include "app/ui/Tdiapo.h"

namespace bench {

inline void SetZoomRun(ld::Tdiapo& w) {
  w.Timer1->stop();
  w.Panel1->hide();
  w.CheckBox_rnd->setChecked(false);
  w.Rdg1->SetItemIndex(3);
  w.dt3_a = 200;
  w.dt3_b = 200;
  w.zoom_max10 = 32;
  w.inc_dx = 120;
  w._haut = 40;
  w.Show().SetSequentialIndex(0);
}

}  // namespace bench
