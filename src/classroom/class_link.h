#pragma once

#include <QSqlDatabase>
#include <QString>

// Where the class's record is and how the machine proves itself there: the server, the game's
// role, the password file (kept as PostgreSQL's clients keep one: readable by the user only, never
// in a log or a message) and the server's certificate, pinned.
struct ClassLink {
    QString host;
    int port = 5432;
    QString database;
    QString user;
    QString passwordFile;  // a pgpass file: host:port:database:user:password
    QString certificate;   // the server's certificate (PEM), the only one trusted

    bool joined() const { return !host.isEmpty(); }
    // A server on this machine reached through its socket folder (host is that folder) needs no
    // TLS; any server reached over the network, the loopback too, only over TLS, its certificate
    // checked against the pinned one.
    bool sameMachine() const { return host.startsWith(QLatin1Char('/')); }

    // A new connection named `name` (not yet opened) to the class's record.
    QSqlDatabase connection(const QString& name) const;
};

// The version of the class's tables this game knows (dist/classroom/NNN_*.sql): a server of a
// newer version is not written to, nor one of an older version (its set-up is run again).
constexpr int kClassSchemaVersion = 2;
