#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace ld {

// The short tones of the show: 8-bit unsigned mono PCM at 11025 samples per
// second, as a complete WAV image (46-byte header with an 18-byte format
// block, then the samples).
inline constexpr int kToneSampleRate = 11025;

// The highest frequency the sample rate can carry (0.6 x 11025 = 6615 Hz).
bool ToneFrequencyPlayable(int frequency);

// "Un taux d'échantillonage de 11025 est trop bas pour jouer une tonalité de
// <f>Hz"
QString ToneFrequencyMessage(int frequency);

// The WAV image of a sine of `frequency` Hz for `ms` milliseconds at
// `amplitude`: ms x 11025 div 1000 samples, sample j = the integer part of
// amplitude x sin(2 pi f j / 11025), plus 127, kept to its low 8 bits.
// Nothing when the frequency is too high (see ToneFrequencyPlayable).
std::optional<QByteArray> BuildToneWav(int frequency, int ms, unsigned char amplitude);

}  // namespace ld
