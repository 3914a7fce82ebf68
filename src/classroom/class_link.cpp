#include "classroom/class_link.h"

#include <QStringList>

QSqlDatabase ClassLink::connection(const QString& name) const {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    db.setHostName(host);
    db.setPort(port);
    db.setDatabaseName(database);
    db.setUserName(user);
    // The password is read by libpq from the file, so it never passes through the game's memory
    // or a connection string.
    QStringList options{
        QStringLiteral("connect_timeout=5"), QStringLiteral("application_name=kazoemashou"),
        QStringLiteral("keepalives_idle=30"), QStringLiteral("passfile='%1'").arg(passwordFile)};
    if (sameMachine()) {
        options << QStringLiteral("sslmode=disable");
    } else {
        options << QStringLiteral("sslmode=verify-ca")
                << QStringLiteral("sslrootcert='%1'").arg(certificate);
    }
    db.setConnectOptions(options.join(QLatin1Char(';')));
    return db;
}
