#include "platform/ui/UiServices.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include "platform/ui/DirectoryChooser.h"

namespace ld {
namespace {

QMessageBox::StandardButton Box(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                                const QString& text, bool yesNo, bool yesOnly) {
  QMessageBox box(icon, caption, text, QMessageBox::NoButton, parent);
  // Texts carry names from the disk and the settings: never markup.
  box.setTextFormat(Qt::PlainText);
  if (yesNo) {
    box.addButton(QMessageBox::Yes)->setText(QStringLiteral("&Oui"));
    box.addButton(QMessageBox::No)->setText(QStringLiteral("&Non"));
    box.setDefaultButton(QMessageBox::Yes);
  } else if (yesOnly) {
    box.addButton(QMessageBox::Yes)->setText(QStringLiteral("&Oui"));
  } else {
    box.addButton(QMessageBox::Ok)->setText(QStringLiteral("OK"));
  }
  // The main window hides the pointer while the show runs; a box always
  // shows the normal one.
  box.setCursor(Qt::ArrowCursor);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace

void UiDialogs::Notice(const QString& text) {
  Box(parent_, QMessageBox::Information, QStringLiteral("Information"), text, false, false);
}

void UiDialogs::ErrorBox(const QString& text) {
  Box(parent_, QMessageBox::Critical, QStringLiteral("Erreur"), text, false, false);
}

bool UiDialogs::Confirm(const QString& text) {
  return Box(parent_, QMessageBox::Question, QStringLiteral("Confirmation"), text, true, false) ==
         QMessageBox::Yes;
}

void UiDialogs::ConfirmYesOnly(const QString& text) {
  Box(parent_, QMessageBox::Question, QStringLiteral("Confirmation"), text, false, true);
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
