#pragma once

// The real game screen and its real window, played in simulated time by a child who always
// counts right: the timers run on a clock that only the player moves, every sound lasts a fixed
// simulated while, and the pictures are read from disk as in the program. Used to play a great
// many rounds quickly and to bring the screen into a given state for drawing.

#include <QImage>
#include <QString>

#include <array>
#include <memory>
#include <random>

#include "game/game_screen.h"
#include "state/shared_state.h"
#include "ui/character_pictures.h"
#include "ui/game_window.h"

struct SimClock {
    qint64 now = 0;
};

// The nine timers on the simulated clock. Like Qt's, each repeats until it is stopped. Leaner than
// the tests' fakes on purpose: those keep every firing and every sound for the assertions, which
// would grow without end over the thousand rounds whose memory is measured here.
class SimTimers : public TimerService {
public:
    explicit SimTimers(SimClock& clock) : m_clock(clock) {}
    void start(int id, int intervalMs) override;
    void stop(int id) override;
    // Moves the clock on by `ms`, firing the timers that fall due, in time order.
    void advance(qint64 ms);

private:
    struct Slot {
        bool running = false;
        int interval = 0;
        qint64 due = 0;
    };
    SimClock& m_clock;
    std::array<Slot, 10> m_slots{};
};

// Every sound plays for the same simulated while; waiting for one moves the clock to its end.
class SimSound : public SoundPlayer {
public:
    static constexpr int kLengthMs = 300;
    explicit SimSound(SimClock& clock) : m_clock(clock) {}
    void play(const QString&) override { m_endsAt = m_clock.now + kLengthMs; }
    bool isPlaying() const override { return m_clock.now < m_endsAt; }
    void waitForSound() override { m_clock.now = std::max(m_clock.now, m_endsAt); }
    void silence() override { m_endsAt = 0; }

private:
    SimClock& m_clock;
    qint64 m_endsAt = 0;
};

class SimRandom : public RandomSource {
public:
    explicit SimRandom(quint64 seed) : m_engine(seed) {}
    double Rnd() override { return std::uniform_real_distribution<double>(0.0, 1.0)(m_engine); }

private:
    std::mt19937_64 m_engine;
};

class SimHost : public GameHost {
public:
    void endProgram() override {}
    void showSettingsScreen() override {}
    void showSelectionScreen() override {}
};

class SimGame {
public:
    // The game on the pictures of `dataFolder` (which gains "Pimo.txt" and "Fname.txt"), with
    // these settings, on a screen of `width` x `height` pixels at 96 DPI.
    SimGame(const QString& dataFolder, const GameSettings& settings, int width, int height,
            quint64 seed = 1);

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
    SimTimers m_timers{m_clock};
    SimSound m_sound{m_clock};
    SimRandom m_random;
    SimHost m_host;
    QtCharacterPictures m_pictures;
    std::unique_ptr<GameScreen> m_game;
    std::unique_ptr<GameWindow> m_window;
    int m_rightAnswers = 0;
};
