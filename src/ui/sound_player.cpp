#include "ui/sound_player.h"

#include "state/family_voice.h"
#include "ui/sound_files.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QFileInfo>
#include <QMediaDevices>
#include <QStringList>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

namespace {

// How much the audio server holds ahead of what it plays: small, since on a sound card it is
// also how late a sound is heard.
constexpr int kBufferMs = 80;
constexpr int kFeedIntervalMs = 20;
// Once a sound has been played out, the output pauses this much later: paused, neither the
// audio server nor Qt's own timer of the output wakes the program between sounds.
constexpr int kPauseAfterMs = 20;
// How long a sound may wait for its output to start before it counts as started anyway, so that
// a stalled audio server cannot keep the game waiting for ever.
constexpr qint64 kLongestStartNs = 1'000'000'000;
// How long waitForOutput() waits for the output that opens as the player is made.
constexpr auto kLongestOpening = std::chrono::seconds(2);

// The steady clock that both threads read, in nanoseconds.
qint64 nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The format of the game's own sounds (tools/make_sounds.sh): the output opens in it ahead of
// the first sound, and opens again for a sound in another.
WaveFormat gameFormat() {
    return {WaveFormat::Sample::Int16, 1, 22050};
}

// The wave file's format as Qt's audio output takes it.
QAudioFormat audioFormat(const WaveFormat& wave) {
    QAudioFormat format;
    format.setSampleRate(wave.sampleRate);
    format.setChannelCount(wave.channels);
    format.setChannelConfig(QAudioFormat::defaultChannelConfigForChannelCount(wave.channels));
    switch (wave.sample) {
        case WaveFormat::Sample::UInt8:
            format.setSampleFormat(QAudioFormat::UInt8);
            break;
        case WaveFormat::Sample::Int16:
            format.setSampleFormat(QAudioFormat::Int16);
            break;
        case WaveFormat::Sample::Int32:
            format.setSampleFormat(QAudioFormat::Int32);
            break;
        case WaveFormat::Sample::Float:
            format.setSampleFormat(QAudioFormat::Float);
            break;
        case WaveFormat::Sample::None:
            break;
    }
    return format;
}

}  // namespace

// What the player's thread tells the game's thread: whether there is an audio output, and when
// the output of each sound really started or that it failed.
struct OutputReports {
    enum class Output { Opening, Open, None };

    void setOutput(Output value) {
        {
            std::lock_guard lock(mutex);
            output = value;
        }
        opened.notify_all();
    }
    Output current() {
        std::lock_guard lock(mutex);
        return output;
    }
    // Waits, at most a while, until the output that opens as the player is made is open or has
    // failed.
    Output known() {
        std::unique_lock lock(mutex);
        opened.wait_for(lock, kLongestOpening, [this] { return output != Output::Opening; });
        return output;
    }
    void started(int serial, qint64 atNs) {
        std::lock_guard lock(mutex);
        startedSerial = serial;
        startedNs = atNs;
    }
    std::optional<qint64> startOf(int serial) {
        std::lock_guard lock(mutex);
        return startedSerial == serial ? std::optional<qint64>(startedNs) : std::nullopt;
    }

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
    explicit SoundOutput(std::shared_ptr<OutputReports> reports)
        : m_reports(std::move(reports)),
          m_feedTimer(new QTimer(this)),
          m_pauseTimer(new QTimer(this)) {
        m_feedTimer->setInterval(kFeedIntervalMs);
        m_feedTimer->setTimerType(Qt::PreciseTimer);
        QObject::connect(m_feedTimer, &QTimer::timeout, this, [this] { feed(); });
        m_pauseTimer->setSingleShot(true);
        QObject::connect(m_pauseTimer, &QTimer::timeout, this, [this] { pause(); });
    }

    // Qt's audio sink runs a nested event loop while it is destroyed, which can deliver sounds
    // still queued for this object in the middle of its destruction: from here on they find it
    // closed. Without this the program could crash as it ends with a sound on its way.
    ~SoundOutput() override {
        m_closing = true;
        m_feedTimer->stop();
        m_pauseTimer->stop();
        delete m_sink;
        m_sink = nullptr;
    }

    // Opens the output ahead of the first sound, paused, and tells whether there is one.
    void prepare() {
        if (openStream(audioFormat(gameFormat())))
            pause();
    }

    void start(const Wave& clip, int serial) {
        if (m_closing)
            return;
        const QAudioFormat format = audioFormat(clip.format);
        // A stream that still holds some of the last sound is opened afresh, which drops it.
        const bool fresh = holdsSound() || !m_sink || m_sink->format() != format ||
                           m_sink->state() == QAudio::StoppedState ||
                           m_sink->error() == QAudio::FatalError;
        m_feedTimer->stop();
        m_pauseTimer->stop();
        if (fresh && !openStream(format)) {
            m_reports->failedSerial.store(serial);
            return;
        }
        if (m_paused) {
            m_sink->resume();
            m_paused = false;
        }
        m_samples = clip.samples;
        m_written = 0;
        m_queued = 0;
        m_frameBytes = clip.format.bytesPerFrame();
        m_serial = serial;
        feed();
        if (m_device && m_written < m_samples.size())
            m_feedTimer->start();
    }

