#pragma once

// Stand-ins for the game screen's ports, all on one simulated clock, so that whole rounds play
// in tests deterministically and in no real time at all.

#include <QList>
#include <QMap>
#include <QQueue>
#include <QString>
#include <QStringList>

#include <array>
#include <random>

#include "game/ports.h"

// Milliseconds since the test began. Only the fakes move it.
struct SimClock {
    qint64 now = 0;
};

// The nine timers. advance(ms) fires the timers that fall due, in time order (ties by timer
// number), and re-arms the repeating ones. A handler that waits for a sound moves the clock on;
// timers that fell due meanwhile fire afterwards, in order.
class FakeTimers : public TimerService {
public:
    explicit FakeTimers(SimClock& clock) : m_clock(clock) {}

    void start(int id, int intervalMs) override;
    void stop(int id) override;
    bool isRunning(int id) const { return m_slots.at(id).running; }
    bool anyRunning() const;

    void advance(qint64 ms);

    struct Fire {
        int id;
        qint64 at;
    };
    QList<Fire> fires;  // every firing, in order
    // The times timer `id` fired at, from `since` on.
    QList<qint64> firesOf(int id, qint64 since = 0) const;

private:
    struct Slot {
        bool running = false;
        int interval = 0;
        qint64 due = 0;
        quint64 generation = 0;
    };
    SimClock& m_clock;
    std::array<Slot, 10> m_slots{};
};

// One sound at a time. A sound "plays" for the length set for its file (default 600 ms; 0 means
// the file is missing: nothing plays). waitForSound moves the clock to the sound's end without
// firing any timer.
class FakeSoundPlayer : public SoundPlayer {
public:
    explicit FakeSoundPlayer(SimClock& clock) : m_clock(clock) {}

    void setLength(const QString& file, int ms) { m_lengths[file] = ms; }
    void setDefaultLength(int ms) { m_defaultLength = ms; }

    void play(const QString& fileName) override;
    bool isPlaying() const override { return m_clock.now < m_endsAt; }
    void waitForSound() override;
    void silence() override;

    // The sound that is heard now ("" when none).
    QString current() const { return isPlaying() ? m_current : QString(); }
    qint64 endsAt() const { return m_endsAt; }

    struct Played {
        QString file;
        qint64 at;
    };
    QList<Played> plays;  // every play() in order
    int silences = 0;
    int waits = 0;
    // The files played from `since` on, in order.
    QStringList filesSince(qint64 since) const;

private:
    SimClock& m_clock;
    QMap<QString, int> m_lengths;
    int m_defaultLength = 600;
    QString m_current;
    qint64 m_endsAt = 0;
};

// A queue of values for Rnd, then a generator with a fixed seed.
class ScriptedRandom : public RandomSource {
public:
    explicit ScriptedRandom(unsigned seed = 12345) : m_engine(seed) {}
    void push(double value) { m_queue.enqueue(value); }
    double Rnd() override;
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
    void load(int index, const QString& path) override { loads.append({index, path}); }
};

class RecordingHost : public GameHost {
public:
    QStringList calls;  // "end", "settings", "selection"
    void endProgram() override { calls.append(QStringLiteral("end")); }
    void showSettingsScreen() override { calls.append(QStringLiteral("settings")); }
    void showSelectionScreen() override { calls.append(QStringLiteral("selection")); }
};
