// A finger on a touch screen, through Qt's own touch simulation on the real game window: the round
// runs on the simulated clock, and the sounds take no time, so no touch waits for one.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPointingDevice>
#include <QTest>
#include <QThread>

#include <atomic>
#include <memory>
#include <optional>
#include <thread>

#include "support/game_rig.h"
#include "ui/character_pictures.h"
#include "ui/game_window.h"

namespace {
// Makes every repaint of the window take `ms`, as on a slow machine or a huge screen.
class SlowRepaint : public QObject {
public:
    explicit SlowRepaint(int ms) : m_ms(ms) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            QThread::msleep(m_ms);
        return false;
    }

private:
    int m_ms;
};
}  // namespace

class TouchTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() {
        m_window.reset();
        m_child.reset();
        m_rig.reset();
    }

    // A tap catches in both touch ways and counts; a slide along the row touches each character
    // it passes, so it counts them in order in the "触れるだけ" way and none in the click way.
    void tapCatchesAndCountsSlideCountsInOrder_data() {
        QTest::addColumn<bool>("clickToCount");
        QTest::newRow("触れるだけ") << false;
        QTest::newRow("クリック") << true;
    }
    void tapCatchesAndCountsSlideCountsInOrder() {
        QFETCH(bool, clickToCount);
        GameSettings settings;
        settings.clickToCount = clickToCount;
        open(settings, 4);
        tap(character(0));
        QCOMPARE(eventsSince(1), QStringList{"caught 0"});
        QVERIFY(m_child->catchAll());

        const qsizetype since = events().size();
        tap(character(0));
        auto slide = QTest::touchEvent(m_window.get(), m_screen, false);
        slide.press(0, character(0)).commit();
        for (int i = 1; i < 4; ++i)
            slide.move(0, character(i)).commit();
        slide.release(0, character(3)).commit();
        QStringList counted{"counted 0 1"};
        if (!clickToCount)
            counted << "counted 1 2"
                    << "counted 2 3"
                    << "counted 3 4";
        QCOMPARE(countedSince(since), counted);
    }

    // While the first finger is down, other fingers are ignored: two fingers that land together
    // count once, and the first finger is still the pointer as it slides on.
    void aSecondFingerIsIgnored() {
        GameSettings settings;
        settings.countWay = CountWay::AnyOrder;  // any touch on any character would count
        open(settings, 3);
        QVERIFY(m_child->catchAll());
        const qsizetype since = events().size();
        auto fingers = QTest::touchEvent(m_window.get(), m_screen, false);
        fingers.press(0, character(0)).press(1, character(1)).commit();
        fingers.stationary(0).release(1, character(1)).commit();
        fingers.stationary(0).press(1, character(2)).commit();
        fingers.move(0, character(1)).stationary(1).commit();
        fingers.release(0, character(1)).release(1, character(2)).commit();
        QCOMPARE(countedSince(since), QStringList({"counted 0 1", "counted 1 2"}));
    }

    // A double tap does what one tap does where the game expects one touch; in counting way 0
    // every touch counts.
    void doubleTap_data() {
        QTest::addColumn<qint16>("countWay");
        QTest::addColumn<bool>("counting");
        QTest::addColumn<QStringList>("told");
        QTest::newRow("catching") << CountWay::AnyOrder << false << QStringList{"caught 0"};
        QTest::newRow("way 0") << CountWay::AnyOrder << true
                               << QStringList{"counted 0 1", "counted 0 2"};
        // Not a repeat: the next number said over the character just counted.
        QTest::newRow("way 2") << CountWay::FromLeftCorrected << true << QStringList{"counted 0 1"};
        // The round's way is what counts: おまかせ chose way 0 over the adult's way 2.
        QTest::newRow("way 0 for the round, 2 set") << qint16(-CountWay::FromLeftCorrected) << true
                                                    << QStringList{"counted 0 1", "counted 0 2"};
    }
    void doubleTap() {
        QFETCH(qint16, countWay);
        QFETCH(bool, counting);
        QFETCH(QStringList, told);
        GameSettings settings;
        settings.countWay = qAbs(countWay);
        open(settings, 2, countWay < 0 ? std::optional(CountWay::AnyOrder) : std::nullopt);
        if (counting)
            QVERIFY(m_child->catchAll());
        const qsizetype since = events().size();
        tap(character(0));
        tap(character(0));
        QCOMPARE(eventsSince(since), told);
    }

    // A tap on a card chooses it. A press of the mouse without a move before it catches and
    // counts in the "触れるだけ" way, as a finger that lands without sliding does.
    void tapChoosesCardAndMousePressTouches() {
        open(GameSettings{}, 2);
        QTest::mousePress(m_window.get(), Qt::LeftButton, {}, character(0));
        QTest::mouseRelease(m_window.get(), Qt::LeftButton, {}, character(0));
        QCOMPARE(eventsSince(1), QStringList{"caught 0"});
        QVERIFY(m_child->catchAll());
        QTest::mousePress(m_window.get(), Qt::LeftButton, {}, character(0));
        QTest::mouseRelease(m_window.get(), Qt::LeftButton, {}, character(0));
        QTest::mouseMove(m_window.get(), character(1));
        QCOMPARE(countedSince(0), QStringList({"counted 0 1", "counted 1 2"}));

        QVERIFY(m_child->waitUntil([this] { return m_rig->game.phase() == Phase::Asking; }));
        tap(centreOf(m_rig->model().cards[1]));
        QCOMPARE(events().last(), QStringLiteral("chose 2 right"));
    }

    // After a wrong answer "もういちど" is waited for. A touch made during that wait queues up
    // and is dropped; a touch made just after it counts, even when a slow repaint delays both.
    void touchDuringAWaitIsDropped_data() {
        QTest::addColumn<int>("repaintMs");
        QTest::newRow("quick repaint") << 0;
        QTest::newRow("slow repaint") << 150;
    }
    void touchDuringAWaitIsDropped() {
        QFETCH(int, repaintMs);
        GameSettings settings;
        settings.countWay = CountWay::AnyOrder;
        open(settings, 2);
        QVERIFY(m_child->catchAll());
        tap(character(0));
        tap(character(1));
        QVERIFY(m_child->waitUntil([this] { return m_rig->game.phase() == Phase::Asking; }));
        tap(centreOf(m_rig->model().cards[0]));

        // The feedback step blocks, as the real player's wait does; the window is told of it.
        std::atomic<bool> waiting = false;
        auto step = m_rig->timers.fired;
        m_rig->timers.fired = [&waiting, step](Step due) {
            step(due);
            if (due == Step::Feedback) {
                waiting = true;
                QThread::msleep(400);
            }
        };
        m_window->dropInputQueuedDuringWaits(m_rig->timers);
        SlowRepaint slow(repaintMs);
        m_window->installEventFilter(&slow);

        // The child touches the second character during the wait, then the first one just after
        // it: from another thread, as the system queues touches while the program is blocked.
        QWindow* window = m_window->windowHandle();
        const QPoint during = character(1);
        const QPoint after = character(0);
        std::atomic<bool> touched = false;
        std::jthread child([&](std::stop_token stop) {
            while (!waiting && !stop.stop_requested())
                QThread::msleep(1);
            if (!waiting)
                return;
            QThread::msleep(50);
            auto finger = QTest::touchEvent(window, m_screen, false);
            // Each returns once the window has had the touch.
            finger.press(0, during, window).commit(false);
            finger.release(0, during, window).commit(false);
            finger.press(0, after, window).commit(false);
            finger.release(0, after, window).commit(false);
            touched = true;
        });
        const qsizetype since = events().size();
        m_rig->timers.advance(2500);  // the mark, then the feedback with its wait
        QDeadlineTimer limit(10'000);
        while (!touched && !limit.hasExpired())
            QCoreApplication::processEvents();
        QVERIFY(touched);
        QCOMPARE(m_rig->game.phase(), Phase::Counting);
        QCOMPARE(countedSince(since), QStringList{"counted 0 1"});
    }

private:
    // A round of `count` characters on the real window.
    // The game's window on rounds of `count` characters; with `roundWay`, each round is given
    // that counting way as おまかせ gives one.
    void open(GameSettings settings, int count, std::optional<qint16> roundWay = {}) {
        settings.minCount = settings.maxCount = qint16(count);
        m_rig = std::make_unique<GameRig>(settings);
        if (roundWay)
            m_rig->game.planRound = [roundWay](GameSettings& s) { s.countWay = *roundWay; };
        m_rig->sound.setDefaultLength(0);
        m_child = std::make_unique<Child>(*m_rig);
        m_window = std::make_unique<GameWindow>(m_rig->game, m_pictures);
        m_window->start();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    QPoint centreOf(const Control& control) const {
        return m_window->twips().toPixels(control).center().toPoint();
    }
    QPoint character(int index) const { return centreOf(m_rig->model().characters[index]); }

    void tap(QPoint at) {
        QTest::touchEvent(m_window.get(), m_screen).press(0, at);
        QTest::touchEvent(m_window.get(), m_screen).release(0, at);
    }

    const QStringList& events() const { return m_rig->listener.events; }
    QStringList eventsSince(qsizetype since) const { return events().mid(since); }
    QStringList countedSince(qsizetype since) const {
        return eventsSince(since).filter(QStringLiteral("counted"));
    }

    // The test owns the simulated touch screen: Qt only registers it.
    std::unique_ptr<QPointingDevice> m_screenOwned{QTest::createTouchDevice()};
    QPointingDevice* m_screen = m_screenOwned.get();
    QtCharacterPictures m_pictures;
    std::unique_ptr<GameRig> m_rig;
    std::unique_ptr<Child> m_child;
    std::unique_ptr<GameWindow> m_window;
};

QTEST_MAIN(TouchTest)
#include "test_touch.moc"
