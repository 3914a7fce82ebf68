// Catching the characters and counting them in the row, in every counting way and with both
// touch methods, on the simulated clock.

#include <QtTest>

#include "support/game_rig.h"

namespace {
GameSettings countingSettings(int countMode, int characters, bool clickToCount = false) {
    GameSettings s;
    s.CountMode = qint16(countMode);
    s.ClickToCount = clickToCount;
    s.MinCount = qint16(characters);
    s.MaxCount = qint16(characters);
    return s;
}

// "k@c" for every visible numeral k (0-based) lying exactly over character c.
QStringList numeralsOver(const GameRig& rig) {
    QStringList found;
    for (int k : rig.visibleNumerals()) {
        const Control& numeral = rig.model().Image2[k];
        for (int c = 0; c < GameScreenModel::kPlaces; ++c) {
            const Control& character = rig.model().Image1[c];
            if (character.Visible && character.Top == numeral.Top &&
                character.Left == numeral.Left) {
                found.append(QStringLiteral("%1@%2").arg(k).arg(c));
            }
        }
    }
    return found;
}

QStringList numberSounds(const GameRig& rig, qint64 since) {
    QStringList numbers;
    for (const QString& f : rig.sound.filesSince(since)) {
        if (f.front().isDigit())
            numbers.append(f);
    }
    return numbers;
}
}  // namespace

class CountingTest : public QObject {
    Q_OBJECT
private slots:
    void catchingAndLiningUp_data();
    void catchingAndLiningUp();
    void touchesThatAreLost();
    void countingWays_data();
    void countingWays();
    void blinkingNumerals();
    void correctionAfterOutOfOrderTouch();
    void movingOverCharacterCountsOncePerSound();
    void oneCharacterRound();
};

void CountingTest::catchingAndLiningUp_data() {
    QTest::addColumn<bool>("clickToCount");
    QTest::newRow("touch by moving") << false;
    QTest::newRow("touch by clicking") << true;
}

void CountingTest::catchingAndLiningUp() {
    QFETCH(bool, clickToCount);
    GameRig rig(countingSettings(CountWay::FromLeft, 2, clickToCount));
    rig.activate();
    GameScreen& game = rig.game;
    const GameScreenModel& model = rig.model();
    const auto centreOf = [&](int i) {
        const Control& c = model.Image1[i];
        return QPoint(c.Left + c.Width / 2, c.Top + c.Height / 2);
    };

    rig.timers.advance(700);  // the hop sound has ended
    // The other touch method does nothing.
    const QPoint p0 = centreOf(0);
    if (clickToCount) {
        game.pointerMoved(p0.x(), p0.y());
    } else {
        game.pointerClicked(p0.x(), p0.y());
    }
    QVERIFY(game.timerEnabled(1));
    QCOMPARE(rig.sound.plays.size(), 1);

    Child(rig).touch(0);
    QVERIFY(!game.timerEnabled(1));
    QCOMPARE(numeralsOver(rig), QStringList{"0@0"});
    QCOMPARE(rig.sound.filesSince(700), QStringList{"1.wav"});
    const Control caughtAt = model.Image1[0];

    // 1.2 s later the character goes into the row with "ピコ.wav".
    rig.timers.advance(1199);
    QCOMPARE(int(model.Image1[0].Top), int(caughtAt.Top));
    rig.timers.advance(1);
    QCOMPARE(rig.sound.filesSince(1900), QStringList{"ピコ.wav"});
    QCOMPARE(int(model.Image1[0].Top), 576);
    QCOMPARE(int(model.Image1[0].Left), 5120);
    QVERIFY(rig.visibleNumerals().isEmpty());
    QCOMPARE(int(game.RowLeft), 5120 + 2560);
    QCOMPARE(game.CurrentCount, 1);

    // 0.5 s later the next character comes, hopping again.
    rig.timers.advance(499);
    QCOMPARE(rig.visibleCharacters(), QList<int>{0});
    rig.timers.advance(1);
    QCOMPARE(rig.visibleCharacters(), (QList<int>{0, 1}));
    QCOMPARE(rig.sound.filesSince(2400), QStringList{"ポコン.wav"});
    QVERIFY(game.timerEnabled(1));
    QCOMPARE(rig.timers.firesOf(1, 2400), QList<qint64>{});
    rig.timers.advance(1500);
    QCOMPARE(rig.timers.firesOf(1, 2400), QList<qint64>{3900});

    // The last one: "ピコ.wav" plays to its end, then counting begins.
    rig.timers.advance(700);
    Child(rig).touch(1);
    QCOMPARE(rig.sound.filesSince(4600), QStringList{"2.wav"});
    rig.timers.advance(1200);
    QCOMPARE(rig.sound.plays.at(rig.sound.plays.size() - 2).file, QStringLiteral("ピコ.wav"));
    QCOMPARE(rig.sound.plays.last().file, QStringLiteral("かぞえよう.wav"));
    QCOMPARE(rig.sound.plays.last().at, qint64(5800 + 600));
    QVERIFY(game.CountingPhase);
    QCOMPARE(game.CurrentCount, 0);
    QCOMPARE(model.Label3.Caption, QStringLiteral("かぞえてみよう"));
    QVERIFY(model.Label3.Visible);
    QCOMPARE(int(model.Image1[1].Left), 7680);
    QCOMPARE(int(model.Image1[1].Top), 576);
}

