#include "platform/ui/DirectoryChooser.h"

#include <QFileDialog>

namespace ld {

std::optional<QString> RunDirectoryChooser(QWidget* parent, const QString& startPath) {
  const QString d = QFileDialog::getExistingDirectory(parent, QStringLiteral("Sélection du répertoire"), startPath);
  if (d.isEmpty()) return std::nullopt;
  return d;
}

}  // namespace ld
