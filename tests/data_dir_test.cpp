#include <gtest/gtest.h>

#include <QDir>

#include "platform/DataDir.h"

namespace ld {
namespace {

// Sets an environment variable for the scope, then puts the value back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const QByteArray& value) : name_(name), old_(qgetenv(name)) {
    if (value.isNull())
      qunsetenv(name);
    else
      qputenv(name, value);
  }
  ~ScopedEnv() { qputenv(name_, old_); }

 private:
  const char* name_;
  QByteArray old_;
};

// The data and configuration directories follow $XDG_DATA_HOME and
// $XDG_CONFIG_HOME as they stand, fall back under the home directory
// without them, and ignore relative values (which would depend on the
// current directory).
TEST(DataDir, FollowsTheXdgVariablesAndIgnoresRelativeOnes) {
  const QString home = QDir::homePath();
  {
    ScopedEnv data("XDG_DATA_HOME", "/srv/photos data/");
    ScopedEnv config("XDG_CONFIG_HOME", "/etc/xdg-user");
    EXPECT_EQ(DataDir(), QStringLiteral("/srv/photos data//LuminoDrift"));
    EXPECT_EQ(DataFile(QStringLiteral("a.txt")),
              QStringLiteral("/srv/photos data//LuminoDrift/a.txt"));
    EXPECT_EQ(ConfigDir(), QStringLiteral("/etc/xdg-user"));
  }
  for (const QByteArray& value : {QByteArray(), QByteArray(""), QByteArray("relative/data")}) {
    SCOPED_TRACE(value.isNull() ? "unset" : value.constData());
    ScopedEnv data("XDG_DATA_HOME", value);
    ScopedEnv config("XDG_CONFIG_HOME", value);
    EXPECT_EQ(DataDir(), home + QStringLiteral("/.local/share/LuminoDrift"));
    EXPECT_EQ(ConfigDir(), home + QStringLiteral("/.config"));
  }
}

}  // namespace
}  // namespace ld
