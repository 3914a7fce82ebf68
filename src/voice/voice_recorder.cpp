#include "voice/voice_recorder.h"

#include <QAudioDevice>
#include <QAudioSource>
#include <QMediaDevices>

#include <algorithm>
#include <cmath>
#include <utility>

#include "voice/voice_take.h"

namespace {
// The game's own sounds are 22050 Hz mono; a microphone that cannot deliver that is recorded in
// the format it prefers.
constexpr int kPreferredRate = 22050;
// The recording is looked at in blocks of this length for the end of the word.
constexpr int kBlockMs = 20;
}  // namespace

VoiceRecorder::VoiceRecorder(int longestMs, QObject* parent)
    : QObject(parent), m_longestMs(longestMs) {
    m_limit.setSingleShot(true);
    connect(&m_limit, &QTimer::timeout, this, [this] { finish(); });
}

VoiceRecorder::~VoiceRecorder() {
    cancel();
}

void VoiceRecorder::start(std::function<void(const Result&)> done) {
    cancel();
    m_done = std::move(done);
    m_samples.clear();
    m_scanned = 0;
    m_heard = false;
    m_quietSamples = 0;

    const QAudioDevice microphone = QMediaDevices::defaultAudioInput();
    if (microphone.isNull()) {
        finish();
        return;
    }
    m_format.setSampleRate(kPreferredRate);
    m_format.setChannelCount(1);
    m_format.setSampleFormat(QAudioFormat::Int16);
    if (!microphone.isFormatSupported(m_format))
        m_format = microphone.preferredFormat();
    m_source = new QAudioSource(microphone, m_format, this);
    m_input = m_source->start();
    if (m_input == nullptr || m_source->error() != QAudio::NoError) {
        closeSource();
        finish();
        return;
    }
    connect(m_input, &QIODevice::readyRead, this, [this] { readAvailable(); });
    // A microphone that is unplugged or taken away while recording ends the recording.
    connect(m_source, &QAudioSource::stateChanged, this, [this](QAudio::State) {
        if (m_source != nullptr && m_source->error() != QAudio::NoError)
            finish();
    });
    m_limit.start(m_longestMs);
}

void VoiceRecorder::cancel() {
    m_done = nullptr;
    m_limit.stop();
    closeSource();
}

qsizetype VoiceRecorder::longestSamples() const {
    return qsizetype(m_format.sampleRate()) * m_longestMs / 1000;
}

void VoiceRecorder::drain() {
    if (m_input != nullptr)
        m_samples.append(VoiceTake::monoSamples(m_input->readAll(), m_format));
}

void VoiceRecorder::readAvailable() {
    drain();
    // Counted in the sound itself too: an audio server may hand over more than the time that
    // has passed.
    if (m_samples.size() >= longestSamples()) {
        finish();
        return;
    }
    const qsizetype block = std::max(1, m_format.sampleRate() * kBlockMs / 1000);
    const qsizetype enough = qsizetype(m_format.sampleRate()) * kEndOfSpeechMs / 1000;
    for (; m_scanned + block <= m_samples.size(); m_scanned += block) {
        const auto begin = m_samples.cbegin() + m_scanned;
        const bool heard = std::any_of(
            begin, begin + block, [](float v) { return std::abs(v) > VoiceTake::kHeardLevel; });
        if (heard) {
            m_heard = true;
            m_quietSamples = 0;
        } else if (m_heard && (m_quietSamples += block) >= enough) {
            finish();
            return;
        }
    }
}

// Ends the recording and tells what came of it. Without a source there was no microphone.
void VoiceRecorder::finish() {
    const bool hadMicrophone = m_source != nullptr;
    drain();
    m_samples.resize(std::min(m_samples.size(), longestSamples()));
    m_limit.stop();
    closeSource();
    Result result;
    if (!hadMicrophone) {
        result.outcome = Outcome::NoMicrophone;
    } else {
        const QList<float> word = VoiceTake::shaped(std::move(m_samples), m_format.sampleRate());
        if (!word.isEmpty()) {
            result.outcome = Outcome::Recorded;
            result.wave = VoiceTake::waveFile(word, m_format.sampleRate());
        }
    }
    m_samples.clear();
    if (auto done = std::exchange(m_done, nullptr))
        done(result);
}

void VoiceRecorder::closeSource() {
    if (m_source == nullptr)
        return;
    QAudioSource* source = std::exchange(m_source, nullptr);
    m_input = nullptr;
    source->disconnect(this);
    source->stop();
    source->deleteLater();
}
