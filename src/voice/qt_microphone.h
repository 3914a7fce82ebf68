#pragma once

#include <QAudioFormat>
#include <QObject>

#include "voice/microphone.h"

class QAudioSource;
class QIODevice;

// The desktop's default microphone on Qt Multimedia (QAudioSource): 22050 Hz mono like the game's
// own sounds where it can deliver that, else in the format it prefers, mixed down to one channel.
class QtMicrophone : public QObject, public Microphone {
public:
    explicit QtMicrophone(QObject* parent = nullptr);
    ~QtMicrophone() override;

    bool open() override;
    int sampleRate() const override { return m_format.sampleRate(); }
    QList<float> takeSamples() override;
    void close() override;

private:
    QAudioFormat m_format;
    QAudioSource* m_source = nullptr;
    QIODevice* m_input = nullptr;
};
