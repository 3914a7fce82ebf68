#pragma once

// The real game screen and its real window, played in simulated time by a child who always
// counts right: the timers run on a clock that only the player moves, every sound lasts a fixed
// simulated while, and the pictures are read from disk as in the program. Used to play a great
// many rounds quickly and to bring the screen into a given state for drawing.

#include <QImage>
#include <QString>

#include <memory>

#include "game/game_screen.h"
#include "state/shared_state.h"
#include "support/fakes.h"
#include "ui/character_pictures.h"
#include "ui/game_window.h"

// The tests' timers and sound player on the simulated clock, with their records off: over the
// thousand rounds whose memory is measured here, a record of every step and every sound would
// grow without end. Every sound plays for the same simulated while.
inline constexpr int kSimSoundMs = 300;

class SimGame {
public:
    // The game on the pictures of `dataFolder` (which gains "Pimo.txt" and "Fname.txt"), with
    // these settings, on a screen of `width` x `height` pixels at 96 DPI.
    SimGame(const QString& dataFolder, const GameSettings& settings, int width, int height,
            unsigned seed = 1);

    GameScreen& game() { return *m_game; }
    GameWindow& window() { return *m_window; }
    const QtCharacterPictures& pictures() const { return m_pictures; }

    // Moves the clock on by `ms` without touching or clicking anything.
    void wait(qint64 ms) { m_timers.advance(ms); }
    // Plays on for `ms` of simulated time, touching and clicking where the child would.
    void play(qint64 ms);
    // Plays until `count` more right answers have been given; false if the game got stuck.
    bool playRounds(int count);
    // Plays until the question waits for a card; false if it never came.
    bool playUntilCards();
    int rightAnswers() const { return m_rightAnswers; }

    // The window drawn into `image` (sized to the window) as the screen would show it.
    void render(QImage& image);

private:
    void act();
    bool cardsWaiting() const;

    SimClock m_clock;
    SharedState m_shared;
    FakeTimers m_timers{m_clock};
    FakeSoundPlayer m_sound{m_clock};
    ScriptedRandom m_random;
    RecordingHost m_host;
    QtCharacterPictures m_pictures;
    std::unique_ptr<GameScreen> m_game;
    std::unique_ptr<GameWindow> m_window;
    int m_rightAnswers = 0;
};
