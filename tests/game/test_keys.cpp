// The keys of the game screen and stopping: whenever Esc, H or N is pressed, no step of the round
// runs afterwards, nothing sounds, and the next activation starts a clean round.

#include <QtTest>

#include <functional>

#include "game/key_hold.h"
#include "support/fakes.h"
#include "support/game_rig.h"

namespace {
struct BreakOff {};  // thrown from a tick to leave a scripted round where it stands

GameSettings keySettings(qint16 countWay) {
    GameSettings s;
    s.countWay = countWay;
    s.minCount = 2;
    s.maxCount = 2;
    return s;
}

// A whole round with mistakes in it, so that every step of the round runs at some point,
// up to the start of the next round.
bool playEventfulRound(GameRig& rig, Child& child) {
    const GameScreen& game = rig.game;
    // Slow to catch the first character: it hops once.
    if (!child.waitUntil([&] { return !rig.timers.firesOf(Step::Hop).isEmpty(); }))
        return false;
    if (!child.catchAll())
        return false;
    switch (rig.settings().countWay) {
        case CountWay::FromLeftCorrected:
            if (!child.count({1}) || !child.countInOrder())
                return false;  // an error first
            break;
        case CountWay::NoCounting:
            if (!child.answer(1) || !child.answer(3))
                return false;  // two wrong answers
            if (!child.waitUntilQuiet() || !child.countInOrder())
                return false;
            break;
        default:
            if (!child.countInOrder())
                return false;
            break;
    }
    if (rig.settings().countWay != CountWay::NoCounting) {
        if (!child.answer(1))
            return false;  // wrong
        if (!child.waitUntil([&] { return game.phase() == Phase::Counting; }))
            return false;
        if (!child.countInOrder())
            return false;
    }
    if (!child.answer(2))
        return false;
    return child.waitUntil(
        [&] { return game.phase() == Phase::Catching && game.stepPending(Step::Hop); });
}

QString describe(const Control& c) {
    return QStringLiteral("%1,%2,%3,%4,%5;")
        .arg(c.left)
        .arg(c.top)
        .arg(c.width)
        .arg(c.height)
        .arg(c.visible);
}

QString describe(const GameScreenModel& m) {
    QString all = describe(m.tray);
    for (int i = 0; i < GameScreenModel::kPlaces; ++i) {
        all += describe(m.characters[i]) + describe(m.numerals[i]) + describe(m.cards[i]);
    }
    for (const TextControl* text : {&m.mark, &m.message}) {
        all += describe(*text) + text->caption + ";";
    }
    return all;
}
}  // namespace

class KeysTest : public QObject {
    Q_OBJECT
private slots:
    void keys_data();
    void keys();
    void stopAtEveryStep_data();
    void stopAtEveryStep();
    void lockedKeyActsOnlyWhenHeld_data();
    void lockedKeyActsOnlyWhenHeld();
};

void KeysTest::keys_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<QStringList>("hostCalls");
    QTest::newRow("Esc") << int(GameKey::Escape) << QStringList{"end"};
    QTest::newRow("H") << int(GameKey::H) << QStringList{"settings"};
    QTest::newRow("N") << int(GameKey::N) << QStringList{"selection"};
    QTest::newRow("K") << int(GameKey::K)
                       << QStringList{QStringLiteral("screen %1").arg(int(AdultScreen::Record))};
    QTest::newRow("A") << int('A') << QStringList{};
    QTest::newRow("Enter") << 13 << QStringList{};
    QTest::newRow("Space") << 32 << QStringList{};
}

void KeysTest::keys() {
    QFETCH(int, key);
    QFETCH(QStringList, hostCalls);
    GameRig rig(keySettings(CountWay::FromLeft));
    rig.activate();
    rig.timers.advance(100);
    const int changes = rig.modelChanges;
    rig.game.keyPressed(key);
    QTEST(rig.host.calls, "hostCalls");
    QVERIFY(rig.modelChanges > changes);
    // Any other key leaves the round running: the hop sound plays on and the character hops.
    const bool stops = !hostCalls.isEmpty();
    QCOMPARE(rig.sound.isPlaying(), !stops);
    QCOMPARE(rig.game.stepPending(Step::Hop), !stops);
    rig.timers.advance(1500);
    QCOMPARE(rig.timers.firesOf(Step::Hop).size(), stops ? 0 : 1);
}

