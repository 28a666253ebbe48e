#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>

#include "catalogue/TextUtils.h"
#include "support/Recording.h"
#include "support/TempData.h"

namespace ld {
namespace {

TEST(TextUtils, FoldAccentsDropsBlanksAndHyphensAndFoldsLetters) {
  EXPECT_EQ(FoldAccents(QStringLiteral("Noël - 2005")), QStringLiteral("NOeL2005"));
  EXPECT_EQ(FoldAccents(QStringLiteral("noel")), QStringLiteral("NOEL"));
  EXPECT_EQ(FoldAccents(QString()), QString());
  EXPECT_EQ(FoldAccents(QStringLiteral("ÆæŒœß")), QStringLiteral("ÆæŒœß"));
  EXPECT_EQ(FoldAccents(QStringLiteral("Ÿÿ Çç-Ññ")), QStringLiteral("YyCcNn"));
  EXPECT_EQ(FoldAccents(QStringLiteral("/p/été 2009")), QStringLiteral("/P/eTe2009"));
}

TEST(TextUtils, RepairUtf8TextUndoesMisreadUtf8InPasses) {
  QString t = QStringLiteral("Ã©tÃ©");
  RepairUtf8Text(t);
  EXPECT_EQ(t, QStringLiteral("été"));
  QString doubled = QString::fromUtf16(u"\u00C3\u0192\u00C2\u00A9");
  RepairUtf8Text(doubled);
  EXPECT_EQ(doubled, QStringLiteral("é"));
  QString quote = QString::fromUtf16(u"\u00E2\u20AC\u0161");
  RepairUtf8Text(quote);
  EXPECT_EQ(quote, QStringLiteral("é"));
  QString capital = QString::fromUtf16(u"\u00C3\u2030t\u00C3\u00A9 \u00C3\u00A0 Lyon");
  RepairUtf8Text(capital);
  EXPECT_EQ(capital, QStringLiteral("Été à Lyon"));
  QString chateau = QStringLiteral("château");
  RepairUtf8Text(chateau);
  EXPECT_EQ(chateau, QStringLiteral("château"));
  QString plain = QStringLiteral("plain text");
  RepairUtf8Text(plain);
  EXPECT_EQ(plain, QStringLiteral("plain text"));
  // Three occurrences need three passes of the table.
  QString three = QStringLiteral("Ã©Ã©Ã©");
  RepairUtf8Text(three);
  EXPECT_EQ(three, QStringLiteral("ééé"));
}

// The passes exactly as the description gives them: each pass replaces the
// first occurrence of each sequence in the table's order, while a lead
// character is left and the pass count is below the length.
void RepairByPasses(QString& text) {
  static const char16_t* const table[][2] = {
      {u"\u00C3\u00A9", u"é"}, {u"\u00C3\u0192\u00C2\u00A9", u"é"},
      {u"\u00C2\u00B0", u"°"}, {u"\u00C3\u00B4", u"ô"},
      {u"\u00C3\u00A8", u"è"}, {u"\u00C3\u00A7", u"ç"},
      {u"\u00C3\u00A0", u"à"}, {u"\u00C3\u00A2", u"â"},
      {u"\u00C3\u00AA", u"ê"}, {u"\u00C3\u00AE", u"î"},
      {u"\u00C3\u00B4", u"ô"}, {u"\u00C3\u00BB", u"û"},
      {u"\u00C3\u00B8", u"°"}, {u"\u00E2\u20AC\u0161", u"é"},
      {u"\u00C3\u00B9", u"ù"}, {u"\u00C3\u00AF", u"ï"},
      {u"\u00C3\u00BC", u"ü"}, {u"\u00C3\u00A4", u"ä"},
      {u"\u00C3\u00B6", u"ö"}, {u"\u00C3\u2030", u"É"}};
  static const QList<std::pair<QString, QString>> pairs = [] {
    QList<std::pair<QString, QString>> out;
    for (const auto& r : table) out.append({QString::fromUtf16(r[0]), QString::fromUtf16(r[1])});
    return out;
  }();
  for (qsizetype pass = 0;; ++pass) {
    const bool lead =
        text.contains(QChar(0xC2)) || text.contains(QChar(0xC3)) || text.contains(QChar(0xE2));
    if (!lead || pass >= text.size()) return;
    for (const auto& [from, to] : pairs) ReplaceFirst(from, to, text);
  }
}

TEST(TextUtils, RepairUtf8TextGivesThePassesResultInLinearTime) {
  // Random texts made of the sequences' characters, so that replacements
  // meet, chain ("Ã¢€š" gives "â€š", then "é") and overlap.
  const char16_t alphabet[] =
      u"\u00C3\u00C2\u00E2\u0192\u00A9\u00B0\u00B4\u00A7\u00A0\u00A2"
      u"\u00B8\u20AC\u0161\u2030\u00BBxé";
  const int letters = static_cast<int>(std::size(alphabet)) - 1;
  std::uint32_t seed = 12345;
  auto random = [&](int n) {
    seed = seed * 1103515245u + 12345u;
    return static_cast<int>((seed >> 16) % static_cast<std::uint32_t>(n));
  };
  for (int round = 0; round < 2000; ++round) {
    QString text;
    const int length = random(30);
    for (int i = 0; i < length; ++i) text.append(QChar(alphabet[random(letters)]));
    QString expected = text;
    RepairByPasses(expected);
    QString got = text;
    RepairUtf8Text(got);
    ASSERT_EQ(got, expected) << text.toStdString();
  }
  // The pass count catches up with a shrinking text before every "Â°" is
  // replaced: the result keeps some, as the passes do.
  QString chain = QString(10, QChar(0xC2)) + QChar(0xB0);
  QString expected = chain;
  RepairByPasses(expected);
  RepairUtf8Text(chain);
  EXPECT_EQ(chain, expected);
  EXPECT_EQ(chain, QString(4, QChar(0xC2)) + QChar(0xB0));

  // A 1 MB line: half a million passes, each replacing one "Ã©".
  QString big;
  for (int i = 0; i < 250000; ++i) big += QStringLiteral("Ã©a");
  RepairUtf8Text(big);
  ASSERT_EQ(big.size(), 500000);
  EXPECT_EQ(big.count(QStringLiteral("éa")), 250000);
}

TEST(TextUtils, TwoDigitTextDigitMaskStripLetters) {
  EXPECT_EQ(TwoDigitText(QStringLiteral(" 7 ")), QStringLiteral("07"));
  EXPECT_EQ(TwoDigitText(QStringLiteral("12")), QStringLiteral("12"));
  EXPECT_EQ(TwoDigitText(QString()), QString());
  EXPECT_EQ(TwoDigitText(QStringLiteral("123")), QStringLiteral("123"));
  EXPECT_EQ(DigitMask(u'*', QStringLiteral("2005-07 x"), u'_'), QStringLiteral("****_**___"));
  EXPECT_EQ(DigitMask(u'*', QString(), u'_'), QStringLiteral("_"));
  EXPECT_EQ(StripLetters(QStringLiteral("2005_juillet-07")), QStringLiteral("2005-07"));
  EXPECT_EQ(StripLetters(QStringLiteral("[\\]^_`@{é")), QStringLiteral("@{é"));
}

TEST(TextUtils, NthFieldCollapsesSeparators) {
  EXPECT_EQ(NthField(QStringLiteral("/PHOTOS/2005"), 2, u'/'), QStringLiteral("2005"));
  EXPECT_EQ(NthField(QStringLiteral("2005 - 07"), 2, u'-'), QStringLiteral("07"));
  EXPECT_EQ(NthField(QStringLiteral("--a---b-"), 2, u'-'), QStringLiteral("b"));
  EXPECT_EQ(NthField(QStringLiteral("a b"), 3, u' '), QString());
  EXPECT_EQ(NthField(QStringLiteral("a"), 0, u' '), QString());
  EXPECT_EQ(NthField(QString(), 1, u'-'), QStringLiteral("_extraitUTIL<>"));
  EXPECT_EQ(NthField(QStringLiteral("--"), 1, u'-'), QString());
  EXPECT_EQ(NthField(QStringLiteral("a\"b-c"), 1, u'-'), QStringLiteral("a\"b"));
}

TEST(TextUtils, SplitDigitsAndTextToInt) {
  testing::RecordingDialogs dialogs;
  QString prefix = QStringLiteral("old");
  int n = -1;
  SplitDigits(QStringLiteral("IMG2_0015.JPG"), prefix, n, dialogs);
  EXPECT_EQ(prefix, QStringLiteral("IMG_"));
  EXPECT_EQ(n, 20015);
  SplitDigits(QStringLiteral("photo.jpg"), prefix, n, dialogs);
  EXPECT_EQ(prefix, QStringLiteral("photo"));
  EXPECT_EQ(n, 0);
  SplitDigits(QStringLiteral("12.jpg"), prefix, n, dialogs);
  EXPECT_EQ(prefix, QString());
  EXPECT_EQ(n, 12);
  SplitDigits(QString(), prefix, n, dialogs);
  EXPECT_EQ(prefix, QString());
  EXPECT_EQ(n, 0);
  EXPECT_TRUE(dialogs.notices.isEmpty());

  EXPECT_EQ(TextToInt(QStringLiteral("  42 "), 7, dialogs), 42);
  EXPECT_EQ(TextToInt(QStringLiteral("   "), 7, dialogs), 7);
  EXPECT_EQ(TextToInt(QStringLiteral("-2147483648"), 7, dialogs), -2147483648);
  EXPECT_TRUE(dialogs.notices.isEmpty());
  EXPECT_EQ(TextToInt(QStringLiteral("4x"), 7, dialogs), 0);
  ASSERT_EQ(dialogs.notices.size(), 1);
  EXPECT_TRUE(
      dialogs.notices[0].endsWith(QStringLiteral("'4x' n'est pas une valeur entière correcte")));
  EXPECT_TRUE(dialogs.notices[0].contains(QStringLiteral("\n\r")));
  EXPECT_EQ(TextToInt(QStringLiteral("2147483648"), 7, dialogs), 0);
  EXPECT_EQ(dialogs.notices.size(), 2);
  // A range number with more digits than 32 bits hold: message, then 0.
  SplitDigits(QStringLiteral("DSC99999999999.JPG"), prefix, n, dialogs);
  EXPECT_EQ(n, 0);
  EXPECT_EQ(dialogs.notices.size(), 3);
}

TEST(TextUtils, TrimClampCountReplace) {
  EXPECT_EQ(TrimSpaces(QStringLiteral("    ")), QString());
  EXPECT_EQ(TrimSpaces(QStringLiteral("\t a \t")), QStringLiteral("\t a \t"));
  EXPECT_EQ(TrimLeftSpaces(QStringLiteral("  a ")), QStringLiteral("a "));
  EXPECT_EQ(TrimRightSpaces(QStringLiteral("  a ")), QStringLiteral("  a"));
  EXPECT_EQ(TrimSpaces(QString::fromUtf16(u"\u00A0a\u00A0")), QString::fromUtf16(u"\u00A0a\u00A0"));
  int v = 5;
  ClampInt(v, 0, -1);
  EXPECT_EQ(v, -1);
  v = -3;
  ClampInt(v, 0, 10);
  EXPECT_EQ(v, 0);
  v = 30;
  ClampInt(v, 0, 10);
  EXPECT_EQ(v, 10);
  EXPECT_EQ(CountChar(u'/', QStringLiteral("/a/b/")), 3);
  QString t = QStringLiteral("img.001.jpg");
  ReplaceChar(u'.', u' ', t);
  EXPECT_EQ(t, QStringLiteral("img 001 jpg"));
  QString r = QStringLiteral("abcabc");
  ReplaceFirst(QStringLiteral("bc"), QStringLiteral("X"), r);
  EXPECT_EQ(r, QStringLiteral("aXabc"));
  ReplaceFirst(QStringLiteral("zz"), QStringLiteral("X"), r);
  EXPECT_EQ(r, QStringLiteral("aXabc"));
}

TEST(TextUtils, FileSizeOf) {
  testing::ResetDataDirs();
  const QString p = DataFile(QStringLiteral("size.bin"));
  EXPECT_EQ(FileSizeOf(p), -1);
  testing::WriteBytes(p, QByteArray(123, 'x'));
  EXPECT_EQ(FileSizeOf(p), 123);
  testing::WriteBytes(p, QByteArray());
  EXPECT_EQ(FileSizeOf(p), 0);
}

}  // namespace
}  // namespace ld
