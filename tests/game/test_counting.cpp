// Catching the characters and counting them in the tray, in every counting way and with both
// touch methods, on the simulated clock; and what the game tells of a round as it is played.

#include <QtTest>

#include <functional>

#include "support/game_rig.h"

namespace {
GameSettings countingSettings(qint16 countWay, int characters, bool clickToCount = false) {
    GameSettings s;
    s.countWay = countWay;
    s.clickToCount = clickToCount;
    s.minCount = qint16(characters);
    s.maxCount = qint16(characters);
    return s;
}

// "k@c" for every visible numeral k (0-based) lying exactly over character c.
QStringList numeralsOver(const GameRig& rig) {
    QStringList found;
    for (int k : rig.visibleNumerals()) {
        const Control& numeral = rig.model().numerals[k];
        for (int c = 0; c < GameScreenModel::kPlaces; ++c) {
            const Control& character = rig.model().characters[c];
            if (character.visible && character.top == numeral.top &&
                character.left == numeral.left) {
                found.append(QStringLiteral("%1@%2").arg(k).arg(c));
            }
        }
    }
    return found;
}

// The numbers spoken from `since` on.
QList<int> numberSounds(const GameRig& rig, qint64 since) {
    QList<int> numbers;
    for (Sound sound : rig.sound.soundsSince(since)) {
        if (sound <= Sound::Ten)
            numbers.append(static_cast<int>(sound));
    }
    return numbers;
}

using Play = std::function<bool(GameRig&, Child&)>;
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
    void roundIsTold_data();
    void roundIsTold();
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
        const Control& c = model.characters[i];
        return QPoint(c.left + c.width / 2, c.top + c.height / 2);
    };

    rig.timers.advance(700);  // the hop sound has ended
    // The other touch method does nothing.
    const QPoint p0 = centreOf(0);
    if (clickToCount) {
        game.pointerMoved(p0.x(), p0.y());
    } else {
        game.pointerClicked(p0.x(), p0.y());
    }
    QVERIFY(game.stepPending(Step::Hop));
    QCOMPARE(rig.sound.plays.size(), 1);

    Child(rig).touch(0);
    QVERIFY(!game.stepPending(Step::Hop));
    QCOMPARE(numeralsOver(rig), QStringList{"0@0"});
    QCOMPARE(rig.sound.soundsSince(700), QList<Sound>{Sound::One});
    const Control caughtAt = model.characters[0];

    // 1.2 s later the character goes into the tray with its sound.
    rig.timers.advance(1199);
    QCOMPARE(int(model.characters[0].top), int(caughtAt.top));
    rig.timers.advance(1);
    QCOMPARE(rig.sound.soundsSince(1900), QList<Sound>{Sound::IntoTray});
    QCOMPARE(int(model.characters[0].top), 576);
    QCOMPARE(int(model.characters[0].left), 5120);
    QVERIFY(rig.visibleNumerals().isEmpty());
    QCOMPARE(int(game.round().rowLeft), 5120 + 2560);
    QCOMPARE(game.round().current, 1);

    // 0.5 s later the next character comes, hopping again.
    rig.timers.advance(499);
    QCOMPARE(rig.visibleCharacters(), QList<int>{0});
    rig.timers.advance(1);
    QCOMPARE(rig.visibleCharacters(), (QList<int>{0, 1}));
    QCOMPARE(rig.sound.soundsSince(2400), QList<Sound>{Sound::Hop});
    QVERIFY(game.stepPending(Step::Hop));
    QCOMPARE(rig.timers.firesOf(Step::Hop, 2400), QList<qint64>{});
    rig.timers.advance(1500);
    QCOMPARE(rig.timers.firesOf(Step::Hop, 2400), QList<qint64>{3900});

    // The last one: its sound into the tray plays to its end, then counting begins.
    rig.timers.advance(700);
    Child(rig).touch(1);
    QCOMPARE(rig.sound.soundsSince(4600), QList<Sound>{Sound::Two});
    rig.timers.advance(1200);
    QCOMPARE(rig.sound.soundsSince(5800), (QList<Sound>{Sound::IntoTray, Sound::LetsCount}));
    QCOMPARE(rig.sound.plays.last().at, qint64(5800 + 600));
    QCOMPARE(game.phase(), Phase::Counting);
    QCOMPARE(game.round().current, 0);
    QCOMPARE(model.message.caption, GameText::LetsCount);
    QVERIFY(model.message.visible);
    QCOMPARE(int(model.characters[1].left), 7680);
    QCOMPARE(int(model.characters[1].top), 576);
}

