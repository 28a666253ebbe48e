#pragma once

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTemporaryDir>

#include "support/JpegFixtures.h"
#include "support/TestWindow.h"

namespace ld::testing {

// A main window with a catalogue of pictures made in a temporary
// directory, short pauses and the show's settings set directly, as the
// settings load would.
struct ShowWindow {
  explicit ShowWindow(QSize screen = QSize(1920, 1080)) : w(screen) {
    dir.setAutoRemove(true);
    Tdiapo& d = *w;
    d.dt0_a = d.dt1_a = d.dt2_a = d.dt2_b = d.dt3_a = d.dt3_b = d.dt4_a = d.dt4_b = d.dt5_a =
        d.dt5_b = 250;
    d._haut = 100;
    d.vmax = 100;
    d.zoom_max10 = 16;
    d.inc_dx = 10;
    d.rayon_rnd = 5;
    d.nb_fouille = 3;
    d.Show().SetSequentialIndex(0);
    d.CheckBox_rnd->setChecked(false);
    d.Rdg1->SetItemIndex(0);
    d.RadioGroup_titre_ecran->SetItemIndex(1);
    d.CheckBox_af_an->setChecked(false);
  }

  // A picture file in the catalogue directory (sub is a directory below it).
  QString Add(const QString& name, const QByteArray& bytes,
              const QString& sub = QStringLiteral("2005-08-28 avg")) {
    const QString d = dir.path() + u'/' + sub;
    const QString path = d + u'/' + name;
    WriteBytes(path, bytes);
    w->catalogue.AppendCatalogueEntry(d, name);
    return path;
  }
  QString AddJpeg(const QString& name, int width = 400, int height = 300,
                  unsigned orientation = 1) {
    return Add(name, OrientedJpeg(QuadrantImage(width, height), orientation));
  }

  // Runs pending steps until a pause of at least 100 ms (or nothing) is
  // pending: the next picture is then on screen. A run that is still going
  // after `limit` steps or 30 s fails the test instead of hanging it.
  void ToNextPause(int limit = 10000) {
    QElapsedTimer clock;
    clock.start();
    while (w->Show().PendingShowPause() == 0) {
      if (limit-- <= 0 || clock.elapsed() > 30000) {
        ADD_FAILURE() << "the show reached no pause (" << clock.elapsed() << " ms)";
        return;
      }
      w->Show().AdvanceShow();
    }
  }
  // Ends the pause in progress and goes on to the next pause.
  void Next() {
    w->Show().AdvanceShow();
    ToNextPause();
  }
  QStringList History() const { return w.window->Show().History().Entries(); }

  TestWindow w;
  QTemporaryDir dir;
};

}  // namespace ld::testing
