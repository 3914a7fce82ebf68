// Setting a round up: how many characters, which pictures, where the character on show stands
// and how it hops, the pointer, and activation.

#include <QtTest>

#include <QSet>

#include "support/game_rig.h"

namespace {
GameSettings roundSettings(int minCount, int maxCount, bool mixed = false) {
    GameSettings s;
    s.minCount = qint16(minCount);
    s.maxCount = qint16(maxCount);
    s.mixedCharacters = mixed;
    return s;
}

QStringList loadedPaths(const GameRig& rig, int from = 0) {
    QStringList paths;
    for (int i = from; i < rig.pictures.loads.size(); ++i)
        paths.append(rig.pictures.loads[i].path);
    return paths;
}
}  // namespace

class RoundTest : public QObject {
    Q_OBJECT
private slots:
    void characterCount_data();
    void characterCount();
    void samePictureRound();
    void mixedRoundUsesEachPictureOnce();
    void mixedNeedsEnoughPictures_data();
    void mixedNeedsEnoughPictures();
    void placeCharacter();
    void hopping_data();
    void hopping();
    void pointerFollowsSettings();
    void activationStartsCleanRound();
};

void RoundTest::characterCount_data() {
    QTest::addColumn<int>("minCount");
    QTest::addColumn<int>("maxCount");
    QTest::addColumn<double>("draw");
    QTest::addColumn<int>("expected");
    QTest::newRow("lowest draw") << 2 << 5 << 0.0 << 2;
    QTest::newRow("middle") << 2 << 5 << 0.5 << 4;
    QTest::newRow("highest draw") << 2 << 5 << 0.9999 << 5;
    QTest::newRow("fixed four") << 4 << 4 << 0.9999 << 4;
    QTest::newRow("one to ten, top") << 1 << 10 << 0.95 << 10;
}

void RoundTest::characterCount() {
    QFETCH(int, minCount);
    QFETCH(int, maxCount);
    QFETCH(double, draw);
    GameRig rig(roundSettings(minCount, maxCount));
    rig.random.push(draw);
    rig.game.activate();
    QTEST(rig.round().characterCount, "expected");
    QCOMPARE(rig.round().cardCount, maxCount > 5 ? 10 : 5);
}

void RoundTest::samePictureRound() {
    GameRig rig(roundSettings(3, 3));
    rig.random.push(0.5);   // three characters
    rig.random.push(0.25);  // picture k = Int(0.25 x 10) = 2
    rig.game.activate();
    QCOMPARE(rig.round().singlePicturePath, QStringLiteral("data/p2.gif"));

    Child child(rig);
    QVERIFY(child.catchAll());
    // Every placing of every character reads the same file again from disk.
    const QStringList paths = loadedPaths(rig);
    QVERIFY(paths.size() >= 3);
    QCOMPARE(QSet<QString>(paths.begin(), paths.end()), QSet<QString>{"data/p2.gif"});
    QSet<int> indices;
    for (const auto& load : rig.pictures.loads)
        indices.insert(load.index);
    QCOMPARE(indices, (QSet<int>{0, 1, 2}));
}

void RoundTest::mixedRoundUsesEachPictureOnce() {
    GameRig rig(roundSettings(2, 10, true));
    rig.scriptCharacterCount(3);
    // Slot 0 draws p1; slot 1 draws p1 again and redraws p7; the rest come from the generator.
    for (double r : {0.15, 0.15, 0.75})
        rig.random.push(r);
    rig.game.activate();
    QVERIFY(rig.shared.settings.mixedCharacters);
    const auto& pictures = rig.round().pictures;
    QCOMPARE(pictures[0], QStringLiteral("p1.gif"));
    QCOMPARE(pictures[1], QStringLiteral("p7.gif"));
    // maxCount slots are filled, not only characterCount: all ten, each picture once.
    const QSet<QString> used(pictures.begin(), pictures.end());
    const QStringList all = tenPictures();
    QCOMPARE(used, QSet<QString>(all.begin(), all.end()));

    Child child(rig);
    QVERIFY(child.catchAll());
    for (const auto& load : rig.pictures.loads) {
        QCOMPARE(load.path, "data/" + pictures[load.index]);
    }
}

void RoundTest::mixedNeedsEnoughPictures_data() {
    QTest::addColumn<QStringList>("selected");
    QTest::addColumn<bool>("mixedAfterActivation");
    QTest::addColumn<QStringList>("drawnFrom");
    const QStringList three{"p3.gif", "p4.gif", "p5.gif"};
    QTest::newRow("three selected, five wanted") << three << false << three;
    // A hand-edited selection file can select nothing: every picture plays.
    QTest::newRow("nothing selected") << QStringList() << true << tenPictures();
    QTest::newRow("five selected")
        << QStringList{"p0.gif", "p2.gif", "p4.gif", "p6.gif", "p8.gif"} << true
        << QStringList{"p0.gif", "p2.gif", "p4.gif", "p6.gif", "p8.gif"};
}

