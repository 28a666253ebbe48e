// LuminoDrift: photo slide-show screen saver.
//
// The request is the second character of the first argument: "s" (show) and
// "p" (preview) set the application title, "c" opens the small settings
// dialog alone, anything else (or nothing) opens the show. "--help" and
// "--version" print a text and end; "--watch [SECONDS]" runs the idle
// watcher, which starts the show when the desktop is idle. Started by XScreenSaver ("-root",
// "-window-id ID" or XSCREENSAVER_WINDOW), the show is drawn into that
// window, with neither panel nor keys, and writes no file.
#include <QGuiApplication>
#include <QScreen>
#include <cstdio>
#include <optional>

#include "app/core/Entry.h"
#include "app/core/FirstPicture.h"
#include "app/core/WatchMode.h"
#include "app/ui/Tdiapo.h"
#include "panel/ui/Twinparam.h"
#include "platform/Allocator.h"
#include "platform/Error.h"
#include "platform/Fatal.h"
#include "platform/HostWindow.h"
#include "platform/RealServices.h"
#include "platform/Session.h"
#include "platform/ui/Application.h"
#include "platform/ui/Desktop.h"
#include "platform/ui/UiServices.h"
#include "show/KeyCodes.h"

namespace {

int RunInHostWindow(ld::Application& app, const ld::EntryDecision& entry,
                    const ld::HostWindow& host) {
  ld::RealServices real;
  ld::QuietDialogs quiet;
  ld::Services services{quiet,       real.screenSaver, real.pointer, real.clock,
                        real.random, real.exit,        real.sound,   real.shell};
  ld::Tdiapo window(services, entry.character, host.size);
  window.SetHostWindowMode();
  // "-root" with no screen-saver window: the show covers the root window
  // itself, out of the window manager's hands.
  if (entry.hostWindowId == 0) {
    ld::CoverRootWindow(window, host.size);
  } else if (!ld::EmbedInHostWindow(window, host.id)) {
    std::fprintf(stderr, "luminodrift : impossible de dessiner dans la fenêtre 0x%llx\n",
                 static_cast<unsigned long long>(host.id));
    return 1;
  }
  app.SetErrorHook([&quiet](const QString& text) { quiet.ErrorBox(text); });
  // The end stops a scan under way too.
  ld::QuitOnTerminationSignal(app, [&window] { window.Show().RequestStop(); });
  window.Start();
  if (ld::TerminationRequested()) return 0;
  return app.exec();
}

}  // namespace

int main(int argc, char** argv) {
  ld::EndCleanlyOnUncaughtException("luminodrift");
  // Before any thread allocates: large freed blocks go back to the system.
  ld::TuneAllocator();
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  const ld::EntryDecision entry =
      ld::DecideEntry(arguments, qEnvironmentVariable("XSCREENSAVER_WINDOW"));
  // Texts only: no window, no display needed.
  if (entry.request == ld::Request::Help || entry.request == ld::Request::Version) {
    const QString text = entry.request == ld::Request::Help ? ld::UsageText() : ld::VersionText();
    std::fputs(text.toLocal8Bit().constData(), stdout);
    return 0;
  }
  if (!entry.error.isEmpty()) {
    std::fputs(entry.error.toLocal8Bit().constData(), stderr);
    return 2;
  }
  // The idle watcher needs no window and no display of its own; the show it
  // starts is this same program with "/s".
  if (entry.request == ld::Request::Watch) {
    QCoreApplication app(argc, argv);
    return ld::RunWatch(entry.watchSeconds, QCoreApplication::applicationFilePath());
  }

  // The screen-saver module draws into X windows: the window is looked up on
  // the X display before Qt starts (without one it cannot start on X11), and
  // Qt uses X11 even in a Wayland session.
  std::optional<ld::HostWindow> host;
  if (entry.hostWindow) {
    host = ld::QueryHostWindow(entry.hostWindowId);
    if (!host) {
      std::fprintf(stderr, "luminodrift : fenêtre 0x%llx introuvable\n",
                   static_cast<unsigned long long>(entry.hostWindowId));
      return 1;
    }
    ld::UseX11Platform();
  }

  // The application object comes first, made here on the main thread: Qt
  // takes the first thread that uses it for its main thread, so no other
  // thread may touch Qt before (a decode thread that did would leave the
  // window's events to a thread that never handles them).
  ld::Application app(argc, argv);
  // The first picture is worked out and decoded on a thread of its own from
  // here on, while the window and its panels are built; the show's first
  // step then draws the same random numbers and takes that picture.
  QScreen* screen = QGuiApplication::primaryScreen();
  const QSize size = screen ? screen->geometry().size() : QSize(1920, 1080);
  std::optional<ld::FirstPictureDecoder> first;
  if (!entry.hostWindow && entry.request != ld::Request::Configure)
    first.emplace(size, std::make_unique<ld::QtRandom>());

  ld::LoadQtTranslations(app);
  if (entry.setTitle) app.setApplicationDisplayName(QStringLiteral("LuminoDrift"));
  ld::InstallHints(app);

  if (host) return RunInHostWindow(app, entry, *host);

  if (entry.request == ld::Request::Configure) {
    ld::Twinparam dialog;
    dialog.show();
    return app.exec();
  }

  ld::RealServices real;
  ld::ReplayRandom random(real.random, [&first] { return first->GuessDraws(); });
  ld::Services services{real.dialogs, real.screenSaver, real.pointer, real.clock,
                        random,       real.exit,        real.sound,   real.shell};
  ld::Tdiapo window(services, entry.character, size);
  window.Show().SetDecoder(first->Decoder());
  real.dialogs.SetParent(&window);
  app.SetKeyReleaseHook(
      [&window](QObject* receiver, QKeyEvent* e) { return window.HandleKeyRelease(receiver, e); });
  app.SetErrorHook([&real](const QString& text) { real.dialogs.ErrorBox(text); });
  // The system's request to end (a session closing, a watcher stopping the
  // show) ends the show as Esc does: its position and history are saved
  // first.
  ld::QuitOnTerminationSignal(
      app, [&window] { window.Guarded([&window] { window.FormKeyUp(ld::keys::kEscape); }); });
  // The pictures go on the primary screen; every other screen is black.
  if (screen) {
    window.setScreen(screen);
    window.move(screen->geometry().topLeft());
  }
  new ld::ScreenCovers(&window);  // owned by the window
  window.setWindowState(Qt::WindowFullScreen);
  window.Start();
  return app.exec();
}