void CountingTest::touchesThatAreLost() {
    GameRig rig(countingSettings(CountWay::AnyOrder, 2));
    rig.activate();
    Child child(rig);
    GameScreen& game = rig.game;

    // While the hop sound plays.
    child.touch(0);
    QVERIFY(game.stepPending(Step::Hop));
    QCOMPARE(rig.sound.plays.size(), 1);

    // Caught: touching it again once its number has been spoken speaks it again.
    rig.timers.advance(600);
    child.touch(0);
    rig.timers.advance(700);
    child.touch(0);
    QCOMPARE(rig.sound.soundsSince(0).mid(1), (QList<Sound>{Sound::One, Sound::One}));

    // While the next one is on show, the one in the tray takes no touch.
    QVERIFY(child.waitUntil(
        [&] { return rig.model().characters[1].visible && !rig.sound.isPlaying(); }));
    QCOMPARE(rig.timers.firesOf(Step::IntoTray), QList<qint64>{1800});
    const int playsBefore = int(rig.sound.plays.size());
    child.touch(0);
    QCOMPARE(int(rig.sound.plays.size()), playsBefore);
    QVERIFY(game.stepPending(Step::Hop));

    // Counting: a touch during the previous number's sound is lost.
    child.touch(1);
    QVERIFY(child.waitUntilQuiet());
    QCOMPARE(game.phase(), Phase::Counting);
    child.touch(1);
    child.touch(0);
    QCOMPARE(game.round().current, 1);
    QVERIFY(child.waitUntilQuiet());
    child.touch(0);
    QCOMPARE(game.round().current, 2);
    // Once the count is complete nothing is taken while the question is on its way.
    const int numbers = int(numberSounds(rig, 0).size());
    rig.timers.advance(700);
    child.touch(1);
    QCOMPARE(int(numberSounds(rig, 0).size()), numbers);
}

void CountingTest::countingWays_data() {
    QTest::addColumn<qint16>("way");
    QTest::addColumn<QList<int>>("touches");
    QTest::addColumn<QList<int>>("numbers");  // spoken
    QTest::addColumn<int>("counted");
    QTest::addColumn<QStringList>("numerals");
    QTest::addColumn<bool>("messageShown");
    QTest::addColumn<bool>("questionComing");
    QTest::addColumn<bool>("correctionComing");

    QTest::newRow("any order, one character three times")
        << CountWay::AnyOrder << QList<int>{2, 2, 2} << QList<int>{1, 2, 3} << 3
        << QStringList{"0@2", "1@2", "2@2"} << false << true << false;
    QTest::newRow("any order, right to left")
        << CountWay::AnyOrder << QList<int>{2, 1} << QList<int>{1, 2} << 2
        << QStringList{"0@2", "1@1"} << false << false << false;
    QTest::newRow("from left, others ignored")
        << CountWay::FromLeft << QList<int>{1, 0, 0, 2, 1} << QList<int>{1, 2} << 2
        << QStringList{"0@0", "1@1"} << false << false << false;
    QTest::newRow("from left, nothing taken")
        << CountWay::FromLeft << QList<int>{2, 1} << QList<int>{} << 0 << QStringList{} << true
        << false << false;
    QTest::newRow("corrected, in order")
        << CountWay::FromLeftCorrected << QList<int>{0, 1, 2} << QList<int>{1, 2, 3} << 3
        << QStringList{"0@0", "1@1", "2@2"} << false << true << false;
    QTest::newRow("corrected, counted one again")
        << CountWay::FromLeftCorrected << QList<int>{0, 1, 0} << QList<int>{1, 2, 3} << 2
        << QStringList{"0@0", "1@1", "2@0"} << false << false << false;
    QTest::newRow("corrected, echo moves on")
        << CountWay::FromLeftCorrected << QList<int>{0, 0, 0} << QList<int>{1, 2, 2} << 1
        << QStringList{"0@0", "1@0"} << false << false << false;
    QTest::newRow("corrected, too far right")
        << CountWay::FromLeftCorrected << QList<int>{0, 2} << QList<int>{1, 2} << 1
        << QStringList{"0@0", "1@2"} << false << false << true;
    QTest::newRow("blinking, numerals go again")
        << CountWay::FromLeftBlinking << QList<int>{0, 2, 1, 0, 2} << QList<int>{1, 2, 3} << 3
        << QStringList{"2@2"} << false << true << false;
}

void CountingTest::countingWays() {
    QFETCH(qint16, way);
    QFETCH(QList<int>, touches);
    GameRig rig(countingSettings(way, 3));
    rig.activate();
    Child child(rig);
    QVERIFY(child.catchAll());
    const qint64 start = rig.clock.now;

    QVERIFY(child.count(touches));
    QTEST(numberSounds(rig, start), "numbers");
    QTEST(rig.round().current, "counted");
    QTEST(numeralsOver(rig), "numerals");
    QTEST(rig.model().message.visible, "messageShown");
    QTEST(rig.game.stepPending(Step::Question), "questionComing");
    QTEST(rig.game.stepPending(Step::Correction), "correctionComing");
}

