#pragma once

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <QWidget>
#include <functional>

namespace ld {

// The screen-saver settings dialog, opened alone by the configure request.
// It edits a text and a colour name kept in its own small file,
// $XDG_CONFIG_HOME/Lumino_drift.ini, section "Parametres", keys "Texte" and
// "Couleur", kept as raw key=value lines. It is the program's only window
// in that mode, so closing it ends the program.
class Twinparam : public QWidget {
  Q_OBJECT
 public:
  explicit Twinparam(QWidget* parent = nullptr);

  // Where the dialog's file lives.
  static QString FilePath();

  // Fills the text and the colour from the file, or with their defaults.
  void FormCreate();
  // "OK": writes both values, then closes; when the file cannot be written,
  // shows the error and stays open.
  void Button1Click();
  // "Annuler": closes without writing.
  void Button2Click();

  QGroupBox* GroupBox1 = nullptr;
  QLabel* Label1 = nullptr;
  QLineEdit* Edit1 = nullptr;
  QLabel* Label2 = nullptr;
  QComboBox* ComboBox1 = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;

  // The "Erreur" box; a message box by default, replaced by tests.
  std::function<void(const QString&)> errorBox;
};

}  // namespace ld
