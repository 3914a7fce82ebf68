#pragma once

#include <QByteArray>
#include <QString>

// The game's one reader and writer of WAV files: the sounds it plays (its own, a teacher's, the
// family's recordings) and the words the voice screen records. Plain QtCore, so that every layer
// and the tests read and write sounds the same way.

// How the samples of a wave file are laid out.
struct WaveFormat {
    enum class Sample { None, UInt8, Int16, Int32, Float };
    Sample sample = Sample::None;
    int channels = 0;
    int sampleRate = 0;

    bool isValid() const { return sample != Sample::None && channels > 0 && sampleRate > 0; }
    int bytesPerSample() const;
    int bytesPerFrame() const { return bytesPerSample() * channels; }
    bool operator==(const WaveFormat&) const = default;
};

// A wave file read into memory: its samples and their format. `isPlayable()` is false for
// anything that is not a wave file with integer PCM (8, 16 or 32 bits) or 32-bit float
// samples, or that holds no sample at all.
struct Wave {
    WaveFormat format;
    QByteArray samples;  // whole frames only

    bool isPlayable() const { return format.isValid() && !samples.isEmpty(); }
    // The sound's own length, from the number of frames and the sample rate.
    qint64 durationUs() const;
};

// Reads the file's header and its "fmt " and "data" chunks. A data chunk that claims more bytes
// than the file holds is cut to what is there.
Wave parseWave(const QByteArray& file);

// The largest sound file read: far above any of the game's sounds. A bigger file is not read at
// all (nothing plays), so that a huge file costs neither the time nor the memory to read it.
constexpr qint64 kLargestSoundFileBytes = 16 * 1024 * 1024;
Wave readWaveFile(const QString& path);

// The bytes of a wave file that holds `wave`: a plain "fmt " chunk and the samples.
QByteArray waveFileBytes(const Wave& wave);
