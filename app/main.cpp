// LuminoDrift: photo slide-show screen saver.
//
// The request is the second character of the first argument: "s" (show) and
// "p" (preview) set the application title, "c" opens the small settings
// dialog alone, anything else (or nothing) opens the show. Further arguments,
// such as a host window handle, are ignored.
#include <QGuiApplication>
#include <QScreen>

#include "app/core/Entry.h"
#include "app/ui/Tdiapo.h"
#include "panel/Twinparam.h"
#include "platform/ui/Application.h"
#include "platform/ui/UiServices.h"

int main(int argc, char** argv) {
  ld::Application app(argc, argv);
  const ld::EntryDecision entry = ld::DecideEntry(app.arguments());
  if (entry.setTitle) app.setApplicationDisplayName(QStringLiteral("LuminoDrift"));
  ld::InstallHints(app);

  if (entry.request == ld::Request::Configure) {
    ld::Twinparam dialog;
    dialog.show();
    return app.exec();
  }

  ld::RealServices real;
  QScreen* screen = QGuiApplication::primaryScreen();
  const QSize size = screen ? screen->geometry().size() : QSize(1920, 1080);
  ld::Tdiapo window(real.services, entry.character, size);
  real.dialogs.SetParent(&window);
  app.SetKeyReleaseHook([&window](QObject* receiver, QKeyEvent* e) { window.HandleKeyRelease(receiver, e); });
  app.SetErrorHook([&real](const QString& text) { real.dialogs.ErrorBox(text); });
  window.setWindowState(Qt::WindowFullScreen);
  window.Start();
  return app.exec();
}
