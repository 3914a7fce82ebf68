#include "record/omakase_rounds.h"

void OmakaseRounds::follow(std::optional<qint64> childId, const QList<RoundMistakes>& rounds) {
    m_child = childId;
    m_rounds = childId ? rounds : QList<RoundMistakes>{};
    m_planned.reset();
}

void OmakaseRounds::planRound(GameSettings& settings) {
    m_planned.reset();
    if (!m_child)
        return;
    const Omakase::Choice choice = Omakase::next(m_rounds);
    settings.minCount = settings.maxCount = qint16(choice.characters);
    settings.countWay = choice.countWay;
    m_planned = choice;
}

void OmakaseRounds::roundEnded(RoundRecord& round) {
    if (!m_child || round.childId != *m_child || !m_planned)
        return;
    round.chosen = std::exchange(m_planned, std::nullopt);
    m_rounds.append(mistakesOf(round));
}
