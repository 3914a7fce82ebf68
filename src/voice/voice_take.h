#pragma once

#include <QByteArray>
#include <QList>

// What a recorded word goes through before the game plays it: the rules the game's own spoken
// sounds are made by (tools/make_sounds.sh), so that the family's voice starts as promptly and
// sounds as loud as the built-in one.
namespace VoiceTake {

// A sample is heard above 1 % of full scale; below that is silence.
inline constexpr float kHeardLevel = 0.01f;
// The loudness of the spoken sounds: an RMS level of -16 dBFS, lowered where needed so that no
// peak goes above -1 dBFS.
inline constexpr double kSpeechRmsDb = -16.0;
inline constexpr double kHighestPeakDb = -1.0;

// The word as the game plays it: cut to start at its first heard moment and to end after its
// last (the game starts a sound on a touch, so leading silence would feel like lag), faded in
// over 3 ms and out over 30 ms against clicks, and brought to the game's loudness. Empty when
// nothing in it is heard.
QList<float> shaped(QList<float> samples, int sampleRate);

// A WAV file of the samples: 16-bit PCM, mono.
QByteArray waveFile(const QList<float>& samples, int sampleRate);

}  // namespace VoiceTake
