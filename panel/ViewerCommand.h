#pragma once

#include <QString>
#include <QStringList>

// What the external picture viewer is given: the current picture's directory,
// the picture itself or an album, and the viewer's own slide show of the
// picture's directory.

namespace ld {

// The control that asked for the viewer.
enum class ViewerSender { PictureDirectory, AlbumA, AlbumB, SlideShowButton, Other };

struct ViewerContext {
  QString pictureDirectory;  // the caption of Label_repertoire
  QString currentPath;       // the picture on screen
  QString albumA, albumB;
  bool directoryAndName = false;  // CheckBox_xnview_rep_et_nom
  int lastKey = 0;
};

struct ViewerCall {
  QString target;
  bool slideShow = false;
  // The viewer's argument list: the target, or "-slide" and the target, each
  // one argument, never through a shell. A target that would read as an
  // option is made "./" + target, which names the same file.
  QStringList Arguments() const;
};

ViewerCall BuildViewerCall(ViewerSender sender, const ViewerContext& context);

struct Services;

// Shows call's target in the viewer program when that file exists, waiting
// for it while the window's events keep flowing (so the timer, the keys and
// the mouse keep acting; a viewer that cannot start is not reported); else
// in the desktop's own application for the target, without waiting.
void OpenInViewer(Services& services, const QString& viewer, const ViewerCall& call);

}  // namespace ld
