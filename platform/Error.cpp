#include "platform/Error.h"

namespace ld {

QString NotAnIntegerMessage(const QString& text) {
  return QStringLiteral("'%1' n'est pas une valeur entière correcte").arg(text);
}

QString CannotCreateFileMessage(const QString& path) {
  return QStringLiteral("Impossible de créer le fichier %1").arg(path);
}

}  // namespace ld
