// The catalogue of the main window: exclusion file and the choice between
// loading and rebuilding at start-up.
#include "app/ui/Tdiapo.h"

namespace ld {

void Tdiapo::ReadExclusionFile() {
  ListBox_rep_exclu.clear();
  ListBox_rep_nom_fic_exclu.clear();
}

void Tdiapo::PrepareCatalogue() {}

}  // namespace ld
