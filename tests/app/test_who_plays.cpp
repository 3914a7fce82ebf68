// Each child's record in the real program on a private X screen. "だれがあそぶ？": a touch on a
// child's mark starts the round, and the rounds are recorded for that child; the program killed
// between two rounds and in the middle of one leaves a record that opens and holds every round
// finished. A damaged record, and one in a folder that cannot be written: the adult is told
// before the first round, and the child plays. Under the classroom lock a tap of Esc on
// "だれがあそぶ？" or on a notice to the adult does nothing; Esc held two seconds acts.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

#include "faults/fault_rig.h"
#include "record/children.h"
#include "record/record_file.h"
#include "record/record_store.h"
#include "screen_player.h"
#include "screen_reading.h"
#include "screens/record_words.h"
#include "screens/who_plays_layout.h"
#include "support/record_support.h"
#include "virtual_screen.h"

namespace {
constexpr int kWidth = 1024;
constexpr int kHeight = 768;
// Rounds of two characters, counted from the left, touched by the pointer.
const QByteArray kQuickRounds = "1,#FALSE#,#FALSE#,#FALSE#,#FALSE#,15,2,2\r\n";
// How long the locked game wants an adult key held down.
constexpr int kHoldMs = 2000;

// A data folder with two characters and rounds of two, and the record in the user's data
// folder `home`. Returns the record's path.
QString prepareFolders(const QTemporaryDir& data, const QTemporaryDir& home) {
    for (const char* name : {"ねこ.gif", "いぬ.gif"}) {
        QFile::copy(sourceFolder() + QStringLiteral("/data/") + QString::fromUtf8(name),
                    data.filePath(QString::fromUtf8(name)));
    }
    Faults::writeFile(data.filePath(QStringLiteral("Pimo.txt")), kQuickRounds);
    // The program finds its record in the user's data folder.
    qputenv("XDG_DATA_HOME", home.path().toUtf8());
    return RecordFile::defaultPath();
}

// Adds children (name, mark) to the record at `path`, as the children screen does. Returns the
// id of the last, or 0 when one could not be added.
qint64 addChildren(const QString& path, const QList<QPair<QString, QString>>& children) {
    FakeClock clock;
    RecordStore store(path, clock);
    store.open();
    Children record(store, clock);
    qint64 id = 0;
    for (const auto& [name, mark] : children) {
        if (record.add(name, mark, &id))
            return 0;
    }
    return id;
}

// The rows that say what was played, read by a connection of the test's own.
QStringList rowsOf(const QString& path, const QString& sql) {
    return RecordRows(path).rows(sql);
}
}  // namespace

class WhoPlaysTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        if (!m_screen.isUp())
            QSKIP("needs Xvfb and xdotool");
    }
    void cleanup() {
        if (QTest::currentTestFailed() && !m_player.lastScreen().isNull())
            m_player.lastScreen().save(QStringLiteral("test_who_plays_last_screen.png"));
    }

    void touchOnAMarkPlaysForThatChildAndKillsLoseNoFinishedRound() {
        QTemporaryDir data, home;
        const QString path = prepareFolders(data, home);
        const qint64 yui = addChildren(path, {{"けん", "ねこ.gif"}, {"ゆい", "いぬ.gif"}});
        QVERIFY(yui != 0);

        // Killed just after a round was answered right, then in the middle of the next round.
        for (const bool inTheMiddle : {false, true}) {
            QProcess game;
            m_screen.start(game, programPath(), {data.path()},
                           sourceFolder() + QStringLiteral("/sounds"));
            // The children by name (けん, ゆい), then the guest: a touch on ゆい's mark.
            QVERIFY2(touchMark(1, 3), game.readAllStandardError().constData());
            const char* failure = "";
            QVERIFY2(m_player.playRound(&failure) == 2, failure);
            if (inTheMiddle) {
                QVERIFY(ScreenPlayer::waitFor(
                    [&] { return !m_player.markShows() && !m_player.tray().isEmpty(); }, 5000));
            } else {
                QTest::qWait(300);  // "○" and its sound: the round is over, the next not begun
            }
            game.kill();
            QVERIFY(game.waitForFinished(5000));
        }

        QCOMPARE(rowsOf(path, "PRAGMA integrity_check"), QStringList{"ok"});
        const QString child = QString::number(yui);
        QCOMPARE(
            rowsOf(path, "SELECT child_id || ' ' || cut_short || ' ' || characters FROM round"),
            QStringList({child + " 0 2", child + " 0 2"}));
        QCOMPARE(rowsOf(path,
                        "SELECT count(*) FROM catch UNION ALL SELECT count(*) FROM touch"
                        " WHERE kind = 'counted' UNION ALL SELECT group_concat(right) FROM"
                        " answer"),
                 QStringList({"4", "4", "1,1"}));
    }

    void damagedOrUnwritableRecordIsToldAndPlayGoesOn_data() {
        QTest::addColumn<bool>("damaged");
        QTest::newRow("damaged file") << true;
        QTest::newRow("read-only folder") << false;
    }
    void damagedOrUnwritableRecordIsToldAndPlayGoesOn() {
        QFETCH(bool, damaged);
        QTemporaryDir data, home;
        const QString path = prepareFolders(data, home);
        const QString folder = QFileInfo(path).path();
        QVERIFY(QDir().mkpath(folder));
        std::optional<Faults::ReadOnlyFolder> readOnly;
        if (damaged) {
            QVERIFY(Faults::writeFile(path, "Pimo\r\n1,#FALSE#\r\n"));
        } else {
            readOnly.emplace(folder);
            if (!readOnly->usable())
                QSKIP(qPrintable(QStringLiteral("no read-only folder here: ") + readOnly->why()));
            // A child, so that "だれがあそぶ？" would come first if the record could be written.
            QVERIFY(addChildren(path, {{"けん", "ねこ.gif"}}) != 0);
        }
        const QByteArray before = Faults::readFile(path);
        if (readOnly)
            QVERIFY(readOnly->makeReadOnly());

        QProcess game;
        m_screen.start(game, programPath(), {data.path()},
                       sourceFolder() + QStringLiteral("/sounds"));
        // Before the first round, a message box; the game waits for the adult's OK.
        const QString box = m_screen.waitForWindow(RecordWords::kTitle);
        QVERIFY2(!box.isEmpty(), game.readAllStandardError().constData());
        QVERIFY(m_screen.waitForWindow(QStringLiteral("かぞえましょう"), 500).isEmpty());
        QTest::qWait(100);
        QVERIFY(m_screen.pressKey(box, QStringLiteral("Return")));
        const char* failure = "";
        QVERIFY2(m_player.playRound(&failure) == 2, failure);
        game.kill();
        QVERIFY(game.waitForFinished(5000));

        // The message said what happened (the program writes it to standard error too).
        const QString told = QString::fromLocal8Bit(game.readAllStandardError());
        if (damaged) {
            const QStringList aside =
                QDir(folder).entryList({QStringLiteral("record.sqlite.damaged-*")}, QDir::Files);
            QCOMPARE(aside.size(), 1);
            QVERIFY2(told.contains(aside[0]), qPrintable(told));
            QCOMPARE(Faults::readFile(QDir(folder).filePath(aside[0])), before);
        } else {
            QVERIFY2(told.contains(QStringLiteral("読み書きできません")), qPrintable(told));
            QCOMPARE(Faults::readFile(path), before);
        }
    }

    // The record read by another program while the game writes it: by the sqlite3 shell and by
    // a second start of the game, after the adult's report has been open. The game keeps its
    // claim on the file throughout, so neither takes the write-ahead log away from under it,
    // and the second start leaves the first game playing.
    void recordReadFromOutsideKeepsEveryRound() {
        QTemporaryDir data, home;
        const QString path = prepareFolders(data, home);
        QVERIFY(addChildren(path, {{"ゆい", "いぬ.gif"}}) != 0);
        QProcess game;
        m_screen.start(game, programPath(), {data.path()},
                       sourceFolder() + QStringLiteral("/sounds"));
        QVERIFY2(touchMark(0, 2), game.readAllStandardError().constData());
        const QString window = m_screen.waitForWindow(QStringLiteral("かぞえましょう"));
        QVERIFY(!window.isEmpty());
        QVERIFY(m_screen.pressKey(window, QStringLiteral("k")));
        const QString report = m_screen.waitForWindow(QStringLiteral("きろく"));
        QVERIFY(!report.isEmpty());
        Faults::GameRun closer(m_screen);
        // "閉じる", in the window's pixels (764, 600, 120 × 36), 15 twips each.
        QVERIFY(closer.clickAt(report, {(764 + 60) * 15, (600 + 18) * 15}));
        QTest::qWait(500);

        QProcess shell;
        shell.start(QStringLiteral("sqlite3"),
                    {path, QStringLiteral("SELECT count(*) FROM child")});
        QVERIFY2(shell.waitForFinished(5000) && shell.exitCode() == 0,
                 "the sqlite3 shell (Debian's sqlite3) did not read the record");
        QCOMPARE(shell.readAllStandardOutput().trimmed(), QByteArray("1"));
        QProcess second;
        m_screen.start(second, programPath(), {data.path()},
                       sourceFolder() + QStringLiteral("/sounds"));
        QVERIFY2(second.waitForFinished(10000), "a second start did not end by itself");
        QCOMPARE(second.exitCode(), 0);

        const char* failure = "";
        QVERIFY2(m_player.playRound(&failure) == 2, failure);
        QTest::qWait(300);  // "○" and its sound: the round is over and handed to the writer
        game.kill();
        QVERIFY(game.waitForFinished(5000));
        // The round K cut short, then the one played after the outside reads.
        QCOMPARE(rowsOf(path, "SELECT cut_short FROM round ORDER BY id"), QStringList({"1", "0"}));
        QCOMPARE(rowsOf(path, "PRAGMA integrity_check"), QStringList{"ok"});
    }

    // The first screen of a locked start with children, and the notice the adult reads as the
    // game ends (a picture whose name cannot be used): a child's tap of Esc leaves each of them
    // and the game as they are; Esc held two seconds acts as it would unlocked.
    void lockTakesOnlyHeldEscOnThePickerAndTheNotice() {
        QTemporaryDir data, home;
        const QString path = prepareFolders(data, home);
        QVERIFY(addChildren(path, {{"けん", "ねこ.gif"}}) != 0);
        QVERIFY(QFile::copy(sourceFolder() + QStringLiteral("/data/ねこ.gif"),
                            data.filePath(QStringLiteral("ね\"こ.gif"))));
        QProcess game;
        m_screen.start(game, programPath(), {QStringLiteral("--lock"), data.path()},
                       sourceFolder() + QStringLiteral("/sounds"));
        const QString picker = m_screen.waitForWindow(QStringLiteral("だれがあそぶ？"));
        QVERIFY2(!picker.isEmpty(), game.readAllStandardError().constData());

        QVERIFY(m_screen.pressKey(picker, QStringLiteral("Escape")));
        QVERIFY(m_screen.waitForWindow(QStringLiteral("かぞえましょう"), 500).isEmpty());
        QCOMPARE(game.state(), QProcess::Running);

        // Held, Esc ends the game; first the adult is shown the notice kept for them.
        QVERIFY(m_screen.holdKey(picker, QStringLiteral("Escape"), kHoldMs + 300));
        const QString notice = m_screen.waitForWindow(QStringLiteral("かぞえましょう"));
        QVERIFY2(!notice.isEmpty(), game.readAllStandardError().constData());
        QVERIFY(m_screen.pressKey(notice, QStringLiteral("Escape")));
        QTest::qWait(300);
        QCOMPARE(game.state(), QProcess::Running);
        QVERIFY(!m_screen.waitForWindow(QStringLiteral("かぞえましょう"), 1000).isEmpty());

        QVERIFY(m_screen.holdKey(notice, QStringLiteral("Escape"), kHoldMs + 300));
        QVERIFY(game.waitForFinished(5000));
        QCOMPARE(game.exitCode(), 0);
    }

private:
    // Waits for "だれがあそぶ？" and touches choice `index` of `count` (children, then the guest).
    bool touchMark(int index, int count) {
        if (m_screen.waitForWindow(QStringLiteral("だれがあそぶ？")).isEmpty())
            return false;
        const QRect mark =
            WhoPlaysLayout::markIn(WhoPlaysLayout::cell(index, count, QSize(kWidth, kHeight)));
        return ScreenPlayer::waitFor(
                   [&] {
                       return !ScreenReading::boxOfNonWhite(m_screen.screenshot(), mark).isEmpty();
                   },
                   5000) &&
               m_screen.xdotool({QStringLiteral("mousemove"), QString::number(mark.center().x()),
                                 QString::number(mark.center().y()), QStringLiteral("click"),
                                 QStringLiteral("1")});
    }

    VirtualScreen m_screen{kWidth, kHeight};
    ScreenPlayer m_player{m_screen, kWidth, kHeight};
};

QTEST_GUILESS_MAIN(WhoPlaysTest)
#include "test_who_plays.moc"
