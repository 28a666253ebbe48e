// The show of the main window: the show loop, the key handler and the timer.
#include "app/ui/Tdiapo.h"

namespace ld {

void Tdiapo::ConnectShowHandlers() {}

bool Tdiapo::ShowRunActive() const { return false; }

void Tdiapo::ShowNextPicture() {
  stop_requested = false;
  services().random.Reseed();
  if (catalogue.Count() == 0) {
    // Nothing to show: the panel stays open with the normal pointer so that
    // directories can be added.
    Panel1->show();
    RestorePointer();
    return;
  }
}

void Tdiapo::FormKeyUp(int key) {
  stop_requested = true;
  last_key = key;
  if (key == keys::kEscape || key == keys::kQ) {
    QuitProgram();
    return;
  }
  if (last_key == keys::kSpace) {
    ClearRebuildMark();
    last_key = 0;
    Panel1->setVisible(!Panel1->isVisible());
    Panel1->move(Panel1->x(), screen_height - Panel1->height() - 12);
    if (!Panel1->isVisible()) {
      Panel3->hide();
      Panel2->hide();
      CompactLayout();
    }
    if (Panel1->isVisible()) {
      show_running = false;
      RestorePointer();
    } else {
      show_running = true;
      HidePointer();
    }
    ShowNextPicture();
  }
  if (last_key == keys::kLeft || last_key == keys::kRight) ShowNextPicture();
}

}  // namespace ld
