#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <functional>

#include "game/ports.h"
#include "game/screen_model.h"
#include "state/shared_state.h"

// Key codes the game screen answers (the same numbers on every platform): all of them are the
// adult's, and each stops the round.
namespace GameKey {
constexpr int Escape = 27;  // ends the game
constexpr int H = 72;
constexpr int N = 78;
constexpr int V = 86;
constexpr int C = 67;
constexpr int W = 87;
constexpr int K = 75;

struct ScreenKey {
    int key;
    AdultScreen screen;
};
// The key of each adult screen.
inline constexpr std::array<ScreenKey, 6> kScreenKeys{{
    {H, AdultScreen::Settings},
    {N, AdultScreen::Selection},
    {V, AdultScreen::Voice},
    {C, AdultScreen::Children},
    {W, AdultScreen::WhoPlays},
    {K, AdultScreen::Record},
}};

// Whether `key` is one of the adult's keys: Esc or the key of a screen.
inline bool isAdultKey(int key) {
    if (key == Escape)
        return true;
    for (const ScreenKey& k : kScreenKeys) {
        if (k.key == key)
            return true;
    }
    return false;
}
}  // namespace GameKey

// The texts of the message line and the mark.
namespace GameText {
inline const QString LetsCount = QStringLiteral("かぞえてみよう");
inline const QString HowMany = QStringLiteral("ぜんぶでいくつかな");
inline const QString HowManyPeople = QStringLiteral("ぜんぶでなんにんかな");
inline const QString RightMark = QStringLiteral("○");
inline const QString WrongMark = QStringLiteral("×");
}  // namespace GameText

// Where a round is.
enum class Phase {
    Catching,  // characters come on one at a time and are caught into the tray
    Counting,  // the child counts the characters in the tray
    Asking,    // the cards are out and the game waits for one to be chosen
    Judging,   // a card was chosen: the mark, its sound and what follows
    Stopped,   // Esc, H or N stopped the round; nothing moves until the next one
};

// How far a round has come, for the window's neighbours and the tests to read.
struct RoundState {
    // The settings this round plays by: the adult's, or what the game chose for the child.
    GameSettings settings;
    int characterCount = 0;  // characters in this round, 1 to 10
    // While catching: the characters caught so far, so also the index of the one on show.
    // While counting: the characters counted so far.
    int current = 0;
    int cardCount = 5;          // 5, or 10 when more than five characters may come
    int chosenNumber = 0;       // the card chosen last
    int wrongAnswers = 0;       // in this round
    std::int32_t cellSize = 0;  // the side of a character, a numeral and a card in the row
    std::int32_t rowTop = 0;    // the tray's top
    std::int32_t rowLeft = 0;   // where the next caught character goes into the tray
    // Characters hop within these: a margin above and below, and lefts from 0 to leftRange.
    std::int32_t verticalMargin = 0;
    std::int32_t leftRange = 0;
    bool mixed = false;  // different pictures for the characters of this round
    // The picture of every character in a mixed round, else the one picture of all of them.
    std::array<QString, GameScreenModel::kPlaces> pictures;
    QString singlePicturePath;
};

// The game screen's behaviour: start-up sizing, rounds, catching and counting, the question and
// the cards, the judgement. The window calls the handlers; each changes the model and then calls
// `modelChanged` so the window repaints.
class GameScreen {
public:
    GameScreen(SharedState& shared, TimerService& timers, SoundPlayer& sound, RandomSource& random,
               CharacterPictures& pictures, GameHost& host);

    const GameScreenModel& model() const { return m_model; }
    std::function<void()> modelChanged;
    // Told of what happens in every round; none by default.
    void setListener(RoundListener* listener) { m_listener = listener; }
    // Given a copy of the adult's settings as each round begins, may change the round's fewest
    // and most characters and its counting way (おまかせ); the adult's settings stay as they are.
    std::function<void(GameSettings& settings)> planRound;

    // --- What the window calls -----------------------------------------------------------------
    // Start-up: the screen's size in twips; the mark is sized to it.
    void start(std::int32_t screenWidth, std::int32_t screenHeight);
    // The game window became active coming from this program: a fresh round.
    void activate();
    void keyPressed(int keyCode);
    // Pointer input in twips, routed to the topmost control that takes it.
    void pointerMoved(std::int32_t x, std::int32_t y);
    void pointerClicked(std::int32_t x, std::int32_t y);
    // Input on one control, as routed (only visible controls take it).
    void characterClicked(int index);
    void characterTouched(int index);
    void cardClicked(int index);
    // Silences the sound and stops every step: the round stands still until the next one.
    void stopAll();

    // --- What the round looks like -------------------------------------------------------------
    Phase phase() const { return m_phase; }
    const RoundState& round() const { return m_round; }
    // The adult's settings; the round plays by round().settings, which おまかせ may change.
    const GameSettings& settings() const { return m_shared.settings; }
    bool stepPending(Step step) const { return m_steps[index(step)].pending; }
    int stepInterval(Step step) const { return m_steps[index(step)].intervalMs; }

private:
    static constexpr int index(Step step) { return static_cast<int>(step); }

    // Steps with the toolkit's timer semantics: scheduling a step that is not pending starts
    // counting its interval from now, scheduling a pending one changes nothing, a new interval
    // restarts a pending step.
    void schedule(Step step);
    void cancel(Step step);
    void setInterval(Step step, int intervalMs);
    void onStepDue(Step step);

    // The round (round.cpp).
    void newRound();
    void drawPictures();
    void placeCharacter();
    void clearScreen();
    void hop();
    void nextCharacter();
    void nextRound();
    // Catching and counting (counting.cpp).
    void touchCharacter(int index);
    void catchCharacter();
    void countTouch(int index);
    void reportUncounted(int index, void (RoundListener::*what)(int));
    void intoTray();
    void numeralOff();
    void correction();
    void showMessage(const QString& text);
    // The question, the cards and the judgement (question.cpp).
    void askQuestion();
    void chooseCard(int index);
    void placeCardInRow(int index);
    void judge();
    void feedback();

    void play(Sound sound) { m_sound.play(sound); }
    void endRound(bool cutShort);

    // Every public entry point opens one. Handlers call one another (a click is routed to
    // characterClicked, which touches a character), so only the outermost tells the window to
    // repaint.
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

    struct StepState {
        bool pending = false;
        int intervalMs = 0;
    };
    // All start idle, with their design intervals; the hop's is replaced at every round by the
    // settings' blink time.
    std::array<StepState, kStepCount> m_steps{{{false, 100},
                                               {false, 1200},
                                               {false, 1000},
                                               {false, 1000},
                                               {false, 100},
                                               {false, 1000},
                                               {false, 2000},
                                               {false, 500},
                                               {false, 800}}};
    Phase m_phase = Phase::Stopped;
    RoundState m_round;
    bool m_roundOpen = false;  // begun and not yet told as ended
    // The character a touch that was not counted fell on last, told once until a touch counts.
    int m_lastUncounted = -1;
    int m_entryDepth = 0;

    SharedState& m_shared;
    TimerService& m_timers;
    SoundPlayer& m_sound;
    RandomSource& m_random;
    CharacterPictures& m_pictures;
    GameHost& m_host;
    RoundListener* m_listener = nullptr;
    GameScreenModel m_model;
};
