#include "ui/sound_output.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>
#include <QTimer>

#include <algorithm>
#include <chrono>

namespace {

// How much the audio server holds ahead of what it plays: small, since on a sound card it is
// also how late a sound is heard.
constexpr int kBufferMs = 80;
constexpr int kFeedIntervalMs = 20;
// Once a sound has been played out, the output pauses this much later: paused, neither the
// audio server nor Qt's own timer of the output wakes the program between sounds.
constexpr int kPauseAfterMs = 20;
// How long waitForOutput() waits for the output that opens as the player is made.
constexpr auto kLongestOpening = std::chrono::seconds(2);

// The format of the game's own sounds (tools/make_sounds.sh): the output opens in it ahead of
// the first sound, and opens again for a sound in another.
constexpr WaveFormat kGameFormat{WaveFormat::Sample::Int16, 1, 22050};

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

qint64 steadyNowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void OutputReports::setOutput(Output value) {
    {
        std::lock_guard lock(mutex);
        output = value;
    }
    opened.notify_all();
}

OutputReports::Output OutputReports::current() {
    std::lock_guard lock(mutex);
    return output;
}

OutputReports::Output OutputReports::known() {
    std::unique_lock lock(mutex);
    opened.wait_for(lock, kLongestOpening, [this] { return output != Output::Opening; });
    return output;
}

void OutputReports::started(int serial, qint64 atNs) {
    std::lock_guard lock(mutex);
    startedSerial = serial;
    startedNs = atNs;
}

std::optional<qint64> OutputReports::startOf(int serial) {
    std::lock_guard lock(mutex);
    return startedSerial == serial ? std::optional<qint64>(startedNs) : std::nullopt;
}

SoundOutput::SoundOutput(std::shared_ptr<OutputReports> reports)
    : m_reports(std::move(reports)), m_feedTimer(new QTimer(this)), m_pauseTimer(new QTimer(this)) {
    m_feedTimer->setInterval(kFeedIntervalMs);
    m_feedTimer->setTimerType(Qt::PreciseTimer);
    QObject::connect(m_feedTimer, &QTimer::timeout, this, [this] { feed(); });
    m_pauseTimer->setSingleShot(true);
    QObject::connect(m_pauseTimer, &QTimer::timeout, this, [this] { pause(); });
}

// Qt's audio sink runs a nested event loop while it is destroyed, which can deliver sounds still
// queued for this object in the middle of its destruction: from here on they find it closed.
// Without this the program could crash as it ends with a sound on its way.
SoundOutput::~SoundOutput() {
    m_closing = true;
    m_feedTimer->stop();
    m_pauseTimer->stop();
    delete m_sink;
    m_sink = nullptr;
}

void SoundOutput::prepare() {
    if (openStream(audioFormat(kGameFormat)))
        pause();
}

void SoundOutput::start(const Wave& clip, int serial) {
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

void SoundOutput::stop() {
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

// Whether the server may still hold samples of the last sound that it has not played.
bool SoundOutput::holdsSound() const {
    return m_feedTimer->isActive() || m_playedOutNs > steadyNowNs();
}

// (Re)opens the stream to the default output; false when there is none or it fails. A sink is
// deleted only later: deleting one runs a nested event loop (see the destructor).
bool SoundOutput::openStream(const QAudioFormat& format) {
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
// beyond its buffer (a sound cut off goes with its stream), so no timer wakes this thread while a
// sound plays; an output that takes less is fed the rest by a timer.
void SoundOutput::feed() {
    if (!m_device)
        return;
    const qint64 free = m_sink->bytesFree();
    const qint64 done =
        m_device->write(m_samples.constData() + m_written, m_samples.size() - m_written);
    if (done > 0) {
        if (m_written == 0) {
            m_startNs = steadyNowNs();  // the server plays what it is given from now on
            m_reports->started(m_serial, m_startNs);
        }
        m_written += done;
        m_queued += done;
    }
    if (m_written < m_samples.size())
        return;
    // All written. The server starts a stream only once its buffer is full, so a sound that went
    // into a buffer that had run dry, and did not fill it, is followed by silence up to the brim.
    const QAudioFormat format = m_sink->format();
    const qint64 dry = m_sink->bufferSize() - format.bytesForDuration(kFeedIntervalMs * 1000);
    qint64 pad = free >= dry ? free - std::max<qint64>(done, 0) : 0;
    pad -= pad % m_frameBytes;
    if (pad > 0)
        m_queued += m_device->write(
            QByteArray(pad, format.sampleFormat() == QAudioFormat::UInt8 ? char(0x80) : char(0)));
    m_feedTimer->stop();
    m_samples.clear();
    m_playedOutNs = m_startNs + format.durationForBytes(m_queued) * 1000;
    m_pauseTimer->start(int((m_playedOutNs - steadyNowNs()) / 1'000'000) + kPauseAfterMs);
}

void SoundOutput::pause() {
    if (m_sink && !m_paused) {
        m_sink->suspend();
        m_paused = true;
    }
    m_playedOutNs = 0;
}
