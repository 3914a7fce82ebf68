#include "voice/qt_microphone.h"

#include <QAudioDevice>
#include <QAudioSource>
#include <QMediaDevices>

#include <utility>

namespace {
// The game's own sounds are 22050 Hz mono; a microphone that cannot deliver that is recorded in
// the format it prefers.
constexpr int kPreferredRate = 22050;

// The samples of `raw` in [-1, 1], the channels of each frame mixed into one.
QList<float> monoSamples(const QByteArray& raw, const QAudioFormat& format) {
    const int frameBytes = format.bytesPerFrame();
    const int sampleBytes = format.bytesPerSample();
    const int channels = format.channelCount();
    QList<float> mono;
    if (frameBytes <= 0 || channels <= 0)
        return mono;
    const qsizetype frames = raw.size() / frameBytes;
    mono.reserve(frames);
    for (qsizetype f = 0; f < frames; ++f) {
        const char* frame = raw.constData() + f * frameBytes;
        float sum = 0;
        for (int c = 0; c < channels; ++c)
            sum += format.normalizedSampleValue(frame + c * sampleBytes);
        mono.append(sum / float(channels));
    }
    return mono;
}
}  // namespace

QtMicrophone::QtMicrophone(QObject* parent) : QObject(parent) {}

QtMicrophone::~QtMicrophone() {
    close();
}

bool QtMicrophone::open() {
    close();
    const QAudioDevice microphone = QMediaDevices::defaultAudioInput();
    if (microphone.isNull())
        return false;
    m_format.setSampleRate(kPreferredRate);
    m_format.setChannelCount(1);
    m_format.setSampleFormat(QAudioFormat::Int16);
    if (!microphone.isFormatSupported(m_format))
        m_format = microphone.preferredFormat();
    m_source = new QAudioSource(microphone, m_format, this);
    m_input = m_source->start();
    if (m_input == nullptr || m_source->error() != QAudio::NoError) {
        close();
        return false;
    }
    connect(m_input, &QIODevice::readyRead, this, [this] {
        if (heard)
            heard();
    });
    connect(m_source, &QAudioSource::stateChanged, this, [this](QAudio::State) {
        if (m_source != nullptr && m_source->error() != QAudio::NoError && lost)
            lost();
    });
    return true;
}

QList<float> QtMicrophone::takeSamples() {
    return m_input != nullptr ? monoSamples(m_input->readAll(), m_format) : QList<float>{};
}

void QtMicrophone::close() {
    if (m_source == nullptr)
        return;
    QAudioSource* source = std::exchange(m_source, nullptr);
    m_input = nullptr;
    source->disconnect(this);
    source->stop();
    source->deleteLater();
}
