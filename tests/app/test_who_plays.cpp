// "だれがあそぶ？" in the real program on a private X screen: a touch on a child's mark starts the
// round, and the rounds are recorded for that child; the program killed between two rounds and in
// the middle of one leaves a record that opens and holds every round finished.

#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include "record/record.h"
#include "record/record_file.h"
#include "screen_player.h"
#include "screen_reading.h"
#include "screens/who_plays_layout.h"
#include "virtual_screen.h"

namespace {
constexpr int kWidth = 1024;
constexpr int kHeight = 768;
// Rounds of two characters, counted from the left, touched by the pointer.
const QByteArray kQuickRounds = "1,#FALSE#,#FALSE#,#FALSE#,#FALSE#,15,2,2\r\n";

class FixedClock : public RecordClock {
public:
    qint64 nowMs() const override { return 1714554000000; }
};

// The rows that say what was played, read by a connection of the test's own.
QStringList rowsOf(const QString& path, const QString& sql) {
    QStringList rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("t"));
        db.setDatabaseName(path);
        QSqlQuery query(db);
        if (!db.open() || !query.exec(sql))
            return {QStringLiteral("cannot read: ") + query.lastError().text()};
        while (query.next())
            rows << query.value(0).toString();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("t"));
    return rows;
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
        for (const char* name : {"ねこ.gif", "いぬ.gif"}) {
            QVERIFY(QFile::copy(QStringLiteral(KAZOE_SOURCE_DIR "/data/") + QString::fromUtf8(name),
                                data.filePath(QString::fromUtf8(name))));
        }
        QFile settings(data.filePath(QStringLiteral("Pimo.txt")));
        QVERIFY(settings.open(QIODevice::WriteOnly));
        settings.write(kQuickRounds);
        settings.close();
        // The program finds its record in the user's data folder.
        qputenv("XDG_DATA_HOME", home.path().toUtf8());
        const QString path = RecordFile::defaultPath();
        qint64 yui = 0;
        {
            FixedClock clock;
            GameSettings unused;
            Record record(path, clock, unused);
            record.open();
            QCOMPARE(record.addChild(QStringLiteral("けん"), QStringLiteral("ねこ.gif")),
                     QString());
            QCOMPARE(record.addChild(QStringLiteral("ゆい"), QStringLiteral("いぬ.gif"), &yui),
                     QString());
        }

        // Killed just after a round was answered right, then in the middle of the next round.
        for (const bool inTheMiddle : {false, true}) {
            QProcess game;
            m_screen.start(game, QStringLiteral(KAZOE_PROGRAM), {data.path()},
                           QStringLiteral(KAZOE_SOURCE_DIR "/sounds"));
            QVERIFY2(!m_screen.waitForWindow(QStringLiteral("だれがあそぶ？")).isEmpty(),
                     game.readAllStandardError().constData());
            // The children by name (けん, ゆい), then the guest: a touch on ゆい's mark.
            const QRect mark =
                WhoPlaysLayout::markIn(WhoPlaysLayout::cell(1, 3, QSize(kWidth, kHeight)));
            QVERIFY(ScreenPlayer::waitFor(
                [&] {
                    return !ScreenReading::boxOfNonWhite(m_screen.screenshot(), mark).isEmpty();
                },
                5000));
            QVERIFY(
                m_screen.xdotool({QStringLiteral("mousemove"), QString::number(mark.center().x()),
                                  QString::number(mark.center().y()), QStringLiteral("click"),
                                  QStringLiteral("1")}));
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

private:
    VirtualScreen m_screen{kWidth, kHeight};
    ScreenPlayer m_player{m_screen, kWidth, kHeight};
};

QTEST_GUILESS_MAIN(WhoPlaysTest)
#include "test_who_plays.moc"
