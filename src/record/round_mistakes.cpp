// The kinds of mistake of a round in memory, by the definitions of the views answer_kind,
// touch_kind and round_mistakes (record_schema.cpp); the record's tests hold the two together on
// played rounds.

#include <QSet>

#include "record/round_record.h"

namespace {
bool countedNumber(const RoundRecord::Touch& t, int pass, int number) {
    return t.pass == pass && t.kind == TouchKind::Counted && t.number == number;
}
}  // namespace

RoundMistakes mistakesOf(const RoundRecord& round) {
    RoundMistakes m;
    m.characters = round.characters;
    m.countWay = round.settings.countWay;
    m.cutShort = round.cutShort;
    m.beganAt = round.beganAt;
    m.answers = int(round.answers.size());
    const bool anyOrder = round.settings.countWay == CountWay::AnyOrder;
    const QList<RoundRecord::Touch>& touches = round.touches;
    const auto countComplete = [&](int pass) {
        return std::any_of(touches.begin(), touches.end(), [&](const RoundRecord::Touch& t) {
            return countedNumber(t, pass, round.characters);
        });
    };
    for (qsizetype i = 0; i < touches.size(); ++i) {
        const RoundRecord::Touch& t = touches[i];
        bool twice = false;
        if (t.kind == TouchKind::Repeat) {
            // A repeat on the character counted just before is the pointer resting on it.
            int lastCounted = -1;
            for (qsizetype j = i - 1; j >= 0 && lastCounted < 0; --j) {
                if (touches[j].kind == TouchKind::Counted)
                    lastCounted = touches[j].place;
            }
            twice = round.settings.clickToCount || t.place != lastCounted;
        } else if (anyOrder && t.kind == TouchKind::Counted) {
            for (qsizetype j = 0; j < i && !twice; ++j) {
                twice = touches[j].pass == t.pass && touches[j].kind == TouchKind::Counted &&
                        touches[j].place == t.place;
            }
        }
        m.countedTwice += twice;
        m.skipped += twice && anyOrder && countComplete(t.pass);
        m.orderMistakes += t.kind == TouchKind::OutOfOrder;
    }
    m.oneToOne = m.countedTwice + m.skipped;
    for (const RoundRecord::Answer& a : round.answers) {
        if (a.right) {
            if (m.solvedAt == 0 || a.attempt < m.solvedAt)
                m.solvedAt = a.attempt;
            continue;
        }
        bool counted = false;
        QSet<int> places;
        for (const RoundRecord::Touch& t : touches) {
            if (t.pass == a.attempt && t.kind == TouchKind::Counted) {
                counted = true;
                places.insert(t.place);
            }
        }
        const bool countRight =
            countComplete(a.attempt) && (!anyOrder || int(places.size()) == round.characters);
        m.countedRightAnsweredWrong += countRight;
        m.offByOne += std::abs(a.card - round.characters) == 1;
        m.answeredWithoutCounting += !counted;
    }
    return m;
}
