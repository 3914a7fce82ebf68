// Places and sizes on the game screen, on the usual screen and on large ones whose twips no
// longer fit in 16 bits.

#include <QtTest>

#include "support/game_rig.h"

namespace {
GameSettings settingsFor(int minCount, int maxCount, qint16 countWay = CountWay::FromLeft) {
    GameSettings s;
    s.countWay = countWay;
    s.minCount = qint16(minCount);
    s.maxCount = qint16(maxCount);
    return s;
}
}  // namespace

class LayoutTest : public QObject {
    Q_OBJECT
private slots:
    void judgementMark_data();
    void judgementMark();
    void roundLayout_data();
    void roundLayout();
    void messageLine_data();
    void messageLine();
    void cardRow_data();
    void cardRow();
};

void LayoutTest::judgementMark_data() {
    QTest::addColumn<int>("widthPx");
    QTest::addColumn<int>("heightPx");
    QTest::addColumn<int>("side");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("font");
    QTest::newRow("1024x768") << 1024 << 768 << 7680 << 1920 << 3840 << 374;
    QTest::newRow("odd width, halves cut down") << 1023 << 768 << 7672 << 1924 << 3836 << 374;
    QTest::newRow("2560x1440") << 2560 << 1440 << 19200 << 1200 << 9600 << 936;
    QTest::newRow("3840x2160") << 3840 << 2160 << 28800 << 1800 << 14400 << 1404;
}

void LayoutTest::judgementMark() {
    QFETCH(int, widthPx);
    QFETCH(int, heightPx);
    GameRig rig(GameSettings{}, widthPx, heightPx);
    const TextControl& mark = rig.model().mark;
    QCOMPARE(rig.model().width, widthPx * 15);
    QCOMPARE(rig.model().height, heightPx * 15);
    QTEST(int(mark.width), "side");
    QTEST(int(mark.height), "side");
    QTEST(int(mark.top), "top");
    QTEST(int(mark.left), "left");
    QTEST(int(mark.fontSize), "font");
    QVERIFY(!mark.visible);
}

void LayoutTest::roundLayout_data() {
    QTest::addColumn<int>("widthPx");
    QTest::addColumn<int>("heightPx");
    QTest::addColumn<int>("maxCount");
    QTest::addColumn<int>("characters");
    QTest::addColumn<int>("cards");
    QTest::addColumn<int>("cell");
    QTest::addColumn<int>("rowTop");
    QTest::addColumn<int>("rowLeft");
    QTest::addColumn<int>("verticalMargin");
    QTest::addColumn<int>("leftRange");
    QTest::newRow("1024x768, up to 5")
        << 1024 << 768 << 5 << 3 << 5 << 2560 << 576 << 3840 << 3136 << 12800;
    QTest::newRow("1024x768, up to 6")
        << 1024 << 768 << 6 << 3 << 10 << 1396 << 576 << 5586 << 1972 << 13964;
    // 15345 - 2 x 2557 = 10231: half of it, 5115.5, goes to the even 5116.
    QTest::newRow("half rounds up to even")
        << 1023 << 768 << 5 << 2 << 5 << 2557 << 576 << 5116 << 3133 << 12788;
    // 15345 - 4 x 2557 = 5117: half of it, 2558.5, goes to the even 2558.
    QTest::newRow("half rounds down to even")
        << 1023 << 768 << 5 << 4 << 5 << 2557 << 576 << 2558 << 3133 << 12788;
    QTest::newRow("2560x1440, ten")
        << 2560 << 1440 << 10 << 10 << 10 << 3490 << 1080 << 1750 << 4570 << 34910;
    QTest::newRow("3840x2160, ten")
        << 3840 << 2160 << 10 << 10 << 10 << 5236 << 1620 << 2620 << 6856 << 52364;
}

void LayoutTest::roundLayout() {
    QFETCH(int, widthPx);
    QFETCH(int, heightPx);
    QFETCH(int, maxCount);
    QFETCH(int, characters);
    QFETCH(int, cell);
    QFETCH(int, rowTop);
    QFETCH(int, rowLeft);
    QFETCH(int, verticalMargin);
    QFETCH(int, leftRange);
    GameRig rig(settingsFor(1, maxCount), widthPx, heightPx);
    rig.activate(characters);
    const RoundState& round = rig.round();

    QCOMPARE(round.characterCount, characters);
    QTEST(round.cardCount, "cards");
    QCOMPARE(int(round.cellSize), cell);
    QCOMPARE(int(round.rowTop), rowTop);
    QCOMPARE(int(round.rowLeft), rowLeft);
    QCOMPARE(int(round.verticalMargin), verticalMargin);
    QCOMPARE(int(round.leftRange), leftRange);

    const Control& tray = rig.model().tray;
    QVERIFY(tray.visible);
    QCOMPARE(int(tray.top), rowTop);
    QCOMPARE(int(tray.left), rowLeft);
    QCOMPARE(int(tray.height), cell);
    QCOMPARE(int(tray.width), cell * characters);
    for (int i = 0; i < GameScreenModel::kPlaces; ++i) {
        for (const Control* c :
             {&rig.model().characters[i], &rig.model().numerals[i], &rig.model().cards[i]}) {
            QCOMPARE(int(c->width), cell);
            QCOMPARE(int(c->height), cell);
        }
    }

    // The first character is on show somewhere in the band below the tray, wholly on screen.
    const Control& first = rig.model().characters[0];
    QVERIFY(first.visible);
    QVERIFY(first.left >= 0 && first.left + cell <= widthPx * 15);
    QVERIFY(first.top >= verticalMargin && first.top < heightPx * 15 - verticalMargin);
}

