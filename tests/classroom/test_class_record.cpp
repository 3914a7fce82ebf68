#include <QApplication>
#include <QCryptographicHash>
#include <QLabel>
#include <QLineEdit>
#include <QMutex>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSslCertificate>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <cstdio>

#include "classroom/class_join.h"
#include "classroom/class_membership.h"
#include "classroom/round_sender.h"
#include "record/children.h"
#include "record/record_file.h"
#include "record/record_store.h"
#include "screens/class_screen.h"
#include "support/class_server.h"
#include "support/record_support.h"

namespace {

// What the sender tells, kept for the test's thread.
struct Told {
    QList<SendNews> news;
    mutable QMutex mutex;
    std::function<void(const SendNews&)> also;  // on the sender's thread, before keeping it
    RoundSender::Told callback() {
        return [this](const SendNews& n) {
            if (also)
                also(n);
            QMutexLocker lock(&mutex);
            news << n;
        };
    }
    bool has(SendNews::Kind kind, int waiting = -1) const {
        QMutexLocker lock(&mutex);
        return std::any_of(news.begin(), news.end(), [&](const SendNews& n) {
            return n.kind == kind && (waiting < 0 || n.waiting == waiting);
        });
    }
    SendNews first() const {
        QMutexLocker lock(&mutex);
        return news.value(0);
    }
    SendNews last() const {
        QMutexLocker lock(&mutex);
        return news.value(news.size() - 1);
    }
    // The last news, for a failure's message.
    QByteArray said() const {
        const SendNews n = last();
        return QStringLiteral("kind %1, waiting %2, set aside %3: %4")
            .arg(n.kind)
            .arg(n.waiting)
            .arg(n.setAside)
            .arg(n.detail)
            .toUtf8();
    }
};

}  // namespace

class TestClassRecord : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<ClassServer> m_server;
    QTemporaryDir m_dir;
    FakeClock m_clock;

    // A record of `rounds` rounds of one child at `path`.
    void makeRecord(const QString& path, int rounds, const QString& name = QStringLiteral("けん")) {
        RecordStore store(path, m_clock);
        store.open();
        Children children(store, m_clock);
        qint64 child = 0;
        QVERIFY(!children.add(name, QStringLiteral("p0.gif"), &child));
        for (int n = 0; n < rounds; ++n)
            store.write(countedRound(child, n));
        store.flush();
    }
    // A picture of the screen for the adult's guide, when KAZOE_SCREENSHOTS names a folder.
    static void screenshot(QWidget& screen, const char* name) {
        const QString folder = qEnvironmentVariable("KAZOE_SCREENSHOTS");
        if (!folder.isEmpty())
            screen.grab().save(QStringLiteral("%1/%2.png").arg(folder, QLatin1String(name)));
    }
    QString rounds() const { return m_server->one(QStringLiteral("SELECT count(*) FROM round")); }
    static constexpr RoundSender::Pacing kOften{200, 50, 200, 100};

