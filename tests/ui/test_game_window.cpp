// The real game window, offscreen: it draws the game's model and hands the pointer and the keys
// to the game, with Qt's own timers running the round.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "game/game_screen.h"
#include "ui/character_pictures.h"
#include "ui/embedded_pictures.h"
#include "ui/game_window.h"
#include "ui/qt_timer_service.h"

namespace {
class SilentSound : public SoundPlayer {
public:
    void play(const QString&) override {}
    bool isPlaying() const override { return false; }
    void waitForSound() override {}
    void silence() override {}
};

class MiddleRandom : public RandomSource {
public:
    double Rnd() override { return 0.5; }
};

class CountingHost : public GameHost {
public:
    int ended = 0, settings = 0, selection = 0;
    void endProgram() override { ++ended; }
    void showSettingsScreen() override { ++settings; }
    void showSelectionScreen() override { ++selection; }
};

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
        m_shared.DataFolder = QStringLiteral(KAZOE_SOURCE_DIR "/data/");
        m_shared.CharacterFiles = {QStringLiteral("ねこ.gif")};
        m_shared.SelectedFiles = m_shared.CharacterFiles;
        m_shared.Settings.MinCount = 2;
        m_shared.Settings.MaxCount = 2;
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
        QCOMPARE(m_game->model().Width, m_window->twips().fromPixels(screen.width()));
        QCOMPARE(m_game->model().Label2.Width, m_game->model().Width / 2);
    }

    // Pointer movement over the character on show catches it; 1.2 s later it stands in the tray,
    // which the window draws in yellow with the character over it.
    void touchCatchesAndTheTrayTakesTheCharacter() {
        const GameScreenModel& model = m_game->model();
        QVERIFY(model.Image1[0].Visible);
        QVERIFY(model.Shape1.Visible);
        QTest::mouseMove(m_window.get(), centreOf(*m_window, model.Image1[0]));
        QVERIFY(model.Image2[0].Visible);
        QCOMPARE(model.Image2[0].Left, model.Image1[0].Left);

        QTRY_COMPARE_WITH_TIMEOUT(model.Image1[0].Top, m_game->RowTop, 2000);
        const QImage shot = m_window->grab().toImage();
        const QRectF tray = m_window->twips().toPixels(model.Shape1);
        // The tray's free place (right of the first character) shows its yellow.
        const QPoint free(int(tray.right() - tray.width() / 4), int(tray.center().y()));
        QCOMPARE(shot.pixelColor(free), QColor(0xFF, 0xFF, 0x80));
    }

    // The pointer over the white ground touches nothing.
    void pointerOverEmptyGroundDoesNothing() {
        const GameScreenModel& model = m_game->model();
        QTest::mouseMove(m_window.get(), QPoint(1, 1));
        QVERIFY(!model.Image2[0].Visible);
    }

    // Letters work with or without Shift; the keys reach the program around the game.
    void keysReachTheGame() {
        QTest::keyClick(m_window.get(), Qt::Key_H);
        QCOMPARE(m_host.settings, 1);
        QTest::keyClick(m_window.get(), Qt::Key_N, Qt::ShiftModifier);
        QCOMPARE(m_host.selection, 1);
        QTest::keyClick(m_window.get(), Qt::Key_A);
        QTest::keyClick(m_window.get(), Qt::Key_Escape);
        QCOMPARE(m_host.ended, 1);
        // After a stop nothing of the round moves any more.
        for (int id = 1; id <= 9; ++id)
            QVERIFY(!m_game->timerEnabled(id));
    }

    // Coming back from an adult screen starts a fresh round; the first activation is start-up's.
    void comingBackStartsAFreshRound() {
        QTest::keyClick(m_window.get(), Qt::Key_H);
        QVERIFY(!m_game->timerEnabled(1));
        m_window->leaveForScreen();
        m_window->comeBack();
        QVERIFY(m_game->timerEnabled(1));
        QCOMPARE(m_game->CurrentCount, 0);
    }

    // "無し" hides the pointer with the invisible "Clear.ico" beside the sounds, and without that
    // file the pointer is hidden all the same.
    void pointerHiddenWithOrWithoutClearIco() {
        auto newRoundWithPointerHidden = [this](bool hidden) {
            m_shared.Settings.HideCursor = hidden;
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

        QVERIFY(QDir::setCurrent(QStringLiteral(KAZOE_SOURCE_DIR "/sounds")));
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
        QVERIFY(QtCharacterPictures::read(QStringLiteral(KAZOE_SOURCE_DIR "/README.md")).isNull());
        QVERIFY(QtCharacterPictures::read(QStringLiteral("/no/such/picture.gif")).isNull());
        QVERIFY(
            !QtCharacterPictures::read(QStringLiteral(KAZOE_SOURCE_DIR "/data/ねこ.gif")).isNull());

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
    SilentSound m_sound;
    MiddleRandom m_random;
    QtCharacterPictures m_pictures;
    CountingHost m_host;
    std::unique_ptr<GameScreen> m_game;
    std::unique_ptr<GameWindow> m_window;
};

QTEST_MAIN(GameWindowTest)
#include "test_game_window.moc"
