#include "coach/round_chooser.h"

#include <algorithm>

#include "state/game_settings.h"

namespace Omakase {

namespace {
constexpr int kMost = 10;

// What the rules read of a child's rounds, gathered in one pass from the newest back, without
// copying the rounds: the choice is made on the game's thread as a round begins.
struct Summary {
    int answered = 0;  // rounds with an answer: the turn of the round to come
    // Of each number 1 to 10, its last kMasteredOf rounds: how many, and how many were clean.
    std::array<int, kMost + 1> of{};
    std::array<int, kMost + 1> clean{};
    int shareRounds = 0;  // the last kShareRounds rounds, and how many were right at once
    int shareRight = 0;
    int lastWrong = 0;  // of the last two rounds, how many were wrong at the first try
    std::array<int, Mistake::kKinds> with{};  // the last kWayRounds rounds with each kind
};

Summary summarise(const QList<RoundMistakes>& rounds) {
    Summary s;
    for (qsizetype i = rounds.size() - 1; i >= 0; --i) {
        const RoundMistakes& r = rounds[i];
        if (!r.answered())
            continue;
        const int back = s.answered++;
        if (back < kShareRounds) {
            ++s.shareRounds;
            s.shareRight += r.firstTry();
        }
        if (back < 2)
            s.lastWrong += !r.firstTry();
        if (back < kWayRounds) {
            for (Mistake::Kind kind : Mistake::kAllKinds)
                s.with[size_t(kind)] += r.with(kind) > 0;
        }
        const int n = r.characters;
        if (n >= 1 && n <= kMost && s.of[size_t(n)] < kMasteredOf) {
            ++s.of[size_t(n)];
            s.clean[size_t(n)] += r.clean();
        }
    }
    return s;
}

bool masteredIn(const Summary& s, int characters, Reason* figures) {
    const int of = characters >= 1 && characters <= kMost ? s.of[size_t(characters)] : 0;
    const int right = of > 0 ? s.clean[size_t(characters)] : 0;
    if (figures != nullptr) {
        figures->right = right;
        figures->of = of;
    }
    // Numbers seen at a glance need fewer rounds to show it.
    const int fewest = characters <= Mistake::kAtAGlance ? kFirstRounds - 1 : kFirstRounds;
    return of >= fewest && right >= kMasteredShare * of - 1e-9;
}

int frontierIn(const Summary& s) {
    for (int n = 1; n <= kMost; ++n) {
        if (!masteredIn(s, n, nullptr))
            return n;
    }
    return kMost + 1;
}

// The rounds' plan in turns of ten: F at the frontier, A one above, B two above, R a mastered
// number. Most are at the frontier and above it; more review while the child answers too few
// right at the first try, less (and two above) while nearly all.
const char* plan(const Summary& s) {
    static const char* const steady = "FAFRFAFAFR";
    static const char* const hard = "RFRFRFARFR";
    static const char* const easy = "AFBFAFBFRA";
    if (s.shareRounds < kShareRounds / 2)
        return steady;
    const double share = double(s.shareRight) / s.shareRounds;
    return share < kTooHard ? hard : share > kTooEasy ? easy : steady;
}

// The counting way, and the kind of mistake it follows.
void chooseWay(const Summary& s, Choice* choice) {
    const auto most = std::max_element(s.with.begin(), s.with.end());
    if (*most > 0) {
        const auto kind = Mistake::Kind(most - s.with.begin());
        choice->followed = kind;
        choice->countWay = Mistake::practiceFor(kind).way;
    } else {
        // A new child counts from the left, the game ignoring touches out of turn; a child with
        // no mistake counts in any order, as they would away from the game.
        choice->countWay = s.answered < 5 ? CountWay::FromLeft : CountWay::AnyOrder;
    }
}
}  // namespace

bool mastered(const QList<RoundMistakes>& rounds, int characters, Reason* figures) {
    return masteredIn(summarise(rounds), characters, figures);
}

int frontier(const QList<RoundMistakes>& rounds) {
    return frontierIn(summarise(rounds));
}

Choice next(const QList<RoundMistakes>& rounds) {
    const Summary s = summarise(rounds);
    const int turn = s.answered;
    const int front = frontierIn(s);
    Choice choice;
    chooseWay(s, &choice);

    // The mastered numbers below the frontier, highest first.
    QList<int> done;
    for (int n = front - 1; n >= 1; --n) {
        if (masteredIn(s, n, nullptr))
            done.append(n);
    }
    const auto pick = [&](int characters, Why why) {
        choice.characters = characters;
        choice.reason.why = why;
        masteredIn(s, characters, &choice.reason);
        return choice;
    };
    if (done.isEmpty())
        return pick(1 + turn % Mistake::kAtAGlance, Why::Start);
    if (turn >= 2 && s.lastWrong == 2)
        return pick(done.front(), Why::StepDown);
    if (front > kMost)
        return pick(turn % 2 == 0 ? kMost : kMost - 1 - (turn / 2) % 3, Why::AllDone);
    // Review the mastered number whose last rounds were least often clean (the highest of
    // those): the one most likely to have been taken for mastered too early.
    int review = done.front();
    double shakiest = 2;
    for (int n : done) {
        const double share = double(s.clean[size_t(n)]) / std::max(1, s.of[size_t(n)]);
        if (share < shakiest) {
            shakiest = share;
            review = n;
        }
    }
    switch (plan(s)[turn % kShareRounds]) {
        case 'B':
            if (front + 2 <= kMost)
                return pick(front + 2, Why::Above);
            [[fallthrough]];
        case 'A':
            if (front < kMost)
                return pick(front + 1, Why::Above);
            break;
        case 'R':
            return pick(review, Why::Review);
        default:
            break;
    }
    return pick(front, Why::Frontier);
}

}  // namespace Omakase