void RoundTest::mixedNeedsEnoughPictures() {
    QFETCH(QStringList, selected);
    QFETCH(QStringList, drawnFrom);
    GameRig rig(roundSettings(5, 5, true), 1024, 768, selected);
    rig.game.activate();
    QTEST(rig.shared.settings.mixedCharacters, "mixedAfterActivation");

    Child child(rig);
    QVERIFY(child.catchAll());
    QSet<QString> shown;
    for (const QString& path : loadedPaths(rig)) {
        QVERIFY2(path.startsWith("data/") && drawnFrom.contains(path.mid(5)), qPrintable(path));
        shown.insert(path);
    }
    QCOMPARE(shown.size(), rig.shared.settings.mixedCharacters ? 5 : 1);
}

void RoundTest::placeCharacter() {
    // Activation turns a mixed round off when too few pictures are selected. A round begun
    // another way (the next round after a right answer) must still start, and not hang.
    GameRig rig(roundSettings(3, 3), 1024, 768, {"p0.gif", "p1.gif"});
    rig.activate();
    Child child(rig);
    QVERIFY(child.catchAll() && child.countInOrder() && child.answer(3));
    rig.shared.settings.mixedCharacters = true;
    rig.random.push(0.0);  // count
    rig.random.push(0.6);  // the one picture: p1
    rig.random.push(0.5);  // left
    rig.random.push(0.5);  // top
    QVERIFY(child.waitUntil([&] { return rig.game.phase() == Phase::Catching; }));
    const qint64 began = rig.timers.firesOf(Step::NextRound).constLast();
    const Control& shown = rig.model().characters[0];
    QCOMPARE(rig.round().singlePicturePath, QStringLiteral("data/p1.gif"));
    QCOMPARE(int(shown.left), 6400);  // Int(0.5 x 12800)
    QCOMPARE(int(shown.top), 5760);   // Int(0.5 x (11520 - 6272) + 3136)
    QCOMPARE(rig.sound.soundsSince(began), QList<Sound>{Sound::Hop});
    QCOMPARE(rig.visibleCharacters(), QList<int>{0});

    // The extremes of the random draw keep the character on screen, below the tray.
    rig.random.push(0.0);
    rig.random.push(0.0);
    rig.timers.advance(1500);
    QCOMPARE(int(shown.left), 0);
    QCOMPARE(int(shown.top), 3136);
    rig.random.push(0.999999);
    rig.random.push(0.999999);
    rig.timers.advance(1500);
    QCOMPARE(int(shown.left), 12799);
    QCOMPARE(int(shown.top), 8383);
}

void RoundTest::hopping_data() {
    QTest::addColumn<int>("blinkTime");
    QTest::newRow("1.5 s") << 15;
    QTest::newRow("0.1 s") << 1;
    QTest::newRow("4 s") << 40;
}

void RoundTest::hopping() {
    QFETCH(int, blinkTime);
    GameSettings settings = roundSettings(2, 2);
    settings.blinkTime = qint16(blinkTime);
    GameRig rig(settings);
    rig.activate();
    QCOMPARE(rig.game.stepInterval(Step::Hop), blinkTime * 100);
    const int changes = rig.modelChanges;
    rig.timers.advance(blinkTime * 100 * 3);
    QCOMPARE(rig.modelChanges - changes, 3);  // the window repaints once per jump

    // Three jumps, each with the hop sound (cutting off the one before) and the picture read anew.
    QCOMPARE(rig.timers.firesOf(Step::Hop),
             (QList<qint64>{blinkTime * 100, blinkTime * 200, blinkTime * 300}));
    QCOMPARE(rig.sound.soundsSince(0), QList<Sound>(4, Sound::Hop));
    QCOMPARE(rig.sound.plays.last().at, qint64(blinkTime * 300));
    QCOMPARE(rig.pictures.loads.size(), 4);
    QCOMPARE(rig.visibleCharacters(), QList<int>{0});
}

void RoundTest::pointerFollowsSettings() {
    GameSettings settings;
    settings.hidePointer = true;
    GameRig rig(settings);
    rig.activate();
    QVERIFY(rig.model().pointerHidden);
    rig.game.keyPressed(GameKey::H);
    rig.shared.settings.hidePointer = false;
    rig.activate();
    QVERIFY(!rig.model().pointerHidden);
}

void RoundTest::activationStartsCleanRound() {
    GameRig rig(roundSettings(3, 3));
    rig.activate();
    Child child(rig);
    QVERIFY(child.catchAll());
    QVERIFY(child.count({0, 1}));
    rig.game.keyPressed(GameKey::N);

    rig.activate();
    const GameScreen& game = rig.game;
    QCOMPARE(game.round().current, 0);
    QCOMPARE(game.phase(), Phase::Catching);
    QCOMPARE(game.round().wrongAnswers, 0);
    QCOMPARE(rig.visibleCharacters(), QList<int>{0});
    QVERIFY(rig.visibleNumerals().isEmpty());
    QVERIFY(rig.visibleCards().isEmpty());
    QVERIFY(!rig.model().mark.visible && !rig.model().message.visible);
    QVERIFY(rig.model().tray.visible);
    for (Step step : kAllSteps)
        QCOMPARE(game.stepPending(step), step == Step::Hop);
    QCOMPARE(int(game.round().rowLeft), int(rig.model().tray.left));
}

QTEST_GUILESS_MAIN(RoundTest)
#include "test_round.moc"
