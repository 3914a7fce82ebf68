// Two real games, each on a private X screen with its own user folders, joined with the code to one
// PostgreSQL server of the test's own: the child added on one comes to 「だれがあそぶ？」 on the
// other, and a round played on each ends up in both records (one report of the class).

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "app/screen_player.h"
#include "app/virtual_screen.h"
#include "classroom/class_join.h"
#include "record/children.h"
#include "record/record_store.h"
#include "screens/who_plays_layout.h"
#include "support/class_server.h"
#include "support/record_support.h"
#include "support/paths.h"

namespace {
constexpr int kWidth = 1024;
constexpr int kHeight = 768;

// One machine of the class: its screen, its user's data and runtime folders, its record.
struct Machine {
    VirtualScreen screen{kWidth, kHeight};
    ScreenPlayer player{screen, kWidth, kHeight};
    QTemporaryDir home, runtime;
    QProcess game;

    ~Machine() {
        game.kill();
        game.waitForFinished(5000);
    }
    QString record() const { return home.filePath(QStringLiteral("kazoemashou/record.sqlite")); }
    QString classFolder() const { return home.filePath(QStringLiteral("kazoemashou/class")); }
    void start(const QString& data) {
        qputenv("XDG_DATA_HOME", home.path().toUtf8());
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
        screen.start(game, programPath(), {data},
                     sourceFolder() + QStringLiteral("/sounds"));
    }
    // Touches the first child's mark on 「だれがあそぶ？」 (the child, then the guest) and plays a
    // round for them.
    bool playForTheFirstChild(const char** failure) {
        const QPoint mark =
            WhoPlaysLayout::markIn(WhoPlaysLayout::cell(0, 2, QSize(kWidth, kHeight))).center();
        *failure = "no mark on だれがあそぶ？";
        const bool shown =
            !screen.waitForWindow(QStringLiteral("だれがあそぶ？")).isEmpty() &&
            ScreenPlayer::waitFor(
                [&] { return screen.screenshot().pixel(mark) != qRgb(255, 255, 255); }, 5000);
        const bool played = shown &&
                            screen.xdotool({QStringLiteral("mousemove"), QString::number(mark.x()),
                                            QString::number(mark.y()), QStringLiteral("click"),
                                            QStringLiteral("1")}) &&
                            player.playRound(failure) > 0;
        if (!played)
            screen.screenshot().save(QStringLiteral("test_class_two_games_last_screen.png"));
        return played;
    }
    // The rounds of the child in the record: played here, and come from the class.
    QString roundsOf(const QString& name) const {
        return RecordRows(record()).one(
            QStringLiteral(
                "SELECT (SELECT count(*) FROM round r JOIN child c ON c.id = r.child_id"
                " WHERE c.name = '%1' AND r.id NOT IN (SELECT round_id FROM class_round))"
                " || ' ' || (SELECT count(*) FROM class_round)")
                .arg(name));
    }
};
}  // namespace

class TwoGames : public QObject {
    Q_OBJECT

private slots:
    void aChildAndARoundOfEachMachineReachTheOther() {
        ClassServer server;
        if (server.why.startsWith(QLatin1String("no PostgreSQL")))
            QSKIP(qPrintable(server.why));
        QVERIFY2(server.why.isEmpty(), qPrintable(server.why));
        Machine a, b;
        if (!a.screen.isUp() || !b.screen.isUp())
            QSKIP("needs Xvfb and xdotool");
        QTemporaryDir data;
        for (const char* name : {"ねこ.gif", "いぬ.gif"})
            QVERIFY(QFile::copy(sourceFolder() + QStringLiteral("/data/") + QString::fromUtf8(name),
                                data.filePath(QString::fromUtf8(name))));
        // Rounds of two characters, counted from the left, touched by the pointer.
        QFile settings(data.filePath(QStringLiteral("Pimo.txt")));
        QVERIFY(settings.open(QIODevice::WriteOnly) &&
                settings.write("1,#FALSE#,#FALSE#,#FALSE#,#FALSE#,15,2,2\r\n") > 0);
        settings.close();
        {
            FakeClock clock;
            QDir().mkpath(QFileInfo(a.record()).path());
            RecordStore store(a.record(), clock);
            store.open();
            QVERIFY(
                !Children(store, clock).add(QStringLiteral("あい"), QStringLiteral("ねこ.gif")));
        }
        for (Machine* machine : {&a, &b})
            QCOMPARE(int(ClassJoin::join(server.code(), machine->classFolder()).kind),
                     int(ClassJoin::Outcome::Joined));

        const char* failure = "";
        a.start(data.path());
        QVERIFY2(a.playForTheFirstChild(&failure), failure);
        // B has no child of its own: the class's comes, and W shows them.
        b.start(data.path());
        QTRY_COMPARE_WITH_TIMEOUT(b.roundsOf(QStringLiteral("あい")), QStringLiteral("0 1"), 30000);
        const QString window = b.screen.waitForWindow(QStringLiteral("かぞえましょう"));
        QVERIFY(!window.isEmpty() && b.screen.pressKey(window, QStringLiteral("w")));
        QVERIFY2(b.playForTheFirstChild(&failure), failure);

        // A fetches the class's rounds as 「だれがあそぶ？」 opens there.
        const QString windowA = a.screen.waitForWindow(QStringLiteral("かぞえましょう"));
        QVERIFY(!windowA.isEmpty() && a.screen.pressKey(windowA, QStringLiteral("w")));
        // Each record holds the round played on the other (A's "w" may have cut one short there).
        QTRY_COMPARE_WITH_TIMEOUT(a.roundsOf(QStringLiteral("あい")).section(QLatin1Char(' '), 1),
                                  QStringLiteral("1"), 30000);
        QCOMPARE(b.roundsOf(QStringLiteral("あい")).section(QLatin1Char(' '), 0, 0),
                 QStringLiteral("1"));
        QTRY_COMPARE_WITH_TIMEOUT(
            server.one(QStringLiteral("SELECT count(DISTINCT machine) FROM round")),
            QStringLiteral("2"), 30000);
    }
};

QTEST_MAIN(TwoGames)
#include "test_class_two_games.moc"
