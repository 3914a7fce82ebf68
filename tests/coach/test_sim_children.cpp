// おまかせ's goals on short runs of the benchmark's simulated children (bench/sim_children.h),
// each through the real game screen, recorder, record and chooser: a child who counts
// everything is found at the top within 30 rounds, a child who guesses is never taken above the
// numbers seen at a glance, and a child who does not yet link the last number said to "how
// many" plays in the way advised for it, mostly right at the first try. The record and the
// chooser's memory agree at the end.

#include <QTemporaryDir>
#include <QTest>

#include "sim_children.h"

class SimChildrenTest : public QObject {
    Q_OBJECT
private slots:
    void goalsOnShortRuns_data() {
        QTest::addColumn<char>("child");
        QTest::addColumn<int>("rounds");
        QTest::newRow("C counts everything") << 'C' << 40;
        QTest::newRow("D guesses") << 'D' << 40;
        QTest::newRow("B picks the last number half the time") << 'B' << 60;
    }
    void goalsOnShortRuns() {
        QFETCH(char, child);
        QFETCH(int, rounds);
        QTemporaryDir folder;
        const SimChildFigures f =
            playSimChild(child, rounds, folder.filePath(QStringLiteral("record.sqlite")));
        QVERIFY(!f.stuck);
        QCOMPARE(f.rounds, rounds);
        QCOMPARE(f.recordFrontier, f.memoryFrontier);
        QVERIFY2(f.untilFrontier >= 0 && f.untilFrontier <= 30,
                 qPrintable(QString::number(f.untilFrontier)));
        QCOMPARE(f.memoryFrontier, f.trueFrontier);
        if (child == 'D') {
            QCOMPARE(f.highestFrontier, 1);
            QVERIFY(f.highestNumber <= 3);
        }
        if (child == 'B') {
            const double right = double(f.firstTry) / f.rounds;
            QVERIFY2(right >= 0.6 && right <= 0.85, qPrintable(QString::number(right)));
            QVERIFY(f.inPracticeWay >= f.rounds * 9 / 10);
        }
    }
};

QTEST_GUILESS_MAIN(SimChildrenTest)
#include "test_sim_children.moc"
