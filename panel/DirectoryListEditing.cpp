// Directory-list editing and the reset buttons (handlers connected here).
#include "app/ui/Tdiapo.h"

namespace ld {

void Tdiapo::ConnectCatalogueHandlers() {}

}  // namespace ld
