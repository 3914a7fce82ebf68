#pragma once

#include <QList>

#include <functional>

// Where a word the family records comes from: the desktop's microphone in the program
// (voice/qt_microphone.h), samples the test gives in tests.
class Microphone {
public:
    virtual ~Microphone() = default;
    // Starts listening; false when there is no microphone or it cannot be opened.
    virtual bool open() = 0;
    // The sample rate of what it hears, once open.
    virtual int sampleRate() const = 0;
    // What it has heard since it was last asked: one channel, in [-1, 1].
    virtual QList<float> takeSamples() = 0;
    // Stops listening; what it heard and was not taken is dropped.
    virtual void close() = 0;

    // Set by the recorder: `heard` when samples are waiting, `lost` when the microphone goes
    // away (unplugged, taken by another program) while it listens.
    std::function<void()> heard;
    std::function<void()> lost;
};