void LayoutTest::messageLine_data() {
    QTest::addColumn<int>("widthPx");
    QTest::addColumn<int>("heightPx");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("cell");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("font");
    QTest::newRow("1024x768, count")
        << 1024 << 768 << "かぞえてみよう" << 1920 << 13440 << 4800 << 960 << 93;
    QTest::newRow("1024x768, people")
        << 1024 << 768 << "ぜんぶでなんにんかな" << 1396 << 13960 << 5062 << 700 << 68;
    QTest::newRow("2560x1440, count")
        << 2560 << 1440 << "かぞえてみよう" << 4800 << 33600 << 8400 << 2400 << 234;
    QTest::newRow("2560x1440, people")
        << 2560 << 1440 << "ぜんぶでなんにんかな" << 3490 << 34900 << 9055 << 1750 << 170;
    QTest::newRow("3840x2160, how many")
        << 3840 << 2160 << "ぜんぶでいくつかな" << 5760 << 51840 << 13320 << 2880 << 280;
}

void LayoutTest::messageLine() {
    QFETCH(int, widthPx);
    QFETCH(int, heightPx);
    QFETCH(QString, text);
    QFETCH(int, cell);
    // One character: the round shows "かぞえてみよう" once it is caught, then the question.
    GameSettings settings = settingsFor(1, 1);
    settings.askHowManyPeople = text == GameText::HowManyPeople;
    GameRig rig(settings, widthPx, heightPx);
    rig.activate();
    Child child(rig);
    QVERIFY(child.catchAll());
    if (text != GameText::LetsCount)
        QVERIFY(child.countInOrder());
    const TextControl& line = rig.model().message;
    QVERIFY(child.waitUntil([&] { return line.visible && line.caption == text; }));

    // One cell per character of the text.
    QCOMPARE(int(line.height), cell);
    QCOMPARE(int(line.width), cell * int(text.size()));
    QTEST(int(line.width), "width");
    QTEST(int(line.top), "top");
    QTEST(int(line.left), "left");
    QTEST(int(line.fontSize), "font");
}

void LayoutTest::cardRow_data() {
    QTest::addColumn<int>("widthPx");
    QTest::addColumn<int>("heightPx");
    QTest::addColumn<int>("maxCount");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("firstLeft");
    QTest::addColumn<int>("chosenSide");
    QTest::addColumn<int>("chosenTop");
    QTest::addColumn<int>("chosenLeft");
    QTest::newRow("1024x768, five cards")
        << 1024 << 768 << 5 << 8384 << 1280 << 4266 << 3627 << 5547;
    QTest::newRow("1024x768, ten cards")
        << 1024 << 768 << 10 << 9548 << 700 << 4653 << 3433 << 5353;
    // H / 20 = 575.25 is not rounded on its own: 11505 - 2557 - 575.25 = 8372.75 -> 8372.
    QTest::newRow("height not a multiple of 20")
        << 1023 << 767 << 5 << 8372 << 1280 << 4261 << 3622 << 5542;
    QTest::newRow("2560x1440") << 2560 << 1440 << 10 << 17030 << 1750 << 11633 << 4983 << 13383;
    QTest::newRow("3840x2160") << 3840 << 2160 << 10 << 25544 << 2620 << 17453 << 7473 << 20073;
}

void LayoutTest::cardRow() {
    QFETCH(int, widthPx);
    QFETCH(int, heightPx);
    QFETCH(int, maxCount);
    QFETCH(int, top);
    QFETCH(int, firstLeft);
    GameRig rig(settingsFor(1, maxCount, CountWay::NoCounting), widthPx, heightPx);
    rig.activate(1);
    Child child(rig);
    QVERIFY(child.catchAll());
    QVERIFY(child.waitUntil([&] { return !rig.visibleCards().isEmpty(); }));

    const int cards = maxCount > 5 ? 10 : 5;
    const int cell = rig.round().cellSize;
    QCOMPARE(rig.visibleCards().size(), cards);
    for (int i = 0; i < cards; ++i) {
        const Control& card = rig.model().cards[i];
        QCOMPARE(int(card.top), top);
        QCOMPARE(int(card.left), firstLeft + cell * i);
        QCOMPARE(int(card.width), cell);
    }

    // The chosen card grows to a third of the row and stands in the middle.
    QVERIFY(child.answer(cards));
    const Control& chosen = rig.model().cards[cards - 1];
    QTEST(int(chosen.width), "chosenSide");
    QTEST(int(chosen.height), "chosenSide");
    QTEST(int(chosen.top), "chosenTop");
    QTEST(int(chosen.left), "chosenLeft");

    // A wrong answer puts it back in the row at its own size.
    rig.timers.advance(1100);
    QCOMPARE(rig.model().mark.caption, GameText::WrongMark);
    QCOMPARE(int(chosen.top), top);
    QCOMPARE(int(chosen.left), firstLeft + cell * (cards - 1));
    QCOMPARE(int(chosen.width), cell);
    QCOMPARE(int(chosen.height), cell);
}

QTEST_GUILESS_MAIN(LayoutTest)
#include "test_layout.moc"
