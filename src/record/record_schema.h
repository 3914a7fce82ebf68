#pragma once

#include <QString>

class QSqlDatabase;

// The record's tables and the kinds of mistake derived from them, built by numbered migrations.
// A file's version is SQLite's user_version: 0 for an empty file, then the number of migrations
// applied. docs/record.md describes the tables and the mistakes for readers of the record.
namespace RecordSchema {

// The version this game writes: the number of migrations.
int latestVersion();

enum class Outcome {
    Migrated,  // the file is at latestVersion() now (it may have been already)
    Newer,     // written by a newer game: nothing was changed
    Failed,    // a migration failed and was rolled back; `error` says why
};
// Brings the open database from its version to the latest, each migration in a transaction of
// its own, so that a failure leaves the file at the last version reached.
Outcome migrate(QSqlDatabase& db, QString* error);

// Applies only the migrations up to `version` (tests build every earlier version with it).
Outcome migrateTo(QSqlDatabase& db, int version, QString* error);

// The file's version as SQLite reads it; -1 when it cannot be read.
int versionOf(QSqlDatabase& db, QString* error = nullptr);

}  // namespace RecordSchema
