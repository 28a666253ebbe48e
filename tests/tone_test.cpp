#include "show/Tone.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace ld;

namespace {
unsigned U16(const QByteArray& b, int o) {
  return unsigned(static_cast<unsigned char>(b[o])) | unsigned(static_cast<unsigned char>(b[o + 1]))
                                                          << 8;
}
unsigned U32(const QByteArray& b, int o) { return U16(b, o) | U16(b, o + 2) << 16; }
}  // namespace

TEST(Tone, HistoryStepToneIsTheWavImageByteForByte) {
  const auto wav = BuildToneWav(640, 20, 30);
  ASSERT_TRUE(wav.has_value());
  const QByteArray& b = *wav;
  ASSERT_EQ(b.size(), 46 + 220);
  EXPECT_EQ(b.left(4), "RIFF");
  EXPECT_EQ(U32(b, 4), 38u + 220u);
  EXPECT_EQ(b.mid(8, 4), "WAVE");
  EXPECT_EQ(b.mid(12, 4), "fmt ");
  EXPECT_EQ(U32(b, 16), 18u);
  EXPECT_EQ(U16(b, 20), 1u);
  EXPECT_EQ(U16(b, 22), 1u);
  EXPECT_EQ(U32(b, 24), 11025u);
  EXPECT_EQ(U32(b, 28), 11025u);
  EXPECT_EQ(U16(b, 32), 1u);
  EXPECT_EQ(U16(b, 34), 8u);
  EXPECT_EQ(U16(b, 36), 0u);
  EXPECT_EQ(b.mid(38, 4), "data");
  EXPECT_EQ(U32(b, 42), 220u);
  int lo = 255, hi = 0;
  for (int j = 0; j < 220; ++j) {
    const int s = static_cast<unsigned char>(b[46 + j]);
    lo = std::min(lo, s);
    hi = std::max(hi, s);
  }
  EXPECT_GE(lo, 98);
  EXPECT_LE(hi, 156);
  EXPECT_EQ(static_cast<unsigned char>(b[46]), 127);
  // Truncation toward zero: sample 1 is 127 + trunc(30 sin(2 pi 640/11025)).
  EXPECT_EQ(static_cast<unsigned char>(b[47]),
            127 + static_cast<int>(std::trunc(30 * std::sin(2 * M_PI * 640 / 11025.0))));
  // Negative half-waves are truncated toward zero too (127 - 29, not - 30).
  EXPECT_EQ(lo, 127 - 29);
}

TEST(Tone, LowBitsWrapAndFrequencyLimit) {
  // Amplitude 200: 127 + 199 = 326 keeps its low 8 bits (70).
  const auto wav = BuildToneWav(2756, 10, 200);  // about a quarter period per sample
  ASSERT_TRUE(wav.has_value());
  EXPECT_EQ(wav->size(), 46 + 110);
  bool wrapped = false;
  for (int j = 46; j < wav->size(); ++j)
    if (static_cast<unsigned char>((*wav)[j]) == ((127 + 199) & 0xFF)) wrapped = true;
  EXPECT_TRUE(wrapped);
  EXPECT_TRUE(BuildToneWav(6615, 20, 30).has_value());
  EXPECT_FALSE(BuildToneWav(6616, 20, 30).has_value());
  EXPECT_EQ(
      ToneFrequencyMessage(7000),
      QStringLiteral(
          "Un taux d'échantillonage de 11025 est trop bas pour jouer une tonalité de 7000Hz"));
  EXPECT_EQ(BuildToneWav(640, -5, 30)->size(), 46);
}
