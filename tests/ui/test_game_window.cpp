// The real game window, offscreen: it draws the game's model and hands the pointer and the keys
// to the game, with Qt's own timers running the round.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <thread>

#include "game/game_screen.h"
#include "state/computer_clock.h"
#include "support/fakes.h"
#include "ui/character_pictures.h"
#include "ui/classroom_lock.h"
#include "ui/embedded_pictures.h"
#include "ui/game_window.h"
#include "ui/qt_timer_service.h"
#include "support/paths.h"

namespace {
QPoint centreOf(const GameWindow& window, const Control& control) {
    return window.twips().toPixels(control).center().toPoint();
}
}  // namespace

class GameWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { initEmbeddedPictures(); }

    void init() {
        m_shared = SharedState{};
        m_shared.dataFolder = sourceFolder() + QStringLiteral("/data/");
        m_shared.characterFiles = {QStringLiteral("ねこ.gif")};
        m_shared.selectedFiles = m_shared.characterFiles;
        m_shared.settings.minCount = 2;
        m_shared.settings.maxCount = 2;
        // Sounds are only recorded: none plays, so none holds a touch back.
        m_sound.setDefaultLength(0);
        m_sound.plays.clear();
        m_host.calls.clear();
        m_game =
            std::make_unique<GameScreen>(m_shared, m_timers, m_sound, m_random, m_pictures, m_host);
        m_window = std::make_unique<GameWindow>(*m_game, m_pictures);
        m_window->start();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    void cleanup() {
        m_window.reset();
        m_game.reset();
    }

    // The window covers the screen, and the game's sizes follow it in twips.
    void coversTheScreen() {
        const QRect screen = m_window->screen()->geometry();
        QCOMPARE(m_window->geometry(), screen);
        QCOMPARE(m_game->model().width, m_window->twips().fromPixels(screen.width()));
        QCOMPARE(m_game->model().mark.width, m_game->model().width / 2);
    }

    // Pointer movement over the character on show catches it; 1.2 s later it stands in the tray,
    // which the window draws in yellow with the character over it.
    void touchCatchesAndTheTrayTakesTheCharacter() {
        const GameScreenModel& model = m_game->model();
        QVERIFY(model.characters[0].visible);
        QVERIFY(model.tray.visible);
        QTest::mouseMove(m_window.get(), centreOf(*m_window, model.characters[0]));
        QVERIFY(model.numerals[0].visible);
        QCOMPARE(model.numerals[0].left, model.characters[0].left);

        QTRY_COMPARE_WITH_TIMEOUT(model.characters[0].top, m_game->round().rowTop, 2000);
        QVERIFY(m_sound.soundsSince(0).contains(Sound::IntoTray));
        const QImage shot = m_window->grab().toImage();
        const QRectF tray = m_window->twips().toPixels(model.tray);
        // The tray's free place (right of the first character) shows its yellow.
        const QPoint free(int(tray.right() - tray.width() / 4), int(tray.center().y()));
        QCOMPARE(shot.pixelColor(free), QColor(0xFF, 0xFF, 0x80));
    }

    // The pointer over the white ground touches nothing.
    void pointerOverEmptyGroundDoesNothing() {
        const GameScreenModel& model = m_game->model();
        QTest::mouseMove(m_window.get(), QPoint(1, 1));
        QVERIFY(!model.numerals[0].visible);
    }

    // Letters work with or without Shift; the keys reach the program around the game.
    void keysReachTheGame() {
        QTest::keyClick(m_window.get(), Qt::Key_H);
        QTest::keyClick(m_window.get(), Qt::Key_N, Qt::ShiftModifier);
        QTest::keyClick(m_window.get(), Qt::Key_A);
        QTest::keyClick(m_window.get(), Qt::Key_Escape);
        QCOMPARE(m_host.calls, QStringList({"settings", "selection", "end"}));
        // After a stop nothing of the round moves any more.
        QCOMPARE(m_game->phase(), Phase::Stopped);
        for (Step step : kAllSteps)
            QVERIFY(!m_game->stepPending(step));
    }

    // Under the classroom lock, Esc pressed just before the game waits for a sound (ブー and
    // もういちど) and let go during the wait is a tap, however long the wait: the release, queued
    // behind the wait, is seen before the hold counts as done. Held on, Esc ends the game.
    void lockedEscLetGoDuringAWaitIsATap_data() {
        QTest::addColumn<int>("waitEndsMs");  // after Esc went down
        QTest::newRow("wait ends just after two seconds") << ClassroomLock::kHoldMs + 30;
        QTest::newRow("wait ends a second later") << ClassroomLock::kHoldMs + 1000;
    }
    void lockedEscLetGoDuringAWaitIsATap() {
        QFETCH(int, waitEndsMs);
        const ComputerClock clock;
        ClassroomLock lock(clock);
        QWindow* window = m_window->windowHandle();
        QTest::keyPress(window, Qt::Key_Escape);
        {
            // The adult lets go a second in, while the program is blocked: from another thread,
            // as the system queues keys then. It returns once the window has had the key.
            std::jthread adult([window] {
                QThread::msleep(1000);
                QTest::keyRelease(window, Qt::Key_Escape);
            });
            QThread::msleep(waitEndsMs);
            QTest::qWait(300);
        }
        QCOMPARE(m_host.calls, QStringList());
        QCOMPARE(m_game->phase(), Phase::Catching);

        QTest::keyPress(window, Qt::Key_Escape);
        QTRY_COMPARE_WITH_TIMEOUT(m_host.calls, QStringList{"end"}, ClassroomLock::kHoldMs + 1000);
        QTest::keyRelease(window, Qt::Key_Escape);
    }

    // Coming back from an adult screen starts a fresh round; the first activation is start-up's.
    void comingBackStartsAFreshRound() {
        QTest::keyClick(m_window.get(), Qt::Key_H);
        QVERIFY(!m_game->stepPending(Step::Hop));
        m_window->leaveForScreen();
        m_window->comeBack();
        QCOMPARE(m_game->phase(), Phase::Catching);
        QVERIFY(m_game->stepPending(Step::Hop));
        QCOMPARE(m_game->round().current, 0);
    }

    // "無し" hides the pointer with the invisible "Clear.ico" beside the sounds, and without that
    // file the pointer is hidden all the same.
    void pointerHiddenWithOrWithoutClearIco() {
        auto newRoundWithPointerHidden = [this](bool hidden) {
            m_shared.settings.hidePointer = hidden;
            m_window->leaveForScreen();
            m_window->comeBack();
        };
        const QString here = QDir::currentPath();
        QTemporaryDir empty;
        QVERIFY(QDir::setCurrent(empty.path()));
        newRoundWithPointerHidden(true);
        QCOMPARE(m_window->cursor().shape(), Qt::BlankCursor);

        newRoundWithPointerHidden(false);
        QCOMPARE(m_window->cursor().shape(), Qt::ArrowCursor);

        QVERIFY(QDir::setCurrent(sourceFolder() + QStringLiteral("/sounds")));
        newRoundWithPointerHidden(true);
        QCOMPARE(m_window->cursor().shape(), Qt::BitmapCursor);
        QVERIFY(QDir::setCurrent(here));
    }

    // Work put off until the first frame runs once that frame is drawn, and never again.
    void workPutOffUntilTheFirstFrameRunsOnce() {
        m_window.reset();
        m_window = std::make_unique<GameWindow>(*m_game, m_pictures);
        int runs = 0;
        m_window->afterFirstFrame([&runs] { ++runs; });
        m_window->start();
        QCOMPARE(runs, 0);
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        QTRY_COMPARE(runs, 1);
        m_window->repaint();
        QTest::qWait(50);
        QCOMPARE(runs, 1);
    }

    // A picture that cannot be read leaves a placeholder, and the round goes on.
    void unreadablePictureGetsAPlaceholder() {
        QVERIFY(QtCharacterPictures::read(sourceFolder() + QStringLiteral("/README.md")).isNull());
        QVERIFY(QtCharacterPictures::read(QStringLiteral("/no/such/picture.gif")).isNull());
        QVERIFY(
            !QtCharacterPictures::read(sourceFolder() + QStringLiteral("/data/ねこ.gif")).isNull());

        // A picture that claims 20000 x 20000 pixels is refused before it is decoded.
        QTemporaryDir folder;
        const QString huge = folder.filePath(QStringLiteral("huge.gif"));
        QFile file(huge);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(
            QByteArray::fromHex("474946383961204e204e800000000000ffffff2c00000000204e204e0000"));
        file.close();
        QElapsedTimer took;
        took.start();
        QVERIFY(QtCharacterPictures::read(huge).isNull());
        QVERIFY(took.elapsed() < 1000);
    }

private:
    SharedState m_shared;
    QtTimerService m_timers;
    SimClock m_clock;
    FakeSoundPlayer m_sound{m_clock};
    ScriptedRandom m_random;
    QtCharacterPictures m_pictures;
    RecordingHost m_host;
    std::unique_ptr<GameScreen> m_game;
    std::unique_ptr<GameWindow> m_window;
};

QTEST_MAIN(GameWindowTest)
#include "test_game_window.moc"
