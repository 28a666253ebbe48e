// Albums, external viewer, manual and batch renaming (handlers connected here).
#include "app/ui/Tdiapo.h"

namespace ld {

void Tdiapo::ConnectToolHandlers() {}

}  // namespace ld
