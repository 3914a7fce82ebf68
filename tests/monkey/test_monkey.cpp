// The monkey plays the game screen for a long time on the simulated clock and checks after every
// event what must always hold.
//
//   test_monkey                              about 1,000 rounds, seed 1 (CTest: test_monkey)
//   test_monkey --rounds 10000 --seed 7      the long form (CTest: test_monkey_long)
//   test_monkey --rounds 10000 --seed 0      a seed from the clock; it is printed, so that a
//                                            failure can be played again with --seed
//
// Any further arguments go to Qt Test (e.g. a test function's name).

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QtTest>

#include "monkey/monkey.h"
#include "support/game_rig.h"

class MonkeyTest : public QObject {
    Q_OBJECT
public:
    MonkeyTest(int rounds, quint32 seed) : m_rounds(rounds), m_seed(seed) {}

private slots:
    void playsEveryCombination();
    void noticesABrokenGame_data();
    void noticesABrokenGame();

private:
    int m_rounds;
    quint32 m_seed;
};

void MonkeyTest::playsEveryCombination() {
    Monkey monkey(m_seed);
    QElapsedTimer wall;
    wall.start();
    const QString violation = monkey.play(m_rounds);
    const double seconds = std::max(wall.nsecsElapsed() / 1e9, 1e-9);
    const MonkeyFigures& f = monkey.figures();
    qInfo().noquote() << QStringLiteral(
                             "monkey, seed %1: %2 rounds finished and %3 left by H or N over %4 "
                             "settings combinations; %5 events (%6 inputs, %7 timer steps), %8 "
                             "invariant checks, %9 wrong answers, %10 corrected counts; %11 h of "
                             "play simulated in %12 s: %13 rounds per second")
                             .arg(m_seed)
                             .arg(f.rounds)
                             .arg(f.interruptedRounds)
                             .arg(f.combinations)
                             .arg(f.events)
                             .arg(f.inputs)
                             .arg(f.timerSteps)
                             .arg(f.checks)
                             .arg(f.wrongAnswers)
                             .arg(f.countingErrors)
                             .arg(f.simulatedMs / 3.6e6, 0, 'f', 1)
                             .arg(seconds, 0, 'f', 2)
                             .arg(f.rounds / seconds, 0, 'f', 0);
    if (!violation.isEmpty())
        qWarning().noquote() << violation;  // in full: a failure message is cut short
    QVERIFY2(violation.isEmpty(), qPrintable(violation.section(QLatin1Char('\n'), 0, 0)));
    QVERIFY(f.rounds >= m_rounds);
}

// The monkey itself must notice a game that goes wrong: each row breaks the game behind its back,
// through a port or a call the monkey does not know of, and names what the monkey has to report.
void MonkeyTest::noticesABrokenGame_data() {
    using Breakage = std::function<bool(GameRig&)>;  // true once it has broken something
    QTest::addColumn<Breakage>("breakage");
    QTest::addColumn<QString>("report");

    QTest::newRow("the timers lose the question") << Breakage([](GameRig& rig) {
        if (!rig.game.stepPending(Step::Question))
            return false;
        rig.timers.stop(Step::Question);  // the game still waits for it
        return true;
    }) << QStringLiteral("stands still");
    QTest::newRow("the round comes back behind the adult's screen") << Breakage([](GameRig& rig) {
        if (rig.game.phase() != Phase::Stopped)
            return false;
        rig.game.activate();
        return true;
    }) << QStringLiteral("stopped");
    // A random source must stay below 1 and not below 0.
    QTest::newRow("a random 1 adds a character") << Breakage([](GameRig& rig) {
        if (!rig.game.stepPending(Step::NextRound) || rig.settings().maxCount == 10)
            return false;
        rig.random.push(1.0);  // the next round draws maxCount + 1 characters
        return true;
    }) << QStringLiteral("outside minCount..maxCount");
    QTest::newRow("a random -0.5 puts a character off the screen") << Breakage([](GameRig& rig) {
        if (!rig.game.stepPending(Step::NextCharacter))
            return false;
        rig.random.push(-0.5);  // the next character comes on left of the screen
        return true;
    }) << QStringLiteral("outside its band");
}

void MonkeyTest::noticesABrokenGame() {
    using Breakage = std::function<bool(GameRig&)>;
    QFETCH(Breakage, breakage);
    QFETCH(QString, report);
    Monkey monkey(3);
    bool broken = false;
    monkey.afterEvent = [&](GameRig& rig, qint64) {
        if (!broken)
            broken = breakage(rig);
    };
    const QString violation = monkey.play(300);
    QVERIFY(broken);
    QVERIFY2(violation.contains(report), qPrintable(violation));
    QVERIFY2(violation.contains(QStringLiteral("seed 3")) && violation.contains("round ") &&
                 violation.contains("event "),
             qPrintable(violation));
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int rounds = 1000;
    quint32 seed = 1;
    QStringList testArguments;
    const QStringList arguments = app.arguments();
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if ((a == QLatin1String("--rounds") || a == QLatin1String("--seed")) &&
            i + 1 < arguments.size()) {
            bool ok = false;
            const qulonglong value = arguments[++i].toULongLong(&ok);
            if (!ok) {
                qCritical("%s needs a number", qPrintable(a));
                return 2;
            }
            if (a == QLatin1String("--rounds"))
                rounds = int(std::max<qulonglong>(1, std::min<qulonglong>(value, 10000000)));
            else
                seed = value == 0 ? QRandomGenerator::global()->generate() : quint32(value);
        } else {
            testArguments.append(a);
        }
    }
    MonkeyTest test(rounds, seed);
    return QTest::qExec(&test, testArguments);
}

#include "test_monkey.moc"
