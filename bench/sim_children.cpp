#include "sim_children.h"

#include <QElapsedTimer>

#include <algorithm>
#include <functional>
#include <random>

#include "record/omakase_rounds.h"
#include "record/record_report.h"
#include "support/record_rig.h"

namespace {
// The true frontier of each child's skill model.
int trueFrontierOf(char who) {
    switch (who) {
        case 'A':
            return 7;  // 70 % clean above 6
        case 'B':
            return 4;  // 50 % right at the first try from 4 on
        case 'C':
            return 11;  // every number
        default:
            return 1;  // a guess is right one time in five
    }
}

class SimChild {
public:
    SimChild(char who, RecordRig& r, unsigned seed) : m_who(who), m_r(r), m_random(seed) {}

    // One round from its first character to the right answer; false when the game got stuck.
    bool playRound() {
        GameScreen& game = m_r.rig.game;
        const int n = game.round().characterCount;
        const int way = game.round().settings.countWay;
        if (!m_r.child.catchAll())
            return false;
        const double skipChance = n > 6 ? 0.3 : n > 4 ? 0.1 : 0.0;
        const bool skips = m_who == 'A' && chance(skipChance);
        QList<int> chosen;
        for (int attempt = 1;; ++attempt) {
            if (way != CountWay::NoCounting || attempt > 2) {
                if (!countOnce(n, way, skips && attempt == 1))
                    return false;
            }
            const int card = answerOf(n, attempt, skips, way, chosen);
            chosen.append(card);
            if (!m_r.child.answer(card))
                return false;
            if (card == n)
                break;
        }
        return m_r.child.waitUntil(
            [&] { return game.round().current == 0 && game.phase() == Phase::Catching; });
    }

private:
    bool chance(double p) { return std::uniform_real_distribution<>(0, 1)(m_random) < p; }

    // A count from the left; A's skip leaves character k out. In any order one character is
    // counted twice so that the game hears the last number; from the left the touch ahead is
    // the game's to catch (ignored, or corrected from the first).
    bool countOnce(int n, int way, bool skip) {
        QList<int> all;
        for (int i = 0; i < n; ++i)
            all.append(i);
        if (!skip || n < 2)
            return m_r.child.count(all);
        if (way == CountWay::AnyOrder) {
            const int k = std::uniform_int_distribution<>(1, n - 1)(m_random);
            all[k] = k - 1;
            return m_r.child.count(all);
        }
        const int k = std::uniform_int_distribution<>(1, std::max(1, n - 2))(m_random);
        QList<int> ahead = all.mid(0, k);
        ahead.append(k + 1);
        if (way == CountWay::FromLeftCorrected)
            return m_r.child.count(ahead) && m_r.child.count(all);
        ahead.append(all.mid(k));
        return m_r.child.count(ahead);
    }

    int answerOf(int n, int attempt, bool skipped, int way, const QList<int>& chosen) {
        const int cards = m_r.rig.game.round().cardCount;
        const auto other = [&] {
            QList<int> left;
            for (int c = 1; c <= cards; ++c) {
                if (c != n && !chosen.contains(c))
                    left.append(c);
            }
            return left.isEmpty() ? n
                                  : left[std::uniform_int_distribution<qsizetype>(
                                        0, left.size() - 1)(m_random)];
        };
        switch (m_who) {
            case 'A':
                // Having skipped one in any order, A answers what A counted.
                return attempt == 1 && skipped && way == CountWay::AnyOrder ? n - 1 : n;
            case 'B':
                return n <= Mistake::kAtAGlance || chance(0.5) ? n : other();
            case 'D': {
                const int guess = std::uniform_int_distribution<>(1, cards)(m_random);
                return chosen.contains(guess) ? other() : guess;
            }
            default:
                return n;
        }
    }

    char m_who;
    RecordRig& m_r;
    std::mt19937 m_random;
};
}  // namespace

