#include "panel/ScreenSaverDelay.h"

#include "catalogue/TextUtils.h"
#include "platform/Error.h"

namespace ld {

int ScreenSaverDelayOrThrow(const QString& text) {
  const int seconds = ToIntOrThrow(text);
  if (seconds < 0 || seconds > kMaxScreenSaverDelay)
    throw Error(QStringLiteral("Le délai doit être compris entre 0 et %1 secondes : %2")
                    .arg(kMaxScreenSaverDelay)
                    .arg(text));
  return seconds;
}

}  // namespace ld
