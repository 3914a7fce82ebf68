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
    // ... the game-logic implementation adds its private members here.
    SharedState& m_shared;
    TimerService& m_timers;
    SoundPlayer& m_sound;
    RandomSource& m_random;
    CharacterPictures& m_pictures;
    GameHost& m_host;
    GameScreenModel m_model;
};