void CountingTest::blinkingNumerals() {
    GameRig rig(countingSettings(CountWay::FromLeftBlinking, 2));
    rig.activate();
    Child child(rig);
    QVERIFY(child.catchAll());
    const GameScreen& game = rig.game;

    const qint64 t0 = rig.clock.now;
    child.touch(0);
    QCOMPARE(numeralsOver(rig), QStringList{"0@0"});
    rig.timers.advance(700);  // the number has been spoken; the numeral is still shown
    child.touch(1);
    QCOMPARE(game.round().current, 1);
    rig.timers.advance(100);
    QCOMPARE(rig.timers.firesOf(Step::NumeralOff, t0), QList<qint64>{t0 + 800});
    QVERIFY(rig.visibleNumerals().isEmpty());

    // The last count: the numeral goes at 0.8 s, the question comes at 1 s.
    const qint64 t1 = rig.clock.now;
    child.touch(1);
    QCOMPARE(game.round().current, 2);
    rig.timers.advance(1000);
    QCOMPARE(rig.timers.firesOf(Step::NumeralOff, t1 + 1), QList<qint64>{t1 + 800});
    QCOMPARE(rig.timers.firesOf(Step::Question, t1), QList<qint64>{t1 + 1000});
    QVERIFY(rig.visibleNumerals().isEmpty());
    QCOMPARE(rig.model().message.caption, GameText::HowMany);
}

void CountingTest::correctionAfterOutOfOrderTouch() {
    GameRig rig(countingSettings(CountWay::FromLeftCorrected, 3));
    rig.activate();
    Child child(rig);
    QVERIFY(child.catchAll());
    const GameScreen& game = rig.game;
    QVERIFY(child.count({0}));
    QVERIFY(child.waitUntilQuiet());

    const qint64 t = rig.clock.now;
    child.touch(2);  // an error: the next character was 1
    QCOMPARE(game.round().current, 1);
    rig.timers.advance(700);
    child.touch(1);  // lost while the correction is pending
    QCOMPARE(game.round().current, 1);
    QCOMPARE(rig.visibleNumerals(), (QList<int>{0, 1}));

    // The "×" sound 1 s after the error; the message and "もういちど" only once it has ended.
    rig.timers.advance(300);
    QCOMPARE(rig.sound.soundsSince(t + 1000), (QList<Sound>{Sound::Wrong, Sound::OnceMore}));
    QCOMPARE(rig.sound.plays.at(rig.sound.plays.size() - 2).at, t + 1000);
    QCOMPARE(rig.sound.plays.last().at, t + 1600);
    QVERIFY(rig.model().message.visible);
    QCOMPARE(rig.model().message.caption, GameText::LetsCount);
    QVERIFY(rig.visibleNumerals().isEmpty());
    QCOMPARE(game.round().current, 0);

    // Counting starts again from the left.
    QVERIFY(child.countInOrder());
    QCOMPARE(game.round().current, 3);
    QVERIFY(game.stepPending(Step::Question));
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
    QCOMPARE(numberSounds(rig, start), QList<int>{1});
    rig.timers.advance(200);  // the sound has ended; moving over it again counts again
    child.touch(1);
    QCOMPARE(numberSounds(rig, start), (QList<int>{1, 2}));
    QCOMPARE(numeralsOver(rig), (QStringList{"0@1", "1@1"}));
}

// Rounds of two characters, played to a point; the lines the game told on the way.
void CountingTest::roundIsTold_data() {
    QTest::addColumn<qint16>("way");
    QTest::addColumn<Play>("play");
    QTest::addColumn<QStringList>("told");
    const QStringList caught{"began 2", "caught 0", "caught 1"};
    // The pointer stays on character `index`, moving over it for two seconds.
    const auto linger = [](GameRig& rig, Child& child, int index) {
        for (const qint64 end = rig.clock.now + 2000; rig.clock.now < end;) {
            child.touch(index);
            rig.timers.advance(100);
        }
        return true;
    };
    QTest::newRow("counted and answered right")
        << CountWay::FromLeft << Play([](GameRig& rig, Child& c) {
               return c.catchAll() && c.countInOrder() && c.answer(2) &&
                      c.waitUntil([&] { return rig.game.stepPending(Step::NextRound); });
           })
        << caught + QStringList{"counted 0 1", "counted 1 2", "asked", "chose 2 right", "ended"};
    QTest::newRow("answered wrong") << CountWay::NoCounting << Play([](GameRig&, Child& c) {
        return c.catchAll() && c.answer(1);
    }) << caught + QStringList{"asked", "chose 1 wrong"};
    QTest::newRow("out of order, told once")
        << CountWay::FromLeftCorrected
        << Play([=](GameRig& rig, Child& c) { return c.catchAll() && linger(rig, c, 1); })
        << caught + QStringList{"out of order 1"};
    QTest::newRow("repeat, told once") << CountWay::FromLeft << Play([=](GameRig& rig, Child& c) {
        return c.catchAll() && c.count({0}) && c.waitUntilQuiet() && linger(rig, c, 0);
    }) << caught + QStringList{"counted 0 1", "repeat 0"};
    QTest::newRow("cut short by H") << CountWay::FromLeft << Play([](GameRig& rig, Child& c) {
        return c.catchAll() && (rig.game.keyPressed(GameKey::H), true);
    }) << caught + QStringList{"cut short"};
}

void CountingTest::roundIsTold() {
    QFETCH(qint16, way);
    QFETCH(Play, play);
    GameRig rig(countingSettings(way, 2));
    rig.activate();
    Child child(rig);
    QVERIFY(play(rig, child));
    QTEST(rig.listener.events, "told");
}

QTEST_GUILESS_MAIN(CountingTest)
#include "test_counting.moc"
