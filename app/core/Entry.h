#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace ld {

// What the command line asks for.
enum class Request { Show, Configure, Help, Version, Watch };

struct EntryDecision {
  QString character;  // the second character of the first argument, or empty
  Request request = Request::Show;
  bool setTitle = false;  // "s" and "p" set the application title
  // Started by XScreenSaver: the show is drawn into the host window
  // hostWindowId (0: the root window) instead of a window of its own.
  bool hostWindow = false;
  quint64 hostWindowId = 0;
  // "--watch [SECONDS]": the idle watcher, with the delay when one is given.
  std::optional<int> watchSeconds;
  // A window id that is not a number: the text to print before ending.
  QString error;
};

// The request is the second character of the first argument (after the
// program name), compared exactly: "/s", "-s" and "xs" are the same request,
// "/S" is not a show request. Further arguments are ignored, except:
// - "--help" or "--version" as first argument print a text and end;
// - "--watch" as first argument, with an optional delay in whole seconds
//   (1 to 32767) after it, runs the idle watcher;
// - XScreenSaver's own arguments ("-root", "-window-id ID", both also with
//   two dashes, "--window-id=ID") and its variable XSCREENSAVER_WINDOW (given
//   here as xscreensaverWindow) ask for the show inside the host's window.
//   An explicit "-window-id" comes first, then the variable (which XScreenSaver
//   sets beside "-root" to name its own window), then the real root window.
EntryDecision DecideEntry(const QStringList& arguments, const QString& xscreensaverWindow = {});

// The French texts of "--help" and "--version", each ending with a line end.
QString UsageText();
QString VersionText();

}  // namespace ld
