#pragma once

#include <QByteArray>
#include <QTemporaryDir>

#include <functional>
#include <memory>

#include "game/ports.h"
#include "screens/screen_parts.h"
#include "ui/listening_player.h"
#include "voice/voice_recorder.h"

class QLabel;
class QtMicrophone;
class QListWidget;
class QPushButton;

// The voice screen (V on the game screen): the game's fourteen spoken sounds with their words,
// each of which the family may speak in its own voice. For the word chosen in the list the adult
// can listen to what the game plays now, record from the microphone (the recording ends by
// itself), listen to the recording, keep it or record again, and go back to the built-in voice.
// A kept recording is saved in the family's voice folder (state/family_voice.h), where the game
// finds it before any other sound file.
class VoiceScreen : public ScreenParts::AdultScreen {
public:
    // `microphone`: where words are recorded from (by default the desktop's own);
    // `longestRecordingMs`: how long a recording may last at most.
    VoiceScreen(ListeningPlayer& sound, std::function<void()> returnToGame,
                Microphone* microphone = nullptr,
                int longestRecordingMs = VoiceRecorder::kLongestMs, QWidget* parent = nullptr);
    ~VoiceScreen() override;

    // Marks the words that have a recording; no recording is waiting to be kept.
    void load() override;

private:
    void buildControls();
    Sound chosenSound() const;
    QString chosenWord() const;
    void showChosen();
    void listenNow();
    void record();
    void listenToTake();
    void keepTake();
    void backToBuiltIn();
    void dropTake();
    void enableButtons();
    void cancel() override;

    ListeningPlayer& m_sound;
    std::unique_ptr<QtMicrophone> m_desktopMicrophone;  // when no other was given
    VoiceRecorder m_recorder;
    QListWidget* m_wordList = nullptr;
    ScreenParts::MessageLine* m_message = nullptr;
    QPushButton* m_listenNowButton = nullptr;
    QPushButton* m_recordButton = nullptr;
    QPushButton* m_listenTakeButton = nullptr;
    QPushButton* m_keepButton = nullptr;
    QPushButton* m_builtInButton = nullptr;
    QPushButton* m_backButton = nullptr;
    // The recording made last, waiting to be kept, and the file it is played from meanwhile.
    QByteArray m_take;
    QTemporaryDir m_takeFolder;
    QString m_takeFile;
    int m_takesMade = 0;
};