    // Cuts the sound off at once: a stream that still holds some of it is opened afresh.
    void stop() {
        if (m_closing)
            return;
        const bool fresh = holdsSound();
        m_feedTimer->stop();
        m_pauseTimer->stop();
        m_samples.clear();
        if (m_sink && fresh && !openStream(m_sink->format()))
            return;
        pause();
    }

private:
    // Whether the server may still hold samples of the last sound that it has not played.
    bool holdsSound() const { return m_feedTimer->isActive() || m_playedOutNs > nowNs(); }

    // (Re)opens the stream to the default output; false when there is none or it fails.
    // A sink is deleted only later: deleting one runs a nested event loop (see the destructor).
    bool openStream(const QAudioFormat& format) {
        if (m_sink && m_sink->format() != format) {
            m_sink->stop();
            m_sink->deleteLater();
            m_sink = nullptr;
        }
        if (!m_sink) {
            const QAudioDevice device = QMediaDevices::defaultAudioOutput();
            if (device.isNull()) {
                m_reports->setOutput(OutputReports::Output::None);
                return false;
            }
            m_sink = new QAudioSink(device, format, this);
        }
        m_sink->setBufferSize(format.bytesForDuration(kBufferMs * 1000));
        m_device = m_sink->start();  // closes the stream it had, with what it held
        m_paused = false;
        m_playedOutNs = 0;
        if (!m_device || m_sink->error() != QAudio::NoError) {
            m_device = nullptr;
            m_sink->stop();
            m_reports->setOutput(OutputReports::Output::None);
            return false;
        }
        m_reports->setOutput(OutputReports::Output::Open);
        return true;
    }

    // Hands the server the rest of the sound. PulseAudio takes all of it at once and queues it
    // beyond its buffer (a sound cut off goes with its stream), so no timer wakes this thread
    // while a sound plays; an output that takes less is fed the rest by a timer.
    void feed() {
        if (!m_device)
            return;
        const qint64 free = m_sink->bytesFree();
        const qint64 done =
            m_device->write(m_samples.constData() + m_written, m_samples.size() - m_written);
        if (done > 0) {
            if (m_written == 0) {
                m_startNs = nowNs();  // the server plays what it is given from now on
                m_reports->started(m_serial, m_startNs);
            }
            m_written += done;
            m_queued += done;
        }
        if (m_written < m_samples.size())
            return;
        // All written. The server starts a stream only once its buffer is full, so a sound that
        // went into a buffer that had run dry, and did not fill it, is followed by silence up to
        // the brim.
        const QAudioFormat format = m_sink->format();
        const qint64 dry = m_sink->bufferSize() - format.bytesForDuration(kFeedIntervalMs * 1000);
        qint64 pad = free >= dry ? free - std::max<qint64>(done, 0) : 0;
        pad -= pad % m_frameBytes;
        if (pad > 0)
            m_queued += m_device->write(QByteArray(
                pad, format.sampleFormat() == QAudioFormat::UInt8 ? char(0x80) : char(0)));
        m_feedTimer->stop();
        m_samples.clear();
        m_playedOutNs = m_startNs + format.durationForBytes(m_queued) * 1000;
        m_pauseTimer->start(int((m_playedOutNs - nowNs()) / 1'000'000) + kPauseAfterMs);
    }

