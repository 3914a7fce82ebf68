// The question, the number cards and the judgement, with what follows a right and a wrong answer
// in every counting way.

#include <QtTest>

#include "support/game_rig.h"

namespace {
// Rounds of `characters` characters (the rig scripts the draw) with cards for up to `maxCount`.
GameSettings questionSettings(int countMode, int characters, int maxCount = 5) {
    GameSettings s;
    s.CountMode = qint16(countMode);
    s.MinCount = qint16(characters);
    s.MaxCount = qint16(std::max(characters, maxCount));
    return s;
}

// Plays a round up to the cards: catches everything and counts in order (not in way 4).
bool playToQuestion(GameRig& rig, Child& child) {
    if (!child.catchAll())
        return false;
    if (rig.settings().CountMode != CountWay::NoCounting && !child.countInOrder())
        return false;
    return child.waitUntil([&] { return !rig.visibleCards().isEmpty(); });
}

QList<int> enabledTimers(const GameRig& rig) {
    QList<int> ids;
    for (int id = 1; id <= 9; ++id) {
        if (rig.game.timerEnabled(id))
            ids.append(id);
    }
    return ids;
}

// Touches every character, and clicks every visible card when `cardsToo`; true when none of it
// had any effect.
bool everythingIgnored(GameRig& rig, Child& child, bool cardsToo = true) {
    const qsizetype plays = rig.sound.plays.size();
    const int count = rig.game.CurrentCount;
    const int chosen = rig.game.ChosenNumber;
    const QList<int> timers = enabledTimers(rig);
    for (int i : rig.visibleCharacters())
        child.touch(i);
    if (cardsToo) {
        for (int i : rig.visibleCards())
            child.clickCard(i + 1);
    }
    return rig.sound.plays.size() == plays && rig.game.CurrentCount == count &&
           rig.game.ChosenNumber == chosen && enabledTimers(rig) == timers;
}

}  // namespace

class QuestionTest : public QObject {
    Q_OBJECT
private slots:
    void questionAndCards_data();
    void questionAndCards();
    void clicksThatAreLost();
    void rightAnswer_data();
    void rightAnswer();
    void wrongAnswersCountAgain_data();
    void wrongAnswersCountAgain();
    void noCountingWay();
};

void QuestionTest::questionAndCards_data() {
    QTest::addColumn<bool>("askPeople");
    QTest::addColumn<int>("maxCount");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("sound");
    QTest::addColumn<int>("cards");
    QTest::newRow("how many, 5 cards") << false << 5 << "ぜんぶでいくつかな"
                                       << "いくつかな.wav" << 5;
    QTest::newRow("how many people, 10 cards") << true << 6 << "ぜんぶでなんにんかな"
                                               << "なんにんかな.wav" << 10;
}

void QuestionTest::questionAndCards() {
    QFETCH(bool, askPeople);
    QFETCH(int, maxCount);
    QFETCH(QString, text);
    QFETCH(int, cards);
    GameSettings settings = questionSettings(CountWay::FromLeft, 2, maxCount);
    settings.MinCount = 2;
    settings.AskHowManyPeople = askPeople;
    GameRig rig(settings);
    rig.activate(2);
    Child child(rig);
    QVERIFY(child.catchAll());
    QVERIFY(child.count({0}));
    QVERIFY(child.waitUntilQuiet());
    child.touch(1);
    const qint64 lastCount = rig.clock.now;

    rig.timers.advance(999);
    QVERIFY(rig.visibleCards().isEmpty());
    rig.timers.advance(1);
    QCOMPARE(rig.model().Label3.Caption, text);
    QVERIFY(rig.model().Label3.Visible);
    QCOMPARE(rig.sound.plays.last().at, lastCount + 1000);
    QTEST(rig.sound.plays.last().file, "sound");
    QVERIFY(!rig.game.CardsLocked);
    QList<int> expected;
    for (int i = 0; i < cards; ++i)
        expected.append(i);
    QCOMPARE(rig.visibleCards(), expected);
}

