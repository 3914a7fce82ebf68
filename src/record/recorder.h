#pragma once

#include <array>
#include <functional>
#include <optional>

#include "game/ports.h"
#include "record/round_record.h"
#include "state/game_settings.h"

// Listens to the game screen and turns each round of the child who plays into a RoundRecord,
// handed to `finished` when the round ends or is cut short. While no child plays (a guest, or no
// child chosen) it keeps nothing. It runs on the game's thread and only gathers: writing is the
// sink's business.
class Recorder : public RoundListener {
public:
    using Sink = std::function<void(RoundRecord&& round)>;
    // `settings` are read as each round begins.
    Recorder(const Clock& clock, const GameSettings& settings, Sink finished);

    // The child whose rounds are recorded from the next round on; nullopt records nothing. A
    // round already under way stays with the child it began with.
    void setChild(std::optional<qint64> childId) { m_child = childId; }
    std::optional<qint64> child() const { return m_child; }

    void roundBegan(int characterCount) override;
    void characterShown(int index) override;
    void characterCaught(int index) override;
    void touchCounted(int index, int number) override;
    void touchOutOfOrder(int index) override;
    void touchRepeated(int index) override;
    void touchIgnored(int index) override;
    void cardChosen(int number, bool right) override;
    void roundEnded(bool cutShort) override;

private:
    void touch(int index, TouchKind kind, int number = 0);
    qint64 sinceBegan() const { return m_clock.nowMs() - m_round.beganAt; }

    const Clock& m_clock;
    const GameSettings& m_settings;
    Sink m_finished;
    std::optional<qint64> m_child;
    bool m_open = false;  // a round of a child is being gathered
    RoundRecord m_round;
    std::array<qint64, 10> m_shownAt{};  // when each character came on
    int m_seq = 0;
};
