// Test main: every test runs with XDG_DATA_HOME, XDG_CONFIG_HOME and HOME in
// a temporary directory of its own (never the real ones) and with Qt's
// offscreen platform, so widget tests need no display.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <cstdlib>

#include "platform/ui/Application.h"

// The leaks of other libraries that LeakSanitizer leaves alone, in this
// process and in the programs that the tests start (they inherit
// LSAN_OPTIONS).
#define LD_LSAN_OPTIONS "suppressions=" LD_LSAN_SUPPRESSIONS ":print_suppressions=0"
extern "C" const char* __lsan_default_options() { return LD_LSAN_OPTIONS; }

int main(int argc, char** argv) {
  setenv("LSAN_OPTIONS", LD_LSAN_OPTIONS, 0);
  QTemporaryDir home;
  if (!home.isValid()) return 2;
  const QByteArray h = home.path().toUtf8();
  setenv("HOME", h.constData(), 1);
  setenv("XDG_DATA_HOME", (h + "/data").constData(), 1);
  setenv("XDG_CONFIG_HOME", (h + "/config").constData(), 1);
  // A desktop session always has its configuration directory; the data
  // directory is left missing, as on a first start.
  QDir().mkpath(home.path() + QStringLiteral("/config"));
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  unsetenv("DISPLAY");
  ::testing::InitGoogleTest(&argc, argv);
  ld::Application app(argc, argv);
  return RUN_ALL_TESTS();
}