void QuestionTest::clicksThatAreLost() {
    GameRig rig(questionSettings(CountWay::FromLeft, 3));
    rig.activate(3);
    Child child(rig);
    QVERIFY(playToQuestion(rig, child));
    const qint64 asked = rig.sound.plays.last().at;

    // While the question is spoken.
    child.clickCard(3);
    QVERIFY(rig.model().Label3.Visible);
    QCOMPARE(rig.game.ChosenNumber, 0);

    // Hovering never chooses, though moving is how characters are touched here.
    rig.timers.advance(600);
    const Control& card = rig.model().Image3[2];
    rig.game.pointerMoved(card.Left + card.Width / 2, card.Top + card.Height / 2);
    QCOMPARE(rig.game.ChosenNumber, 0);

    child.clickCard(2);
    QCOMPARE(rig.game.ChosenNumber, 2);
    QVERIFY(!rig.model().Label3.Visible);
    QVERIFY(rig.game.CardsLocked);
    // After a card was chosen, further clicks are lost, on this card or another.
    rig.timers.advance(700);
    child.clickCard(3);
    child.clickCard(2);
    QCOMPARE(rig.game.ChosenNumber, 2);
    QCOMPARE(rig.sound.filesSince(asked), (QStringList{"いくつかな.wav", "2.wav"}));

    // The chosen number is spoken though it is wrong; the mark comes 1 s after the click.
    rig.timers.advance(299);
    QVERIFY(!rig.model().Label2.Visible);
    rig.timers.advance(1);
    QVERIFY(rig.model().Label2.Visible);
    QCOMPARE(rig.model().Label2.Caption, QStringLiteral("×"));
}

void QuestionTest::rightAnswer_data() {
    QTest::addColumn<int>("mode");
    for (int mode = CountWay::AnyOrder; mode <= CountWay::NoCounting; ++mode) {
        QTest::newRow(qPrintable(QStringLiteral("way %1").arg(mode))) << mode;
    }
}

void QuestionTest::rightAnswer() {
    QFETCH(int, mode);
    GameRig rig(questionSettings(mode, 4, 6));
    rig.activate(4);
    Child child(rig);
    QVERIFY(playToQuestion(rig, child));
    QVERIFY(child.answer(4));
    const qint64 clicked = rig.clock.now;

    rig.timers.advance(1000);
    QVERIFY(rig.model().Label2.Visible);
    QCOMPARE(rig.model().Label2.Caption, QStringLiteral("○"));
    rig.timers.advance(100);
    QCOMPARE(rig.sound.plays.last().file, QStringLiteral("ピンポン.wav"));
    QCOMPARE(rig.sound.plays.last().at, clicked + 1100);

    // The two seconds before the next round take no touch and no click.
    rig.timers.advance(700);
    QVERIFY(everythingIgnored(rig, child));
    QVERIFY(rig.model().Label2.Visible);
    QCOMPARE(rig.visibleCharacters().size(), 4);

    rig.timers.advance(1299);
    QVERIFY(rig.model().Label2.Visible);
    rig.timers.advance(1);  // 2.1 s after the mark: the next round
    QCOMPARE(rig.timers.firesOf(7), QList<qint64>{clicked + 3100});
    QCOMPARE(rig.visibleCharacters(), QList<int>{0});
    QVERIFY(rig.visibleNumerals().isEmpty());
    QVERIFY(rig.visibleCards().isEmpty());
    QVERIFY(!rig.model().Label2.Visible);
    QCOMPARE(rig.game.CurrentCount, 0);
    QVERIFY(!rig.game.CountingPhase && !rig.game.CardsLocked);
    QCOMPARE(rig.sound.plays.last().file, QStringLiteral("ポコン.wav"));
}

void QuestionTest::wrongAnswersCountAgain_data() {
    QTest::addColumn<int>("mode");
    for (int mode = CountWay::AnyOrder; mode <= CountWay::FromLeftBlinking; ++mode) {
        QTest::newRow(qPrintable(QStringLiteral("way %1").arg(mode))) << mode;
    }
}