void CountingTest::touchesThatAreLost() {
    GameRig rig(countingSettings(CountWay::AnyOrder, 2));
    rig.activate();
    Child child(rig);
    GameScreen& game = rig.game;

    // While the hop sound plays.
    child.touch(0);
    QVERIFY(game.timerEnabled(1));
    QCOMPARE(rig.sound.plays.size(), 1);

    // Caught: touching it again once its number has been spoken speaks it again.
    rig.timers.advance(600);
    child.touch(0);
    rig.timers.advance(700);
    child.touch(0);
    QCOMPARE(rig.sound.filesSince(0).mid(1), (QStringList{"1.wav", "1.wav"}));

    // While the next one is on show, the one in the row takes no touch.
    QVERIFY(
        child.waitUntil([&] { return rig.model().Image1[1].Visible && !rig.sound.isPlaying(); }));
    QCOMPARE(rig.timers.firesOf(2), QList<qint64>{1800});
    const int playsBefore = int(rig.sound.plays.size());
    child.touch(0);
    QCOMPARE(int(rig.sound.plays.size()), playsBefore);
    QVERIFY(game.timerEnabled(1));

    // Counting: a touch during the previous number's sound is lost.
    child.touch(1);
    QVERIFY(child.waitUntilQuiet());
    QVERIFY(game.CountingPhase);
    child.touch(1);
    child.touch(0);
    QCOMPARE(game.CurrentCount, 1);
    QVERIFY(child.waitUntilQuiet());
    child.touch(0);
    QCOMPARE(game.CurrentCount, 2);
    // Once the count is complete nothing is taken while the question is on its way.
    const int numbers = int(numberSounds(rig, 0).size());
    rig.timers.advance(700);
    child.touch(1);
    QCOMPARE(int(numberSounds(rig, 0).size()), numbers);
}

void CountingTest::countingWays_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QList<int>>("touches");
    QTest::addColumn<QStringList>("sounds");
    QTest::addColumn<int>("counted");
    QTest::addColumn<QStringList>("numerals");
    QTest::addColumn<bool>("messageShown");
    QTest::addColumn<bool>("questionComing");
    QTest::addColumn<bool>("correctionComing");

    QTest::newRow("any order, one character three times")
        << 0 << QList<int>{2, 2, 2} << QStringList{"1.wav", "2.wav", "3.wav"} << 3
        << QStringList{"0@2", "1@2", "2@2"} << false << true << false;
    QTest::newRow("any order, right to left")
        << 0 << QList<int>{2, 1} << QStringList{"1.wav", "2.wav"} << 2 << QStringList{"0@2", "1@1"}
        << false << false << false;
    QTest::newRow("from left, others ignored")
        << 1 << QList<int>{1, 0, 0, 2, 1} << QStringList{"1.wav", "2.wav"} << 2
        << QStringList{"0@0", "1@1"} << false << false << false;
    QTest::newRow("from left, nothing taken")
        << 1 << QList<int>{2, 1} << QStringList{} << 0 << QStringList{} << true << false << false;
    QTest::newRow("corrected, in order")
        << 2 << QList<int>{0, 1, 2} << QStringList{"1.wav", "2.wav", "3.wav"} << 3
        << QStringList{"0@0", "1@1", "2@2"} << false << true << false;
    QTest::newRow("corrected, counted one again")
        << 2 << QList<int>{0, 1, 0} << QStringList{"1.wav", "2.wav", "3.wav"} << 2
        << QStringList{"0@0", "1@1", "2@0"} << false << false << false;
    QTest::newRow("corrected, echo moves on")
        << 2 << QList<int>{0, 0, 0} << QStringList{"1.wav", "2.wav", "2.wav"} << 1
        << QStringList{"0@0", "1@0"} << false << false << false;
    QTest::newRow("corrected, too far right")
        << 2 << QList<int>{0, 2} << QStringList{"1.wav", "2.wav"} << 1 << QStringList{"0@0", "1@2"}
        << false << false << true;
    QTest::newRow("blinking, numerals go again")
        << 3 << QList<int>{0, 2, 1, 0, 2} << QStringList{"1.wav", "2.wav", "3.wav"} << 3
        << QStringList{"2@2"} << false << true << false;
}

