// Thirty machines send at once: each has a record of 1,000 finished rounds waiting in its queue,
// and its own sender, all to one real PostgreSQL server of the tool's own (ClassServer). Prints
// the time until every queue is empty, and checks that the server holds exactly 30,000 rounds,
// none twice; then what the rounds take on the server, and a backup's size and time. The server
// commits to the disk as a school's does. Not run by the tests (about half a minute).
//
//   class_load [--machines 30] [--rounds 1000]

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMutex>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <memory>

#include "classroom/round_sender.h"
#include "record/children.h"
#include "record/record_store.h"
#include "support/class_server.h"
#include "support/record_support.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const auto option = [&](const char* name, int fallback) {
        const qsizetype at = args.indexOf(QLatin1String(name));
        return at >= 0 ? args.value(at + 1).toInt() : fallback;
    };
    const int machines = option("--machines", 30);
    const int rounds = option("--rounds", 1000);
    if (!qEnvironmentVariableIsSet("KAZOE_SOURCE_DIR"))
        qputenv("KAZOE_SOURCE_DIR", KAZOE_SOURCE_DIR);

    ClassServer server(true);
    if (!server.why.isEmpty()) {
        std::fprintf(stderr, "no server: %s\n", qPrintable(server.why));
        return 1;
    }
    QTemporaryDir dir;
    const QString first = dir.filePath(QStringLiteral("machine-0.sqlite"));
    {
        FakeClock clock;
        RecordStore store(first, clock);
        store.open();
        Children children(store, clock);
        qint64 child = 0;
        children.add(QStringLiteral("けん"), QStringLiteral("p0.gif"), &child);
        for (int n = 0; n < rounds; ++n) {
            store.write(countedRound(child, n, 1 + n % 10));  // 1 to 10 characters
        }
    }
    QStringList paths{first};
    for (int m = 1; m < machines; ++m) {
        const QString path = dir.filePath(QStringLiteral("machine-%1.sqlite").arg(m));
        QFile::copy(first, path);
        RecordRows(path).run(QStringLiteral("UPDATE machine SET id = lower(hex(randomblob(16)))"));
        paths << path;
    }

    QMutex mutex;
    QSet<int> emptied;
    QElapsedTimer took;
    took.start();
    std::vector<std::unique_ptr<RoundSender>> senders;
    for (int m = 0; m < machines; ++m)
        senders.push_back(
            std::make_unique<RoundSender>(paths[m], server.link(), [&, m](const SendNews& news) {
                QMutexLocker lock(&mutex);
                if (news.kind == SendNews::Sent && news.waiting == 0)
                    emptied.insert(m);
                else if (news.kind != SendNews::Sent)
                    std::fprintf(stderr, "%s\n", qPrintable(news.detail));
            }));
    for (;;) {
        {
            QMutexLocker lock(&mutex);
            if (emptied.size() == machines)
                break;
        }
        if (took.elapsed() > 600000) {
            std::fprintf(stderr, "not done in ten minutes\n");
            return 1;
        }
        QThread::msleep(5);
    }
    const qint64 ms = took.elapsed();
    senders.clear();
    const QString found = server.one(QStringLiteral(
        "SELECT count(*) || ' rounds, ' || count(DISTINCT (machine, number)) || ' distinct, '"
        " || count(DISTINCT machine) || ' machines' FROM round"));
    std::printf("%d machines x %d rounds sent at once in %lld ms (%.0f rounds/s): %s\n", machines,
                rounds, ms, machines * rounds * 1000.0 / ms, qPrintable(found));
    // What the rounds take on the server, and a backup of them.
    std::printf(
        "%s\n",
        qPrintable(server.one(QStringLiteral(
            "SELECT 'per round: table ' || pg_table_size('round') / count(*) || ' bytes, indexes '"
            " || pg_indexes_size('round') / count(*) || ' bytes; touches, catches and answers '"
            " || avg(pg_column_size(touches) + pg_column_size(catches) + "
            "pg_column_size(answers))::int"
            " || ' bytes' FROM round"))));
    for (const QString& format : {QStringLiteral("-Fc"), QStringLiteral("-Fp")}) {
        QElapsedTimer dumping;
        dumping.start();
        QProcess dump;
        dump.start(QStringLiteral("pg_dump"),
                   {format, QStringLiteral("-h"), server.socketFolder(), QStringLiteral("-p"),
                    QString::number(server.port), QStringLiteral("-U"), QStringLiteral("postgres"),
                    QStringLiteral("kazoemashou")});
        dump.waitForFinished(600000);
        const qsizetype dumped = dump.readAllStandardOutput().size();
        std::printf("pg_dump %s: %lld bytes (%.0f per round) in %lld ms\n", qPrintable(format),
                    qlonglong(dumped), double(dumped) / (machines * rounds),
                    qlonglong(dumping.elapsed()));
    }
    return found.startsWith(QString::number(machines * rounds) + QStringLiteral(" rounds, ") +
                            QString::number(machines * rounds))
               ? 0
               : 1;
}
