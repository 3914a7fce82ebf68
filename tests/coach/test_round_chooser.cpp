// おまかせ's rules, each on a table of a child's rounds as the record would hold them.

#include <QTest>

#include "coach/round_chooser.h"
#include "state/game_settings.h"

namespace {
// Rounds written "<characters><how>", oldest first: + right at the first try without a mistake;
// - counted right and answered wrong, then right; o right at the first try after a touch out of
// order; x a character counted twice, answered one off, then right; g answered wrong without
// counting, then right; c cut short before an answer.
QList<RoundMistakes> roundsOf(const QString& text) {
    QList<RoundMistakes> rounds;
    for (const QString& token : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        RoundMistakes r;
        r.characters = token.chopped(1).toInt();
        const QChar how = token.back();
        r.answers = how == u'+' || how == u'o' ? 1 : how == u'c' ? 0 : 2;
        r.solvedAt = r.answers;
        r.cutShort = how == u'c';
        r.countedRightAnsweredWrong = how == u'-';
        r.orderMistakes = how == u'o';
        r.oneToOne = r.offByOne = how == u'x';
        r.answeredWithoutCounting = how == u'g';
        rounds.append(r);
    }
    return rounds;
}

QString whyName(Omakase::Why why) {
    static const char* const names[] = {"start", "frontier", "above", "review", "step down",
                                        "all done"};
    return QString::fromLatin1(names[int(why)]);
}

// The numbers from..to mastered as soon as can be: each right at the first try twice up to 3,
// three times above.
QString mastered(int from, int to) {
    QString text;
    for (int n = from; n <= to; ++n)
        text += QStringLiteral("%1+ ").arg(n).repeated(n <= 3 ? 2 : 3);
    return text;
}
}  // namespace

class RoundChooserTest : public QObject {
    Q_OBJECT
private slots:
    void nextRound_data();
    void nextRound();
};

void RoundChooserTest::nextRound_data() {
    QTest::addColumn<QString>("rounds");
    QTest::addColumn<QString>("next");  // frontier | characters, counting way, why, right/of

    QTest::newRow("a new child: 1 to 3, from the left without correction")
        << "" << "1 | 1 way 1 start 0/0";
    QTest::newRow("still new: the next of 1 to 3") << "1+ 2+" << "1 | 3 way 1 start 0/0";
    QTest::newRow("rounds cut short are left out") << "1+ 2+ 1c 2c" << "1 | 3 way 1 start 0/0";
    // 1 and 2 mastered (twice right each, seen at a glance); 3 played once: the frontier, in any
    // order since no mistake was made in five rounds.
    QTest::newRow("no mistake in five rounds: any order")
        << "1+ 2+ 3+ 1+ 2+" << "3 | 3 way 0 frontier 1/1";
    // The child's frontier is 3 with 2 of its last 5 right at the first try; the way follows
    // counting right and answering wrong.
    QTest::newRow("the frontier, with its figures")
        << "1+ 1+ 2+ 2+ 3- 3+ 3- 3+ 3- 1+" << "3 | 3 way 1 frontier 2/5";
    // 9 of the last 10 right at the first try: one above the frontier first.
    QTest::newRow("4 of the last 5 right: mastered")
        << "1+ 1+ 2+ 2+ 3- 3+ 3+ 3+ 3+ 1+" << "4 | 5 way 1 above 0/0";
    QTest::newRow("two wrong in a row: down to a mastered number")
        << "1+ 1+ 2+ 2+ 3+ 3+ 4- 4-" << "4 | 3 way 1 step down 2/2";
    QTest::newRow("one wrong, one right: no step down")
        << "1+ 1+ 2+ 2+ 3+ 3+ 4- 4+" << "4 | 3 way 1 review 2/2";
    // A child who guesses masters nothing and stays at the numbers seen at a glance.
    QTest::newRow("guessing does not climb")
        << "1- 2- 3- 1- 2- 3- 1- 2- 3- 1- 2- 3+" << "1 | 1 way 1 start 0/4";
    QTest::newRow("the most frequent mistake sets the way")
        << mastered(1, 4) + "5o 5x 5o" << "5 | 7 way 3 above 0/0";
    QTest::newRow("one to one: corrected from the left")
        << mastered(1, 4) + "5x 5+ 5x" << "5 | 5 way 2 frontier 1/3";
    // Answering without counting is no mistake at a glance, and is one above it.
    QTest::newRow("without counting at 3: no mistake")
        << mastered(1, 2) + "3g 3+ 3+ 3+" << "3 | 2 way 0 review 2/2";
    QTest::newRow("without counting at 5: counting with the numerals shown")
        << mastered(1, 4) + "5g 5+" << "5 | 5 way 3 frontier 1/2";
    QTest::newRow("1 to 10 mastered") << mastered(1, 10) << "11 | 8 way 0 all done 3/3";
    // 6 of the last 10 right at the first try: half the rounds review a mastered number, the
    // highest of those as sure as the others.
    QTest::newRow("too hard: review")
        << mastered(1, 3) + "4- 4+ 4- 4+ 4- 4+ 4- 4+" << "4 | 3 way 1 review 2/2";
    QTest::newRow("review: the mastered number least often clean")
        << "1+ 1+ 2+ 2+ 2- 2+ 2+ 2+ 3+ 3+ 4- 4+ 4-" << "4 | 2 way 1 review 5/6";
    // Ten rounds right at the first try, half of them after a touch out of order: 4 is not
    // mastered, and two above it comes in.
    QTest::newRow("too easy: two above")
        << mastered(1, 3) + "4+ 4o 4+ 4o 4+ 4o 4+ 4o 4+ 4o" << "4 | 6 way 3 above 0/0";
}

void RoundChooserTest::nextRound() {
    QFETCH(QString, rounds);
    const QList<RoundMistakes> history = roundsOf(rounds);
    const Omakase::Choice c = Omakase::next(history);
    QTEST(QStringLiteral("%1 | %2 way %3 %4 %5/%6")
              .arg(Omakase::frontier(history))
              .arg(c.characters)
              .arg(c.countWay)
              .arg(whyName(c.reason.why))
              .arg(c.reason.right)
              .arg(c.reason.of),
          "next");
}

QTEST_GUILESS_MAIN(RoundChooserTest)
#include "test_round_chooser.moc"
