#include "panel/PanelPrompts.h"

#include "platform/Error.h"
#include "platform/Paths.h"

namespace ld {

std::optional<QString> KeepablePath(PanelPrompts& prompts, const std::optional<QString>& chosen,
                                    const QString& settingsFile) {
  if (!chosen || !HasLineBreak(*chosen)) return chosen;
  prompts.Notice(LineBreakRefusedMessage(*chosen, settingsFile));
  return std::nullopt;
}

}  // namespace ld
