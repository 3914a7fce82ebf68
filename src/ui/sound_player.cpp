#include "ui/sound_player.h"

#include "ui/sound_files.h"

#include <QAudioSink>
#include <QFile>
#include <QFileInfo>
#include <QMediaDevices>
#include <QStringList>
#include <QThread>
#include <QTimer>
#include <QtEndian>

#include <algorithm>

namespace {

quint16 le16(const QByteArray& b, qsizetype at) {
    return qFromLittleEndian<quint16>(b.constData() + at);
}
quint32 le32(const QByteArray& b, qsizetype at) {
    return qFromLittleEndian<quint32>(b.constData() + at);
}

constexpr quint16 kFormatPcm = 1;
constexpr quint16 kFormatFloat = 3;
constexpr quint16 kFormatExtensible = 0xFFFE;

// How much the audio server holds ahead of what it plays. Small, so that a new sound is not
// queued behind much of the old one; the feeding thread tops it up every few milliseconds.
constexpr int kBufferMs = 80;
constexpr int kFeedIntervalMs = 10;

}  // namespace

qint64 WaveClip::durationUs() const {
    if (!isPlayable())
        return 0;
    return qint64(format.framesForBytes(samples.size())) * 1'000'000 / format.sampleRate();
}

WaveClip parseWave(const QByteArray& file) {
    if (file.size() < 12 || !file.startsWith("RIFF") || file.mid(8, 4) != "WAVE")
        return {};

    bool haveFormat = false;
    quint16 tag = 0, channels = 0, blockAlign = 0, bits = 0;
    quint32 rate = 0;
    QByteArray data;
    bool haveData = false;
    qint64 pos = 12;
    while (pos + 8 <= file.size()) {
        const QByteArray id = file.mid(pos, 4);
        const qint64 size = le32(file, pos + 4);
        pos += 8;
        const qint64 available = std::min(size, qint64(file.size()) - pos);
        if (id == "fmt ") {
            if (available < 16)
                return {};
            tag = le16(file, pos);
            channels = le16(file, pos + 2);
            rate = le32(file, pos + 4);
            blockAlign = le16(file, pos + 12);
            bits = le16(file, pos + 14);
            // The extensible header carries the real format in the first two bytes of its
            // sub-format identifier.
            if (tag == kFormatExtensible) {
                if (available < 40)
                    return {};
                tag = le16(file, pos + 24);
            }
            haveFormat = true;
        } else if (id == "data") {
            if (!haveFormat)
                return {};
            data = file.mid(pos, available);
            haveData = true;
            break;
        }
        pos += size + (size & 1);  // chunks are padded to an even length
    }
    if (!haveData || channels < 1 || channels > 8 || rate < 1000 || rate > 384000 ||
        blockAlign != channels * (bits / 8))
        return {};

    QAudioFormat::SampleFormat sampleFormat = QAudioFormat::Unknown;
    if (tag == kFormatPcm && bits == 8)
        sampleFormat = QAudioFormat::UInt8;
    else if (tag == kFormatPcm && bits == 16)
        sampleFormat = QAudioFormat::Int16;
    else if (tag == kFormatPcm && bits == 32)
        sampleFormat = QAudioFormat::Int32;
    else if (tag == kFormatFloat && bits == 32)
        sampleFormat = QAudioFormat::Float;
    if (sampleFormat == QAudioFormat::Unknown)
        return {};

    WaveClip clip;
    clip.format.setSampleRate(int(rate));
    clip.format.setChannelCount(channels);
    clip.format.setChannelConfig(QAudioFormat::defaultChannelConfigForChannelCount(channels));
    clip.format.setSampleFormat(sampleFormat);
    data.truncate(data.size() - data.size() % blockAlign);
    clip.samples = data;
    return clip;
}

WaveClip readWaveFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return parseWave(file.readAll());
}

// Lives in the player's own thread: opens a stream on the audio server for each sound and keeps
// it fed. Its event loop never waits for the game's thread.
class SoundOutput : public QObject {
public:
    explicit SoundOutput(std::shared_ptr<std::atomic<int>> failedSerial)
        : m_failedSerial(std::move(failedSerial)), m_feedTimer(new QTimer(this)) {
        m_feedTimer->setInterval(kFeedIntervalMs);
        m_feedTimer->setTimerType(Qt::PreciseTimer);
        QObject::connect(m_feedTimer, &QTimer::timeout, this, [this] { feed(); });
    }

    // Qt's audio sink runs a nested event loop while it is destroyed, which can deliver sounds
    // still queued for this object in the middle of its destruction: from here on they find it
    // closed. Without this the program could crash as it ends with a sound on its way.
    ~SoundOutput() override {
        m_closing = true;
        m_feedTimer->stop();
        delete m_sink;
        m_sink = nullptr;
    }