    void pause() {
        if (m_sink && !m_paused) {
            m_sink->suspend();
            m_paused = true;
        }
        m_playedOutNs = 0;
    }

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

const QStringList& QtSoundPlayer::gameSounds() {
    static const QStringList names = [] {
        QStringList all;
        for (Sound sound : kAllSounds)
            all.append(soundFileName(sound));
        return all;
    }();
    return names;
}

QtSoundPlayer::QtSoundPlayer()
    : m_thread(new QThread), m_reports(std::make_shared<OutputReports>()) {
    m_thread->setObjectName(QStringLiteral("sound"));
    m_output = new SoundOutput(m_reports);
    m_output->moveToThread(m_thread);
    QObject::connect(m_thread, &QThread::finished, m_output, &QObject::deleteLater);
    m_thread->start();
    SoundOutput* output = m_output;
    QMetaObject::invokeMethod(
        output, [output] { output->prepare(); }, Qt::QueuedConnection);
}

void QtSoundPlayer::readGameSounds() {
    for (Sound sound : kAllSounds) {
        familyClipFor(sound);
        clipFor(findSoundFile(soundFileName(sound)));
    }
}

QtSoundPlayer::~QtSoundPlayer() {
    stopOutput();
    m_thread->quit();
    m_thread->wait();
    delete m_thread;
}

// The file as it is on disk now: read again when it has changed since it was last read, and
// nothing when it is gone or cannot be played.
const Wave* QtSoundPlayer::clipFor(const QString& fileName) {
    const QFileInfo info(fileName);
    const QString key = info.absoluteFilePath();
    if (!info.isFile()) {
        m_clips.remove(key);
        return nullptr;
    }
    auto it = m_clips.find(key);
    if (it == m_clips.end() || it->size != info.size() || it->modified != info.lastModified()) {
        CachedClip cached;
        cached.clip = readWaveFile(key);
        cached.size = info.size();
        cached.modified = info.lastModified();
        it = m_clips.insert(key, cached);
    }
    return it->clip.isPlayable() ? &it->clip : nullptr;
}

// The game waits for some sounds (ブー, then もういちど) with everything else held, Esc included:
// a family's file that is no short word (a minute of silence saved as "もういちど.wav") would hold
// the child for its whole length, so only a word the game takes is played, and the game's own
// sound otherwise.
const Wave* QtSoundPlayer::familyClipFor(Sound sound) {
    if (!isSpokenWord(sound))
        return nullptr;
    const QString recording = familyRecording(soundFileName(sound));
    if (recording.isEmpty())
        return nullptr;
    const Wave* clip = clipFor(recording);
    return clip && clip->durationUs() <= qint64(kLongestFamilyWordMs) * 1000 ? clip : nullptr;
}

void QtSoundPlayer::play(Sound sound) {
    // Looked up at every play: a recording kept on the voice screen, or a sound a teacher puts
    // into the current folder, counts at once.
    const Wave* family = familyClipFor(sound);
    playClip(family ? family : clipFor(findSoundFile(soundFileName(sound))));
}

void QtSoundPlayer::playFile(const QString& fileName) {
    playClip(clipFor(fileName));
}

void QtSoundPlayer::playClip(const Wave* clip) {
    ++m_serial;
    m_lengthNs = 0;
    m_held.reset();
    if (!clip) {
        stopOutput();
        return;
    }
    m_handedNs = nowNs();
    if (m_holding)
        m_held.emplace(*clip, m_serial);  // shares the samples, no copying
    else if (!startOnOutput(*clip, m_serial))
        return;
    m_lengthNs = clip->durationUs() * 1000;
}

void QtSoundPlayer::releaseHeldSounds() {
    m_holding = false;
    if (m_held && m_held->second == m_serial) {
        m_handedNs = nowNs();
        if (!startOnOutput(m_held->first, m_held->second))
            m_lengthNs = 0;
    }
    m_held.reset();
}

bool QtSoundPlayer::waitForOutput() {
    return m_reports->known() == OutputReports::Output::Open;
}

// Hands the sound to the player's thread and tells whether it will be heard, without waiting for
// that thread. While the output is still opening, or where there was none, Qt's list of outputs
// tells; with none in it, nothing can play and the thread is not woken.
bool QtSoundPlayer::startOnOutput(const Wave& clip, int serial) {
    if (m_reports->current() != OutputReports::Output::Open &&
        QMediaDevices::audioOutputs().isEmpty())
        return false;  // nothing plays there to be cut off
    SoundOutput* output = m_output;
    QMetaObject::invokeMethod(
        output, [output, clip, serial] { output->start(clip, serial); }, Qt::QueuedConnection);
    return true;
}

// Asks the player's thread to cut off whatever it plays.
void QtSoundPlayer::stopOutput() {
    SoundOutput* output = m_output;
    QMetaObject::invokeMethod(
        output, [output] { output->stop(); }, Qt::QueuedConnection);
}

// Until the sound's output has started, the whole sound is still to come.
qint64 QtSoundPlayer::remainingNs() const {
    if (m_lengthNs <= 0 || m_reports->failedSerial.load() == m_serial)
        return 0;
    const qint64 now = nowNs();
    const qint64 started = m_reports->startOf(m_serial).value_or(
        m_held ? now : std::min(now, m_handedNs + kLongestStartNs));
    return std::max<qint64>(0, started + m_lengthNs - now);
}

bool QtSoundPlayer::isPlaying() const {
    return remainingNs() > 0;
}

void QtSoundPlayer::waitForSound() {
    // A plain sleep loop on purpose: no event of the game may run until the sound has ended.
    for (qint64 left = remainingNs(); left > 0; left = remainingNs())
        QThread::usleep(std::min<qint64>(left / 1000 + 1, 2000));
}

void QtSoundPlayer::silence() {
    ++m_serial;
    m_lengthNs = 0;
    m_held.reset();
    stopOutput();
}
