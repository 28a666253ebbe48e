#include "platform/ui/DirectoryChooser.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStorageInfo>
#include <QTreeView>
#include <QVBoxLayout>

#include "platform/ui/MessageBox.h"

namespace ld {
namespace {

const QString kCreateQuestion = QStringLiteral("Le répertoire spécifié n'existe pas. Le créer ?");
const QString kCannotCreate = QStringLiteral("Impossible de créer le répertoire");

// "~" and "~/..." name the home directory, as in a shell.
QString ExpandHome(const QString& text) {
  if (text == QLatin1String("~")) return QDir::homePath();
  if (text.startsWith(QLatin1String("~/"))) return QDir::homePath() + text.mid(1);
  return text;
}

}  // namespace

DirectoryChooser::DirectoryChooser(QWidget* parent, const QString& start) : QDialog(parent) {
  setObjectName(QStringLiteral("DirectoryChooser"));
  setWindowTitle(QStringLiteral("Sélection du répertoire"));
  setModal(true);
  setCursor(Qt::ArrowCursor);  // the main window hides the pointer during the show
  resize(620, 420);

  confirm = [this](const QString& text) {
    return RunMessageBox(this, QMessageBox::Question, QStringLiteral("Confirmation"), text,
                         BoxButtons::YesNo);
  };
  notice = [this](const QString& text) {
    RunMessageBox(this, QMessageBox::Warning, QStringLiteral("Erreur"), text, BoxButtons::Ok);
  };

  auto* grid = new QGridLayout(this);

  auto* nameLabel = new QLabel(QStringLiteral("&Nom de répertoire :"), this);
  name_ = new QLineEdit(this);
  name_->setObjectName(QStringLiteral("name"));
  nameLabel->setBuddy(name_);
  path_ = new QLabel(this);
  path_->setObjectName(QStringLiteral("path"));
  path_->setTextFormat(Qt::PlainText);
  path_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  auto* treeLabel = new QLabel(QStringLiteral("&Répertoires :"), this);
  model_ = new QFileSystemModel(this);
  model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
  model_->setRootPath(QStringLiteral("/"));
  tree_ = new QTreeView(this);
  tree_->setObjectName(QStringLiteral("tree"));
  tree_->setModel(model_);
  for (int c = 1; c < model_->columnCount(); ++c) tree_->hideColumn(c);
  tree_->header()->hide();
  tree_->setExpandsOnDoubleClick(false);
  treeLabel->setBuddy(tree_);

  auto* filesLabel = new QLabel(QStringLiteral("&Fichiers : (*.*)"), this);
  files_ = new QListWidget(this);
  files_->setObjectName(QStringLiteral("files"));
  files_->setSelectionMode(QAbstractItemView::NoSelection);
  filesLabel->setBuddy(files_);

  auto* volumesLabel = new QLabel(QStringLiteral("&Lecteurs :"), this);
  volumes_ = new QComboBox(this);
  volumes_->setObjectName(QStringLiteral("volumes"));
  volumesLabel->setBuddy(volumes_);

  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("ok"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Annuler"), this);
  cancel->setObjectName(QStringLiteral("cancel"));
  auto* help = new QPushButton(QStringLiteral("&Aide"), this);
  help->setObjectName(QStringLiteral("help"));
  network_ = new QPushButton(QStringLiteral("Ré&seau..."), this);
  network_->setObjectName(QStringLiteral("network"));
  network_->setEnabled(false);  // no network drives to map on Linux

  grid->addWidget(nameLabel, 0, 0);
  grid->addWidget(name_, 1, 0);
  grid->addWidget(path_, 2, 0);
  grid->addWidget(treeLabel, 3, 0);
  grid->addWidget(tree_, 4, 0, 3, 1);
  grid->addWidget(filesLabel, 0, 1);
  grid->addWidget(files_, 1, 1, 4, 1);
  grid->addWidget(volumesLabel, 5, 1);
  grid->addWidget(volumes_, 6, 1, Qt::AlignTop);
  auto* buttons = new QVBoxLayout;
  for (QPushButton* b : {ok, cancel, help, network_}) buttons->addWidget(b);
  buttons->addStretch(1);
  grid->addLayout(buttons, 0, 2, 7, 1);
  grid->setColumnStretch(0, 3);
  grid->setColumnStretch(1, 2);
  grid->setRowStretch(4, 1);

  connect(ok, &QPushButton::clicked, this, &DirectoryChooser::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(help, &QPushButton::clicked, this, &DirectoryChooser::ShowHelp);
  // A directory is entered by double-clicking it; a single click (or the
  // arrow keys) chooses it, so that OK takes the directory the user sees
  // highlighted.
  connect(tree_, &QTreeView::doubleClicked, this,
          [this](const QModelIndex& i) { EnterDirectory(model_->filePath(i)); });
  connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& i) {
            if (i.isValid()) SelectDirectory(model_->filePath(i));
          });
  connect(volumes_, &QComboBox::activated, this, [this](int i) {
    const QString root = volumes_->itemData(i).toString();
    if (!root.isEmpty()) EnterDirectory(root);
  });

  FillVolumes();
  EnterDirectory(start.isEmpty() ? QDir::homePath() : start);
  name_->setFocus();
}

QString DirectoryChooser::NameText() const { return name_->text(); }

void DirectoryChooser::SetNameText(const QString& text) { name_->setText(text); }

void DirectoryChooser::EnterDirectory(const QString& path) {
  QString dir = QDir::cleanPath(
      QDir(entered_.isEmpty() ? QDir::currentPath() : entered_).absoluteFilePath(ExpandHome(path)));
  // A start path that does not exist: its nearest existing parent.
  while (!QFileInfo(dir).isDir() && dir != QLatin1String("/")) dir = QFileInfo(dir).absolutePath();
  SelectDirectory(dir);
  const QModelIndex index = model_->index(dir);
  if (index.isValid()) {
    tree_->setCurrentIndex(index);
    tree_->expand(index);
    tree_->scrollTo(index);
  }
}

void DirectoryChooser::SelectDirectory(const QString& dir) {
  if (dir == entered_) return;
  entered_ = dir;
  name_->setText(dir);
  path_->setText(dir);
  const QString volumeRoot = QStorageInfo(dir).rootPath();
  const int v = volumes_->findData(volumeRoot);
  if (v >= 0) volumes_->setCurrentIndex(v);
  FillFiles();
}

void DirectoryChooser::FillFiles() {
  files_->clear();
  const QStringList names =
      QDir(entered_).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
  files_->addItems(names);
}

void DirectoryChooser::FillVolumes() {
  volumes_->clear();
  for (const QStorageInfo& s : QStorageInfo::mountedVolumes()) {
    if (!s.isValid() || !s.isReady()) continue;
    const QString root = s.rootPath();
    QString label = root;
    if (!s.displayName().isEmpty() && s.displayName() != root)
      label += QStringLiteral("  [") + s.displayName() + u']';
    volumes_->addItem(label, root);
  }
}

void DirectoryChooser::ShowHelp() {
  RunMessageBox(
      this, QMessageBox::Information, QStringLiteral("Aide"),
      QStringLiteral("Double-cliquez un répertoire de la liste « Répertoires » pour y entrer, "
                     "ou tapez son nom dans « Nom de répertoire » (un nom relatif part du "
                     "répertoire affiché), puis OK.\n\nUn répertoire tapé qui n'existe pas est "
                     "créé après confirmation.\n\n« Lecteurs » passe à un autre volume monté."),
      BoxButtons::Ok);
}

QString DirectoryChooser::TypedTarget() const {
  const auto resolve = [this](const QString& text) {
    return text.isEmpty() ? entered_
                          : QDir::cleanPath(QDir(entered_).absoluteFilePath(ExpandHome(text)));
  };
  // Blanks around a typed name are slips of the keyboard (" /tmp/x" would
  // otherwise make a directory named " " in the entered one), unless the
  // name as it stands is an existing directory whose name ends in a blank.
  const QString asTyped = resolve(name_->text());
  if (QFileInfo(asTyped).isDir()) return asTyped;
  return resolve(name_->text().trimmed());
}

bool DirectoryChooser::TryAccept() {
  const QString target = TypedTarget();
  if (!QFileInfo(target).isDir()) {
    if (!confirm(kCreateQuestion)) return false;
    if (!QDir().mkpath(target) || !QFileInfo(target).isDir()) {
      notice(kCannotCreate);
      return false;
    }
  }
  chosen_ = target;
  QDialog::accept();
  return true;
}

void DirectoryChooser::accept() { TryAccept(); }

std::optional<QString> RunDirectoryChooser(QWidget* parent, const QString& startPath) {
  DirectoryChooser dialog(parent, startPath);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.Chosen();
}

}  // namespace ld
