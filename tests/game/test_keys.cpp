// The keys of the game screen and StopAll: whenever Esc, H or N is pressed, no step of the round
// runs afterwards, nothing sounds, and the next activation starts a clean round.

#include <QtTest>

#include <functional>

#include "support/game_rig.h"

namespace {
struct BreakOff {};  // thrown from a tick to leave a scripted round where it stands

GameSettings keySettings(int countMode) {
    GameSettings s;
    s.CountMode = qint16(countMode);
    s.MinCount = 2;
    s.MaxCount = 2;
    return s;
}

// A whole round with mistakes in it, so that every timer of the round runs at some point,
// up to the start of the next round.
bool playEventfulRound(GameRig& rig, Child& child) {
    GameScreen& game = rig.game;
    // Slow to catch the first character: it hops once.
    if (!child.waitUntil([&] { return !rig.timers.firesOf(1).isEmpty(); }))
        return false;
    if (!child.catchAll())
        return false;
    switch (rig.settings().CountMode) {
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
    if (rig.settings().CountMode != CountWay::NoCounting) {
        if (!child.answer(1))
            return false;  // wrong
        if (!child.waitUntil([&] { return game.CardsLocked && rig.visibleCards().isEmpty(); })) {
            return false;
        }
        if (!child.countInOrder())
            return false;
    }
    if (!child.answer(2))
        return false;
    return child.waitUntil([&] { return !game.CountingPhase && game.timerEnabled(1); });
}

QString describe(const Control& c) {
    return QStringLiteral("%1,%2,%3,%4,%5;")
        .arg(c.Left)
        .arg(c.Top)
        .arg(c.Width)
        .arg(c.Height)
        .arg(c.Visible);
}

QString describe(const GameScreenModel& m) {
    QString all = describe(m.Shape1);
    for (int i = 0; i < GameScreenModel::kPlaces; ++i) {
        all += describe(m.Image1[i]) + describe(m.Image2[i]) + describe(m.Image3[i]);
    }
    for (const LabelControl* label : {&m.Label1, &m.Label2, &m.Label3}) {
        all += describe(*label) + label->Caption + ";";
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
};

void KeysTest::keys_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<QStringList>("hostCalls");
    QTest::newRow("Esc") << int(GameKey::Escape) << QStringList{"end"};
    QTest::newRow("H") << int(GameKey::H) << QStringList{"settings"};
    QTest::newRow("N") << int(GameKey::N) << QStringList{"selection"};
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
    rig.game.Form_KeyDown(key);
    QTEST(rig.host.calls, "hostCalls");
    QVERIFY(rig.modelChanges > changes);
    // Any other key leaves the round running: the hop sound plays on and the character hops.
    const bool stops = !hostCalls.isEmpty();
    QCOMPARE(rig.sound.isPlaying(), !stops);
    QCOMPARE(rig.game.timerEnabled(1), !stops);
    rig.timers.advance(1500);
    QCOMPARE(rig.timers.firesOf(1).size(), stops ? 0 : 1);
}

void KeysTest::stopAtEveryStep_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("mode");
    const QList<QPair<const char*, int>> keys{
        {"Esc", GameKey::Escape}, {"H", GameKey::H}, {"N", GameKey::N}};
    for (const auto& [name, key] : keys) {
        for (int mode : {CountWay::AnyOrder, CountWay::FromLeftCorrected,
                         CountWay::FromLeftBlinking, CountWay::NoCounting}) {
            QTest::newRow(qPrintable(QStringLiteral("%1, way %2").arg(name).arg(mode)))
                << key << mode;
        }
    }
}

void KeysTest::stopAtEveryStep() {
    QFETCH(int, key);
    QFETCH(int, mode);
    constexpr int kTickMs = 50;

    // How many ticks the whole round takes, and which timers it runs.
    int total = 0;
    {
        GameRig rig(keySettings(mode));
        rig.activate();
        Child child(rig, kTickMs);
        child.onTick = [&] { ++total; };
        QVERIFY(playEventfulRound(rig, child));
        QSet<int> fired;
        for (const auto& f : rig.timers.fires)
            fired.insert(f.id);
        QVERIFY(fired.contains(QSet<int>{1, 2, 3, 4, 5, 7, 8}));
        QVERIFY(fired.contains(mode == CountWay::FromLeftCorrected ? 6 : 9) ||
                mode == CountWay::AnyOrder);
        qDebug() << "ticks" << total << fired;
    }

    for (int stopAt = 0; stopAt <= total; ++stopAt) {
        GameRig rig(keySettings(mode));
        rig.activate();
        Child child(rig, kTickMs);
        int ticks = 0;
        child.onTick = [&] {
            if (++ticks == stopAt) {
                rig.game.Form_KeyDown(key);
                throw BreakOff{};
            }
        };
        try {
            if (stopAt == 0) {
                rig.game.Form_KeyDown(key);
            } else {
                playEventfulRound(rig, child);
            }
        } catch (const BreakOff&) {
        }
        const QByteArray where = QByteArray::number(stopAt);
        QVERIFY2(rig.host.calls.size() == 1, where);
        QVERIFY2(!rig.sound.isPlaying(), where);
        QVERIFY2(!rig.timers.anyRunning(), where);
        for (int id = 1; id <= 9; ++id)
            QVERIFY2(!rig.game.timerEnabled(id), where);

        // Nothing moves or sounds any more, whatever the child does.
        const QString before = describe(rig.model());
        const qsizetype plays = rig.sound.plays.size();
        const qsizetype fires = rig.timers.fires.size();
        for (int id = 1; id <= 9; ++id)
            rig.timers.fired(id);  // a late delivery
        for (int i = 0; i < GameScreenModel::kPlaces; ++i) {
            rig.game.Image1_MouseMove(i);
            rig.game.Image1_Click(i);
            rig.game.Image3_Click(i);
            rig.timers.advance(1000);
        }
        QVERIFY2(describe(rig.model()) == before, where);
        QVERIFY2(rig.sound.plays.size() == plays, where);
        QVERIFY2(rig.timers.fires.size() == fires, where);

        // Coming back to the game screen starts a clean round.
        rig.activate();
        QVERIFY2(rig.game.CurrentCount == 0 && !rig.game.CountingPhase, where);
        QVERIFY2(rig.visibleCharacters() == QList<int>{0}, where);
        QVERIFY2(rig.visibleNumerals().isEmpty() && rig.visibleCards().isEmpty(), where);
        QVERIFY2(!rig.model().Label2.Visible && !rig.model().Label3.Visible, where);
        QVERIFY2(rig.timers.isRunning(1), where);
        for (int id = 2; id <= 9; ++id)
            QVERIFY2(!rig.timers.isRunning(id), where);
        Child again(rig);
        QVERIFY2(again.catchAll(), where);
    }
}

QTEST_GUILESS_MAIN(KeysTest)
#include "test_keys.moc"
