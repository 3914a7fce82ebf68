#pragma once

#include "game/ports.h"

#include <QAudioFormat>
#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>
#include <optional>
#include <utility>

class QThread;
class SoundOutput;

// A wave file read into memory: its samples and the format to play them in. `isPlayable()` is
// false for anything that is not a RIFF/WAVE file with integer PCM (8, 16 or 32 bits) or 32-bit
// float samples, or that holds no sample at all.
struct WaveClip {
    QAudioFormat format;
    QByteArray samples;  // whole frames only

    bool isPlayable() const { return format.isValid() && !samples.isEmpty(); }
    // The sound's own length, from the number of frames and the sample rate.
    qint64 durationUs() const;
};

// Reads the RIFF header and the "fmt " and "data" chunks. A data chunk that claims more bytes
// than the file holds is cut to what is there.
WaveClip parseWave(const QByteArray& file);
WaveClip readWaveFile(const QString& path);

// The game's sounds on Qt Multimedia. Whether a sound is playing follows the sound's own length
// from its header (Qt's own playing state lingers after short clips and even with no audio
// device); with no audio output, or for a file that is missing or cannot be played, nothing is
// ever playing. The samples are handed to a thread of their own that feeds the audio server, so
// a sound goes on while the game's thread blocks in waitForSound().
class QtSoundPlayer : public SoundPlayer {
public:
    // Files are read when first played, and again when they change on disk.
    QtSoundPlayer();
    ~QtSoundPlayer() override;
    QtSoundPlayer(const QtSoundPlayer&) = delete;
    QtSoundPlayer& operator=(const QtSoundPlayer&) = delete;

    // Reads the game's sounds now (from where findSoundFile finds them), so that a touch is heard
    // at once.
    void readGameSounds();

    // From holdSounds() until releaseHeldSounds() a sound is only noted, and the last one asked
    // for starts at the release: the game holds its first hop sound until the first frame is on
    // the screen, which opening the first stream to the audio server slowed down. Whether a
    // sound is playing counts from when it was asked for, held or not.
    void holdSounds() { m_holding = true; }
    void releaseHeldSounds();

    void play(Sound sound) override;
    // Plays a sound file of the current folder (or any path) as the game's sounds are played.
    void playFile(const QString& fileName);
    bool isPlaying() const override;
    void waitForSound() override;
    void silence() override;

    // The eighteen sound files the game plays.
    static const QStringList& gameSounds();

private:
    struct CachedClip {
        WaveClip clip;
        QDateTime modified;
        qint64 size = -1;
    };
    const WaveClip* clipFor(const QString& fileName);
    void startOnOutput(const WaveClip& clip, int serial);
    void stopOutput();
    qint64 remainingNs() const;

    QHash<QString, CachedClip> m_clips;  // by absolute path
    QThread* m_thread = nullptr;
    SoundOutput* m_output = nullptr;  // lives in m_thread
    // The sound that plays: its length and when it started; m_lengthNs is 0 when none plays.
    QElapsedTimer m_started;
    qint64 m_lengthNs = 0;
    int m_serial = 0;
    bool m_holding = false;
    std::optional<std::pair<WaveClip, int>> m_held;  // the sound held and its serial number
    // The serial number of the last sound the audio server refused to take.
    std::shared_ptr<std::atomic<int>> m_failedSerial;
};
