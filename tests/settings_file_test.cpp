#include <gtest/gtest.h>

#include "app/core/Entry.h"
#include "app/core/SettingsFile.h"
#include "platform/DataDir.h"
#include "platform/Error.h"
#include "platform/PathBytes.h"
#include "platform/TextFile.h"
#include "support/TempData.h"

namespace ld {
namespace {

TEST(SettingsFile, LookupRuleNeedsKeyAndOneBlankBeforeEquals) {
  const QString d = QStringLiteral("D");
  EXPECT_EQ(ReadSetting({QStringLiteral("vmax = 80")}, QStringLiteral("vmax"), d),
            QStringLiteral("80"));
  EXPECT_EQ(ReadSetting({QStringLiteral("VMAX =80")}, QStringLiteral("vmax"), d),
            QStringLiteral("80"));
  EXPECT_EQ(ReadSetting({QStringLiteral("vmax=80")}, QStringLiteral("vmax"), d), d);
  EXPECT_EQ(ReadSetting({QStringLiteral("vmax  = 80")}, QStringLiteral("vmax"), d), d);
  EXPECT_EQ(ReadSetting({QStringLiteral(" vmax = 80")}, QStringLiteral("vmax"), d), d);
  EXPECT_EQ(ReadSetting({QStringLiteral("vmax = 80"), QStringLiteral("vmax = 90")},
                        QStringLiteral("vmax"), d),
            QStringLiteral("80"));
  EXPECT_EQ(ReadSetting({QStringLiteral("filtre_contient = a = b")},
                        QStringLiteral("filtre_contient"), d),
            QStringLiteral("a = b"));
  EXPECT_EQ(ReadSetting({QStringLiteral("dt0_a =      ")}, QStringLiteral("dt0_a"), d), d);
  // Only blanks are trimmed; a tab stays part of the value.
  EXPECT_EQ(ReadSetting({QStringLiteral("k = \tv ")}, QStringLiteral("k"), d),
            QStringLiteral("\tv"));
  // A line without "=" never takes part, even when it starts with the key.
  EXPECT_EQ(ReadSetting({QStringLiteral("vmax 80"), QStringLiteral("vmax = 70")},
                        QStringLiteral("vmax"), d),
            QStringLiteral("70"));
  EXPECT_TRUE(ReadBool({QStringLiteral("CheckBox_rnd.Checked = true")},
                       QStringLiteral("CheckBox_rnd.Checked"), QStringLiteral("false")));
  EXPECT_FALSE(ReadBool({QStringLiteral("CheckBox_rnd.Checked = True")},
                        QStringLiteral("CheckBox_rnd.Checked"), QStringLiteral("true")));
}

TEST(SettingsFile, IntegersAreStrictDecimal) {
  EXPECT_EQ(
      ReadInt({QStringLiteral("rayon_rnd = 07")}, QStringLiteral("rayon_rnd"), QStringLiteral("5")),
      7);
  EXPECT_EQ(ReadInt({QStringLiteral("x = -12")}, QStringLiteral("x"), QStringLiteral("5")), -12);
  EXPECT_EQ(ReadInt({}, QStringLiteral("x"), QStringLiteral("5")), 5);
  for (const char* bad : {"12a", "1 2", "0x10", "2147483648", "-", "1.5"}) {
    try {
      ReadInt({QStringLiteral("x = ") + QLatin1String(bad)}, QStringLiteral("x"),
              QStringLiteral("5"));
      ADD_FAILURE() << bad;
    } catch (const Error& e) {
      EXPECT_EQ(
          e.message(),
          QStringLiteral("'%1' n'est pas une valeur entière correcte").arg(QLatin1String(bad)));
    }
  }
}

TEST(SettingsFile, KeyTableOrderAndDefaults) {
  const auto& keys = SettingKeys();
  EXPECT_STREQ(keys[0].key, "rep_album_A.Caption");
  EXPECT_STREQ(keys[3].key, "dt0_a");
  EXPECT_STREQ(keys[17].key, "indice_non_aleatoire");
  EXPECT_STREQ(keys[20].key, "Rdg1.ItemIndex");
  EXPECT_STREQ(keys[36].key, "CheckBox_grand_menu.Checked");
  EXPECT_EQ(SettingDefault(keys[0]), DataFile(QStringLiteral("A")));
  EXPECT_EQ(SettingDefault(keys[1]), DataFile(QStringLiteral("B")));
  EXPECT_EQ(SettingDefault(keys[15]), QStringLiteral("32"));
  EXPECT_EQ(SettingDefault(keys[24]), QStringLiteral("true"));
  EXPECT_EQ(SettingDefault(keys[27]), QString());
}

TEST(TextFile, LineEndsEncodingsAndAtomicReplacement) {
  testing::ResetDataDirs();
  const QString p = DataFile(QStringLiteral("lines.txt"));
  testing::WriteBytes(p, QByteArray("a\r\nb\nc\rd"));
  EXPECT_EQ(ReadTextLines(p).value(), (QStringList{"a", "b", "c", "d"}));
  testing::WriteBytes(p, QByteArray("a\r\n\r\n"));
  EXPECT_EQ(ReadTextLines(p).value(), (QStringList{"a", ""}));
  testing::WriteBytes(p, QByteArray());
  EXPECT_TRUE(ReadTextLines(p).value().isEmpty());
  // Not valid UTF-8: read as Windows-1252 (0xE9 is "é", 0x80 the euro sign).
  testing::WriteBytes(p, QByteArray("\xE9t\xE9 \x80\r\n"));
  EXPECT_EQ(ReadTextLines(p).value(), QStringList{QString::fromUtf16(u"été €")});
  EXPECT_FALSE(ReadTextLines(DataFile(QStringLiteral("missing"))).has_value());

  WriteTextLines(p, {QStringLiteral("é"), QString()});
  EXPECT_EQ(testing::ReadBytes(p), QByteArray("\xC3\xA9\r\n\r\n"));

  // A file that cannot be written reports the path and leaves the old file.
  const QString dir = DataFile(QStringLiteral("ro"));
  QDir().mkpath(dir);
  const QString ro = dir + QStringLiteral("/f.txt");
  WriteTextLines(ro, {QStringLiteral("old")});
  QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner);
  if (!QFileInfo(dir).isWritable()) {  // root can write anywhere
    try {
      WriteTextLines(ro, {QStringLiteral("new")});
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(e.message(), QStringLiteral("Impossible de créer le fichier ") + ro);
    }
    EXPECT_EQ(testing::ReadBytes(ro), QByteArray("old\r\n"));
  }
  QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// Files of paths keep a name's bytes: a Latin-1 name written and read back
// names the same file, beside UTF-8 lines that read as ever.
TEST(TextFile, PathLinesKeepTheirBytes) {
  testing::ResetDataDirs();
  const QString p = DataFile(QStringLiteral("paths.lst"));
  const QByteArray latin = "/photos/\xe9t\xe9 2003/f\xeate.jpg";
  const QByteArray utf8 = "/photos/\xc3\xa9t\xc3\xa9/a.jpg";
  const QStringList lines{PathFromBytes(latin), PathFromBytes(utf8), QStringLiteral("/x")};
  WriteTextLines(p, lines);
  const QByteArray bytes = latin + "\r\n" + utf8 + "\r\n/x\r\n";
  EXPECT_EQ(testing::ReadBytes(p), bytes);
  EXPECT_EQ(ReadPathLines(p).value(), lines);
  // A valid file reads as the text reader reads it, one byte-order mark
  // dropped; line ends as ever.
  EXPECT_EQ(SplitPathLines("\xEF\xBB\xBF" + utf8 +
                           "\n\xEF\xBB\xBF"
                           "b\rc"),
            SplitLines(DecodeText("\xEF\xBB\xBF" + utf8 +
                                  "\n\xEF\xBB\xBF"
                                  "b\rc")));
  EXPECT_EQ(SplitPathLines("a\xff\r\n\r\n").size(), 2);
  EXPECT_FALSE(ReadPathLines(DataFile(QStringLiteral("missing"))).has_value());
}

TEST(Entry, SecondCharacterOfFirstArgumentDecides) {
  auto d = DecideEntry({QStringLiteral("luminodrift"), QStringLiteral("/s")});
  EXPECT_EQ(d.character, QStringLiteral("s"));
  EXPECT_TRUE(d.setTitle);
  EXPECT_EQ(d.request, Request::Show);
  d = DecideEntry({QStringLiteral("luminodrift"), QStringLiteral("/S")});
  EXPECT_FALSE(d.setTitle);
  EXPECT_EQ(d.request, Request::Show);
  d = DecideEntry({QStringLiteral("luminodrift"), QStringLiteral("/p"), QStringLiteral("1234")});
  EXPECT_TRUE(d.setTitle);
  EXPECT_EQ(d.character, QStringLiteral("p"));
  d = DecideEntry({QStringLiteral("luminodrift"), QStringLiteral("-c")});
  EXPECT_EQ(d.request, Request::Configure);
  EXPECT_FALSE(d.setTitle);
  d = DecideEntry({QStringLiteral("luminodrift"), QStringLiteral("xs")});
  EXPECT_TRUE(d.setTitle);
  d = DecideEntry({QStringLiteral("luminodrift")});
  EXPECT_EQ(d.character, QString());
  EXPECT_EQ(d.request, Request::Show);
  d = DecideEntry({QStringLiteral("luminodrift"), QStringLiteral("c")});
  EXPECT_EQ(d.character, QString());
  EXPECT_EQ(d.request, Request::Show);
}

}  // namespace
}  // namespace ld
