#pragma once

#include "game/ports.h"
#include "state/wave_file.h"
#include "ui/listening_player.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <utility>

class QThread;
class SoundOutput;
struct OutputReports;

// The game's sounds on Qt Multimedia. A sound is playing from when it is asked for until it has
// been heard for its own length (from its header; Qt's own playing state lingers after short
// clips and even with no audio device), counted from when its output really started; with no
// audio output, or for a file that is missing or cannot be played, nothing is ever playing. The
// samples are handed to a thread of their own that feeds the audio server (ui/sound_output.h),
// so a sound goes on while the game's thread blocks in waitForSound(). That thread opens the
// output as the player is made and keeps it open, paused between sounds, so that even the first
// sound starts at once.
class QtSoundPlayer : public SoundPlayer, public ListeningPlayer {
public:
    // Files are read when first played, and again when they change on disk. The audio output
    // opens now, on the player's thread.
    QtSoundPlayer();
    ~QtSoundPlayer() override;
    QtSoundPlayer(const QtSoundPlayer&) = delete;
    QtSoundPlayer& operator=(const QtSoundPlayer&) = delete;

    // Reads the game's sounds now (from where findSoundFile finds them), so that a touch is heard
    // at once.
    void readGameSounds();

    // From holdSounds() until releaseHeldSounds() a sound is only noted, and the last one asked
    // for starts at the release: the game holds its first hop sound until the first frame is on
    // the screen, which opening the first stream to the audio server slowed down. A held sound
    // counts as playing from when it is asked for.
    void holdSounds() { m_holding = true; }
    void releaseHeldSounds();

    // The family's recording of a spoken word where there is one the game takes (state/
    // family_voice.h: readable, and no longer than kLongestFamilyWordMs), else the game's own.
    void play(Sound sound) override;
    // Plays a sound file of the current folder (or any path) as the game's sounds are played.
    void playFile(const QString& fileName) override;
    bool isPlaying() const override;
    void waitForSound() override;
    void silence() override;
    // Whether there is an audio output to play on, once the output that opens as the player is
    // made is open or has failed (waits for that, at most 2 s). The game never waits for it: a
    // sound asked for while it opens plays when it is open.
    bool waitForOutput();

    // The eighteen sound files the game plays.
    static const QStringList& gameSounds();

private:
    struct CachedClip {
        Wave clip;
        QDateTime modified;
        qint64 size = -1;
    };
    const Wave* clipFor(const QString& fileName);
    const Wave* familyClipFor(Sound sound);
    void playClip(const Wave* clip);
    bool startOnOutput(const Wave& clip, int serial);
    void stopOutput();
    qint64 remainingNs() const;

    QHash<QString, CachedClip> m_clips;  // by absolute path
    QThread* m_thread = nullptr;
    SoundOutput* m_output = nullptr;           // lives in m_thread
    std::shared_ptr<OutputReports> m_reports;  // what m_output tells of its sounds
    // The sound that plays: its serial number, its length (0 when none plays) and when it was
    // handed to the output, on the steady clock.
    int m_serial = 0;
    qint64 m_lengthNs = 0;
    qint64 m_handedNs = 0;
    bool m_holding = false;
    std::optional<std::pair<Wave, int>> m_held;  // the sound held and its serial number
};
