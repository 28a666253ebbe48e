#include "platform/Error.h"

namespace ld {

QString NotAnIntegerMessage(const QString& text) {
  return QStringLiteral("'%1' n'est pas une valeur entière correcte").arg(text);
}

QString CannotCreateFileMessage(const QString& path) {
  return QStringLiteral("Impossible de créer le fichier %1").arg(path);
}

QString LineBreakRefusedMessage(const QString& text, const QString& path) {
  return QStringLiteral(
             "Impossible d'écrire dans le fichier %1 un nom qui contient un saut de ligne :\n\n%2")
      .arg(path, text);
}

}  // namespace ld
