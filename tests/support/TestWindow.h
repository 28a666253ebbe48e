#pragma once

#include <QSize>
#include <memory>

#include "app/ui/Tdiapo.h"
#include "platform/ui/Application.h"
#include "support/Recording.h"
#include "support/TempData.h"

namespace ld::testing {

// A main window on recording services for a given screen size, with the key
// preview hooked up as the program does it. The data directories are emptied
// first unless keepData is set.
struct TestWindow {
  explicit TestWindow(QSize screen = QSize(1920, 1080), const QString& request = QString(),
                      bool keepData = false) {
    if (!keepData) ResetDataDirs();
    window = std::make_unique<Tdiapo>(fake.services, request, screen);
    if (auto* app = Application::instance())
      app->SetKeyReleaseHook(
          [w = window.get()](QObject* r, QKeyEvent* e) { return w->HandleKeyRelease(r, e); });
  }
  ~TestWindow() {
    if (auto* app = Application::instance()) app->SetKeyReleaseHook({});
  }
  Tdiapo& operator*() { return *window; }
  Tdiapo* operator->() { return window.get(); }

  FakeServices fake;
  std::unique_ptr<Tdiapo> window;
};

}  // namespace ld::testing
