#pragma once

// A game screen wired to the fakes, and a child who plays it.

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

#include "game/game_screen.h"
#include "support/fakes.h"

// Ten pictures "p0.gif" to "p9.gif" in "data/", all selected.
QStringList tenPictures();

struct GameRig {
    // A screen of widthPx x heightPx pixels at 15 twips each; started, no round yet. The game
    // plays its sounds on `player` when one is given (a real one), else on `sound`.
    explicit GameRig(const GameSettings& settings, int widthPx = 1024, int heightPx = 768,
                     const QStringList& selected = tenPictures(), SoundPlayer* player = nullptr);

    SimClock clock;
    FakeTimers timers{clock};
    FakeSoundPlayer sound{clock};
    ScriptedRandom random;
    RecordingPictures pictures;
    RecordingHost host;
    RecordingListener listener;
    SharedState shared;
    GameScreen game;
    int modelChanges = 0;

    const GameScreenModel& model() const { return game.model(); }
    GameSettings& settings() { return shared.settings; }
    const RoundState& round() const { return game.round(); }

    // The next round gets `count` characters, given the settings' fewest and most.
    void scriptCharacterCount(int count);
    // Starts a round as the window's activation does, with `count` characters when given.
    void activate(int count = 0);

    // No sound plays and no step of the round is pending, the hop aside.
    bool quiet() const;
    // The visible characters, numerals and cards, by index.
    QList<int> visibleCharacters() const;
    QList<int> visibleNumerals() const;
    QList<int> visibleCards() const;
};

// Plays like a child: waits in small steps of simulated time until the game would take a touch,
// then touches. Every helper returns false when what it waited for never came.
class Child {
public:
    explicit Child(GameRig& rig, int tickMs = 10) : m_rig(rig), m_tickMs(tickMs) {}

    // Called after every tick; a test may act there (press a key, throw to break off).
    std::function<void()> onTick;

    // Lets time pass in ticks until `ready` holds.
    bool waitUntil(const std::function<bool()>& ready, qint64 limitMs = 120000);
    bool waitUntilQuiet() {
        return waitUntil([this] { return m_rig.quiet(); });
    }

    // The pointer over the middle of character `index`: a click or a movement, as the settings
    // make a touch.
    void touch(int index);
    void clickCard(int number);

    // Catches every character on show, then waits until counting can begin.
    bool catchAll();
    // Touches the characters `indices` in turn, each once the game would take it.
    bool count(const QList<int>& indices);
    bool countInOrder();
    // Waits for the cards and the end of the question, then clicks card `number`.
    bool answer(int number);

private:
    void tick();
    GameRig& m_rig;
    int m_tickMs;
};
