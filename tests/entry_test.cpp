// The command line of the real program: the texts that end at once.
#include "app/core/Entry.h"

#include <gtest/gtest.h>

#include "tests/support/RealProgram.h"

using namespace ld::testing;

TEST(Entry, HelpAndVersionPrintFrenchTextsWithoutAWindow) {
  ResetDataDirs();
  for (const char* arg : {"--help", "--version"}) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // No display at all: a window could not even be opened.
    env.remove(QStringLiteral("DISPLAY"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    p.setProcessEnvironment(env);
    p.start(ProgramPath(), {QString::fromLatin1(arg)});
    ASSERT_TRUE(p.waitForFinished(20000)) << arg;
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << arg;
    EXPECT_EQ(p.exitCode(), 0) << arg;
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    if (QLatin1String(arg) == QLatin1String("--help")) {
      EXPECT_TRUE(out.startsWith(QStringLiteral("Utilisation : luminodrift"))) << out.toStdString();
      EXPECT_TRUE(out.contains(QStringLiteral("/c "))) << out.toStdString();
    } else {
      EXPECT_EQ(out, QStringLiteral("LuminoDrift 3.6\n"));
    }
  }
  // Nothing was read or made in the data directory.
  EXPECT_FALSE(QFileInfo::exists(ld::DataDir()));
}

TEST(Entry, OnlyTheExactHelpAndVersionArgumentsAreTexts) {
  using ld::DecideEntry;
  using ld::Request;
  const QString prog = QStringLiteral("luminodrift");
  EXPECT_EQ(DecideEntry({prog, QStringLiteral("--help")}).request, Request::Help);
  EXPECT_EQ(DecideEntry({prog, QStringLiteral("--version")}).request, Request::Version);
  // Everything else keeps the rule of the second character.
  auto d = DecideEntry({prog, QStringLiteral("--helps")});
  EXPECT_EQ(d.request, Request::Show);
  EXPECT_EQ(d.character, QStringLiteral("-"));
  EXPECT_EQ(DecideEntry({prog, QStringLiteral("-help")}).request, Request::Show);
  EXPECT_EQ(DecideEntry({prog, QStringLiteral("/c"), QStringLiteral("--help")}).request,
            Request::Configure);
}
