#pragma once

#include <QByteArray>
#include <QObject>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>

#include "state/wave_file.h"

class QAudioFormat;
class QAudioSink;
class QIODevice;
class QTimer;

// The sound player's output thread: what it tells the game's thread, and the object that lives
// on it and talks to the audio server (ui/sound_player.h hands it the sounds).

// The steady clock that both threads read, in nanoseconds.
qint64 steadyNowNs();

// What the player's thread tells the game's thread: whether there is an audio output, and when
// the output of each sound really started or that it failed.
struct OutputReports {
    enum class Output { Opening, Open, None };

    void setOutput(Output value);
    Output current();
    // Waits, at most a while, until the output that opens as the player is made is open or has
    // failed.
    Output known();
    void started(int serial, qint64 atNs);
    std::optional<qint64> startOf(int serial);

    std::atomic<int> failedSerial = -1;  // the last sound whose output failed

private:
    std::mutex mutex;
    std::condition_variable opened;
    Output output = Output::Opening;
    int startedSerial = -1;
    qint64 startedNs = 0;
};

// Lives in the player's own thread: keeps one stream open on the audio server, feeds each sound
// into it and pauses it between sounds. Its event loop never waits for the game's thread.
class SoundOutput : public QObject {
public:
    explicit SoundOutput(std::shared_ptr<OutputReports> reports);
    ~SoundOutput() override;

    // Opens the output ahead of the first sound, paused, and tells whether there is one.
    void prepare();
    // Plays `clip` from its start, cutting off whatever played; `serial` names it in the reports.
    void start(const Wave& clip, int serial);
    // Cuts the sound off at once: a stream that still holds some of it is opened afresh.
    void stop();

private:
    bool holdsSound() const;
    bool openStream(const QAudioFormat& format);
    void feed();
    void pause();

    std::shared_ptr<OutputReports> m_reports;
    bool m_closing = false;
    QTimer* m_feedTimer;
    QTimer* m_pauseTimer;
    QAudioSink* m_sink = nullptr;
    QIODevice* m_device = nullptr;
    bool m_paused = false;
    // Until when the server plays what it was given; 0 when it has nothing left.
    qint64 m_playedOutNs = 0;
    QByteArray m_samples;
    qint64 m_written = 0;  // of m_samples
    qint64 m_queued = 0;   // bytes given to the server for this sound, with the silence after it
    qint64 m_startNs = 0;
    int m_frameBytes = 1;
    int m_serial = -1;
};
