#pragma once

// A seeded monkey that plays the game screen on the simulated clock: it moves the pointer,
// catches and counts characters (the right one mostly, others sometimes), hovers and clicks
// cards, answers right mostly and wrong sometimes, and presses keys at random moments. After
// every event (an input, a timer step, time passing) it checks what must always hold, and stops
// at the first violation with the seed, the round and the event.

#include <QString>

#include <functional>

struct GameRig;

struct MonkeyFigures {
    qint64 rounds = 0;             // rounds finished with a right answer
    qint64 interruptedRounds = 0;  // rounds left by H or N
    qint64 events = 0;             // inputs, timer steps and passing time
    qint64 checks = 0;             // invariant checks made
    qint64 inputs = 0;             // pointer events and keys
    qint64 timerSteps = 0;
    qint64 wrongAnswers = 0;
    qint64 countingErrors = 0;  // out-of-order touches corrected by the game
    qint64 simulatedMs = 0;
    int combinations = 0;  // settings combinations played
};

class Monkey {
public:
    explicit Monkey(quint32 seed) : m_seed(seed) {}

    // Plays until at least `rounds` rounds have been finished, spread evenly over every
    // combination of the counting way, touch or click, same or mixed pictures, the question and
    // the minimum/maximum pairs; selection, sound lengths, screen size, blinkTime and pointer
    // vary with the seed. Returns an empty text, or the first violation found.
    QString play(int rounds);

    const MonkeyFigures& figures() const { return m_figures; }

    // Called after every event with the game being played and the event's number. Tests of the
    // monkey itself break the game there behind its back and expect it to notice.
    std::function<void(GameRig& rig, qint64 event)> afterEvent;

private:
    quint32 m_seed;
    MonkeyFigures m_figures;
};
