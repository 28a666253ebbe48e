#include "panel/ViewerCommand.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "platform/DesktopEntry.h"
#include "platform/Paths.h"
#include "platform/Services.h"
#include "show/KeyCodes.h"

namespace ld {
namespace {

// How a known viewer is asked for its slide show of a directory.
struct SlideShowForm {
  QStringList option;           // put before the directory
  bool directoryAlone = false;  // the program and the directory, nothing else
};

std::optional<SlideShowForm> SlideShowFormOf(const QString& program) {
  QString name = QFileInfo(program).fileName().toLower();
  if (name.endsWith(QStringLiteral(".sh"))) name.chop(3);
  if (name == QStringLiteral("eog")) return SlideShowForm{{QStringLiteral("--slide-show")}};
  if (name == QStringLiteral("gwenview") || name == QStringLiteral("ristretto"))
    return SlideShowForm{{QStringLiteral("--slideshow")}};
  if (name == QStringLiteral("xnview") || name == QStringLiteral("xnviewmp"))
    return SlideShowForm{{QStringLiteral("-slide")}};
  if (name == QStringLiteral("feh")) return SlideShowForm{{}, true};
  return std::nullopt;
}

QString ProgramName(const QString& program) { return QFileInfo(program).fileName(); }

}  // namespace

ViewerCall BuildViewerCall(ViewerSender sender, const ViewerContext& c) {
  ViewerCall call;
  switch (sender) {
    case ViewerSender::PictureDirectory:
      call.target = c.directoryAndName ? JoinPath(c.pictureDirectory, FileNamePart(c.currentPath))
                                       : c.pictureDirectory;
      break;
    case ViewerSender::AlbumA:
      call.target = c.albumA;
      break;
    case ViewerSender::AlbumB:
      call.target = c.albumB;
      break;
    case ViewerSender::SlideShowButton:
    case ViewerSender::Other:
      call.target = kSepText;
      break;
  }
  // The slide show, from its button or the F3 key, always shows the picture's
  // directory alone.
  if (sender == ViewerSender::SlideShowButton || c.lastKey == keys::kF3) {
    call.slideShow = true;
    call.target = c.pictureDirectory;
  }
  return call;
}

QStringList ViewerArguments(const QStringList& exec, const ViewerCall& call) {
  if (exec.isEmpty()) return {};
  const QString target =
      call.target.startsWith(u'-') ? QStringLiteral("./") + call.target : call.target;
  QStringList args = ExpandExec(exec, target).mid(1);
  if (!call.slideShow) return args;
  const std::optional<SlideShowForm> form = SlideShowFormOf(exec[0]);
  if (!form) return args;
  if (form->directoryAlone) return {target};
  return form->option + args;
}

QString OpenInViewer(Services& services, const QString& viewer, const ViewerCall& call) {
  QStringList exec;
  if (!viewer.isEmpty() && IsExistingFile(viewer)) {
    exec = QStringList{viewer};
  } else {
    // No viewer of the user's (or the old default, which Debian does not
    // package): the desktop's default image viewer.
    const QString id = services.shell.DefaultApplication(QStringLiteral("image/jpeg"));
    if (const auto entry = FindDesktopEntry(id))
      if (const auto command = ReadDesktopExec(*entry)) exec = *command;
  }
  if (exec.isEmpty()) {
    if (services.shell.OpenWithDesktop(call.target)) return QString();
    return QStringLiteral("\n     Aucun programme ne peut ouvrir\n     ") + call.target;
  }
  const IShell::RunResult r = services.shell.RunAndWait(exec[0], ViewerArguments(exec, call),
                                                        [] { QCoreApplication::processEvents(); });
  const QString name = ProgramName(exec[0]);
  if (!r.started)
    return QStringLiteral("\n     Le visualiseur %1 ne peut pas être lancé\n     (%2)")
        .arg(name, exec[0]);
  if (r.crashed)
    return QStringLiteral("\n     Le visualiseur %1 s'est arrêté brutalement").arg(name);
  if (r.exitCode != 0)
    return QStringLiteral("\n     Le visualiseur %1 s'est terminé sur une erreur (code %2)")
        .arg(name, QString::number(r.exitCode));
  return QString();
}

}  // namespace ld
