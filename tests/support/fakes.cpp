#include "support/fakes.h"

#include <QByteArray>

#include <algorithm>

char* toString(Sound sound) {
    static const char* const names[] = {
        "",        "One",           "Two",   "Three", "Four",    "Five",     "Six",
        "Seven",   "Eight",         "Nine",  "Ten",   "Hop",     "IntoTray", "LetsCount",
        "HowMany", "HowManyPeople", "Right", "Wrong", "OnceMore"};
    const int n = static_cast<int>(sound);
    return qstrdup(n >= 1 && n <= kSoundCount ? names[n] : "?");
}

void FakeTimers::start(Step step, int intervalMs) {
    Slot& s = slot(step);
    s.running = true;
    s.interval = std::max(intervalMs, 1);
    s.due = m_clock.now + s.interval;
    ++s.generation;
}

void FakeTimers::stop(Step step) {
    Slot& s = slot(step);
    s.running = false;
    ++s.generation;
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
        for (int i = 0; i < kStepCount; ++i) {
            const Slot& s = m_slots[i];
            if (s.running && s.due <= limit && (next < 0 || s.due < m_slots[next].due))
                next = i;
        }
        if (next < 0)
            break;
        Slot& s = m_slots[next];
        const Step step = kAllSteps[next];
        m_clock.now = std::max(m_clock.now, s.due);
        const quint64 generation = s.generation;
        if (recordFires)
            fires.append({step, m_clock.now});
        if (fired)
            fired(step);
        // A repeating step counts on from when it was due, like the toolkit's timers, unless
        // the handler stopped or restarted it.
        if (s.running && s.generation == generation) {
            s.due += s.interval;
            if (s.due <= m_clock.now)
                s.due = m_clock.now + s.interval;
        }
    }
    m_clock.now = std::max(m_clock.now, target);
}

QList<qint64> FakeTimers::firesOf(Step step, qint64 since) const {
    QList<qint64> times;
    for (const Fire& f : fires) {
        if (f.step == step && f.at >= since)
            times.append(f.at);
    }
    return times;
}

void FakeSoundPlayer::play(Sound sound) {
    if (recordPlays)
        plays.append({sound, m_clock.now});
    m_current = sound;
    m_endsAt = m_clock.now + m_lengths.value(sound, m_defaultLength);
}

std::optional<Sound> FakeSoundPlayer::current() const {
    if (!isPlaying())
        return std::nullopt;
    return m_current;
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

QList<Sound> FakeSoundPlayer::soundsSince(qint64 since) const {
    QList<Sound> sounds;
    for (const Played& p : plays) {
        if (p.at >= since)
            sounds.append(p.sound);
    }
    return sounds;
}

double ScriptedRandom::uniform() {
    ++drawn;
    if (!m_queue.isEmpty())
        return m_queue.dequeue();
    // Some standard libraries can round generate_canonical up to 1; uniform() stays below it.
    return std::min(std::generate_canonical<double, 53>(m_engine), 0.9999999999);
}

void RecordingListener::roundBegan(int characterCount) {
    events.append(QStringLiteral("began %1").arg(characterCount));
}
void RecordingListener::characterCaught(int index) {
    events.append(QStringLiteral("caught %1").arg(index));
}
void RecordingListener::touchCounted(int index, int number) {
    events.append(QStringLiteral("counted %1 %2").arg(index).arg(number));
}
void RecordingListener::touchOutOfOrder(int index) {
    events.append(QStringLiteral("out of order %1").arg(index));
}
void RecordingListener::touchRepeated(int index) {
    events.append(QStringLiteral("repeat %1").arg(index));
}
void RecordingListener::touchIgnored(int index) {
    events.append(QStringLiteral("ignored %1").arg(index));
}
void RecordingListener::questionAsked() {
    events.append(QStringLiteral("asked"));
}
void RecordingListener::cardChosen(int number, bool right) {
    events.append(QStringLiteral("chose %1 %2").arg(number).arg(right ? "right" : "wrong"));
}
void RecordingListener::roundEnded(bool cutShort) {
    events.append(cutShort ? QStringLiteral("cut short") : QStringLiteral("ended"));
}
