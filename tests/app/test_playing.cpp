// A scripted player plays the real program on a private X screen with real pointer events, and
// reads only the screen: it catches each character it sees hopping on the white ground, counts the
// characters standing in the yellow tray, clicks the card with that number, sees "○", and goes on
// to the next round.

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "screen_player.h"
#include "virtual_screen.h"
#include "support/paths.h"

namespace {
constexpr int kWidth = 1024;
constexpr int kHeight = 768;

// Settings with rounds of two or three characters, counted from the left, touched by the pointer.
const QByteArray kQuickRounds = "1,#FALSE#,#FALSE#,#FALSE#,#FALSE#,15,2,3\r\n";
}  // namespace

class PlayingTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        if (!m_screen.isUp())
            QSKIP("needs Xvfb and xdotool");
    }

    // What the player saw last, kept beside the test for a person to look at.
    void cleanup() {
        if (QTest::currentTestFailed() && !m_player.lastScreen().isNull()) {
            m_player.lastScreen().save(QStringLiteral("test_playing_last_screen.png"));
        }
    }

    void playsRoundAfterRoundFromTheScreen() {
        QTemporaryDir folder;
        for (const char* name : {"ねこ.gif", "いぬ.gif", "バス.gif"}) {
            const QString file = QString::fromUtf8(name);
            QVERIFY(QFile::copy(sourceFolder() + QStringLiteral("/data/") + file,
                                folder.filePath(file)));
        }
        QFile settings(folder.filePath(QStringLiteral("Pimo.txt")));
        QVERIFY(settings.open(QIODevice::WriteOnly));
        settings.write(kQuickRounds);
        settings.close();

        QProcess game;
        m_screen.start(game, programPath(), {folder.path()},
                       sourceFolder() + QStringLiteral("/sounds"));
        const QString window = m_screen.waitForWindow(QStringLiteral("かぞえましょう"));
        QVERIFY2(!window.isEmpty(), game.readAllStandardError().constData());

        for (int round = 1; round <= 2; ++round) {
            const char* failure = "";
            const int characters = m_player.playRound(&failure);
            QVERIFY2(characters >= 2 && characters <= 3, failure);
            // The next round begins: the mark goes and a new tray with nothing in it comes.
            QVERIFY(ScreenPlayer::waitFor(
                [this] { return !m_player.markShows() && !m_player.tray().isEmpty(); }, 5000));
        }

        QVERIFY(m_screen.pressKey(window, QStringLiteral("Escape")));
        QVERIFY(game.waitForFinished(10000));
        QCOMPARE(game.exitCode(), 0);
    }

private:
    VirtualScreen m_screen{kWidth, kHeight};
    ScreenPlayer m_player{m_screen, kWidth, kHeight};
};

QTEST_GUILESS_MAIN(PlayingTest)
#include "test_playing.moc"
