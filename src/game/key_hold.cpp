#include "game/key_hold.h"

#include "state/clock.h"

KeyHold::KeyHold(const Clock& clock, Alarm& hold, Alarm& release, std::function<void()> act)
    : m_clock(clock), m_hold(hold), m_release(release), m_act(std::move(act)) {
    m_hold.rang = [this] { holdTimeUp(); };
    m_release.rang = [this] { letGo(); };
}

bool KeyHold::pressed(int key, bool repeat, quint64 stamp) {
    const bool repeats = key == m_key && (repeat || (m_releaseWaits && stamp == m_releasedAt));
    m_release.stop();
    m_releaseWaits = false;
    // The held key repeating changes nothing; a new press starts its own two seconds.
    if (repeats)
        return false;
    m_key = key;
    m_lookedOnce = false;
    m_dueAt = m_clock.nowMs() + kHoldMs;
    m_hold.start(kHoldMs);
    return true;
}

void KeyHold::released(int key, bool repeat, quint64 stamp) {
    if (m_key == 0 || key != m_key || repeat)
        return;
    m_releasedAt = stamp;
    m_releaseWaits = true;
    m_release.start(kRepeatMs);
}

void KeyHold::letGo() {
    m_key = 0;
    m_releaseWaits = false;
    m_hold.stop();
    m_release.stop();
}

void KeyHold::holdTimeUp() {
    const bool heldUp = m_clock.nowMs() - m_dueAt > kHeldUpMs;
    if (!m_lookedOnce || heldUp || m_releaseWaits) {
        m_lookedOnce = true;
        m_dueAt = m_clock.nowMs() + kLookAgainMs;
        m_hold.start(kLookAgainMs);
        return;
    }
    m_act();
}
