// Directory-list editing: adding and removing picture directories, the
// selection label, the exclusion file's editor button and the three reset
// controls (save, request a rebuild, quit).
#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>

#include "app/ui/Tdiapo.h"
#include "catalogue/ExclusionFile.h"
#include "platform/DataDir.h"
#include "platform/Paths.h"

namespace ld {
namespace {

// Turns a left click on a plain label (the title of Panel2) into a call;
// owned by the label it watches.
class LabelClick : public QObject {
 public:
  LabelClick(QWidget* label, std::function<void()> onClick)
      : QObject(label), onClick_(std::move(onClick)) {
    label->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton)
      onClick_();
    return QObject::eventFilter(watched, e);
  }

 private:
  std::function<void()> onClick_;
};

}  // namespace

void Tdiapo::ConnectCatalogueHandlers() {
  connect(Panel_ajout_rep, &ClickPanel::clicked, this,
          [this] { Guarded([this] { Panel_ajout_repClick(); }); });
  connect(Panel_sup_rep, &ClickPanel::clicked, this,
          [this] { Guarded([this] { Panel_sup_repClick(); }); });
  connect(CheckListBox_rep, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row >= 0) Guarded([this] { CheckListBox_repClick(); });
  });
  auto reset = [this] { Guarded([this] { aPanel_sauve_param_et_BD0_et_quitterClick(); }); };
  connect(aPanel_sauve_param_et_BD0_et_quitter, &ClickPanel::clicked, this, reset);
  connect(SpeedButton_valider_filtre, &QPushButton::clicked, this, reset);
  new LabelClick(Label25, reset);
  connect(SpeedButton1, &QPushButton::clicked, this,
          [this] { Guarded([this] { SpeedButton1Click(); }); });
}

void Tdiapo::Panel_ajout_repClick() {
  // The chooser opens beside the last directory of the list (in its
  // parent), where a new one is most often found; with an empty list, in the
  // home directory.
  const int count = CheckListBox_rep->Count();
  const QString start =
      count > 0 ? QFileInfo(QDir::cleanPath(CheckListBox_rep->Line(count - 1))).path() : QString();
  const std::optional<QString> dir = services().dialogs.ChooseDirectory(start);
  // The chooser has closed: the window is active again.
  FormActivate();
  if (dir && HasLineBreak(*dir)) {
    // The list is stored one directory per line: such a name would break it.
    Notice(QStringLiteral("\n     Un répertoire dont le nom contient un saut de ligne ne peut "
                          "pas être ajouté à la liste :\n\n") +
           *dir);
  } else if (dir) {
    const QString d = *dir;
    if (Confirm(QStringLiteral("Rajouter le répertoire suivant à la liste ?\n\n") + d +
                QStringLiteral("\n\n(attention, dans la fenêtre précedente, il fallait "
                               "double-cliquer pour valider le choix d'un nouveau répertoire) ") +
                QStringLiteral("\n\n"))) {
      // Paths are compared exactly: "/p/A" and "/p/a" are two directories.
      if (CheckListBox_rep->Lines().contains(d))
        services().dialogs.Beep();
      else
        CheckListBox_rep->AddLine(d, true);
    }
  }
  rebuild_requested = true;
  MarkRebuildNeeded();
}

void Tdiapo::Panel_sup_repClick() {
  const int row = CheckListBox_rep->Selected();
  if (row < 0 || row >= CheckListBox_rep->Count()) return;
  if (Confirm(QStringLiteral("Effacer de la liste le répertoire : ") + CheckListBox_rep->Line(row))) {
    CheckListBox_rep->RemoveLine(row);
    rebuild_requested = true;
  }
  MarkRebuildNeeded();
}

void Tdiapo::CheckListBox_repClick() {
  const int row = CheckListBox_rep->Selected();
  if (row >= 0 && row < CheckListBox_rep->Count()) Label20->setText(CheckListBox_rep->Line(row));
  MarkRebuildNeeded();
}

void Tdiapo::SpeedButton1Click() {
  const QString path = DataFile(QString::fromLatin1(files::kExclusion));
  CreateExclusionFileIfMissing(path);
  services().shell.OpenWithDesktop(path);
}

}  // namespace ld