void QuestionTest::wrongAnswersCountAgain() {
    QFETCH(int, mode);
    GameRig rig(questionSettings(mode, 3));
    rig.activate(3);
    Child child(rig);
    GameScreen& game = rig.game;
    QVERIFY(playToQuestion(rig, child));

    for (int wrong = 1; wrong <= 3; ++wrong) {
        const int chosen = wrong == 2 ? 5 : 1;
        QVERIFY(child.answer(chosen));
        const qint64 clicked = rig.clock.now;
        rig.timers.advance(1000);
        QCOMPARE(rig.model().Label2.Caption, QStringLiteral("×"));
        rig.timers.advance(100);

        // "ブー.wav" to its end, then everything goes and "もういちど.wav" to its end.
        QCOMPARE(rig.sound.filesSince(clicked + 1100), (QStringList{"ブー.wav", "もういちど.wav"}));
        QCOMPARE(rig.sound.plays.last().at, clicked + 1700);
        QCOMPARE(rig.clock.now, clicked + 2300);
        QVERIFY(!rig.model().Label2.Visible);
        QVERIFY(rig.visibleNumerals().isEmpty());
        QVERIFY(rig.visibleCards().isEmpty());
        QCOMPARE(rig.model().Label3.Caption, QStringLiteral("かぞえてみよう"));
        QVERIFY(rig.model().Label3.Visible);
        QCOMPARE(game.WrongAnswers, wrong);
        QCOMPARE(game.CurrentCount, 0);
        QVERIFY(game.CardsLocked);
        const Control& card = rig.model().Image3[chosen - 1];
        QCOMPARE(int(card.Width), int(game.CellSize));
        QCOMPARE(int(card.Left), 1280 + (chosen - 1) * 2560);

        // Counting again from the left brings the question back.
        rig.timers.advance(5000);
        QVERIFY(rig.visibleCards().isEmpty());
        QVERIFY(child.countInOrder());
        QVERIFY(child.waitUntil([&] { return !rig.visibleCards().isEmpty(); }));
        QCOMPARE(rig.visibleCards().size(), 5);
    }
    QVERIFY(child.answer(3));
    QVERIFY(child.waitUntil([&] { return rig.model().Label2.Visible; }));
    QCOMPARE(rig.model().Label2.Caption, QStringLiteral("○"));
    QCOMPARE(game.WrongAnswers, 3);
}

void QuestionTest::noCountingWay() {
    GameRig rig(questionSettings(CountWay::NoCounting, 3));
    rig.activate(3);
    Child child(rig);
    GameScreen& game = rig.game;
    // In this way the child helper's wait for quiet ends once the question has been asked.
    QVERIFY(child.catchAll());
    QVERIFY(!rig.sound.filesSince(0).contains("かぞえよう.wav"));
    // The question follows 1 s after the last "ピコ.wav" has ended.
    const auto& plays = rig.sound.plays;
    QCOMPARE(plays.at(plays.size() - 2).file, QStringLiteral("ピコ.wav"));
    QCOMPARE(plays.last().file, QStringLiteral("いくつかな.wav"));
    QCOMPARE(plays.last().at, plays.at(plays.size() - 2).at + 600 + 1000);
    QCOMPARE(rig.model().Label3.Caption, QStringLiteral("ぜんぶでいくつかな"));
    QVERIFY(everythingIgnored(rig, child, false));

    // The first wrong answer: no message, the card goes back, the question again 1 s later.
    QVERIFY(child.answer(2));
    const qint64 clicked = rig.clock.now;
    rig.timers.advance(1100);
    QCOMPARE(rig.clock.now, clicked + 1700);  // "ブー.wav" waited for
    QVERIFY(!rig.model().Label3.Visible);
    QVERIFY(!rig.model().Label2.Visible);
    QCOMPARE(rig.visibleCards().size(), 5);
    QCOMPARE(int(rig.model().Image3[1].Width), int(game.CellSize));
    QCOMPARE(game.WrongAnswers, 1);
    QVERIFY(everythingIgnored(rig, child));
    rig.timers.advance(1000);
    QCOMPARE(plays.last().file, QStringLiteral("いくつかな.wav"));
    QCOMPARE(plays.last().at, clicked + 2700);
    QVERIFY(!game.CardsLocked);
    rig.timers.advance(600);
    QVERIFY(everythingIgnored(rig, child, false));
    child.clickCard(1);
    QCOMPARE(game.ChosenNumber, 1);

    // The second wrong answer: count from the left with blinking numerals.
    QVERIFY(child.waitUntil([&] { return rig.model().Label3.Visible; }));
    QCOMPARE(rig.model().Label3.Caption, QStringLiteral("かぞえてみよう"));
    QVERIFY(child.waitUntilQuiet());
    QVERIFY(rig.visibleCards().isEmpty());
    QCOMPARE(game.WrongAnswers, 2);
    QVERIFY(child.count({1, 0, 2}));
    QCOMPARE(game.CurrentCount, 1);
    QCOMPARE(rig.visibleNumerals(), QList<int>{});
    QVERIFY(child.count({1, 2}));
    QCOMPARE(game.CurrentCount, 3);
    QVERIFY(child.answer(3));
    QVERIFY(child.waitUntil([&] { return rig.model().Label2.Visible; }));
    QCOMPARE(rig.model().Label2.Caption, QStringLiteral("○"));
}

QTEST_GUILESS_MAIN(QuestionTest)
#include "test_question.moc"
