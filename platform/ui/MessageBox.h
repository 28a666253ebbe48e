#pragma once

#include <QMessageBox>
#include <QString>

namespace ld {

// The buttons of a message box: "OK", "&Oui" alone, or "&Oui" and "&Non"
// with "&Oui" as the default.
enum class BoxButtons { Ok, YesOnly, YesNo };

// Runs a modal message box over parent. The text is shown as it is (it
// carries names from the disk and the settings: never markup), and the box
// shows the normal pointer even while the main window hides it. True when
// the answer is "&Oui".
bool RunMessageBox(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                   const QString& text, BoxButtons buttons);

}  // namespace ld
