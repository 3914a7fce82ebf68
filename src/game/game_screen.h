#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <functional>

#include "game/ports.h"
#include "game/screen_model.h"
#include "state/shared_state.h"

// Key codes the game screen answers (the same numbers on every platform).
namespace GameKey {
constexpr int Escape = 27;
constexpr int H = 72;
constexpr int N = 78;
}  // namespace GameKey

// The sounds of the game screen, played from the current folder.
namespace GameSound {
inline const QString Hop = QStringLiteral("ポコン.wav");
inline const QString IntoRow = QStringLiteral("ピコ.wav");
inline const QString LetsCount = QStringLiteral("かぞえよう.wav");
inline const QString HowMany = QStringLiteral("いくつかな.wav");
inline const QString HowManyPeople = QStringLiteral("なんにんかな.wav");
inline const QString Right = QStringLiteral("ピンポン.wav");
inline const QString Wrong = QStringLiteral("ブー.wav");
inline const QString OnceMore = QStringLiteral("もういちど.wav");
// The spoken number n (1 to 10): "1.wav" to "10.wav".
inline QString number(int n) {
    return QString::number(n) + QStringLiteral(".wav");
}
}  // namespace GameSound

// The texts of the message line.
namespace GameText {
inline const QString LetsCount = QStringLiteral("かぞえてみよう");
inline const QString HowMany = QStringLiteral("ぜんぶでいくつかな");
inline const QString HowManyPeople = QStringLiteral("ぜんぶでなんにんかな");
inline const QString RightMark = QStringLiteral("○");
inline const QString WrongMark = QStringLiteral("×");
}  // namespace GameText

// The game screen's behaviour: start-up sizing, rounds, catching and counting, the question and
// the cards, the judgement. Handlers are named after the control and the event, as the window
// calls them; each changes the model and then calls `modelChanged` so the window repaints.
class GameScreen {
public:
    GameScreen(SharedState& shared, TimerService& timers, SoundPlayer& sound, RandomSource& random,
               CharacterPictures& pictures, GameHost& host);

    const GameScreenModel& model() const { return m_model; }
    std::function<void()> modelChanged;

    // --- Handlers called by the window ---------------------------------------------------------
    // Start-up: the window covers the screen (sizes in twips) and the judgement mark is sized.
    void Form_Load(std::int32_t screenWidth, std::int32_t screenHeight);
    // The game window became active coming from this program: a fresh round.
    void Form_Activate();
    void Form_KeyDown(int keyCode);
    // Pointer input in twips, routed to the topmost control that takes it.
    void pointerMoved(std::int32_t x, std::int32_t y);
    void pointerClicked(std::int32_t x, std::int32_t y);

    void Image1_Click(int index);
    void Image1_MouseMove(int index);
    void Image3_Click(int index);

    // --- Routines ------------------------------------------------------------------------------
    void StopAll();
    void NewRound();
    void PlaceCharacter();
    void ClearScreen();
    void TouchCharacter(int index);
    void ChooseCard(int index);
    void ShowMessage();

    // --- The round's variables, read by tests ----------------------------------------------------
    int CurrentCount = 0;
    QString SoundFile;
    bool CountingPhase = false;
    bool CardsLocked = false;
    std::int32_t AppearTop = 0;
    std::int32_t AppearLeft = 0;
    int CardCount = 5;
    QString SinglePicturePath;
    std::array<QString, GameScreenModel::kPlaces> RoundPictures;
    int CharacterCount = 0;
    int ChosenNumber = 0;
    std::int32_t VerticalMargin = 0;
    std::int32_t LeftRange = 0;
    std::int32_t CellSize = 0;
    std::int32_t RowTop = 0;
    std::int32_t RowLeft = 0;
    int WrongAnswers = 0;
    QString MessageText;
    int MessageLength = 0;
    std::int32_t MessageCellSize = 0;

    // Timer n (1 to 9) as the game sees it.
    bool timerEnabled(int id) const;
    int timerInterval(int id) const;

private:
    // Timers with the toolkit's semantics: enabling a disabled timer starts counting its interval
    // from now, enabling an enabled one changes nothing, a new interval restarts an enabled timer.
    void setTimerEnabled(int id, bool enabled);
    void setTimerInterval(int id, int intervalMs);
    void onTimerFired(int id);

    void Timer1_Timer();  // the character on show jumps
    void Timer2_Timer();  // the caught character goes into the row
    void Timer3_Timer();  // the question and the cards
    void Timer4_Timer();  // the mark
    void Timer5_Timer();  // the feedback and what follows it
    void Timer6_Timer();  // the correction after an out-of-order touch
    void Timer7_Timer();  // the next round
    void Timer8_Timer();  // the next character comes
    void Timer9_Timer();  // a blinking numeral goes

    void PlaySound();
    void WaitForSound();
    // Puts card `index` at its place in the card row, CellSize square.
    void placeCardInRow(int index);

    // Every public entry point opens one. Handlers call one another (a click is routed to
    // Image1_Click, which touches a character), so only the outermost tells the window to repaint.
    class EntryScope {
    public:
        explicit EntryScope(GameScreen& screen) : m_screen(screen) { ++m_screen.m_entryDepth; }
        ~EntryScope() {
            if (--m_screen.m_entryDepth == 0 && m_screen.modelChanged) {
                m_screen.modelChanged();
            }
        }
        EntryScope(const EntryScope&) = delete;
        EntryScope& operator=(const EntryScope&) = delete;

    private:
        GameScreen& m_screen;
    };

    // Indexed by timer number (0 unused). All start disabled, with their design intervals;
    // Timer1's is replaced at every round by BlinkTime x 100.
    static constexpr int kTimers = 9;
    std::array<bool, kTimers + 1> m_timerEnabled{};
    std::array<int, kTimers + 1> m_timerInterval{0,   100,  1200, 1000, 1000,
                                                 100, 1000, 2000, 500,  800};
    // Whether this round shows different pictures; off when too few pictures can be drawn.
    bool m_roundMixed = false;
    // Set by StopAll: the stopped round takes no touch or click until the next round starts.
    bool m_stopped = false;
    int m_entryDepth = 0;

    SharedState& m_shared;
    TimerService& m_timers;
    SoundPlayer& m_sound;
    RandomSource& m_random;
    CharacterPictures& m_pictures;
    GameHost& m_host;
    GameScreenModel m_model;
};
