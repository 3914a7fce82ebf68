#include "record/record_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QtEndian>

namespace RecordFile {

namespace {
// SQLite's primary result codes for a broken file: SQLITE_CORRUPT and SQLITE_NOTADB.
constexpr int kCorrupt = 11;
// SQLITE_BUSY and SQLITE_LOCKED: another connection holds the file longer than the wait.
constexpr int kBusy = 5;
constexpr int kLocked = 6;
constexpr int kNotADatabase = 26;
// The header's first 16 bytes, and where it keeps user_version (big-endian).
constexpr char kMagic[] = "SQLite format 3";
constexpr int kHeaderSize = 100;
constexpr int kUserVersionAt = 60;

}  // namespace

bool run(QSqlDatabase& db, const QString& statement, QSqlError* error) {
    QSqlQuery query(db);
    if (query.exec(statement))
        return true;
    *error = query.lastError();
    return false;
}

bool runPrepared(QSqlQuery& query, const QVariantList& values, QString* error) {
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values[i]);
    if (query.exec())
        return true;
    *error = query.lastError().text();
    return false;
}

QString defaultPath() {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return QDir(data).filePath(QStringLiteral("kazoemashou/record.sqlite"));
}

Header readHeader(const QString& path) {
    Header header;
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return header;
    // Only a regular file is opened: reading a named pipe would wait for a writer for ever.
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
        header.kind = Header::Unreadable;
        header.error = info.isDir()      ? QStringLiteral("a folder is in its place")
                       : !info.isFile() ? QStringLiteral("not a regular file")
                                         : file.errorString();
        return header;
    }
    const QByteArray bytes = file.read(kHeaderSize);
    if (bytes.isEmpty() && file.atEnd()) {
        header.kind = Header::Empty;
        return header;
    }
    if (bytes.size() < kHeaderSize || !bytes.startsWith(QByteArray(kMagic, sizeof kMagic))) {
        header.kind = Header::NotDatabase;
        return header;
    }
    header.version = int(qFromBigEndian<qint32>(bytes.constData() + kUserVersionAt));
    // No version of the game writes a negative version: such a database is another program's.
    header.kind = header.version < 0 ? Header::NotDatabase : Header::Database;
    return header;
}

QSqlDatabase connect(const QString& name, const QString& path, bool create, QSqlError* error) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(path);
    if (!create && !QFileInfo::exists(path)) {
        *error = QSqlError(QStringLiteral("the file is gone"), {}, QSqlError::ConnectionError);
    } else if (db.open()) {
        // In this order: a file that is not a database fails on the first pragma that reads it.
        if (run(db, QStringLiteral("PRAGMA busy_timeout = 5000"), error) &&
            run(db, QStringLiteral("PRAGMA foreign_keys = ON"), error) &&
            run(db, QStringLiteral("PRAGMA synchronous = FULL"), error)) {
            return db;
        }
    } else {
        *error = db.lastError();
    }
    db.close();
    return db;
}

void disconnect(const QString& name) {
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

namespace {
// SQLite's primary result code of an error, or -1. Extended codes carry it in their low byte.
int primaryCode(const QSqlError& error) {
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok) & 0xFF;
    return ok ? code : -1;
}
}  // namespace

bool isDamage(const QSqlError& error) {
    const int code = primaryCode(error);
    return code == kCorrupt || code == kNotADatabase;
}

bool isBusy(const QSqlError& error) {
    const int code = primaryCode(error);
    return code == kBusy || code == kLocked;
}

QString moveAside(const QString& path, const QString& stamp, QString* error) {
    const QString aside = path + QStringLiteral(".damaged-") + stamp;
    if (!QFile::rename(path, aside)) {
        *error = QFile(path).errorString();
        return {};
    }
    // The log and the shared memory belong to the moved file; a new file must not take them up.
    for (const char* suffix : {"-wal", "-shm"}) {
        QFile part(path + QLatin1String(suffix));
        if (part.exists() && !part.rename(aside + QLatin1String(suffix))) {
            *error = part.errorString();
            return {};
        }
    }
    return aside;
}

}  // namespace RecordFile
