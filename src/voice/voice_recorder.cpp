#include "voice/voice_recorder.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "voice/voice_take.h"

namespace {
// The recording is looked at in blocks of this length for the end of the word.
constexpr int kBlockMs = 20;
}  // namespace

VoiceRecorder::VoiceRecorder(Microphone& microphone, int longestMs, QObject* parent)
    : QObject(parent), m_microphone(microphone), m_longestMs(longestMs) {
    m_limit.setSingleShot(true);
    connect(&m_limit, &QTimer::timeout, this, [this] { finish(); });
    m_microphone.heard = [this] { readAvailable(); };
    // A microphone that is unplugged or taken away while recording ends the recording.
    m_microphone.lost = [this] {
        if (m_recording)
            finish();
    };
}

VoiceRecorder::~VoiceRecorder() {
    cancel();
    m_microphone.heard = nullptr;
    m_microphone.lost = nullptr;
}

void VoiceRecorder::start(std::function<void(const Result&)> done) {
    cancel();
    m_done = std::move(done);
    m_samples.clear();
    m_scanned = 0;
    m_heard = false;
    m_quietSamples = 0;
    if (!m_microphone.open()) {
        finish();
        return;
    }
    m_recording = true;
    m_limit.start(m_longestMs);
}

void VoiceRecorder::cancel() {
    m_done = nullptr;
    m_limit.stop();
    stopListening();
}

qsizetype VoiceRecorder::longestSamples() const {
    return qsizetype(m_microphone.sampleRate()) * m_longestMs / 1000;
}

void VoiceRecorder::drain() {
    if (m_recording)
        m_samples.append(m_microphone.takeSamples());
}

void VoiceRecorder::readAvailable() {
    if (!m_recording)
        return;
    drain();
    // Counted in the sound itself too: an audio server may hand over more than the time that
    // has passed.
    if (m_samples.size() >= longestSamples()) {
        finish();
        return;
    }
    const int rate = m_microphone.sampleRate();
    const qsizetype block = std::max(1, rate * kBlockMs / 1000);
    const qsizetype enough = qsizetype(rate) * kEndOfSpeechMs / 1000;
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

// Ends the recording and tells what came of it. Without an open microphone there was none.
void VoiceRecorder::finish() {
    const bool hadMicrophone = m_recording;
    drain();
    if (m_samples.size() > longestSamples())
        m_samples.resize(longestSamples());
    m_limit.stop();
    const int rate = m_microphone.sampleRate();
    stopListening();
    Result result;
    if (!hadMicrophone) {
        result.outcome = Outcome::NoMicrophone;
    } else {
        const QList<float> word = VoiceTake::shaped(std::move(m_samples), rate);
        if (!word.isEmpty()) {
            result.outcome = Outcome::Recorded;
            result.wave = VoiceTake::waveFile(word, rate);
        }
    }
    m_samples.clear();
    if (auto done = std::exchange(m_done, nullptr))
        done(result);
}

void VoiceRecorder::stopListening() {
    if (!m_recording)
        return;
    m_recording = false;
    m_microphone.close();
}