private slots:
    void initTestCase() {
        m_server = std::make_unique<ClassServer>();
        if (m_server->why.startsWith(QLatin1String("no PostgreSQL")))
            QSKIP(qPrintable(m_server->why));
        QVERIFY2(m_server->why.isEmpty(), qPrintable(m_server->why));
    }
    // Every sender stopped let go of its connections, even one stopped in the middle of a try.
    void cleanupTestCase() {
        QCOMPARE(QSqlDatabase::connectionNames(), QStringList());
    }

    // The server stops after the first batch and comes back: every round arrives, once, whole;
    // a batch sent again (its commit's answer lost) is taken once.
    void sendsEachRoundOnceThroughAStop() {
        const QString path = m_dir.filePath(QStringLiteral("stop.sqlite"));
        makeRecord(path, 40);
        Told told;
        bool stopped = false;
        told.also = [&](const SendNews& n) {
            if (n.kind == SendNews::Sent && !std::exchange(stopped, true))
                QVERIFY(m_server->stop());
        };
        {
            RoundSender sender(path, m_server->link(), told.callback(), {6, 50, 200, 100000});
            QTRY_VERIFY_WITH_TIMEOUT(told.has(SendNews::Away), 20000);
            QVERIFY(m_server->start());
            QTRY_VERIFY2_WITH_TIMEOUT(told.has(SendNews::Sent, 0), told.said(), 20000);
        }
        QCOMPARE(m_server->rows(QStringLiteral(
                     "SELECT count(*), count(DISTINCT number), min(number), max(number)"
                     " FROM round")),
                 QStringList{QStringLiteral("40|40|1|40")});
        QCOMPARE(m_server->rows(QStringLiteral(
                     "SELECT c.name, r.characters, r.settings, r.catches, r.touches, r.answers"
                     " FROM round r JOIN child c ON c.key = r.child_key WHERE r.number = 2")),
                 QStringList{QStringLiteral(
                     "けん|3|{1,0,0,0,0,15,2,5}|[[0, 1000, 400], [1, 1500, 400], [2, 2000, 400]]"
                     "|[[0, 5000, 1, 0, 0, 1], [1, 5300, 1, 1, 0, 2], [2, 5600, 1, 2, 0, 3]]"
                     "|[[3, 7000, 1, 4, 0], [4, 8000, 2, 3, 1]]")});

        QVERIFY(RecordRows(path).run(QStringLiteral(
            "INSERT INTO send_queue (number, round_id) SELECT id, id FROM round WHERE id <= 6")));
        Told again;
        RoundSender sender(path, m_server->link(), again.callback());
        QTRY_VERIFY2_WITH_TIMEOUT(again.has(SendNews::Sent, 0), again.said(), 20000);
        QCOMPARE(rounds(), QStringLiteral("40"));
    }

    // Each link the sender must not use: it sends nothing, keeps the queue, and says why.
    void refusesWhatItCannotTrust_data() {
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("otherCertificate");
        QTest::addColumn<int>("tablesAhead");  // versions
        QTest::addColumn<int>("told");
        QTest::newRow("wrong password") << "guess" << false << 0 << int(SendNews::Refused);
        QTest::newRow("another server's certificate")
            << ClassServer::kGamePassword << true << 0 << int(SendNews::Certificate);
        QTest::newRow("tables of a newer game")
            << ClassServer::kGamePassword << false << 1 << int(SendNews::Newer);
        QTest::newRow("tables of an older game")
            << ClassServer::kGamePassword << false << -1 << int(SendNews::Older);
    }
    void refusesWhatItCannotTrust() {
        QFETCH(QString, password);
        QFETCH(bool, otherCertificate);
        QFETCH(int, tablesAhead);
        QFETCH(int, told);
        const QString path =
            m_dir.filePath(QStringLiteral("%1.sqlite").arg(QTest::currentDataTag()));
        makeRecord(path, 3);
        const QString before = rounds();
        QTemporaryDir other;
        if (otherCertificate)
            QVERIFY(m_server->otherCertificate(other.path()));
        const QString shift = QStringLiteral("UPDATE schema_version SET version = version + %1");
        m_server->rows(shift.arg(tablesAhead));
        Told news;
        {
            RoundSender sender(
                path,
                m_server->link(password, otherCertificate
                                             ? other.filePath(QStringLiteral("classroom.crt"))
                                             : QString()),
                news.callback());
            QTRY_VERIFY_WITH_TIMEOUT(!news.news.isEmpty(), 20000);
        }
        m_server->rows(shift.arg(-tablesAhead));
        QCOMPARE(int(news.first().kind), told);
        QCOMPARE(news.first().waiting, 3);
        QVERIFY(!news.first().detail.contains(QLatin1String(ClassServer::kGamePassword)));
        // The adult is told, in Japanese, what only they can mend.
        QVERIFY(ClassScreen::problemForTheAdult(news.first())
                    .startsWith(QStringLiteral("クラスの記録：")));
        QCOMPARE(rounds(), before);
    }

    // The code typed on a machine: kept only when the server is the one it names and takes the
    // game's password; the password file readable by the user only; leaving forgets it all.
    // The adult joins on the class screen: the rounds already on the machine reach the class and
    // the screen says so; "ぬける" twice leaves, and the screen says the record stays.
    void theAdultJoinsAndLeaves() {
        const QString path = m_dir.filePath(QStringLiteral("screen.sqlite"));
        makeRecord(path, 5);
        const QString before = rounds();
        const FakeClock clock;
        ClassMembership membership(path, m_dir.filePath(QStringLiteral("screen-class")), clock);
        membership.start();
        ClassScreen screen(membership, [] {});
        screen.open();
        auto* message = screen.findChild<QLabel*>(QStringLiteral("messageLine"));
        QVERIFY(message->text().contains(QStringLiteral("参加していません")));
        QVERIFY(
            ClassScreen::whereFiguresComeFrom(membership).contains(QStringLiteral("このパソコン")));
        screenshot(screen, "class-not-joined");
        auto* code = screen.findChild<QLineEdit*>(QStringLiteral("codeEdit"));
        auto* join = screen.findChild<QPushButton*>(QStringLiteral("joinButton"));
        const QString right = m_server->code();
        code->setText(right.left(right.lastIndexOf(QLatin1Char('/')) + 1) +
                      QStringLiteral("0123-4567-89ab-cdef"));  // another server's
        join->click();
        QTRY_VERIFY_WITH_TIMEOUT(
            message->text().contains(QStringLiteral("コードのサーバーではありません")), 20000);
        screenshot(screen, "class-another-server");
        code->setText(right);
        join->click();
        QTRY_VERIFY_WITH_TIMEOUT(message->text().contains(QStringLiteral("参加しました")), 20000);
        screenshot(screen, "class-joined");
        QTRY_VERIFY_WITH_TIMEOUT(message->text().contains(QStringLiteral("すべておくりました")),
                                 20000);
        QVERIFY2(message->text().contains(QStringLiteral("127.0.0.1")),
                 qPrintable(message->text()));
        screenshot(screen, "class-sent");
        // 「きろく」 says its figures are the class's, and when they were fetched.
        QVERIFY(
            ClassScreen::whereFiguresComeFrom(membership).contains(QStringLiteral("クラスの記録")));
        QCOMPARE(rounds().toInt(), before.toInt() + 5);
        auto* leave = screen.findChild<QPushButton*>(QStringLiteral("leaveButton"));
        leave->click();
        leave->click();
        QVERIFY(message->text().contains(QStringLiteral("記録はのこっています")));
        QVERIFY(!membership.joined());
        QCOMPARE(
            RecordRows(path).one(QStringLiteral(
                "SELECT count(*) FROM round WHERE id NOT IN (SELECT round_id FROM class_round)")),
            QStringLiteral("5"));
    }

    // The game killed while it sends, batch after batch: the next start sends the rest, and the
    // server ends with every round once.
    void aKilledSenderLosesNothing() {
        const QString path = m_dir.filePath(QStringLiteral("killed.sqlite"));
        makeRecord(path, 30);
        const int before = rounds().toInt();
        const ClassLink link = m_server->link();
        QProcess game;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(
            QStringLiteral("KAZOE_SEND_ONLY"),
            QStringList{path, QString::number(link.port), link.passwordFile, link.certificate}.join(
                QLatin1Char('|')));
        game.setProcessEnvironment(env);
        game.start(QCoreApplication::applicationFilePath(), {});
        QByteArray said;
        while (!said.contains("sent") && game.waitForReadyRead(20000))
            said += game.readAllStandardOutput();
        QVERIFY2(said.contains("sent"), game.readAllStandardError().constData());
        ::kill(pid_t(game.processId()), SIGKILL);
        QVERIFY(game.waitForFinished(10000));
        QVERIFY(rounds().toInt() < before + 30);  // it was stopped on its way

        Told told;
        RoundSender sender(path, link, told.callback());
        QTRY_VERIFY2_WITH_TIMEOUT(told.has(SendNews::Sent, 0), told.said(), 20000);
        QCOMPARE(rounds().toInt(), before + 30);
    }

    // Two machines in one class: a child added on one comes to the other with their rounds, touch
    // for touch (and no round goes back as the other's); of two changes made apart the later stays
    // on both; a child removed on one goes from the other with their rounds, and from the class.
    void childrenAreTheSameOnEveryMachine() {
        const QString a = m_dir.filePath(QStringLiteral("a.sqlite"));
        const QString b = m_dir.filePath(QStringLiteral("b.sqlite"));
        m_server->rows(QStringLiteral("TRUNCATE child, removed_child, round"));  // a class of two
        makeRecord(a, 2, QStringLiteral("あい"));
        makeRecord(b, 3, QStringLiteral("ゆい"));
        const auto names = [](const QString& path) {
            return RecordRows(path).rows(
                QStringLiteral("SELECT name || ' ' || (SELECT count(*) FROM round r"
                               " WHERE r.child_id = child.id) FROM child ORDER BY name"));
        };
        RoundSender sendA(a, m_server->link(), {}, kOften), sendB(b, m_server->link(), {}, kOften);
        QTRY_COMPARE_WITH_TIMEOUT(names(a), QStringList({"あい 2", "ゆい 3"}), 20000);
        QTRY_COMPARE_WITH_TIMEOUT(names(b), QStringList({"あい 2", "ゆい 3"}), 20000);
        const QString played = QStringLiteral(
            "SELECT group_concat(r.began_at || r.characters || t.seq || t.at_ms || t.pass"
            " || t.place || t.kind || ifnull(t.number, '-'), ' ') FROM touch t"
            " JOIN round r ON r.id = t.round_id JOIN child c ON c.id = r.child_id"
            " WHERE c.name = 'ゆい' ORDER BY r.began_at, t.seq");
        QCOMPARE(RecordRows(a).one(played), RecordRows(b).one(played));

        QVERIFY(RecordRows(a).run(
            QStringLiteral("UPDATE child SET name = 'あいこ' WHERE name = 'あい'")));
        QTest::qSleep(20);
        QVERIFY(RecordRows(b).run(
            QStringLiteral("UPDATE child SET name = 'あいか' WHERE name = 'あい'")));
        QVERIFY(RecordRows(b).run(QStringLiteral("DELETE FROM child WHERE name = 'ゆい'")));
        QTRY_COMPARE_WITH_TIMEOUT(names(a), QStringList({"あいか 2"}), 20000);
        QTRY_COMPARE_WITH_TIMEOUT(names(b), QStringList({"あいか 2"}), 20000);
        QCOMPARE(m_server->rows(QStringLiteral(
                     "SELECT name, (SELECT count(*) FROM round WHERE child_key = key) FROM child"
                     " WHERE name LIKE 'あい%' OR name = 'ゆい'")),
                 QStringList{QStringLiteral("あいか|2")});
    }

    // A batch whose transaction began long before its commit (a slow network): the machines
    // that fetched the rounds committed meanwhile still get it.
    void aRoundCommittedLateIsStillFetched() {
        const QString path = m_dir.filePath(QStringLiteral("late.sqlite"));
        m_server->rows(QStringLiteral("TRUNCATE child, removed_child, round"));
        makeRecord(path, 1, QStringLiteral("あい"));
        Told told;
        RoundSender sender(path, m_server->link(), told.callback(), kOften);
        QTRY_VERIFY2_WITH_TIMEOUT(told.has(SendNews::Sent, 0), told.said(), 20000);
        const QString round = QStringLiteral(
            "INSERT INTO round (machine, number, child_key, began_at, ended_at, cut_short,"
            " characters, settings, catches, touches, answers, received_at) VALUES"
            " (repeat('%1', 32), 1, (SELECT key FROM child), 1000, 2000, false, 1,"
            " '{0,0,0,0,0,15,1,1}', '[]', '[]', '[[0, 1500, 1, 1, 1]]', now() - interval '%2')");
        {
            QSqlDatabase slow = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"),
                                                          QStringLiteral("slow"));
            slow.setHostName(m_server->socketFolder());
            slow.setPort(m_server->port);
            slow.setUserName(QStringLiteral("postgres"));
            slow.setDatabaseName(QStringLiteral("kazoemashou"));
            QVERIFY(slow.open() && slow.transaction());
            QVERIFY(QSqlQuery(slow).exec(round.arg(QLatin1Char('a')).arg(QStringLiteral("2 min"))));
            m_server->rows(round.arg(QLatin1Char('b')).arg(QStringLiteral("0 s")));
            QTest::qWait(1000);  // fetches while the slow batch is on its way
            QVERIFY(slow.commit());
        }
        QSqlDatabase::removeDatabase(QStringLiteral("slow"));
        QTRY_COMPARE_WITH_TIMEOUT(
            RecordRows(path).one(QStringLiteral(
                "SELECT group_concat(substr(machine, 1, 1), '') FROM class_round")),
            QStringLiteral("ab"), 20000);
    }

    // A child whose mark the class's tables refuse (a picture's name longer than they take):
    // the other rounds go, and the adult is told of theirs, kept here; the next start tries
    // them again.
    void aRefusedRoundHoldsNothingBack() {
        const QString path = m_dir.filePath(QStringLiteral("refused.sqlite"));
        makeRecord(path, 2);
        {
            RecordStore store(path, m_clock);
            store.open();
            Children children(store, m_clock);
            const qint64 ken = children.list().value(0).id;
            qint64 long_ = 0;
            QVERIFY(!children.add(QStringLiteral("ながい"),
                                  QString(250, QLatin1Char('a')) + QStringLiteral(".gif"), &long_));
            store.write(countedRound(long_, 0));
            store.write(countedRound(ken, 2));
            store.flush();
        }
        const int before = rounds().toInt();
        Told told;
        {
            RoundSender sender(path, m_server->link(), told.callback());
            QTRY_VERIFY2_WITH_TIMEOUT(told.has(SendNews::Sent, 0), told.said(), 20000);
        }
        QCOMPARE(rounds().toInt(), before + 3);
        QCOMPARE(told.last().setAside, 1);
        QVERIFY(ClassScreen::sendWords(told.last()).contains(QStringLiteral("うけとらない回：1")));
        QCOMPARE(
            m_server->rows(QStringLiteral("ALTER TABLE child DROP CONSTRAINT child_mark_check")),
            QStringList());
        Told again;
        RoundSender sender(path, m_server->link(), again.callback());
        QTRY_VERIFY2_WITH_TIMEOUT(again.has(SendNews::Sent, 0), again.said(), 20000);
        QCOMPARE(again.last().setAside, 0);
        QCOMPARE(rounds().toInt(), before + 4);
    }

    // The record found damaged and moved aside while the game runs: the sender writes nothing
    // more into the moved file, and sends the rounds of the record begun at its place.
    void theSenderFollowsTheRecordMovedAside() {
        const QString path = m_dir.filePath(QStringLiteral("moved.sqlite"));
        makeRecord(path, 2);
        Told told;
        RoundSender sender(path, m_server->link(), told.callback(), kOften);
        QTRY_VERIFY2_WITH_TIMEOUT(told.has(SendNews::Sent, 0), told.said(), 20000);
        QString why;
        const QString aside = RecordFile::moveAside(path, QStringLiteral("now"), &why);
        QVERIFY2(!aside.isEmpty(), qPrintable(why));
        QVERIFY(RecordRows(aside).run(
            QStringLiteral("INSERT INTO send_queue (round_id) SELECT min(id) FROM round")));
        QTest::qWait(500);  // the sender looks while no record is there
        const int before = rounds().toInt();
        makeRecord(path, 3);
        QTRY_COMPARE_WITH_TIMEOUT(rounds().toInt(), before + 3, 20000);
        QCOMPARE(RecordRows(aside).one(QStringLiteral("SELECT count(*) FROM send_queue")),
                 QStringLiteral("1"));
    }

    void joinsWithTheCode_data() {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("fingerprint");  // empty: the server's own
        QTest::addColumn<int>("outcome");
        QTest::newRow("the server's code")
            << ClassServer::kGamePassword << "" << int(ClassJoin::Outcome::Joined);
        QTest::newRow("another fingerprint") << ClassServer::kGamePassword << "0123-4567-89ab-cdef"
                                             << int(ClassJoin::Outcome::NotThatServer);
        QTest::newRow("a wrong password") << "abcd-efgh-jkmn"
                                          << "" << int(ClassJoin::Outcome::Refused);
        QTest::newRow("no code") << ""
                                 << "zz" << int(ClassJoin::Outcome::BadCode);
        QTest::newRow("the server away")
            << ClassServer::kGamePassword << "away" << int(ClassJoin::Outcome::Unreachable);
    }
    void joinsWithTheCode() {
        QFETCH(QString, password);
        QFETCH(QString, fingerprint);
        QFETCH(int, outcome);
        const bool away = fingerprint == QLatin1String("away");
        if (fingerprint.isEmpty() || away)
            fingerprint = m_server->code().section(QLatin1Char('/'), 3);
        const QString folder = m_dir.filePath(QStringLiteral("class"));
        if (away)
            QVERIFY(m_server->stop());
        const QString code = QStringLiteral(" 127.0.0.1:%1/kazoemashou/%2/%3 ")
                                 .arg(m_server->port)
                                 .arg(password, fingerprint.toUpper());
        const ClassJoin::Outcome joined = ClassJoin::join(code, folder);
        if (away)
            QVERIFY(m_server->start());
        QCOMPARE(int(joined.kind), outcome);
        QVERIFY(!joined.detail.contains(password) || password.isEmpty());
        const ClassLink link = ClassJoin::load(folder);
        QCOMPARE(link.joined(), outcome == ClassJoin::Outcome::Joined);
        if (!link.joined())
            return;
        QCOMPARE(int(QFile::permissions(link.passwordFile) & 0x0077), 0);  // none for group, others
        QCOMPARE(int(RoundSender::check(link).kind), int(SendNews::Sent));
        QVERIFY(ClassJoin::leave(folder));
        QVERIFY(!QFileInfo::exists(folder));
    }
};

// The game's sender alone, one round a batch, until it is killed (KAZOE_SEND_ONLY: the record, the
// port, the password file and the certificate, joined by "|"). It says "sent" after each batch.
static int sendOnly(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList given = qEnvironmentVariable("KAZOE_SEND_ONLY").split(QLatin1Char('|'));
    const ClassLink link{
        QStringLiteral("127.0.0.1"),        given.value(1).toInt(), QStringLiteral("kazoemashou"),
        QStringLiteral("kazoemashou_game"), given.value(2),         given.value(3)};
    RoundSender sender(given.value(0), link,
                       [](const SendNews&) {
                           std::fputs("sent\n", stdout);
                           std::fflush(stdout);
                       },
                       {1, 50, 200, 100000});
    return app.exec();
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsSet("KAZOE_SEND_ONLY"))
        return sendOnly(argc, argv);
    QApplication app(argc, argv);
    TestClassRecord test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_class_record.moc"
