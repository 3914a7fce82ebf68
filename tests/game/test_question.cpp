// The question, the number cards and the judgement, with what follows a right and a wrong answer
// in every counting way.

#include <QtTest>

#include "support/game_rig.h"

namespace {
// Rounds of `characters` characters (the rig scripts the draw) with cards for up to `maxCount`.
GameSettings questionSettings(qint16 countWay, int characters, int maxCount = 5) {
    GameSettings s;
    s.countWay = countWay;
    s.minCount = qint16(characters);
    s.maxCount = qint16(std::max(characters, maxCount));
    return s;
}

// Plays a round up to the cards: catches everything and counts in order (unless there is no
// counting).
bool playToQuestion(GameRig& rig, Child& child) {
    if (!child.catchAll())
        return false;
    if (rig.settings().countWay != CountWay::NoCounting && !child.countInOrder())
        return false;
    return child.waitUntil([&] { return !rig.visibleCards().isEmpty(); });
}

QList<Step> pendingSteps(const GameRig& rig) {
    QList<Step> steps;
    for (Step step : kAllSteps) {
        if (rig.game.stepPending(step))
            steps.append(step);
    }
    return steps;
}

// The counting ways by name, for the rows of a table.
const QList<QPair<const char*, qint16>> kWays{{"any order", CountWay::AnyOrder},
                                              {"from left", CountWay::FromLeft},
                                              {"corrected", CountWay::FromLeftCorrected},
                                              {"blinking", CountWay::FromLeftBlinking},
                                              {"no counting", CountWay::NoCounting}};

// Touches every character, and clicks every visible card when `cardsToo`; true when none of it
// had any effect.
bool everythingIgnored(GameRig& rig, Child& child, bool cardsToo = true) {
    const qsizetype plays = rig.sound.plays.size();
    const int count = rig.round().current;
    const int chosen = rig.round().chosenNumber;
    const QList<Step> steps = pendingSteps(rig);
    for (int i : rig.visibleCharacters())
        child.touch(i);
    if (cardsToo) {
        for (int i : rig.visibleCards())
            child.clickCard(i + 1);
    }
    return rig.sound.plays.size() == plays && rig.round().current == count &&
           rig.round().chosenNumber == chosen && pendingSteps(rig) == steps;
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
    QTest::addColumn<Sound>("sound");
    QTest::addColumn<int>("cards");
    QTest::newRow("how many, 5 cards") << false << 5 << GameText::HowMany << Sound::HowMany << 5;
    QTest::newRow("how many people, 10 cards")
        << true << 6 << GameText::HowManyPeople << Sound::HowManyPeople << 10;
}

void QuestionTest::questionAndCards() {
    QFETCH(bool, askPeople);
    QFETCH(int, maxCount);
    QFETCH(QString, text);
    QFETCH(int, cards);
    GameSettings settings = questionSettings(CountWay::FromLeft, 2, maxCount);
    settings.minCount = 2;
    settings.askHowManyPeople = askPeople;
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
    QCOMPARE(rig.model().message.caption, text);
    QVERIFY(rig.model().message.visible);
    QCOMPARE(rig.sound.plays.last().at, lastCount + 1000);
    QTEST(rig.sound.plays.last().sound, "sound");
    QCOMPARE(rig.game.phase(), Phase::Asking);
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
    QVERIFY(rig.model().message.visible);
    QCOMPARE(rig.round().chosenNumber, 0);

    // Hovering never chooses, though moving is how characters are touched here.
    rig.timers.advance(600);
    const Control& card = rig.model().cards[2];
    rig.game.pointerMoved(card.left + card.width / 2, card.top + card.height / 2);
    QCOMPARE(rig.round().chosenNumber, 0);

    child.clickCard(2);
    QCOMPARE(rig.round().chosenNumber, 2);
    QVERIFY(!rig.model().message.visible);
    QCOMPARE(rig.game.phase(), Phase::Judging);
    // After a card was chosen, further clicks are lost, on this card or another.
    rig.timers.advance(700);
    child.clickCard(3);
    child.clickCard(2);
    QCOMPARE(rig.round().chosenNumber, 2);
    QCOMPARE(rig.sound.soundsSince(asked), (QList<Sound>{Sound::HowMany, Sound::Two}));

    // The chosen number is spoken though it is wrong; the mark comes 1 s after the click.
    rig.timers.advance(299);
    QVERIFY(!rig.model().mark.visible);
    rig.timers.advance(1);
    QVERIFY(rig.model().mark.visible);
    QCOMPARE(rig.model().mark.caption, GameText::WrongMark);
}

void QuestionTest::rightAnswer_data() {
    QTest::addColumn<qint16>("way");
    QTest::addColumn<int>("characters");
    QTest::addColumn<bool>("clickToCount");
    for (const auto& [name, way] : kWays)
        QTest::newRow(name) << way << 4 << false;
    // One character: the count is complete at the first touch.
    for (const auto& [name, way] : kWays.first(4))
        QTest::addRow("one character, %s, by clicking", name) << way << 1 << true;
}

void QuestionTest::rightAnswer() {
    QFETCH(qint16, way);
    QFETCH(int, characters);
    QFETCH(bool, clickToCount);
    GameSettings settings = questionSettings(way, characters, 6);
    settings.clickToCount = clickToCount;
    GameRig rig(settings);
    rig.activate(characters);
    Child child(rig);
    QVERIFY(playToQuestion(rig, child));
    QVERIFY(child.answer(characters));
    const qint64 clicked = rig.clock.now;

    rig.timers.advance(1000);
    QVERIFY(rig.model().mark.visible);
    QCOMPARE(rig.model().mark.caption, GameText::RightMark);
    rig.timers.advance(100);
    QCOMPARE(rig.sound.plays.last().sound, Sound::Right);
    QCOMPARE(rig.sound.plays.last().at, clicked + 1100);

    // The two seconds before the next round take no touch and no click.
    rig.timers.advance(700);
    QVERIFY(everythingIgnored(rig, child));
    QVERIFY(rig.model().mark.visible);
    QCOMPARE(rig.visibleCharacters().size(), characters);

    rig.timers.advance(1299);
    QVERIFY(rig.model().mark.visible);
    rig.timers.advance(1);  // 2.1 s after the mark: the next round
    QCOMPARE(rig.timers.firesOf(Step::NextRound), QList<qint64>{clicked + 3100});
    QCOMPARE(rig.visibleCharacters(), QList<int>{0});
    QVERIFY(rig.visibleNumerals().isEmpty());
    QVERIFY(rig.visibleCards().isEmpty());
    QVERIFY(!rig.model().mark.visible);
    QCOMPARE(rig.round().current, 0);
    QCOMPARE(rig.game.phase(), Phase::Catching);
    QCOMPARE(rig.sound.plays.last().sound, Sound::Hop);
}

void QuestionTest::wrongAnswersCountAgain_data() {
    QTest::addColumn<qint16>("way");
    for (const auto& [name, way] : kWays.first(4))
        QTest::newRow(name) << way;
}

void QuestionTest::wrongAnswersCountAgain() {
    QFETCH(qint16, way);
    GameRig rig(questionSettings(way, 3));
    rig.activate(3);
    Child child(rig);
    const GameScreen& game = rig.game;
    QVERIFY(playToQuestion(rig, child));

    for (int wrong = 1; wrong <= 3; ++wrong) {
        const int chosen = wrong == 2 ? 5 : 1;
        QVERIFY(child.answer(chosen));
        const qint64 clicked = rig.clock.now;
        rig.timers.advance(1000);
        QCOMPARE(rig.model().mark.caption, GameText::WrongMark);
        rig.timers.advance(100);

        // The "×" sound to its end, then everything goes and "もういちど" to its end.
        QCOMPARE(rig.sound.soundsSince(clicked + 1100),
                 (QList<Sound>{Sound::Wrong, Sound::OnceMore}));
        QCOMPARE(rig.sound.plays.last().at, clicked + 1700);
        QCOMPARE(rig.clock.now, clicked + 2300);
        QVERIFY(!rig.model().mark.visible);
        QVERIFY(rig.visibleNumerals().isEmpty());
        QVERIFY(rig.visibleCards().isEmpty());
        QCOMPARE(rig.model().message.caption, GameText::LetsCount);
        QVERIFY(rig.model().message.visible);
        QCOMPARE(game.round().wrongAnswers, wrong);
        QCOMPARE(game.round().current, 0);
        QCOMPARE(game.phase(), Phase::Counting);

        // Counting again from the left brings the question back.
        rig.timers.advance(5000);
        QVERIFY(rig.visibleCards().isEmpty());
        QVERIFY(child.countInOrder());
        QVERIFY(child.waitUntil([&] { return !rig.visibleCards().isEmpty(); }));
        QCOMPARE(rig.visibleCards().size(), 5);
    }
    QVERIFY(child.answer(3));
    QVERIFY(child.waitUntil([&] { return rig.model().mark.visible; }));
    QCOMPARE(rig.model().mark.caption, GameText::RightMark);
    QCOMPARE(game.round().wrongAnswers, 3);
}

void QuestionTest::noCountingWay() {
    GameRig rig(questionSettings(CountWay::NoCounting, 3));
    rig.activate(3);
    Child child(rig);
    const GameScreen& game = rig.game;
    // In this way the child helper's wait for quiet ends once the question has been asked.
    QVERIFY(child.catchAll());
    QVERIFY(!rig.sound.soundsSince(0).contains(Sound::LetsCount));
    // The question follows 1 s after the last character's sound into the tray has ended.
    const auto& plays = rig.sound.plays;
    QCOMPARE(plays.at(plays.size() - 2).sound, Sound::IntoTray);
    QCOMPARE(plays.last().sound, Sound::HowMany);
    QCOMPARE(plays.last().at, plays.at(plays.size() - 2).at + 600 + 1000);
    QCOMPARE(rig.model().message.caption, GameText::HowMany);
    QVERIFY(everythingIgnored(rig, child, false));

    // The first wrong answer: no message, the card goes back, the question again 1 s later.
    QVERIFY(child.answer(2));
    const qint64 clicked = rig.clock.now;
    rig.timers.advance(1100);
    QCOMPARE(rig.clock.now, clicked + 1700);  // the "×" sound waited for
    QVERIFY(!rig.model().message.visible);
    QVERIFY(!rig.model().mark.visible);
    QCOMPARE(rig.visibleCards().size(), 5);
    QCOMPARE(int(rig.model().cards[1].width), int(game.round().cellSize));
    QCOMPARE(game.round().wrongAnswers, 1);
    QVERIFY(everythingIgnored(rig, child));
    rig.timers.advance(1000);
    QCOMPARE(plays.last().sound, Sound::HowMany);
    QCOMPARE(plays.last().at, clicked + 2700);
    QCOMPARE(game.phase(), Phase::Asking);
    rig.timers.advance(600);
    QVERIFY(everythingIgnored(rig, child, false));
    child.clickCard(1);
    QCOMPARE(game.round().chosenNumber, 1);

    // The second wrong answer: count from the left with blinking numerals.
    QVERIFY(child.waitUntil([&] { return rig.model().message.visible; }));
    QCOMPARE(rig.model().message.caption, GameText::LetsCount);
    QVERIFY(child.waitUntilQuiet());
    QVERIFY(rig.visibleCards().isEmpty());
    QCOMPARE(game.round().wrongAnswers, 2);
    QVERIFY(child.count({1, 0, 2}));
    QCOMPARE(game.round().current, 1);
    QCOMPARE(rig.visibleNumerals(), QList<int>{});
    QVERIFY(child.count({1, 2}));
    QCOMPARE(game.round().current, 3);
    QVERIFY(child.answer(3));
    QVERIFY(child.waitUntil([&] { return rig.model().mark.visible; }));
    QCOMPARE(rig.model().mark.caption, GameText::RightMark);
}

QTEST_GUILESS_MAIN(QuestionTest)
#include "test_question.moc"
