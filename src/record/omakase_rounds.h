#pragma once

#include <QList>

#include <optional>

#include "coach/round_chooser.h"
#include "record/round_record.h"
#include "state/game_settings.h"

// おまかせ for the child who plays: their rounds, read from the record once when they are
// chosen and then followed in memory as each round ends (the game's thread never waits for the
// record's writer), and the choice of each next round. Lives on the game's thread.
class OmakaseRounds {
public:
    // The child who plays from now on, with their rounds (oldest first); nullopt: the adult's
    // settings for everyone.
    void follow(std::optional<qint64> childId, const QList<RoundMistakes>& rounds = {});
    bool active() const { return m_child.has_value(); }
    const QList<RoundMistakes>& rounds() const { return m_rounds; }

    // The game's hook as a round begins: the round's number and counting way, when the child
    // who plays is on おまかせ. The adult's other settings stay.
    void planRound(GameSettings& settings);
    // The recorder's round as it ends, before it goes to the writer: marked with what was chosen
    // and added to the child's rounds.
    void roundEnded(RoundRecord& round);

private:
    std::optional<qint64> m_child;
    QList<RoundMistakes> m_rounds;
    std::optional<Omakase::Choice> m_planned;
};
