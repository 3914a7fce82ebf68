#pragma once

#include <QList>

#include <optional>

#include "coach/played_round.h"

// おまかせ: the next round of a child, chosen from their rounds as a teacher would. The rules and
// why each holds are in docs/omakase.md.
namespace Omakase {

// Why a round has its number of characters.
enum class Why {
    Start,      // nothing mastered yet: the numbers seen at a glance, 1 to 3
    Frontier,   // the smallest number not yet mastered (figures: right of of)
    Above,      // one (or two) above the frontier, to get used to it
    Review,     // a mastered number, so that success stays frequent (figures: right of of)
    StepDown,   // two rounds in a row wrong at the first try: back to a mastered number
    AllDone,    // 1 to 10 are all mastered
};
inline constexpr int kWhyCount = 6;

struct Reason {
    Why why = Why::Start;
    int right = 0;  // of the last rounds of the number: right at the first try, cleanly
    int of = 0;     // and how many they were
};

struct Choice {
    int characters = 1;
    qint16 countWay = 1;
    Reason reason;
    // The kind of mistake the counting way practises; none when the way is a new child's or
    // the one without mistakes.
    std::optional<Mistake::Kind> followed;
};

// A number is mastered when at least 4 in 5 (kMasteredShare) of its last kMasteredOf rounds were
// right at the first try without a mistake, and it has at least kFirstRounds rounds (one fewer
// for the numbers seen at a glance).
inline constexpr int kMasteredOf = 10;
inline constexpr double kMasteredShare = 0.8;
inline constexpr int kFirstRounds = 3;
// The counting way follows the most frequent mistake of this many last rounds.
inline constexpr int kWayRounds = 20;
// The share right at the first try over this many last rounds (from half as many) sets how much
// is review.
inline constexpr int kShareRounds = 10;
inline constexpr double kTooHard = 0.65, kTooEasy = 0.85;

// The smallest number of characters not yet mastered; 11 when 1 to 10 all are. Rounds without an
// answer are left out.
int frontier(const QList<RoundMistakes>& rounds);
bool mastered(const QList<RoundMistakes>& rounds, int characters, Reason* figures = nullptr);
// The next round after `rounds` (oldest first).
Choice next(const QList<RoundMistakes>& rounds);

}  // namespace Omakase
