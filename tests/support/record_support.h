#pragma once

// The record's helper for every test: a connection of the test's own that reads (or puts in by
// hand) the rows the game wrote. Its clock is FakeClock (support/fakes.h). Header-only: the tests that use it link
// QtSql themselves.

#include <QAtomicInteger>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QVariant>

#include "record/round_record.h"
#include "support/fakes.h"

// A finished round of `characters` characters, caught and counted one by one from the left, the
// first card one too many and the second right; the n-th of a series, a minute apart.
inline RoundRecord countedRound(qint64 child, int n, int characters = 3) {
    RoundRecord r;
    r.childId = child;
    r.beganAt = FakeClock::kEpoch + n * 60000;
    r.endedAt = r.beganAt + 20000;
    r.characters = characters;
    for (int place = 0; place < characters; ++place) {
        r.catches << RoundRecord::Catch{place, 1000 + place * 500, 400};
        r.touches << RoundRecord::Touch{place, 5000 + place * 300, 1, place, TouchKind::Counted,
                                        place + 1};
    }
    r.answers << RoundRecord::Answer{characters, 7000, 1, characters + 1, false}
              << RoundRecord::Answer{characters + 1, 8000, 2, characters, true};
    return r;
}

// A connection of the test's own to the record's file, open while it lives.
class RecordRows {
public:
    explicit RecordRows(const QString& path)
        : m_name(QStringLiteral("test rows %1").arg(next().fetchAndAddRelaxed(1))) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        db.open();
    }
    ~RecordRows() {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    RecordRows(const RecordRows&) = delete;
    RecordRows& operator=(const RecordRows&) = delete;

    // Every row of `sql`, its columns joined by spaces (NULL as "-"); SQLite's error as the only
    // row when it fails, so that a comparison names the problem.
    QStringList rows(const QString& sql) const {
        QStringList all;
        QSqlQuery query(QSqlDatabase::database(m_name));
        if (!query.exec(sql))
            return {QStringLiteral("cannot read: ") + query.lastError().text()};
        while (query.next()) {
            QStringList columns;
            for (int i = 0; i < query.record().count(); ++i)
                columns << (query.isNull(i) ? QStringLiteral("-") : query.value(i).toString());
            all << columns.join(QLatin1Char(' '));
        }
        return all;
    }
    QString one(const QString& sql) const { return rows(sql).value(0); }
    // Runs a statement that returns no rows; false when it fails.
    bool run(const QString& sql) const {
        QSqlQuery query(QSqlDatabase::database(m_name));
        return query.exec(sql);
    }

private:
    static QAtomicInteger<int>& next() {
        static QAtomicInteger<int> counter;
        return counter;
    }
    QString m_name;
};
