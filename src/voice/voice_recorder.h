#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTimer>

#include <functional>

#include "voice/microphone.h"

// Records one spoken word from a microphone (the desktop's in the program, voice/qt_microphone.h).
// The recording stops by itself once the word has been followed by a short silence, or at the
// latest after `longestMs`; the word is then made ready for the game (VoiceTake::shaped).
class VoiceRecorder : public QObject {
public:
    // How long a recording may last at most.
    static constexpr int kLongestMs = 3000;
    // A word is over after this much silence; the pauses within a phrase are shorter.
    static constexpr int kEndOfSpeechMs = 600;

    enum class Outcome {
        Recorded,      // `wave` holds the word as a WAV file
        NoMicrophone,  // there is no microphone, or it cannot be opened
        Silent,        // the microphone delivered nothing that could be heard
    };
    struct Result {
        Outcome outcome = Outcome::Silent;
        QByteArray wave;
    };

    explicit VoiceRecorder(Microphone& microphone, int longestMs = kLongestMs,
                           QObject* parent = nullptr);
    ~VoiceRecorder() override;

    // Starts recording; `done` is called once, when the recording has ended (at once when there
    // is no microphone). A recording still going is dropped.
    void start(std::function<void(const Result&)> done);
    // Ends the recording without a result.
    void cancel();
    bool isRecording() const { return m_recording; }

private:
    qsizetype longestSamples() const;
    void drain();  // takes what the microphone has heard
    void readAvailable();
    void finish();
    void stopListening();

    Microphone& m_microphone;
    int m_longestMs;
    QTimer m_limit;
    bool m_recording = false;
    QList<float> m_samples;
    qsizetype m_scanned = 0;  // samples already looked at for the end of the word
    bool m_heard = false;
    qsizetype m_quietSamples = 0;
    std::function<void(const Result&)> m_done;
};