    void start(const WaveClip& clip, int serial) {
        if (m_closing)
            return;
        stop();
        if (m_sink && m_sink->format() != clip.format) {
            delete m_sink;
            m_sink = nullptr;
        }
        if (!m_sink)
            m_sink = new QAudioSink(QMediaDevices::defaultAudioOutput(), clip.format, this);
        m_sink->setBufferSize(clip.format.bytesForDuration(kBufferMs * 1000));
        m_device = m_sink->start();
        if (!m_device || m_sink->error() != QAudio::NoError) {
            m_device = nullptr;
            m_failedSerial->store(serial);
            return;
        }
        m_samples = clip.samples;
        m_written = 0;
        m_frameBytes = clip.format.bytesPerFrame();
        feed();
        if (m_device)
            m_feedTimer->start();
    }

    // Cuts the stream off at once (the sink drops what it still holds).
    void stop() {
        if (m_closing)
            return;
        m_feedTimer->stop();
        if (m_sink)
            m_sink->stop();
        m_device = nullptr;
        m_samples.clear();
    }

private:
    void feed() {
        if (!m_device)
            return;
        const qint64 free = m_sink->bytesFree();
        const qint64 left = m_samples.size() - m_written;
        qint64 n = std::min(free, left);
        n -= n % m_frameBytes;
        if (n > 0) {
            const qint64 done = m_device->write(m_samples.constData() + m_written, n);
            if (done > 0)
                m_written += done;
        }
        if (m_written < m_samples.size())
            return;
        // All written. The server starts a stream only once its buffer is full, so a sound
        // shorter than the buffer is followed by silence up to its brim.
        qint64 pad = m_sink->bytesFree();
        pad -= pad % m_frameBytes;
        if (pad > 0)
            m_device->write(QByteArray(pad, m_sink->format().sampleFormat() == QAudioFormat::UInt8
                                                ? char(0x80)
                                                : char(0)));
        m_feedTimer->stop();
        m_device = nullptr;
    }

    std::shared_ptr<std::atomic<int>> m_failedSerial;
    bool m_closing = false;
    QTimer* m_feedTimer;
    QAudioSink* m_sink = nullptr;
    QIODevice* m_device = nullptr;
    QByteArray m_samples;
    qint64 m_written = 0;
    int m_frameBytes = 1;
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
    : m_thread(new QThread), m_failedSerial(std::make_shared<std::atomic<int>>(-1)) {
    m_thread->setObjectName(QStringLiteral("sound"));
    m_output = new SoundOutput(m_failedSerial);
    m_output->moveToThread(m_thread);
    QObject::connect(m_thread, &QThread::finished, m_output, &QObject::deleteLater);
    m_thread->start();
}

void QtSoundPlayer::readGameSounds() {
    for (const QString& name : gameSounds())
        clipFor(findSoundFile(name));
}

QtSoundPlayer::~QtSoundPlayer() {
    stopOutput();
    m_thread->quit();
    m_thread->wait();
    delete m_thread;
}

// The file as it is on disk now: read again when it has changed since it was last read, and
// nothing when it is gone or cannot be played.
const WaveClip* QtSoundPlayer::clipFor(const QString& fileName) {
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

void QtSoundPlayer::play(Sound sound) {
    // Looked up at every play: a sound a teacher puts into the current folder counts at once.
    playFile(findSoundFile(soundFileName(sound)));
}

void QtSoundPlayer::playFile(const QString& fileName) {
    ++m_serial;
    m_lengthNs = 0;
    m_held.reset();
    const WaveClip* clip = clipFor(fileName);
    if (!clip) {
        stopOutput();
        return;
    }
    if (m_holding) {
        m_held.emplace(*clip, m_serial);  // shares the samples, no copying
    } else {
        startOnOutput(*clip, m_serial);
    }
    m_lengthNs = clip->durationUs() * 1000;
    m_started.start();
}

void QtSoundPlayer::releaseHeldSounds() {
    m_holding = false;
    if (m_held && m_held->second == m_serial)
        startOnOutput(m_held->first, m_held->second);
    m_held.reset();
}

// Hands the sound to the player's thread; with no audio output there is nothing to play.
void QtSoundPlayer::startOnOutput(const WaveClip& clip, int serial) {
    if (QMediaDevices::audioOutputs().isEmpty()) {
        m_failedSerial->store(serial);
        stopOutput();
        return;
    }
    SoundOutput* output = m_output;
    QMetaObject::invokeMethod(
        output, [output, clip, serial] { output->start(clip, serial); }, Qt::QueuedConnection);
}

// Asks the player's thread to cut off whatever it plays.
void QtSoundPlayer::stopOutput() {
    SoundOutput* output = m_output;
    QMetaObject::invokeMethod(
        output, [output] { output->stop(); }, Qt::QueuedConnection);
}

qint64 QtSoundPlayer::remainingNs() const {
    if (m_lengthNs <= 0 || m_failedSerial->load() == m_serial)
        return 0;
    return std::max<qint64>(0, m_lengthNs - m_started.nsecsElapsed());
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
