#pragma once

// Stand-ins for the game screen's ports, all on one simulated clock, so that whole rounds play
// in tests deterministically and in no real time at all; and a microphone for the voice screen.

#include <QList>
#include <QMap>
#include <QQueue>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <random>
#include <utility>

#include "game/key_hold.h"
#include "game/ports.h"
#include "state/clock.h"
#include "ui/listening_player.h"
#include "voice/microphone.h"

// The sound's name in a failed comparison ("Hop", "Three").
char* toString(Sound sound);

// Milliseconds since the test began. Only the fakes move it.
struct SimClock {
    qint64 now = 0;
};

// The clock of everything that reads the time, in tests: a fixed moment (2024-05-01 09:00:00 UTC
// unless told), moved on by the simulated clock of a game when it is given one.
class FakeClock : public Clock {
public:
    static constexpr qint64 kEpoch = 1714554000000;
    explicit FakeClock(const SimClock* simulated = nullptr, qint64 start = kEpoch)
        : sim(simulated), startMs(start) {}
    qint64 nowMs() const override { return startMs + (sim != nullptr ? sim->now : 0); }

    const SimClock* sim;
    qint64 startMs;
};

// An alarm in simulated time: it rings when the test, having moved the clock, asks it to.
class FakeAlarm : public Alarm {
public:
    explicit FakeAlarm(const SimClock& clock) : m_clock(clock) {}
    void start(int ms) override { m_dueAt = m_clock.now + ms; }
    void stop() override { m_dueAt.reset(); }
    // Rings once when its time has come by the clock.
    void ringIfDue() {
        if (m_dueAt && *m_dueAt <= m_clock.now) {
            m_dueAt.reset();
            rang();
        }
    }

private:
    const SimClock& m_clock;
    std::optional<qint64> m_dueAt;
};

// The game's steps. advance(ms) fires the steps that fall due, in time order (ties in the order
// of Step), and re-arms the repeating hop. A handler that waits for a sound moves the clock on;
// steps that fell due meanwhile fire afterwards, in order.
class FakeTimers : public TimerService {
public:
    explicit FakeTimers(SimClock& clock) : m_clock(clock) {}

    void start(Step step, int intervalMs) override;
    void stop(Step step) override;
    bool isRunning(Step step) const { return slot(step).running; }
    bool anyRunning() const;

    void advance(qint64 ms);

    // Every firing in order. A long run (the benchmark's thousand rounds) turns this off so that
    // memory stays flat.
    bool recordFires = true;
    struct Fire {
        Step step;
        qint64 at;
    };
    QList<Fire> fires;
    // The times `step` fired at, from `since` on.
    QList<qint64> firesOf(Step step, qint64 since = 0) const;

private:
    struct Slot {
        bool running = false;
        int interval = 0;
        qint64 due = 0;
        quint64 generation = 0;
    };
    Slot& slot(Step step) { return m_slots[static_cast<int>(step)]; }
    const Slot& slot(Step step) const { return m_slots[static_cast<int>(step)]; }
    SimClock& m_clock;
    std::array<Slot, kStepCount> m_slots{};
};

// One sound at a time. A sound "plays" for the length set for it (default 600 ms; 0 means its
// file is missing: nothing plays). waitForSound moves the clock to the sound's end without
// firing any step. A sound file (the voice screen's recording before it is kept) is noted and
// never plays.
class FakeSoundPlayer : public SoundPlayer, public ListeningPlayer {
public:
    explicit FakeSoundPlayer(SimClock& clock) : m_clock(clock) {}

    void setLength(Sound sound, int ms) { m_lengths[sound] = ms; }
    void setDefaultLength(int ms) { m_defaultLength = ms; }

    void play(Sound sound) override;
    bool isPlaying() const override { return m_clock.now < m_endsAt; }
    void waitForSound() override;
    void silence() override;
    void playFile(const QString& path) override { filesPlayed.append(path); }

    // The sound that is heard now, if any.
    std::optional<Sound> current() const;
    qint64 endsAt() const { return m_endsAt; }

    bool recordPlays = true;  // off for long runs, as FakeTimers::recordFires
    struct Played {
        Sound sound;
        qint64 at;
    };
    QList<Played> plays;  // every play() in order
    int silences = 0;
    int waits = 0;
    QStringList filesPlayed;
    // The sounds played from `since` on, in order.
    QList<Sound> soundsSince(qint64 since) const;

private:
    SimClock& m_clock;
    QMap<Sound, int> m_lengths;
    int m_defaultLength = 600;
    Sound m_current = Sound::Hop;
    qint64 m_endsAt = 0;
};

// A queue of values for uniform(), then a generator with a fixed seed.
class ScriptedRandom : public RandomSource {
public:
    explicit ScriptedRandom(unsigned seed = 12345) : m_engine(seed) {}
    void push(double value) { m_queue.enqueue(value); }
    double uniform() override;
    int drawn = 0;

private:
    QQueue<double> m_queue;
    std::mt19937 m_engine;
};

class RecordingPictures : public CharacterPictures {
public:
    struct Load {
        int index;
        QString path;
    };
    QList<Load> loads;
    bool recordLoads = true;
    void load(int index, const QString& path) override {
        if (recordLoads)
            loads.append({index, path});
    }
};

class RecordingHost : public GameHost {
public:
    QStringList calls;  // "end", "settings", "selection"
    void endProgram() override { calls.append(QStringLiteral("end")); }
    void showScreen(AdultScreen screen) override {
        calls.append(screen == AdultScreen::Settings ? QStringLiteral("settings")
                     : screen == AdultScreen::Selection
                         ? QStringLiteral("selection")
                         : QStringLiteral("screen %1").arg(int(screen)));
    }
};

// What the game told of its rounds, one line each: "began 3", "caught 0", "counted 0 1",
// "out of order 2", "repeat 0", "ignored 1", "asked", "chose 3 right", "chose 2 wrong", "ended",
// "cut short".
class RecordingListener : public RoundListener {
public:
    QStringList events;
    void roundBegan(int characterCount) override;
    void characterCaught(int index) override;
    void touchCounted(int index, int number) override;
    void touchOutOfOrder(int index) override;
    void touchRepeated(int index) override;
    void touchIgnored(int index) override;
    void questionAsked() override;
    void cardChosen(int number, bool right) override;
    void roundEnded(bool cutShort) override;
};

// A microphone that hears what the test gives it, at `rate`. With `present` false there is none.
class FakeMicrophone : public Microphone {
public:
    bool present = true;
    int rate = 10000;

    bool open() override { return m_open = present; }
    int sampleRate() const override { return rate; }
    QList<float> takeSamples() override { return std::exchange(m_waiting, {}); }
    void close() override { m_open = false; }
    bool isOpen() const { return m_open; }

    // The microphone hears `samples`, all at once, and says so while it is open.
    void hear(const QList<float>& samples) {
        m_waiting += samples;
        if (m_open && heard)
            heard();
    }
    // The microphone is unplugged.
    void unplug() {
        if (m_open && lost)
            lost();
        m_open = false;
    }

private:
    bool m_open = false;
    QList<float> m_waiting;
};
