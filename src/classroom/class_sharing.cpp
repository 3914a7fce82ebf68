#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

#include "classroom/sender_worker.h"
#include "record/record_writer.h"

// The children shared across the class, and the class's rounds fetched into the record.

namespace {

// A round of the class's record as the machine keeps it (without its child: the caller finds them).
RoundRecord roundFromClass(const QSqlQuery& row, const QStringList& settings) {
    RoundRecord r;
    r.beganAt = row.value(3).toLongLong();
    r.endedAt = row.value(4).toLongLong();
    r.cutShort = row.value(5).toInt() != 0;
    r.characters = row.value(6).toInt();
    GameSettings& g = r.settings;
    const auto setting = [&](int i) { return qint16(settings.value(i).toInt()); };
    g.countWay = setting(0);
    g.clickToCount = setting(1) != 0;
    g.mixedCharacters = setting(2) != 0;
    g.askHowManyPeople = setting(3) != 0;
    g.hidePointer = setting(4) != 0;
    g.blinkTime = setting(5);
    g.minCount = setting(6);
    g.maxCount = setting(7);
    const auto rows = [&](int column) {
        return QJsonDocument::fromJson(row.value(column).toString().toUtf8()).array();
    };
    for (const QJsonValue& c : rows(8)) {
        const QJsonArray v = c.toArray();
        r.catches << RoundRecord::Catch{v[0].toInt(), qint64(v[1].toDouble()),
                                        qint64(v[2].toDouble())};
    }
    for (const QJsonValue& t : rows(9)) {
        const QJsonArray v = t.toArray();
        r.touches << RoundRecord::Touch{v[0].toInt(),
                                        qint64(v[1].toDouble()),
                                        v[2].toInt(),
                                        v[3].toInt(),
                                        TouchKind(std::clamp(v[4].toInt(), 0, 3)),
                                        v[5].toInt()};
    }
    for (const QJsonValue& a : rows(10)) {
        const QJsonArray v = a.toArray();
        r.answers << RoundRecord::Answer{v[0].toInt(), qint64(v[1].toDouble()), v[2].toInt(),
                                         v[3].toInt(), v[4].toInt() != 0};
    }
    return r;
}

}  // namespace

bool SenderWorker::sendRemovals(QString* error) {
    QSqlDatabase local = QSqlDatabase::database(m_local, false);
    QSqlQuery removed(local);
    if (!removed.exec(QStringLiteral("SELECT shared_key, removed_at FROM removed_child"))) {
        *error = removed.lastError().text();
        return false;
    }
    QSqlQuery remove(QSqlDatabase::database(m_server, false));
    QSqlQuery forget(local);
    if (!remove.prepare(
            QStringLiteral("SELECT remove_child(CAST(? AS text), CAST(? AS bigint))")) ||
        !forget.prepare(QStringLiteral("DELETE FROM removed_child WHERE shared_key = ?"))) {
        *error = remove.lastError().text() + forget.lastError().text();
        return false;
    }
    while (removed.next()) {
        const QVariant key = removed.value(0);
        if (!RecordFile::runPrepared(remove, {key, removed.value(1)}, error) ||
            !RecordFile::runPrepared(forget, {key}, error))
            return false;
    }
    return true;
}

bool SenderWorker::shareChildren(bool* changed, QString* error) {
    QSqlDatabase local = QSqlDatabase::database(m_local, false);
    QSqlDatabase server = QSqlDatabase::database(m_server, false);
    QSqlQuery here(local), into(server);
    if (!here.exec(
            QStringLiteral("SELECT shared_key, name, mark, added_at, changed_at FROM child")) ||
        !into.prepare(kChildIntoClass)) {
        *error = here.lastError().text() + into.lastError().text();
        return false;
    }
    while (here.next()) {
        const QString key = here.value(0).toString();
        if (m_childrenKnown.value(key, -1) == here.value(4).toLongLong())
            continue;  // the class has them as they are
        if (!RecordFile::runPrepared(
                into, {key, here.value(1), here.value(2), here.value(3), here.value(4), key},
                error)) {
            if (!refusedForGood(into.lastError()))
                return false;
            error->clear();  // not taken as they are: their rounds are set aside as they go
        }
    }
    here = QSqlQuery(local);

    QSqlQuery classes(server), removed(server);
    if (!classes.exec(QStringLiteral("SELECT key, name, mark, added_at, changed_at FROM child")) ||
        !removed.exec(QStringLiteral("SELECT key FROM removed_child"))) {
        *error = classes.lastError().text() + removed.lastError().text();
        return false;
    }
    if (!local.transaction()) {
        *error = local.lastError().text();
        return false;
    }
    // A child removed in the class goes here too, with their rounds; a child of the class is
    // added here, or takes the class's name and mark when the class's change is the later.
    QSqlQuery remove(local), take(local);
    bool done =
        remove.prepare(QStringLiteral("DELETE FROM child WHERE shared_key = ?")) &&
        take.prepare(QStringLiteral(
            "INSERT INTO child (name, mark, added_at, shared_key, changed_at)"
            " VALUES (?, ?, ?, ?, ?) ON CONFLICT (shared_key) DO UPDATE SET name = excluded.name,"
            " mark = excluded.mark, changed_at = excluded.changed_at"
            " WHERE excluded.changed_at > child.changed_at"));
    int changes = 0;
    while (done && removed.next()) {
        done = RecordFile::runPrepared(remove, {removed.value(0)}, error);
        changes += remove.numRowsAffected() > 0 ? 1 : 0;
    }
    QHash<QString, qint64> known;
    while (done && classes.next()) {
        const QString key = classes.value(0).toString();
        known.insert(key, classes.value(4).toLongLong());
        done = RecordFile::runPrepared(
            take, {classes.value(1), classes.value(2), classes.value(3), key, classes.value(4)},
            error);
        changes += take.numRowsAffected() > 0 ? 1 : 0;
    }
    remove = QSqlQuery(local);
    take = QSqlQuery(local);
    if (!endTransaction(local, done, error))
        return false;
    m_childrenKnown = known;
    *changed = changes > 0;
    return true;
}

