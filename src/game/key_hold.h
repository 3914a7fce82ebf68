#pragma once

#include <QtGlobal>

#include <functional>

class Clock;

// Rings once, a given time from now; the classroom lock's two waits. The program's rings on Qt's
// event loop; tests ring it in simulated time.
class Alarm {
public:
    virtual ~Alarm() = default;
    // Rings `ms` from now; set again while set, it counts anew from now.
    virtual void start(int ms) = 0;
    virtual void stop() = 0;
    // Set by the owner: called when the time comes.
    std::function<void()> rang;
};

// The classroom lock's rule for an adult key: it acts only once held down for two seconds. The
// lock hands it the presses and releases of the adult keys and says when the key can no longer be
// seen (its window lost the keyboard); `act` is called when the key has been held long enough,
// and the key stays held until it is let go: its repeats do nothing more.
//
// Two things of real keyboards and event loops are in the rule:
// - A key held down repeats. Under X a repeat comes as a release and a press with the same time
//   stamp, not always marked as a repeat; so a release counts only when no press of the key with
//   the release's time stamp follows within a short wait.
// - The program may be blocked as the two seconds run out (a wait for a sound), with the key's
//   release queued behind, and a timer is served before the input that came meanwhile. So the hold
//   acts only at a second look a moment later, and only when that look comes on time: the queued
//   input is seen first.
class KeyHold {
public:
    static constexpr int kHoldMs = 2000;
    // How long after the two seconds the hold looks again.
    static constexpr int kLookAgainMs = 50;
    // A look later than this after it fell due was held up: the program was blocked, and the key
    // may have been let go meanwhile. (Not less: a busy machine is late a little at every turn, and
    // the adult must still be able to end the game.)
    static constexpr int kHeldUpMs = 100;
    // How long a release waits for the press of a repeat.
    static constexpr int kRepeatMs = 50;

    KeyHold(const Clock& clock, Alarm& hold, Alarm& release, std::function<void()> act);

    // A press of the adult key `key` (the game's code); `repeat` when the system marks it so.
    // `stamp` is the system's time stamp of the key. True when it starts a hold of its own (it is
    // not the held key repeating).
    bool pressed(int key, bool repeat, quint64 stamp);
    void released(int key, bool repeat, quint64 stamp);
    // The key can no longer be seen: its window lost the keyboard, or went.
    void letGo();
    // The key held down now (0 for none).
    int heldKey() const { return m_key; }

private:
    void holdTimeUp();

    const Clock& m_clock;
    Alarm& m_hold;     // runs while an adult key is held down
    Alarm& m_release;  // runs while a release waits for a repeat's press
    std::function<void()> m_act;
    int m_key = 0;
    qint64 m_dueAt = 0;
    bool m_lookedOnce = false;
    bool m_releaseWaits = false;
    quint64 m_releasedAt = 0;
};
