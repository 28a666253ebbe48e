#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include "show/PictureDate.h"
#include "support/TempData.h"

using namespace ld;

namespace {
QString Month(const QString&) { return QStringLiteral("FILE"); }
QString Date(const QString& path) { return PictureDateText(path, false, Month); }
}  // namespace

TEST(PictureDate, DirectoryNameFormsInOrder) {
  EXPECT_EQ(Date("/p/051231 avg/a.jpg"), "2005-12");
  EXPECT_EQ(Date("/p/05-12-31 avg/a.jpg"), "2005-12");
  EXPECT_EQ(Date("/p/2005-08-28 avg/a.jpg"), "2005-08");  // found by the second form
  EXPECT_EQ(Date("/p/20050828 avg/a.jpg"), "2005-08");
  EXPECT_EQ(Date("/p/2005-08 vacances/a.jpg"), "2005-08");
  EXPECT_EQ(Date("/p/051231/a.jpg"), "2005-12");        // six digits then the end
  EXPECT_EQ(Date("/p/x 2011_07_14/a.jpg"), "2011-07");  // a date inside the name
  EXPECT_EQ(Date("/p/400101 x/a.jpg"), "2040-01");
  // The 1900s lack "20": the 14-digit stamp of the path, else the file month.
  EXPECT_EQ(Date("/p/410101 x/a.jpg"), "FILE");
  EXPECT_EQ(Date("/p/991231 noel/20050828143501.jpg"), "2005-08");
}

TEST(PictureDate, NamesWithoutADate) {
  // Letters go, accented ones stay: "ë-" has no "20".
  EXPECT_EQ(Date("/p/Noël à Lyon/a.jpg"), "FILE");
  EXPECT_EQ(Date("/p/Noël à Lyon/IMG_20110403121314.jpg"), "2011-04");
  EXPECT_EQ(Date("/p/vacances/a.jpg"), "FILE");
  // Only the picture's own directory counts: "-" is left, then the month.
  EXPECT_EQ(Date("/p/2012-03-04 x/vacances/a.jpg"), "FILE");
  // The caption "rien": always the file month.
  EXPECT_EQ(PictureDateText("/p/051231 avg/a.jpg", true, Month), "FILE");
}

TEST(PictureDate, FileMonthAndFilterIndicator) {
  QTemporaryDir dir;
  const QString f = dir.path() + "/a.jpg";
  ld::testing::WriteBytes(f, "x");
  QFile file(f);
  ASSERT_TRUE(file.open(QIODevice::ReadWrite));
  ASSERT_TRUE(file.setFileTime(QDateTime(QDate(2009, 3, 15), QTime(12, 0)),
                               QFileDevice::FileModificationTime));
  file.close();
  EXPECT_EQ(FileMonthText(f), "2009-03");
  EXPECT_EQ(FileMonthText(dir.path() + "/missing.jpg"), "?");
  EXPECT_EQ(PictureDateText(dir.path() + "/vacances/missing.jpg", false), "?");

  EXPECT_EQ(FilterIndicatorText(false, false, false, "x"), QString());
  EXPECT_EQ(FilterIndicatorText(true, false, false, "x"), "dates filtrées");
  EXPECT_EQ(FilterIndicatorText(false, true, true, "divers avignon"),
            "dates filtrées=>divers avignon");
  EXPECT_EQ(FilterIndicatorText(false, false, true, "divers avignon"), "=>divers avignon");
}
