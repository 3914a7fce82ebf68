#pragma once

#include <QtGlobal>

#include <array>

#include "coach/mistake_kinds.h"

// One round of a child as おまかせ and the report read it: its number and counting way, the
// answers, and the kinds of mistake in it as the record's view round_mistakes counts them.
struct RoundMistakes {
    qint64 roundId = 0;
    int characters = 0;
    int countWay = 0;
    bool cutShort = false;
    int answers = 0;
    int solvedAt = 0;  // the try that was right; 0 when none was
    int countedTwice = 0;
    int skipped = 0;
    int oneToOne = 0;
    int orderMistakes = 0;
    int countedRightAnsweredWrong = 0;
    int offByOne = 0;
    int answeredWithoutCounting = 0;
    qint64 beganAt = 0;  // milliseconds since 1970-01-01 UTC

    bool answered() const { return answers > 0; }
    bool firstTry() const { return solvedAt == 1; }
    // How many mistakes of `kind` the round holds, as they count at its number of characters.
    int with(Mistake::Kind kind) const {
        const std::array<int, Mistake::kKinds> all{oneToOne, orderMistakes,
                                                   countedRightAnsweredWrong, offByOne,
                                                   answeredWithoutCounting};
        return Mistake::counts(kind, characters) ? all[size_t(kind)] : 0;
    }
    // Right at the first try with no mistake on the way: the round a number is mastered by.
    bool clean() const {
        if (!firstTry())
            return false;
        for (Mistake::Kind kind : Mistake::kAllKinds) {
            if (with(kind) > 0)
                return false;
        }
        return true;
    }
};
