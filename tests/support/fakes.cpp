#include "support/fakes.h"

#include <algorithm>

void FakeTimers::start(int id, int intervalMs) {
    Slot& slot = m_slots.at(id);
    slot.running = true;
    slot.interval = std::max(intervalMs, 1);
    slot.due = m_clock.now + slot.interval;
    ++slot.generation;
}

void FakeTimers::stop(int id) {
    Slot& slot = m_slots.at(id);
    slot.running = false;
    ++slot.generation;
}

bool FakeTimers::anyRunning() const {
    return std::any_of(m_slots.begin(), m_slots.end(), [](const Slot& s) { return s.running; });
}

void FakeTimers::advance(qint64 ms) {
    const qint64 target = m_clock.now + ms;
    for (;;) {
        // A wait for a sound inside a handler may have carried the clock past the target.
        const qint64 limit = std::max(target, m_clock.now);
        int next = -1;
        for (int id = 1; id < int(m_slots.size()); ++id) {
            const Slot& s = m_slots[id];
            if (s.running && s.due <= limit && (next < 0 || s.due < m_slots[next].due))
                next = id;
        }
        if (next < 0)
            break;
        Slot& slot = m_slots[next];
        m_clock.now = std::max(m_clock.now, slot.due);
        const quint64 generation = slot.generation;
        fires.append({next, m_clock.now});
        if (fired)
            fired(next);
        // A repeating timer counts on from when it was due, like the toolkit's, unless the
        // handler stopped or restarted it.
        if (slot.running && slot.generation == generation) {
            slot.due += slot.interval;
            if (slot.due <= m_clock.now)
                slot.due = m_clock.now + slot.interval;
        }
    }
    m_clock.now = std::max(m_clock.now, target);
}

QList<qint64> FakeTimers::firesOf(int id, qint64 since) const {
    QList<qint64> times;
    for (const Fire& f : fires) {
        if (f.id == id && f.at >= since)
            times.append(f.at);
    }
    return times;
}

void FakeSoundPlayer::play(const QString& fileName) {
    plays.append({fileName, m_clock.now});
    m_current = fileName;
    m_endsAt = m_clock.now + m_lengths.value(fileName, m_defaultLength);
}

void FakeSoundPlayer::waitForSound() {
    ++waits;
    if (isPlaying())
        m_clock.now = m_endsAt;
}

void FakeSoundPlayer::silence() {
    ++silences;
    m_endsAt = std::min(m_endsAt, m_clock.now);
}

QStringList FakeSoundPlayer::filesSince(qint64 since) const {
    QStringList files;
    for (const Played& p : plays) {
        if (p.at >= since)
            files.append(p.file);
    }
    return files;
}

double ScriptedRandom::Rnd() {
    ++drawn;
    if (!m_queue.isEmpty())
        return m_queue.dequeue();
    // Some standard libraries can round generate_canonical up to 1; Rnd stays below it.
    return std::min(std::generate_canonical<double, 53>(m_engine), 0.9999999999);
}
