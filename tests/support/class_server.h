#pragma once

// A real PostgreSQL server of the test's own, set up as scripts/classroom_server.sh sets up the
// school's: a cluster made by initdb in a temporary folder, TLS with a certificate made by the
// script, the class's tables and roles by the script, reached on 127.0.0.1 at a free port (and by
// the test itself, as the server's superuser, on the socket in that folder). initdb refuses root:
// as root the server runs as KAZOE_WAYLAND_USER (scripts/test.sh makes "kazoe-wayland").
// Header-only: its tests link kazoe_classroom and Qt6::Network.

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSslCertificate>
#include <QStringList>
#include <QTcpServer>
#include <QTemporaryDir>

#include <unistd.h>

#include "classroom/class_link.h"
#include "support/paths.h"

class ClassServer {
public:
    static constexpr const char* kGamePassword = "game-pass-1234";

    // `durable`: each commit on the disk, as on a school's server (the tests do without).
    explicit ClassServer(bool durable = false) : m_durable(durable) {
        const QStringList versions = QDir(QStringLiteral("/usr/lib/postgresql"))
                                         .entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        for (const QString& v : versions) {
            const QString bin = QStringLiteral("/usr/lib/postgresql/%1/bin").arg(v);
            if (QFile::exists(bin + QStringLiteral("/initdb")))
                m_bin = bin;
        }
        if (m_bin.isEmpty()) {
            why = QStringLiteral("no PostgreSQL server here (apt-get install postgresql)");
            return;
        }
        m_user = ::geteuid() == 0
                     ? qEnvironmentVariable("KAZOE_WAYLAND_USER", QStringLiteral("kazoe-wayland"))
                     : QString();
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        port = probe.serverPort();
        probe.close();
        const QString dir = m_dir.path();
        const QString data = dir + QStringLiteral("/data");
        if (!m_user.isEmpty() &&
            !run({QStringLiteral("bash"), QStringLiteral("-c"),
                  QStringLiteral("id %1 >/dev/null 2>&1 || useradd --system --user-group"
                                 " --home-dir /nonexistent --shell /usr/sbin/nologin %1;"
                                 " chown %1 %2")
                      .arg(m_user, dir)},
                 false))
            return;
        m_script = sourceFolder() +
                   QStringLiteral("/scripts/classroom_server.sh");
        if (!m_user.isEmpty() && !copyKitForTheServersUser())
            return;
        if (!run({m_bin + QStringLiteral("/initdb"), QStringLiteral("-D"), data,
                  QStringLiteral("-U"), QStringLiteral("postgres"),
                  QStringLiteral("--auth-local=trust"), QStringLiteral("-E"),
                  QStringLiteral("UTF8"), QStringLiteral("--locale=C.UTF-8"),
                  QStringLiteral("--no-sync")}) ||
            !run({QStringLiteral("bash"), script(), QStringLiteral("certificate"), dir,
                  QStringLiteral("127.0.0.1")}))
            return;
        QFile hba(data + QStringLiteral("/pg_hba.conf"));
        if (!hba.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            hba.write("local all all trust\n"
                      "hostssl all all 127.0.0.1/32 scram-sha-256\n") < 0)
            return;
        hba.close();
        if (!start())
            return;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PGHOST"), dir);
        env.insert(QStringLiteral("PGPORT"), QString::number(port));
        env.insert(QStringLiteral("PGUSER"), QStringLiteral("postgres"));
        if (!run({QStringLiteral("bash"), script(), QStringLiteral("schema"),
                  QStringLiteral("kazoemashou"), QLatin1String(kGamePassword),
                  QStringLiteral("teacher-pass")},
                 true, env))
            return;
        why.clear();
    }
    ~ClassServer() {
        if (!m_bin.isEmpty())
            stop();
    }
    ClassServer(const ClassServer&) = delete;
    ClassServer& operator=(const ClassServer&) = delete;

    // Empty once the server runs; else why it does not.
    QString why = QStringLiteral("not started");
    int port = 0;

    bool start() {
        const QString dir = m_dir.path();
        return run({m_bin + QStringLiteral("/pg_ctl"), QStringLiteral("-D"),
                    dir + QStringLiteral("/data"), QStringLiteral("-w"), QStringLiteral("-l"),
                    dir + QStringLiteral("/log"), QStringLiteral("-o"),
                    QStringLiteral("-k %1 -p %2 -c listen_addresses=127.0.0.1 -c ssl=on"
                                   " -c ssl_cert_file=%1/classroom.crt"
                                   " -c ssl_key_file=%1/classroom.key -c fsync=%3")
                        .arg(dir)
                        .arg(port)
                        .arg(m_durable ? QStringLiteral("on") : QStringLiteral("off")),
                    QStringLiteral("start")});
    }
    bool stop() {
        return run({m_bin + QStringLiteral("/pg_ctl"), QStringLiteral("-D"),
                    m_dir.path() + QStringLiteral("/data"), QStringLiteral("-w"),
                    QStringLiteral("-m"), QStringLiteral("fast"), QStringLiteral("stop")});
    }

