#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

// The record's file on disk, below SQLite: what its header says, the connections to it, and moving
// a damaged one aside.
namespace RecordFile {

// The record's file in the user's own data folder: "kazoemashou/record.sqlite" in
// $XDG_DATA_HOME (by default ~/.local/share), or the platform's like of it.
QString defaultPath();

// What the file's first bytes say, read without SQLite, so that a file of a newer game is never
// opened for writing. Read once, before any connection to the file: closing a file opened outside
// SQLite drops every lock the process holds on it, and another program may then take the
// write-ahead log away from under the game's connection.
struct Header {
    enum Kind {
        Missing,      // no file
        Empty,        // an empty file: version 0
        Database,     // an SQLite database of version `version`
        NotDatabase,  // something else, a database cut short, or another program's (version < 0)
        Unreadable,   // it cannot be read (permissions, a folder in its place)
    } kind = Missing;
    int version = 0;
    QString error;
};
Header readHeader(const QString& path);

// A new connection named `name` to `path`, set up as every connection of the record is: foreign
// keys enforced, a wait when the other connection writes, and each commit on the disk before it
// returns (with WAL: a power cut loses at most the round that was being played). Creates the
// file when `create`. A connection that fails is closed and `error` says why.
QSqlDatabase connect(const QString& name, const QString& path, bool create, QSqlError* error);
// Runs one statement; false and `error` when it fails.
bool run(QSqlDatabase& db, const QString& statement, QSqlError* error);
// Runs a prepared statement with `values` bound in order; false and the driver's words when it
// fails. (Any driver's statement: the class's sender runs the server's with it too.)
bool runPrepared(QSqlQuery& query, const QVariantList& values, QString* error);
// Closes and forgets the connection (every query on it must be gone).
void disconnect(const QString& name);

// Whether an error means the file's content is broken (as opposed to unwritable or busy).
bool isDamage(const QSqlError& error);
// Whether an error means another program holds the file for now.
bool isBusy(const QSqlError& error);

// Moves the damaged file (and its write-ahead log) aside to "<path>.damaged-<date-time>", and
// returns the new path; empty when it could not be moved (`error` says why).
QString moveAside(const QString& path, const QString& stamp, QString* error);

}  // namespace RecordFile
