#include "coach/round_chooser.h"

#include <algorithm>

#include "state/game_settings.h"

namespace Omakase {

namespace {
constexpr int kMost = 10;

QList<RoundMistakes> answeredOnly(const QList<RoundMistakes>& rounds) {
    QList<RoundMistakes> answered;
    for (const RoundMistakes& r : rounds) {
        if (r.answered())
            answered.append(r);
    }
    return answered;
}

// The rounds' plan in turns of ten: F at the frontier, A one above, B two above, R a mastered
// number. Most are at the frontier and above it; more review while the child answers too few
// right at the first try, less (and two above) while nearly all.
const char* plan(const QList<RoundMistakes>& answered) {
    static const char* const steady = "FAFRFAFAFR";
    static const char* const hard = "RFRFRFARFR";
    static const char* const easy = "AFBFAFBFRA";
    const qsizetype last = std::min<qsizetype>(kShareRounds, answered.size());
    if (last < kShareRounds / 2)
        return steady;
    int right = 0;
    for (qsizetype i = answered.size() - last; i < answered.size(); ++i)
        right += answered[i].firstTry();
    const double share = double(right) / double(last);
    return share < kTooHard ? hard : share > kTooEasy ? easy : steady;
}

bool masteredIn(const QList<RoundMistakes>& answered, int characters, Reason* figures) {
    int of = 0;
    int right = 0;
    for (qsizetype i = answered.size() - 1; i >= 0 && of < kMasteredOf; --i) {
        if (answered[i].characters != characters)
            continue;
        ++of;
        right += answered[i].clean();
    }
    if (figures != nullptr) {
        figures->right = right;
        figures->of = of;
    }
    // Numbers seen at a glance need fewer rounds to show it.
    const int fewest = characters <= Mistake::kAtAGlance ? kFirstRounds - 1 : kFirstRounds;
    return of >= fewest && right >= kMasteredShare * of - 1e-9;
}

int frontierIn(const QList<RoundMistakes>& answered) {
    for (int n = 1; n <= kMost; ++n) {
        if (!masteredIn(answered, n, nullptr))
            return n;
    }
    return kMost + 1;
}

// The counting way, and the kind of mistake it follows.
void chooseWay(const QList<RoundMistakes>& answered, Choice* choice) {
    std::array<int, Mistake::kKinds> with{};
    const qsizetype from = std::max<qsizetype>(0, answered.size() - kWayRounds);
    for (qsizetype i = from; i < answered.size(); ++i) {
        for (Mistake::Kind kind : Mistake::kAllKinds)
            with[size_t(kind)] += answered[i].with(kind) > 0;
    }
    const auto most = std::max_element(with.begin(), with.end());
    if (*most > 0) {
        const auto kind = Mistake::Kind(most - with.begin());
        choice->followed = kind;
        choice->countWay = Mistake::practiceFor(kind).way;
    } else {
        // A new child counts from the left, the game ignoring touches out of turn; a child with
        // no mistake counts in any order, as they would away from the game.
        choice->countWay =
            answered.size() < 5 ? CountWay::FromLeft : CountWay::AnyOrder;
    }
}
}  // namespace

bool mastered(const QList<RoundMistakes>& rounds, int characters, Reason* figures) {
    return masteredIn(answeredOnly(rounds), characters, figures);
}

int frontier(const QList<RoundMistakes>& rounds) {
    return frontierIn(answeredOnly(rounds));
}

Choice next(const QList<RoundMistakes>& rounds) {
    const QList<RoundMistakes> answered = answeredOnly(rounds);
    const int turn = int(answered.size());
    const int front = frontierIn(answered);
    Choice choice;
    chooseWay(answered, &choice);

    // The mastered numbers below the frontier, highest first.
    QList<int> done;
    for (int n = front - 1; n >= 1; --n) {
        if (masteredIn(answered, n, nullptr))
            done.append(n);
    }
    const auto pick = [&](int characters, Why why) {
        choice.characters = characters;
        choice.reason.why = why;
        masteredIn(answered, characters, &choice.reason);
        return choice;
    };
    if (done.isEmpty())
        return pick(1 + turn % Mistake::kAtAGlance, Why::Start);
    const bool twoWrong =
        turn >= 2 && !answered[turn - 1].firstTry() && !answered[turn - 2].firstTry();
    if (twoWrong)
        return pick(done.front(), Why::StepDown);
    if (front > kMost)
        return pick(turn % 2 == 0 ? kMost : kMost - 1 - (turn / 2) % 3, Why::AllDone);
    // Review the mastered number whose last rounds were least often clean (the highest of
    // those): the one most likely to have been taken for mastered too early.
    int review = done.front();
    double shakiest = 2;
    for (int n : done) {
        Reason figures;
        masteredIn(answered, n, &figures);
        const double share = double(figures.right) / std::max(1, figures.of);
        if (share < shakiest) {
            shakiest = share;
            review = n;
        }
    }
    switch (plan(answered)[turn % kShareRounds]) {
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
