// Files replaced whole or not at all, under real write failures.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "platform/AtomicFile.h"
#include "platform/Error.h"
#include "platform/TextFile.h"
#include "support/FullDisk.h"
#include "support/TempData.h"

namespace ld {
namespace {

using testing::ReadBytes;

TEST(AtomicFile, FullDiskKeepsTheOldFileRemovesTheTemporaryAndRaises) {
  QTemporaryDir tmp;
  const QString path = tmp.filePath(QStringLiteral("luminodrift_var.prm"));
  QStringList lines;
  for (int i = 0; i < 37; ++i) lines << QStringLiteral("clé_%1 = %2").arg(i).arg(i * 1000);
  WriteTextLines(path, lines);
  const QByteArray old = ReadBytes(path);

  // A settings file small enough for a write buffer, whose failure a
  // buffered device only meets when it flushes.
  lines[0] = QStringLiteral("changé = 1");
  const QString failure = CannotCreateFileMessage(path);
  EXPECT_EQ(testing::RunOnFullDisk(
                200, [&] { WriteTextLines(path, lines); }, failure),
            testing::kRaisedExpected);
  EXPECT_EQ(ReadBytes(path), old);
  EXPECT_EQ(testing::NamesIn(tmp.path()), QStringList{QStringLiteral("luminodrift_var.prm")});

  // Within the limit the same save goes through.
  EXPECT_EQ(testing::RunOnFullDisk(
                4096, [&] { WriteTextLines(path, lines); }, failure),
            testing::kReturned);
  EXPECT_EQ(ReadTextLines(path).value(), lines);
}

TEST(AtomicFile, LineBasedFileRefusesAnItemWithALineBreak) {
  QTemporaryDir tmp;
  const QString path = tmp.filePath(QStringLiteral("luminodrift.rep"));
  WriteTextLines(path, {QStringLiteral("/photos")});
  for (const QString& bad : {QStringLiteral("/a\nb"), QStringLiteral("/a\rb")}) {
    try {
      WriteTextLines(path, {QStringLiteral("/photos"), bad});
      ADD_FAILURE() << "written";
    } catch (const Error& e) {
      EXPECT_EQ(e.message(), LineBreakRefusedMessage(bad, path));
    }
  }
  EXPECT_EQ(ReadBytes(path), QByteArray("/photos\r\n"));
}

}  // namespace
}  // namespace ld