void CountingTest::countingWays() {
    QFETCH(int, mode);
    QFETCH(QList<int>, touches);
    GameRig rig(countingSettings(mode, 3));
    rig.activate();
    Child child(rig);
    QVERIFY(child.catchAll());
    const qint64 start = rig.clock.now;

    QVERIFY(child.count(touches));
    QTEST(numberSounds(rig, start), "sounds");
    QTEST(rig.game.CurrentCount, "counted");
    QTEST(numeralsOver(rig), "numerals");
    QTEST(rig.model().Label3.Visible, "messageShown");
    QTEST(rig.game.timerEnabled(3), "questionComing");
    QTEST(rig.game.timerEnabled(6), "correctionComing");
}

void CountingTest::blinkingNumerals() {
    GameRig rig(countingSettings(CountWay::FromLeftBlinking, 2));
    rig.activate();
    Child child(rig);
    QVERIFY(child.catchAll());
    GameScreen& game = rig.game;

    const qint64 t0 = rig.clock.now;
    child.touch(0);
    QCOMPARE(numeralsOver(rig), QStringList{"0@0"});
    rig.timers.advance(700);  // the number has been spoken; the numeral is still shown
    child.touch(1);
    QCOMPARE(game.CurrentCount, 1);
    rig.timers.advance(100);
    QCOMPARE(rig.timers.firesOf(9, t0), QList<qint64>{t0 + 800});
    QVERIFY(rig.visibleNumerals().isEmpty());

    // The last count: the numeral goes at 0.8 s, the question comes at 1 s.
    const qint64 t1 = rig.clock.now;
    child.touch(1);
    QCOMPARE(game.CurrentCount, 2);
    rig.timers.advance(1000);
    QCOMPARE(rig.timers.firesOf(9, t1 + 1), QList<qint64>{t1 + 800});
    QCOMPARE(rig.timers.firesOf(3, t1), QList<qint64>{t1 + 1000});
    QVERIFY(rig.visibleNumerals().isEmpty());
    QCOMPARE(rig.model().Label3.Caption, QStringLiteral("ぜんぶでいくつかな"));
}

void CountingTest::correctionAfterOutOfOrderTouch() {
    GameRig rig(countingSettings(CountWay::FromLeftCorrected, 3));
    rig.activate();
    Child child(rig);
    QVERIFY(child.catchAll());
    GameScreen& game = rig.game;
    QVERIFY(child.count({0}));
    QVERIFY(child.waitUntilQuiet());

    const qint64 t = rig.clock.now;
    child.touch(2);  // an error: the next character was 1
    QCOMPARE(game.CurrentCount, 1);
    rig.timers.advance(700);
    child.touch(1);  // lost while the correction is pending
    QCOMPARE(game.CurrentCount, 1);
    QCOMPARE(rig.visibleNumerals(), (QList<int>{0, 1}));

    rig.timers.advance(300);
    QCOMPARE(rig.sound.plays.at(rig.sound.plays.size() - 2).file, QStringLiteral("ブー.wav"));
    QCOMPARE(rig.sound.plays.at(rig.sound.plays.size() - 2).at, t + 1000);
    // The message and "もういちど.wav" only after "ブー.wav" has ended.
    QCOMPARE(rig.sound.plays.last().file, QStringLiteral("もういちど.wav"));
    QCOMPARE(rig.sound.plays.last().at, t + 1600);
    QVERIFY(rig.model().Label3.Visible);
    QCOMPARE(rig.model().Label3.Caption, QStringLiteral("かぞえてみよう"));
    QVERIFY(rig.visibleNumerals().isEmpty());
    QCOMPARE(game.CurrentCount, 0);

    // Counting starts again from the left.
    QVERIFY(child.countInOrder());
    QCOMPARE(game.CurrentCount, 3);
    QVERIFY(game.timerEnabled(3));
}

void CountingTest::movingOverCharacterCountsOncePerSound() {
    GameRig rig(countingSettings(CountWay::AnyOrder, 3));
    rig.activate();
    Child child(rig);
    QVERIFY(child.catchAll());
    const qint64 start = rig.clock.now;

    for (int step = 0; step < 5; ++step) {
        child.touch(1);
        rig.timers.advance(100);
    }
    QCOMPARE(numberSounds(rig, start), QStringList{"1.wav"});
    rig.timers.advance(200);  // the sound has ended; moving over it again counts again
    child.touch(1);
    QCOMPARE(numberSounds(rig, start), (QStringList{"1.wav", "2.wav"}));
    QCOMPARE(numeralsOver(rig), (QStringList{"0@1", "1@1"}));
}

void CountingTest::oneCharacterRound() {
    for (int mode = CountWay::AnyOrder; mode <= CountWay::FromLeftBlinking; ++mode) {
        GameRig rig(countingSettings(mode, 1, true));
        rig.activate();
        Child child(rig);
        QVERIFY(child.catchAll());
        QVERIFY(child.countInOrder());
        QVERIFY(child.answer(1));
        QVERIFY(child.waitUntil([&] { return rig.model().Label2.Visible; }));
        QCOMPARE(rig.model().Label2.Caption, QStringLiteral("○"));
    }
}

QTEST_GUILESS_MAIN(CountingTest)
#include "test_counting.moc"
