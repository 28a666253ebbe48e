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
};

ViewerCall BuildViewerCall(ViewerSender sender, const ViewerContext& context);

// The argument list (the program excluded) that gives call to the viewer
// whose command is exec: the program, then, for a viewer found through its
// desktop entry, that entry's arguments with their field codes (just the
// program for one chosen by path). The target is one argument, never read
// by a shell; one that would read as an option is made "./" + target, which
// names the same file. The slide show uses the viewer's own option for it
// (eog --slide-show, gwenview and ristretto --slideshow, XnView -slide; feh
// shows a directory as a slide show when given it alone); a viewer with no
// known option opens the directory instead.
QStringList ViewerArguments(const QStringList& exec, const ViewerCall& call);

struct Services;

// Shows call's target in the viewer program when that file exists, else in
// the desktop's default image viewer (its desktop entry for image/jpeg),
// waiting for it while the window's events keep flowing (so the timer, the
// keys and the mouse keep acting). With no viewer at all the target goes to
// the desktop's own application for it, without waiting. Returns the French
// text that tells the user the viewer did not start or ended with an error,
// empty when all went well.
QString OpenInViewer(Services& services, const QString& viewer, const ViewerCall& call);

}  // namespace ld
