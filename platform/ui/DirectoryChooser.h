#pragma once

#include <QDialog>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>

class QComboBox;
class QFileSystemModel;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTreeView;

namespace ld {

// The directory chooser "Sélection du répertoire": a name field, the tree of
// directories (a click chooses a directory, a double click enters it), the files of
// the entered directory, the mounted volumes, and OK / Annuler / Aide (the
// "Ré&seau..." button has no use on Linux and stays disabled). OK with a
// typed directory that does not exist asks "Le répertoire spécifié n'existe
// pas. Le créer ?" and creates it with its missing parents, or reports
// "Impossible de créer le répertoire".
class DirectoryChooser : public QDialog {
  Q_OBJECT
 public:
  // start: the directory entered first; empty means the user's home
  // directory.
  DirectoryChooser(QWidget* parent, const QString& start);

  // The directory that the dialog is in (shown above the tree).
  QString EnteredDirectory() const { return entered_; }
  // Enters a directory: the name field, the tree and the file list follow.
  void EnterDirectory(const QString& path);
  // Chooses an existing directory without opening it in the tree: the name
  // field and the file list follow (a click in the tree).
  void SelectDirectory(const QString& dir);

  // The text of the name field, and setting it as the user types.
  QString NameText() const;
  void SetNameText(const QString& text);

  // What OK does: the typed directory (relative to the entered one, blanks
  // around it dropped), created after confirmation when it does not exist. Returns whether the
  // dialog was accepted.
  bool TryAccept();

  // The chosen directory once accepted: absolute, without trailing separator.
  std::optional<QString> Chosen() const { return chosen_; }

  // The question and the message the dialog asks; message boxes by default,
  // replaced by tests.
  std::function<bool(const QString&)> confirm;
  std::function<void(const QString&)> notice;

  void accept() override;

 private:
  QString TypedTarget() const;
  void FillFiles();
  void FillVolumes();
  void ShowHelp();

  QLineEdit* name_ = nullptr;
  QLabel* path_ = nullptr;
  QTreeView* tree_ = nullptr;
  QFileSystemModel* model_ = nullptr;
  QListWidget* files_ = nullptr;
  QComboBox* volumes_ = nullptr;
  QPushButton* network_ = nullptr;
  QString entered_;
  std::optional<QString> chosen_;
};

// Runs the chooser modally: the chosen directory, or nothing when cancelled.
std::optional<QString> RunDirectoryChooser(QWidget* parent, const QString& startPath);

}  // namespace ld
