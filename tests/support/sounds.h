#pragma once

// Sounds the tests lay out for the game, written by the game's own wave writer.

#include <QByteArray>
#include <QtEndian>

#include <cmath>

#include "state/wave_file.h"

// A 16-bit mono sine tone of `ms` milliseconds, as a complete file (a frequency of 0: silence).
inline QByteArray toneFile(int ms, double frequency, int rate = 22050) {
    Wave wave;
    wave.format = {WaveFormat::Sample::Int16, 1, rate};
    const int frames = rate * ms / 1000;
    wave.samples.resize(frames * 2);
    for (int i = 0; i < frames; ++i)
        qToLittleEndian(qint16(12000 * std::sin(2 * M_PI * frequency * i / rate)),
                        wave.samples.data() + 2 * i);
    return waveFileBytes(wave);
}