void KeysTest::stopAtEveryStep_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<qint16>("way");
    const QList<QPair<const char*, int>> keys{
        {"Esc", GameKey::Escape}, {"H", GameKey::H}, {"N", GameKey::N}};
    const QList<QPair<const char*, qint16>> ways{{"any order", CountWay::AnyOrder},
                                                 {"corrected", CountWay::FromLeftCorrected},
                                                 {"blinking", CountWay::FromLeftBlinking},
                                                 {"no counting", CountWay::NoCounting}};
    for (const auto& [keyName, key] : keys) {
        for (const auto& [wayName, way] : ways)
            QTest::addRow("%s, %s", keyName, wayName) << key << way;
    }
}

void KeysTest::stopAtEveryStep() {
    QFETCH(int, key);
    QFETCH(qint16, way);
    constexpr int kTickMs = 50;

    // How many ticks the whole round takes, and which steps it runs.
    int total = 0;
    {
        GameRig rig(keySettings(way));
        rig.activate();
        Child child(rig, kTickMs);
        child.onTick = [&] { ++total; };
        QVERIFY(playEventfulRound(rig, child));
        const auto ran = [&](Step step) { return !rig.timers.firesOf(step).isEmpty(); };
        for (Step step : {Step::Hop, Step::IntoTray, Step::Question, Step::Judge, Step::Feedback,
                          Step::NextRound, Step::NextCharacter})
            QVERIFY(ran(step));
        QVERIFY(ran(way == CountWay::FromLeftCorrected ? Step::Correction : Step::NumeralOff) ||
                way == CountWay::AnyOrder);
    }

    for (int stopAt = 0; stopAt <= total; ++stopAt) {
        GameRig rig(keySettings(way));
        rig.activate();
        Child child(rig, kTickMs);
        int ticks = 0;
        child.onTick = [&] {
            if (++ticks == stopAt) {
                rig.game.keyPressed(key);
                throw BreakOff{};
            }
        };
        try {
            if (stopAt == 0) {
                rig.game.keyPressed(key);
            } else {
                playEventfulRound(rig, child);
            }
        } catch (const BreakOff&) {
        }
        const QByteArray where = QByteArray::number(stopAt);
        QVERIFY2(rig.host.calls.size() == 1, where);
        QVERIFY2(!rig.sound.isPlaying(), where);
        QVERIFY2(!rig.timers.anyRunning(), where);
        for (Step step : kAllSteps)
            QVERIFY2(!rig.game.stepPending(step), where);

        // Nothing moves or sounds any more, whatever the child does.
        const QString before = describe(rig.model());
        const qsizetype plays = rig.sound.plays.size();
        const qsizetype fires = rig.timers.fires.size();
        for (Step step : kAllSteps)
            rig.timers.fired(step);  // a late delivery
        for (int i = 0; i < GameScreenModel::kPlaces; ++i) {
            rig.game.characterTouched(i);
            rig.game.characterClicked(i);
            rig.game.cardClicked(i);
            rig.timers.advance(1000);
        }
        QVERIFY2(describe(rig.model()) == before, where);
        QVERIFY2(rig.sound.plays.size() == plays, where);
        QVERIFY2(rig.timers.fires.size() == fires, where);

        // Coming back to the game screen starts a clean round.
        rig.activate();
        QVERIFY2(rig.round().current == 0 && rig.game.phase() == Phase::Catching, where);
        QVERIFY2(rig.visibleCharacters() == QList<int>{0}, where);
        QVERIFY2(rig.visibleNumerals().isEmpty() && rig.visibleCards().isEmpty(), where);
        QVERIFY2(!rig.model().mark.visible && !rig.model().message.visible, where);
        for (Step step : kAllSteps)
            QVERIFY2(rig.timers.isRunning(step) == (step == Step::Hop), where);
        Child again(rig);
        QVERIFY2(again.catchAll(), where);
    }
}

