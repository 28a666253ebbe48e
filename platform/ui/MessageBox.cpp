#include "platform/ui/MessageBox.h"

#include <QPushButton>

namespace ld {

bool RunMessageBox(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                   const QString& text, BoxButtons buttons) {
  QMessageBox box(icon, caption, text, QMessageBox::NoButton, parent);
  box.setTextFormat(Qt::PlainText);
  switch (buttons) {
    case BoxButtons::YesNo:
      box.addButton(QMessageBox::Yes)->setText(QStringLiteral("&Oui"));
      box.addButton(QMessageBox::No)->setText(QStringLiteral("&Non"));
      box.setDefaultButton(QMessageBox::Yes);
      break;
    case BoxButtons::YesOnly:
      box.addButton(QMessageBox::Yes)->setText(QStringLiteral("&Oui"));
      break;
    case BoxButtons::Ok:
      box.addButton(QMessageBox::Ok)->setText(QStringLiteral("OK"));
      break;
  }
  box.setCursor(Qt::ArrowCursor);
  return box.exec() == QMessageBox::Yes;
}

}  // namespace ld
