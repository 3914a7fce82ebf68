#include "record/recorder.h"

#include <utility>

Recorder::Recorder(const Clock& clock, const GameSettings& settings, Sink finished)
    : m_clock(clock), m_settings(settings), m_finished(std::move(finished)) {}

void Recorder::roundBegan(int characterCount) {
    m_open = m_child.has_value();
    if (!m_open)
        return;
    m_round = RoundRecord{};
    m_round.childId = *m_child;
    m_round.beganAt = m_clock.nowMs();
    m_round.characters = characterCount;
    m_round.settings = m_settings;
    m_shownAt.fill(0);
    m_seq = 0;
}

void Recorder::characterShown(int index) {
    if (m_open && index >= 0 && index < int(m_shownAt.size()))
        m_shownAt[index] = sinceBegan();
}

void Recorder::characterCaught(int index) {
    if (!m_open || index < 0 || index >= int(m_shownAt.size()))
        return;
    // Without sound a character can be caught again before it goes into the tray: the first
    // catch is the one that counts.
    for (const RoundRecord::Catch& c : std::as_const(m_round.catches)) {
        if (c.place == index)
            return;
    }
    const qint64 at = sinceBegan();
    m_round.catches.append({index, at, at - m_shownAt[index]});
}

void Recorder::touch(int index, TouchKind kind, int number) {
    if (!m_open)
        return;
    // Counting before the first answer leads to try 1; each wrong answer starts a new pass.
    const int pass = int(m_round.answers.size()) + 1;
    m_round.touches.append({m_seq++, sinceBegan(), pass, index, kind, number});
}

void Recorder::touchCounted(int index, int number) {
    touch(index, TouchKind::Counted, number);
}
void Recorder::touchOutOfOrder(int index) {
    touch(index, TouchKind::OutOfOrder);
}
void Recorder::touchRepeated(int index) {
    touch(index, TouchKind::Repeat);
}
void Recorder::touchIgnored(int index) {
    touch(index, TouchKind::Ignored);
}

void Recorder::cardChosen(int number, bool right) {
    if (!m_open)
        return;
    const int attempt = int(m_round.answers.size()) + 1;
    m_round.answers.append({m_seq++, sinceBegan(), attempt, number, right});
}

void Recorder::roundEnded(bool cutShort) {
    if (!m_open)
        return;
    m_open = false;
    m_round.endedAt = m_clock.nowMs();
    m_round.cutShort = cutShort;
    if (m_finished)
        m_finished(std::move(m_round));
    m_round = RoundRecord{};
}
