// A scripted player plays the real program on a private X screen with real pointer events, and
// reads only the screen: it catches each character it sees hopping on the white ground, counts the
// characters standing in the yellow tray, clicks the card with that number, sees "○", and goes on
// to the next round.

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cmath>

#include "screen_reading.h"
#include "virtual_screen.h"

using namespace ScreenReading;

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
        if (QTest::currentTestFailed() && !m_last.isNull()) {
            m_last.save(QStringLiteral("test_playing_last_screen.png"));
        }
    }

    void playsRoundAfterRoundFromTheScreen() {
        QTemporaryDir folder;
        for (const char* name : {"ねこ.gif", "いぬ.gif", "バス.gif"}) {
            const QString file = QString::fromUtf8(name);
            QVERIFY(QFile::copy(QStringLiteral(KAZOE_SOURCE_DIR "/data/") + file,
                                folder.filePath(file)));
        }
        QFile settings(folder.filePath(QStringLiteral("Pimo.txt")));
        QVERIFY(settings.open(QIODevice::WriteOnly));
        settings.write(kQuickRounds);
        settings.close();

        QProcess game;
        m_screen.start(game, QStringLiteral(KAZOE_PROGRAM), {folder.path()},
                       QStringLiteral(KAZOE_SOURCE_DIR "/sounds"));
        const QString window = m_screen.waitForWindow(QStringLiteral("かぞえましょう"));
        QVERIFY2(!window.isEmpty(), game.readAllStandardError().constData());

        for (int round = 1; round <= 2; ++round) {
            const int characters = catchEveryCharacter();
            QVERIFY2(characters >= 2 && characters <= 3, qPrintable(QString::number(characters)));
            QVERIFY2(countTheTray(characters), "a character could not be counted");
            QVERIFY2(chooseCard(characters), "no cards, or the card was never taken");
            QVERIFY2(waitFor([this] { return markShows(); }, 4000), "no ○ after the right card");
            // The next round begins: the mark goes and a new tray with nothing in it comes.
            QVERIFY(waitFor([this] { return !markShows() && !tray().isEmpty(); }, 5000));
        }

        QVERIFY(m_screen.pressKey(window, QStringLiteral("Escape")));
        QVERIFY(game.waitForFinished(10000));
        QCOMPARE(game.exitCode(), 0);
    }

private:
    QImage shot() { return m_last = m_screen.screenshot(); }
    QRect tray() { return boxOf(shot(), kTrayYellow, QRect(0, 0, kWidth, kHeight / 3)); }
    bool markShows() {
        const QRect middle(kWidth / 4, kHeight / 4, kWidth / 2, kHeight / 2);
        return countOf(shot(), kMarkRed, middle) > 2000;
    }

    static bool waitFor(const std::function<bool()>& condition, int timeoutMs) {
        const QDeadlineTimer deadline(timeoutMs);
        while (!deadline.hasExpired()) {
            if (condition())
                return true;
            QThread::msleep(100);
        }
        return false;
    }

    // Moves the pointer over a place, with a little wiggle so that it is a movement there.
    void touch(const QPoint& p) {
        m_screen.xdotool(
            {QStringLiteral("mousemove"), QString::number(p.x()), QString::number(p.y())});
        m_screen.xdotool(
            {QStringLiteral("mousemove"), QString::number(p.x() + 3), QString::number(p.y() + 2)});
    }

    // Touches whatever stands on the white ground below the tray until the tray holds every
    // character and the counting message shows. Returns how many places the tray has.
    int catchEveryCharacter() {
        QRect box;
        if (!waitFor([&] { return !(box = tray()).isEmpty(); }, 5000))
            return -1;
        // The tray holds its characters side by side in square places.
        const int places = int(std::lround(double(box.width()) / box.height()));
        const QDeadlineTimer deadline(60000);
        while (!deadline.hasExpired()) {
            const QRect field(0, box.bottom() + 8, kWidth, kHeight - box.bottom() - 8);
            const QRect seen = boxOfNonWhite(shot(), field);
            // The message "かぞえてみよう" spans most of the width: every character is in the tray.
            if (seen.width() > kWidth / 2)
                return places;
            if (!seen.isEmpty())
                touch(seen.center());
            QThread::msleep(150);
        }
        return -1;
    }

    // Touches the tray's places from the left, one after another, each until its numeral shows
    // (a touch made while a sound plays does not count, so the player tries again, as a child
    // would).
    bool countTheTray(int places) {
        const QRect box = tray();
        const double cell = double(box.width()) / places;
        for (int i = 0; i < places; ++i) {
            const QRect place(int(box.left() + cell * i), box.top(), int(cell), box.height());
            const int whiteBefore = countOf(shot(), Qt::white, place);
            // The numeral's stroke is white: the place gains many white pixels when it is laid.
            const bool counted = waitFor(
                [&] {
                    touch(
                        QPoint(place.center().x() - 10 + int(m_wiggle++ % 20), place.center().y()));
                    QThread::msleep(200);
                    return countOf(shot(), Qt::white, place) > whiteBefore + 500;
                },
                8000);
            if (!counted)
                return false;
        }
        return true;
    }

    // Waits for the row of cards, then clicks the card with this number until it is taken.
    bool chooseCard(int number) {
        // Below the message line: its grey text edges are not cards.
        const QRect bottom(0, kHeight * 2 / 3, kWidth, kHeight / 3);
        QRect row;
        if (!waitFor([&] { return !(row = boxOf(shot(), kCardFace, bottom)).isEmpty(); }, 5000)) {
            return false;
        }
        const int cards = int(std::lround(double(row.width()) / row.height()));
        if (cards != 5 && cards != 10) {
            qWarning() << "card row" << row << "reads as" << cards << "cards";
            return false;
        }
        const double cell = double(row.width()) / cards;
        const QPoint card(int(row.left() + cell * (number - 0.5)), row.center().y());
        // A click while the question is still spoken is dropped: click until the card moves up.
        const QRect middle(0, kHeight / 4, kWidth, kHeight / 2 - kHeight / 10);  // above the row
        return waitFor(
            [&] {
                m_screen.xdotool({QStringLiteral("mousemove"), QString::number(card.x()),
                                  QString::number(card.y()), QStringLiteral("click"),
                                  QStringLiteral("1")});
                QThread::msleep(300);
                // The chosen card grows in the middle: a large grey face (the message's grey
                // text edges are a few pixels only).
                return countOf(shot(), kCardFace, middle) > 5000;
            },
            8000);
    }

    VirtualScreen m_screen{kWidth, kHeight};
    QImage m_last;
    unsigned m_wiggle = 0;
};

QTEST_GUILESS_MAIN(PlayingTest)
#include "test_playing.moc"