    // The link a joined machine has: the game's role, a password file with `password`, the
    // server's certificate (or `certificate`, another one).
    ClassLink link(const QString& password = QLatin1String(kGamePassword),
                   const QString& certificate = {}) {
        const QString passFile = m_dir.path() + QStringLiteral("/pgpass-%1").arg(m_links++);
        QFile file(passFile);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(QStringLiteral("127.0.0.1:%1:kazoemashou:kazoemashou_game:%2\n")
                           .arg(port)
                           .arg(password)
                           .toUtf8());
            file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        }
        return {
            QStringLiteral("127.0.0.1"),
            port,
            QStringLiteral("kazoemashou"),
            QStringLiteral("kazoemashou_game"),
            passFile,
            certificate.isEmpty() ? m_dir.path() + QStringLiteral("/classroom.crt") : certificate};
    }
    // The connection code the server's set-up prints, for the game's role with `password`.
    QString code(const QString& password = QLatin1String(kGamePassword)) const {
        QFile pem(m_dir.path() + QStringLiteral("/classroom.crt"));
        pem.open(QIODevice::ReadOnly);
        const QString fingerprint =
            QString::fromLatin1(QCryptographicHash::hash(QSslCertificate(pem.readAll()).toDer(),
                                                         QCryptographicHash::Sha256)
                                    .toHex()
                                    .left(16));
        return QStringLiteral("127.0.0.1:%1/kazoemashou/%2/%3")
            .arg(port)
            .arg(password, fingerprint);
    }
    // A certificate of another server, made in `folder` (as classroom.crt).
    bool otherCertificate(const QString& folder) {
        return run({QStringLiteral("bash"), script(), QStringLiteral("certificate"), folder,
                    QStringLiteral("127.0.0.1")},
                   false);
    }

    // Every row of `sql` in the class's database, as the server's superuser reads it: columns
    // joined by "|"; psql's error as the only row when it fails.
    QStringList rows(const QString& sql) const {
        QProcess psql;
        psql.start(QStringLiteral("psql"),
                   {QStringLiteral("-X"), QStringLiteral("-qtA"), QStringLiteral("-h"),
                    m_dir.path(), QStringLiteral("-p"), QString::number(port), QStringLiteral("-U"),
                    QStringLiteral("postgres"), QStringLiteral("-d"), QStringLiteral("kazoemashou"),
                    QStringLiteral("-c"), sql});
        psql.waitForFinished(30000);
        if (psql.exitCode() != 0)
            return {QString::fromUtf8(psql.readAllStandardError()).trimmed()};
        return QString::fromUtf8(psql.readAllStandardOutput())
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    QString one(const QString& sql) const { return rows(sql).value(0); }
    // The folder of the server's socket (the superuser's way in, for psql and pg_dump).
    QString socketFolder() const { return m_dir.path(); }

private:
    QString script() const { return m_script; }
    // The server's user may not read the checkout (a clone in root's home, say): the script and
    // its tables are copied into the test's folder, which is that user's.
    bool copyKitForTheServersUser() {
        const QString source = sourceFolder();
        const QDir kit(m_dir.filePath(QStringLiteral("kit")));
        const QDir tables(kit.filePath(QStringLiteral("dist/classroom")));
        bool done =
            QDir().mkpath(kit.filePath(QStringLiteral("scripts"))) &&
            QDir().mkpath(tables.path()) &&
            QFile::copy(m_script, kit.filePath(QStringLiteral("scripts/classroom_server.sh")));
        const QDir sourceTables(source + QStringLiteral("/dist/classroom"));
        for (const QString& file : sourceTables.entryList(QDir::Files))
            done = done && QFile::copy(sourceTables.filePath(file), tables.filePath(file));
        if (!done) {
            why = QStringLiteral("could not copy the server's script for %1").arg(m_user);
            return false;
        }
        m_script = kit.filePath(QStringLiteral("scripts/classroom_server.sh"));
        return true;
    }
    // Runs a command, as the server's user when `asServer`; false (and why) when it fails.
    bool run(QStringList command, bool asServer = true,
             const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
        if (asServer && !m_user.isEmpty())
            command = QStringList{QStringLiteral("runuser"), QStringLiteral("-u"), m_user,
                                  QStringLiteral("--")} +
                      command;
        QProcess process;
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(QDir::tempPath());
        process.start(command.takeFirst(), command);
        if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit &&
            process.exitCode() == 0)
            return true;
        why = QStringLiteral("%1 failed: %2")
                  .arg(command.value(0), QString::fromUtf8(process.readAllStandardError()));
        return false;
    }

    bool m_durable = false;
    QString m_bin;
    QString m_user;    // the server's user when the test runs as root
    QString m_script;  // scripts/classroom_server.sh, or its copy for m_user
    QTemporaryDir m_dir;
    int m_links = 0;
};
