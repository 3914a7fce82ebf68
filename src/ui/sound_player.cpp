#include "ui/sound_player.h"

#include "state/family_voice.h"
#include "ui/sound_files.h"
#include "ui/sound_output.h"

#include <QAudioDevice>
#include <QFileInfo>
#include <QMediaDevices>
#include <QStringList>
#include <QThread>

#include <algorithm>

namespace {
// How long a sound may wait for its output to start before it counts as started anyway, so that
// a stalled audio server cannot keep the game waiting for ever.
constexpr qint64 kLongestStartNs = 1'000'000'000;
}  // namespace

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
    m_handedNs = steadyNowNs();
    if (m_holding)
        m_held.emplace(*clip, m_serial);  // shares the samples, no copying
    else if (!startOnOutput(*clip, m_serial))
        return;
    m_lengthNs = clip->durationUs() * 1000;
}

void QtSoundPlayer::releaseHeldSounds() {
    m_holding = false;
    if (m_held && m_held->second == m_serial) {
        m_handedNs = steadyNowNs();
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
    const qint64 now = steadyNowNs();
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
