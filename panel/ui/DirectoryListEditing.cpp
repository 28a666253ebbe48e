// Directory-list editing: adding and removing picture directories and the
// label of the selected one.
#include "panel/ui/DirectoryListEditing.h"

#include <QDir>
#include <QFileInfo>

#include "platform/Paths.h"

namespace ld {

void AddDirectory(CheckListBox* list, PanelPrompts& prompts) {
  const int count = list->Count();
  const QString start =
      count > 0 ? QFileInfo(QDir::cleanPath(list->Line(count - 1))).path() : QString();
  const std::optional<QString> dir = prompts.ChooseDirectory(start);
  if (!dir) return;
  if (HasLineBreak(*dir)) {
    prompts.Notice(QStringLiteral("\n     Un répertoire dont le nom contient un saut de ligne ne "
                                  "peut pas être ajouté à la liste :\n\n") +
                   *dir);
    return;
  }
  if (!prompts.Confirm(QStringLiteral("Rajouter le répertoire suivant à la liste ?\n\n") + *dir +
                       QStringLiteral("\n\n(attention, dans la fenêtre précedente, il fallait "
                                      "double-cliquer pour valider le choix d'un nouveau "
                                      "répertoire) ") +
                       QStringLiteral("\n\n")))
    return;
  // Paths are compared exactly: "/p/A" and "/p/a" are two directories.
  if (list->Lines().contains(*dir))
    prompts.Beep();
  else
    list->AddLine(*dir, true);
}

Removal RemoveSelectedDirectory(CheckListBox* list, PanelPrompts& prompts) {
  const int row = list->Selected();
  if (row < 0 || row >= list->Count()) return Removal::NothingSelected;
  if (!prompts.Confirm(QStringLiteral("Effacer de la liste le répertoire : ") + list->Line(row)))
    return Removal::Kept;
  list->RemoveLine(row);
  return Removal::Removed;
}

void ShowSelectedDirectory(const CheckListBox* list, QLabel* label) {
  const int row = list->Selected();
  if (row >= 0 && row < list->Count()) label->setText(list->Line(row));
}

}  // namespace ld
