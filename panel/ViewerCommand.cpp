#include "panel/ViewerCommand.h"

#include <QCoreApplication>

#include "platform/Paths.h"
#include "platform/Services.h"
#include "show/KeyCodes.h"

namespace ld {

QStringList ViewerCall::Arguments() const {
  const QString t = target.startsWith(u'-') ? QStringLiteral("./") + target : target;
  if (slideShow) return {QStringLiteral("-slide"), t};
  return {t};
}

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

void OpenInViewer(Services& services, const QString& viewer, const ViewerCall& call) {
  if (!IsExistingFile(viewer))
    services.shell.OpenWithDesktop(call.target);
  else
    services.shell.RunAndWait(viewer, call.Arguments(), [] { QCoreApplication::processEvents(); });
}

}  // namespace ld
