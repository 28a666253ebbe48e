// The widget side of the panel tools: the viewer's call from the controls,
// and the batch renaming panel.
#include "panel/ui/Tools.h"

#include <QDir>

#include "panel/DateRenaming.h"

namespace ld {

ViewerCall ViewerCallFor(const TdiapoControls& c, const QObject* sender, const QString& currentPath,
                         int lastKey) {
  ViewerSender who = ViewerSender::Other;
  if (sender == c.Panel_ouvrir_rep_img)
    who = ViewerSender::PictureDirectory;
  else if (sender == c.Panel_ouvrir_repA)
    who = ViewerSender::AlbumA;
  else if (sender == c.Panel_ouvrir_repB)
    who = ViewerSender::AlbumB;
  else if (sender == c.Button_tout_le_rep)
    who = ViewerSender::SlideShowButton;
  ViewerContext context;
  context.pictureDirectory = c.Label_repertoire->text();
  context.currentPath = currentPath;
  context.albumA = c.rep_album_A->text();
  context.albumB = c.rep_album_B->text();
  context.directoryAndName = c.CheckBox_xnview_rep_et_nom->isChecked();
  context.lastKey = lastKey;
  return BuildViewerCall(who, context);
}

void ToggleRenamingPanel(TdiapoControls& c) {
  c.Panel_renommage->setVisible(c.Panel_renommage->isHidden());
  if (!c.Panel_renommage->isHidden()) {
    c.Panel_renommage->raise();
    c.ListBox1->clear();
  }
}

void ShowRenamingCentury(TdiapoControls& c) {
  const QString century = c.Edit3->text();
  c.Label23->setText(QStringLiteral("nombre de fichiers 'aammjj ...' ou 'aa-mm-jj ...'  => '") +
                     century + QStringLiteral("aa-mm-jj ...'"));
  c.Label27->setText(QStringLiteral("ex: /051231 avg ou /05-12-31 avg en /") + century +
                     QStringLiteral("05-15-21 avg"));
}

quint16 RenameByDateIntoList(TdiapoControls& c, const QString& dir, bool apply,
                             QList<QPair<QString, QString>>* renamed) {
  const RenamePass pass = RenameByDate(dir, apply, c.Edit3->text());
  if (!pass.listed) return 0;
  if (apply) c.ListBox1->clear();
  c.ListBox1->addItems(pass.lines);
  c.ListBox1->repaint();
  *renamed = pass.renamed;
  return pass.count;
}

bool FollowRenamedDirectories(CheckListBox* list, const QList<QPair<QString, QString>>& renamed) {
  bool changed = false;
  for (int i = 0; i < list->Count(); ++i) {
    const QString entry = QDir::cleanPath(list->Line(i));
    for (const auto& [from, to] : renamed) {
      if (const auto now = RenamedPath(entry, from, to)) {
        list->item(i)->setText(*now);
        changed = true;
        break;
      }
    }
  }
  return changed;
}

}  // namespace ld
