#include "show/Tone.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace ld {

namespace {
void PutU16(QByteArray& b, int at, unsigned v) {
  b[at] = static_cast<char>(v & 0xFF);
  b[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void PutU32(QByteArray& b, int at, unsigned v) {
  PutU16(b, at, v & 0xFFFF);
  PutU16(b, at + 2, (v >> 16) & 0xFFFF);
}
void PutTag(QByteArray& b, int at, const char* tag) {
  for (int i = 0; i < 4; ++i) b[at + i] = tag[i];
}
}  // namespace

bool ToneFrequencyPlayable(int frequency) { return !(frequency > 0.6 * kToneSampleRate); }

QString ToneFrequencyMessage(int frequency) {
  return QStringLiteral(
             "Un taux d'échantillonage de %1 est trop bas pour jouer une tonalité de %2Hz")
      .arg(kToneSampleRate)
      .arg(frequency);
}

std::optional<QByteArray> BuildToneWav(int frequency, int ms, unsigned char amplitude) {
  if (!ToneFrequencyPlayable(frequency)) return std::nullopt;
  // A negative duration plays nothing; a long one is bounded to a minute so
  // a mistyped value cannot ask for gigabytes.
  const long long wanted = static_cast<long long>(ms) * kToneSampleRate / 1000;
  const int n = static_cast<int>(std::clamp<long long>(wanted, 0, 60LL * kToneSampleRate));
  QByteArray b(46 + n, '\0');
  PutTag(b, 0, "RIFF");
  PutU32(b, 4, static_cast<unsigned>(38 + n));
  PutTag(b, 8, "WAVE");
  PutTag(b, 12, "fmt ");
  PutU32(b, 16, 18);
  PutU16(b, 20, 1);  // PCM
  PutU16(b, 22, 1);  // one channel
  PutU32(b, 24, kToneSampleRate);
  PutU32(b, 28, kToneSampleRate);  // bytes per second: block size 1 x rate
  PutU16(b, 32, 1);                // block size
  PutU16(b, 34, 8);                // bits per sample
  PutU16(b, 36, 0);                // no extra format bytes
  PutTag(b, 38, "data");
  PutU32(b, 42, static_cast<unsigned>(n));
  const double w = 2.0 * std::numbers::pi * frequency / kToneSampleRate;
  for (int j = 0; j < n; ++j) {
    const long long s = static_cast<long long>(std::trunc(amplitude * std::sin(w * j))) + 127;
    b[46 + j] = static_cast<char>(static_cast<unsigned char>(s & 0xFF));
  }
  return b;
}

}  // namespace ld