// The classroom lock's hold, in simulated time. What the adult's hand does is a list of key
// events; while the program is blocked (a wait for a sound) nothing is seen, and when it runs again
// the alarms that fell due are served before the input that came meanwhile, as Qt serves them.
struct KeyInput {
    enum Kind { Press, Repeat, Release, Lost } kind;
    qint64 at;
    quint64 stamp = 0;  // the system's time stamp; the time itself unless told
};
using KeyInputs = QList<KeyInput>;
Q_DECLARE_METATYPE(KeyInputs)

void KeysTest::lockedKeyActsOnlyWhenHeld_data() {
    QTest::addColumn<KeyInputs>("hand");
    QTest::addColumn<int>("blockedFrom");
    QTest::addColumn<int>("blockedUntil");
    QTest::addColumn<QList<qint64>>("acts");
    const qint64 held = KeyHold::kHoldMs + KeyHold::kLookAgainMs;
    using K = KeyInput;
    QTest::newRow("held: acts at the second look")
        << KeyInputs{{K::Press, 0}} << 0 << 0 << QList<qint64>{held};
    QTest::newRow("a tap does nothing")
        << KeyInputs{{K::Press, 0}, {K::Release, 150}} << 0 << 0 << QList<qint64>{};
    QTest::newRow("let go just before two seconds")
        << KeyInputs{{K::Press, 0}, {K::Release, 1990}} << 0 << 0 << QList<qint64>{};
    QTest::newRow("repeats under X (release and press, one stamp) are held")
        << KeyInputs{{K::Press, 0},
                     {K::Release, 500, 500},
                     {K::Press, 500, 500},
                     {K::Release, 530, 530},
                     {K::Press, 530, 530}}
        << 0 << 0 << QList<qint64>{held};
    QTest::newRow("marked repeats are held; after acting, nothing more")
        << KeyInputs{{K::Press, 0}, {K::Repeat, 500}, {K::Repeat, 2100}, {K::Repeat, 3000}} << 0
        << 0 << QList<qint64>{held};
    QTest::newRow("a second press starts its own two seconds")
        << KeyInputs{{K::Press, 0}, {K::Release, 800}, {K::Press, 1000}} << 0 << 0
        << QList<qint64>{1000 + held};
    QTest::newRow("the window lost the keyboard")
        << KeyInputs{{K::Press, 0}, {K::Lost, 1200}} << 0 << 0 << QList<qint64>{};
    QTest::newRow("let go while blocked just past two seconds")
        << KeyInputs{{K::Press, 0}, {K::Release, 1000}} << 900 << 2030 << QList<qint64>{};
    QTest::newRow("let go while blocked a second past")
        << KeyInputs{{K::Press, 0}, {K::Release, 1000}} << 900 << 3000 << QList<qint64>{};
    QTest::newRow("held through a block: acts once the program runs on time")
        << KeyInputs{{K::Press, 0}} << 900 << 3000
        << QList<qint64>{3000 + KeyHold::kLookAgainMs};
}

void KeysTest::lockedKeyActsOnlyWhenHeld() {
    QFETCH(KeyInputs, hand);
    QFETCH(int, blockedFrom);
    QFETCH(int, blockedUntil);
    QFETCH(QList<qint64>, acts);
    SimClock time;
    const FakeClock clock(&time);
    FakeAlarm holdAlarm(time);
    FakeAlarm releaseAlarm(time);
    QList<qint64> acted;
    KeyHold hold(clock, holdAlarm, releaseAlarm, [&] { acted << time.now; });
    int next = 0;
    for (; time.now < 6000; ++time.now) {
        if (time.now >= blockedFrom && time.now < blockedUntil)
            continue;
        holdAlarm.ringIfDue();
        releaseAlarm.ringIfDue();
        for (; next < hand.size() && hand[next].at <= time.now; ++next) {
            const KeyInput& input = hand[next];
            const quint64 stamp = input.stamp != 0 ? input.stamp : quint64(input.at);
            if (input.kind == KeyInput::Release)
                hold.released(GameKey::Escape, false, stamp);
            else if (input.kind == KeyInput::Lost)
                hold.letGo();
            else
                hold.pressed(GameKey::Escape, input.kind == KeyInput::Repeat, stamp);
        }
    }
    QCOMPARE(acted, acts);
}

QTEST_GUILESS_MAIN(KeysTest)
#include "test_keys.moc"