SimChildFigures playSimChild(char who, int rounds, const QString& recordPath, unsigned seed) {
    GameSettings settings;
    settings.clickToCount = true;
    RecordRig r(recordPath, settings);
    // あ, い, う, え: a name in kana each.
    const qint64 id = r.addAndChoose(QString(QChar(char16_t(u'あ' + 2 * (who - 'A')))));
    OmakaseRounds omakase;
    omakase.follow(id);
    SimChildFigures f;
    r.rig.game.planRound = [&](GameSettings& s) {
        QElapsedTimer timer;
        timer.start();
        omakase.planRound(s);
        f.choiceNs.append(timer.nsecsElapsed());
    };
    // As in the program: each round marked and followed in memory, then handed to the writer.
    r.seen = [&](RoundRecord& round) { omakase.roundEnded(round); };
    SimChild child(who, r, seed);
    f.child = who;
    f.trueFrontier = trueFrontierOf(who);
    const int practice = Mistake::practiceFor(Mistake::CountedRightAnsweredWrong).way;
    r.rig.activate();
    for (int i = 0; i < rounds; ++i) {
        const int n = r.rig.game.round().characterCount;
        const int way = r.rig.game.round().settings.countWay;
        if (!child.playRound()) {
            f.stuck = true;
            break;
        }
        ++f.rounds;
        const RoundMistakes& last = omakase.rounds().constLast();
        f.firstTry += last.firstTry();
        f.inPracticeWay += way == practice;
        f.highestNumber = std::max(f.highestNumber, n);
        f.aboveGlance += n > Mistake::kAtAGlance;
        const int frontier = Omakase::frontier(omakase.rounds());
        f.highestFrontier = std::max(f.highestFrontier, frontier);
        if (f.untilFrontier < 0 && frontier == f.trueFrontier)
            f.untilFrontier = f.rounds;
        else if (f.untilFrontier >= 0 && frontier == f.trueFrontier)
            ++f.atFrontierAfter;
    }
    r.rig.game.stopAll();
    r.store.flush();
    RecordReport report(recordPath);
    report.open();
    f.recordFrontier = Omakase::frontier(report.roundMistakes(id));
    f.memoryFrontier = Omakase::frontier(omakase.rounds());
    return f;
}

namespace {
// The median of a figure over the seeds, with its range: "14 (9–22)".
QString spread(const QList<SimChildFigures>& runs, const std::function<double(const SimChildFigures&)>& of,
               const QString& unit = {}) {
    QList<double> values;
    for (const SimChildFigures& f : runs)
        values.append(of(f));
    std::sort(values.begin(), values.end());
    const auto text = [&](double v) { return QString::number(qRound(v)) + unit; };
    if (values.isEmpty())
        return QStringLiteral("—");
    const double median = values[values.size() / 2];
    if (values.front() == values.back())
        return text(median);
    return QStringLiteral("%1 (%2–%3)").arg(text(median), text(values.front()), text(values.back()));
}
double percentOf(int count, int whole) {
    return whole == 0 ? 0 : 100.0 * count / whole;
}
}  // namespace

QString simChildrenTable(const QList<QList<SimChildFigures>>& byChild) {
    QString table = QStringLiteral(
        "| child | true frontier | rounds until the frontier matches (goal ≤ 30) | rounds at it "
        "after | right at the first try (goal A, B: 65–85 %) | in the way advised for "
        "counting right, answering wrong | highest frontier (11: all of 1–10) | highest number | "
        "rounds above 3 | "
        "record and memory agree |\n|---|---|---|---|---|---|---|---|---|---|\n");
    QList<qint64> choices;
    for (const QList<SimChildFigures>& runs : byChild) {
        if (runs.isEmpty())
            continue;
        for (const SimChildFigures& f : runs)
            choices.append(f.choiceNs);
        const SimChildFigures& first = runs.front();
        bool agree = true;
        bool stuck = false;
        for (const SimChildFigures& f : runs) {
            agree = agree && f.recordFrontier == f.memoryFrontier;
            stuck = stuck || f.stuck || f.untilFrontier < 0;
        }
        table +=
            QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 | %7 | %8 | %9 | %10 |\n")
                .arg(QChar::fromLatin1(first.child),
                     first.trueFrontier > 10 ? QStringLiteral("all of 1–10")
                                             : QString::number(first.trueFrontier),
                     spread(runs, [](const SimChildFigures& f) { return f.untilFrontier; }) +
                         (stuck ? QStringLiteral(" (a run never or stuck)") : QString()),
                     spread(runs, [](const SimChildFigures& f) {
                         return percentOf(f.atFrontierAfter, f.rounds - f.untilFrontier);
                     }, QStringLiteral(" %")),
                     spread(runs, [](const SimChildFigures& f) {
                         return percentOf(f.firstTry, f.rounds);
                     }, QStringLiteral(" %")),
                     spread(runs, [](const SimChildFigures& f) {
                         return percentOf(f.inPracticeWay, f.rounds);
                     }, QStringLiteral(" %")),
                     spread(runs, [](const SimChildFigures& f) { return f.highestFrontier; }),
                     spread(runs, [](const SimChildFigures& f) { return f.highestNumber; }),
                     spread(runs, [](const SimChildFigures& f) {
                         return percentOf(f.aboveGlance, f.rounds);
                     }, QStringLiteral(" %")))
                .arg(agree ? QStringLiteral("yes") : QStringLiteral("no"));
    }
    std::sort(choices.begin(), choices.end());
    if (choices.isEmpty())
        return table;
    const auto at = [&](double share) {
        return choices[std::min<qsizetype>(choices.size() - 1, qsizetype(share * choices.size()))] /
               1e3;
    };
    return table + QStringLiteral("\nChoosing a round on the game's thread: median %1 µs, 99th "
                                  "percentile %2 µs, longest %3 µs (%4 choices).\n")
                       .arg(at(0.5), 0, 'f', 1)
                       .arg(at(0.99), 0, 'f', 1)
                       .arg(choices.last() / 1e3, 0, 'f', 0)
                       .arg(choices.size());
}
