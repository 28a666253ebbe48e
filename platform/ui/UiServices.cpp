#include "platform/ui/UiServices.h"

#include <QApplication>
#include <QFileDialog>

#include "platform/ui/DirectoryChooser.h"
#include "platform/ui/MessageBox.h"

namespace ld {

void UiDialogs::Notice(const QString& text) {
  RunMessageBox(parent_, QMessageBox::Information, QStringLiteral("Information"), text,
                BoxButtons::Ok);
}

void UiDialogs::ErrorBox(const QString& text) {
  RunMessageBox(parent_, QMessageBox::Critical, QStringLiteral("Erreur"), text, BoxButtons::Ok);
}

bool UiDialogs::Confirm(const QString& text) {
  return RunMessageBox(parent_, QMessageBox::Question, QStringLiteral("Confirmation"), text,
                       BoxButtons::YesNo);
}

void UiDialogs::ConfirmYesOnly(const QString& text) {
  RunMessageBox(parent_, QMessageBox::Question, QStringLiteral("Confirmation"), text,
                BoxButtons::YesOnly);
}

std::optional<QString> UiDialogs::ChooseDirectory(const QString& startPath) {
  return RunDirectoryChooser(parent_, startPath);
}

std::optional<QString> UiDialogs::ChooseExecutable() {
  QFileDialog dlg(parent_, QStringLiteral("Choix du programme exécutable"));
  dlg.setFileMode(QFileDialog::ExistingFile);
  dlg.setNameFilters({QStringLiteral("programmes (*)"), QStringLiteral("all (*)")});
  dlg.setFilter(QDir::AllDirs | QDir::Files | QDir::Executable | QDir::NoDotAndDotDot);
  QObject::connect(&dlg, &QFileDialog::filterSelected, &dlg, [&dlg](const QString& f) {
    dlg.setFilter(f.startsWith(QLatin1String("programmes"))
                      ? QDir::AllDirs | QDir::Files | QDir::Executable | QDir::NoDotAndDotDot
                      : QDir::AllDirs | QDir::Files | QDir::NoDotAndDotDot);
  });
  dlg.setCursor(Qt::ArrowCursor);
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return std::nullopt;
  return dlg.selectedFiles().front();
}

void UiDialogs::Beep() { QApplication::beep(); }

}  // namespace ld
