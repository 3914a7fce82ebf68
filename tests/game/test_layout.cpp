// Places and sizes on the game screen, on the usual screen and on large ones whose twips no
// longer fit in 16 bits.

#include <QtTest>

#include "support/game_rig.h"

namespace {
GameSettings settingsFor(int minCount, int maxCount, int countMode = CountWay::FromLeft) {
    GameSettings s;
    s.CountMode = qint16(countMode);
    s.MinCount = qint16(minCount);
    s.MaxCount = qint16(maxCount);
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
    const LabelControl& mark = rig.model().Label2;
    QCOMPARE(rig.model().Width, widthPx * 15);
    QCOMPARE(rig.model().Height, heightPx * 15);
    QTEST(int(mark.Width), "side");
    QTEST(int(mark.Height), "side");
    QTEST(int(mark.Top), "top");
    QTEST(int(mark.Left), "left");
    QTEST(int(mark.FontSize), "font");
    QVERIFY(!mark.Visible);
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
    const GameScreen& game = rig.game;

    QCOMPARE(game.CharacterCount, characters);
    QTEST(game.CardCount, "cards");
    QCOMPARE(int(game.CellSize), cell);
    QCOMPARE(int(game.RowTop), rowTop);
    QCOMPARE(int(game.RowLeft), rowLeft);
    QCOMPARE(int(game.VerticalMargin), verticalMargin);
    QCOMPARE(int(game.LeftRange), leftRange);

    const Control& tray = rig.model().Shape1;
    QVERIFY(tray.Visible);
    QCOMPARE(int(tray.Top), rowTop);
    QCOMPARE(int(tray.Left), rowLeft);
    QCOMPARE(int(tray.Height), cell);
    QCOMPARE(int(tray.Width), cell * characters);
    for (int i = 0; i < GameScreenModel::kPlaces; ++i) {
        for (const Control* c :
             {&rig.model().Image1[i], &rig.model().Image2[i], &rig.model().Image3[i]}) {
            QCOMPARE(int(c->Width), cell);
            QCOMPARE(int(c->Height), cell);
        }
    }

    // The first character is on show somewhere in the band below the row, wholly on screen.
    const Control& first = rig.model().Image1[0];
    QVERIFY(first.Visible);
    QVERIFY(first.Left >= 0 && first.Left + cell <= widthPx * 15);
    QVERIFY(first.Top >= verticalMargin && first.Top < heightPx * 15 - verticalMargin);
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
    GameRig rig(GameSettings{}, widthPx, heightPx);
    rig.game.MessageText = text;
    rig.game.ShowMessage();

    const LabelControl& line = rig.model().Label3;
    QCOMPARE(rig.game.MessageLength, int(text.size()));
    QCOMPARE(int(rig.game.MessageCellSize), cell);
    QCOMPARE(int(line.Height), cell);
    QTEST(int(line.Width), "width");
    QTEST(int(line.Top), "top");
    QTEST(int(line.Left), "left");
    QTEST(int(line.FontSize), "font");
    QCOMPARE(line.Caption, text);
    QVERIFY(line.Visible);
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
    const int cell = rig.game.CellSize;
    QCOMPARE(rig.visibleCards().size(), cards);
    for (int i = 0; i < cards; ++i) {
        const Control& card = rig.model().Image3[i];
        QCOMPARE(int(card.Top), top);
        QCOMPARE(int(card.Left), firstLeft + cell * i);
        QCOMPARE(int(card.Width), cell);
    }

    // The chosen card grows to a third of the row and stands in the middle.
    QVERIFY(child.answer(cards));
    const Control& chosen = rig.model().Image3[cards - 1];
    QTEST(int(chosen.Width), "chosenSide");
    QTEST(int(chosen.Height), "chosenSide");
    QTEST(int(chosen.Top), "chosenTop");
    QTEST(int(chosen.Left), "chosenLeft");

    // A wrong answer puts it back in the row at its own size.
    rig.timers.advance(1100);
    QCOMPARE(rig.model().Label2.Caption, QStringLiteral("×"));
    QCOMPARE(int(chosen.Top), top);
    QCOMPARE(int(chosen.Left), firstLeft + cell * (cards - 1));
    QCOMPARE(int(chosen.Width), cell);
    QCOMPARE(int(chosen.Height), cell);
}

QTEST_GUILESS_MAIN(LayoutTest)
#include "test_layout.moc"
