#include "platform/Error.h"

#include <cerrno>

namespace ld {

QString NotAnIntegerMessage(const QString& text) {
  return QStringLiteral("'%1' n'est pas une valeur entière correcte").arg(text);
}

QString CannotCreateFileMessage(const QString& path) {
  return QStringLiteral("Impossible de créer le fichier %1").arg(path);
}

QString SystemErrorReason(int error) {
  switch (error) {
    case ENOSPC:
      return QStringLiteral("plus de place sur le disque");
    case EDQUOT:
      return QStringLiteral("quota de disque dépassé");
    case EFBIG:
      return QStringLiteral("fichier trop grand");
    case EACCES:
    case EPERM:
      return QStringLiteral("accès refusé");
    case EROFS:
      return QStringLiteral("système de fichiers en lecture seule");
    case ENOENT:
      return QStringLiteral("fichier ou répertoire introuvable");
    case ENOTDIR:
      return QStringLiteral("un élément du chemin n'est pas un répertoire");
    case EISDIR:
      return QStringLiteral("c'est un répertoire");
    case ELOOP:
      return QStringLiteral("trop de liens symboliques");
    case ENAMETOOLONG:
      return QStringLiteral("nom trop long");
    case EIO:
      return QStringLiteral("erreur d'entrée/sortie");
    default:
      return QStringLiteral("erreur système %1").arg(error);
  }
}

QString LineBreakRefusedMessage(const QString& text, const QString& path) {
  return QStringLiteral(
             "Impossible d'écrire dans le fichier %1 un nom qui contient un saut de ligne :\n\n%2")
      .arg(path, text);
}

}  // namespace ld