bool SenderWorker::fetchRounds(int* fetched, QString* error) {
    *fetched = 0;
    QSqlDatabase local = QSqlDatabase::database(m_local, false);
    QSqlDatabase server = QSqlDatabase::database(m_server, false);
    if (!m_fetchFrom) {
        QSqlQuery latest(local);
        if (!latest.exec(QStringLiteral("SELECT max(tx) FROM class_round")) || !latest.next()) {
            *error = latest.lastError().text();
            return false;
        }
        m_fetchFrom = FetchedUpTo{latest.value(0).toLongLong(), {}, 0};
    }
    // Up to the oldest transaction still running: a round whose batch is still on its way is
    // never passed over, however long its commit takes.
    QSqlQuery page(server);
    if (!page.prepare(QStringLiteral(
            "SELECT machine, number, child_key, began_at, ended_at, cut_short::int, characters,"
            " array_to_string(settings, ','), catches::text, touches::text, answers::text,"
            " CAST(extract(epoch FROM received_at) * 1000000 AS bigint),"
            " CAST(CAST(tx AS text) AS bigint)"
            " FROM round WHERE machine <> CAST(? AS text)"
            " AND tx < pg_snapshot_xmin(pg_current_snapshot())"
            " AND (tx, machine, number) > (CAST(CAST(CAST(? AS bigint) AS text) AS xid8),"
            "  CAST(? AS text), CAST(? AS bigint))"
            " ORDER BY tx, machine, number LIMIT CAST(? AS integer)")) ||
        !RecordFile::runPrepared(page,
                                 {m_machine, m_fetchFrom->tx, m_fetchFrom->machine,
                                  m_fetchFrom->number, kFetchPage},
                                 error))
        return false;
    if (!local.transaction()) {
        *error = local.lastError().text();
        return false;
    }
    QSqlQuery child(local), known(local), unqueue(local), mark(local);
    RoundRows rows(local);
    bool done = rows.prepare(error) &&
                child.prepare(QStringLiteral("SELECT id FROM child WHERE shared_key = ?")) &&
                known.prepare(
                    QStringLiteral("SELECT 1 FROM class_round WHERE machine = ? AND number = ?")) &&
                unqueue.prepare(QStringLiteral("DELETE FROM send_queue WHERE round_id = ?")) &&
                mark.prepare(QStringLiteral(
                    "INSERT INTO class_round (round_id, machine, number, received_us, tx)"
                    " VALUES (?, ?, ?, ?, ?)"));
    FetchedUpTo last = *m_fetchFrom;
    while (done && page.next()) {
        done = RecordFile::runPrepared(known, {page.value(0), page.value(1)}, error) &&
               RecordFile::runPrepared(child, {page.value(2)}, error);
        const bool before = done && known.next();
        const bool childHere = done && child.next();
        const qint64 childId = childHere ? child.value(0).toLongLong() : 0;
        known.finish();
        child.finish();
        // Every round on the server has its child there: one not here yet came to the class
        // since the children were shared (or was removed here, and goes from the class at the next
        // try). The fetch stops before it, to go on once the children are shared again.
        if (done && !before && !childHere) {
            m_childNotYetHere = true;
            break;
        }
        last = {page.value(12).toLongLong(), page.value(0).toString(), page.value(1).toLongLong()};
        if (!done || before)
            continue;
        RoundRecord round = roundFromClass(page, page.value(7).toString().split(QLatin1Char(',')));
        round.childId = childId;
        const QVariant id = rows.insert(round, error);
        // Played elsewhere: not this machine's to send.
        done = id.isValid() && RecordFile::runPrepared(unqueue, {id}, error) &&
               RecordFile::runPrepared(mark, {id, last.machine, last.number, page.value(11),
                                              last.tx},
                                       error);
        *fetched += done ? 1 : 0;
    }
    known = QSqlQuery();
    child = QSqlQuery();
    unqueue = QSqlQuery();
    mark = QSqlQuery();
    if (!endTransaction(local, done, error))
        return false;
    m_fetchFrom = last;
    return true;
}
