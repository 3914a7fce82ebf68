#include "classroom/round_sender.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QThread>
#include <QTimer>
#include <QVariant>

#include <algorithm>
#include <optional>
#include <utility>

#include "record/record_file.h"
#include "record/record_writer.h"

namespace {

// The touch kinds as the class's record keeps them (small numbers instead of words).
int kindNumber(const QString& kind) {
    static const QStringList kinds{QStringLiteral("counted"), QStringLiteral("out_of_order"),
                                   QStringLiteral("repeat"), QStringLiteral("ignored")};
    return int(kinds.indexOf(kind));
}

// Each row of a local query as a JSON array of its columns (NULL as null).
QString rowsAsJson(QSqlQuery& query, int columns) {
    QJsonArray all;
    while (query.next()) {
        QJsonArray row;
        for (int i = 0; i < columns; ++i) {
            const QVariant v = query.value(i);
            if (v.isNull())
                row.append(QJsonValue());
            else if (v.typeId() == QMetaType::QString)
                row.append(kindNumber(v.toString()));
            else
                row.append(v.toLongLong());
        }
        all.append(row);
    }
    return QString::fromUtf8(QJsonDocument(all).toJson(QJsonDocument::Compact));
}

// What a failed connection means for the adult.
SendNews::Kind kindOf(const QSqlError& error) {
    const QString words = error.text();
    if (words.contains(QLatin1String("certificate")) || words.contains(QLatin1String("SSL")))
        return SendNews::Certificate;
    if (words.contains(QLatin1String("password")) || words.contains(QLatin1String("pg_hba")) ||
        error.nativeErrorCode().startsWith(QLatin1String("28")))
        return SendNews::Refused;
    return SendNews::Away;
}

// Opens the connection `name` to the class's record and checks the version of its tables; false
// and what is wrong otherwise (the connection is then left closed).
bool openClass(const ClassLink& link, const QString& name, SendNews* news) {
    QSqlDatabase db = link.connection(name);
    if (!db.open()) {
        news->kind = kindOf(db.lastError());
        news->detail = db.lastError().text();
        return false;
    }
    QSqlQuery version(db);
    if (!version.exec(QStringLiteral("SELECT version FROM schema_version")) || !version.next()) {
        news->kind = SendNews::Failed;
        news->detail = version.lastError().text();
    } else if (version.value(0).toInt() > kClassSchemaVersion) {
        news->kind = SendNews::Newer;
        news->detail = QStringLiteral("version %1").arg(version.value(0).toInt());
    } else {
        return true;
    }
    version = QSqlQuery();
    db.close();
    return false;
}

// A child as a machine knows them, into the class: a removed child is not brought back, and of two
// changes the later stays.
const QString kChildIntoClass = QStringLiteral(
    "INSERT INTO child (key, name, mark, added_at, changed_at)"
    " SELECT CAST(? AS text), CAST(? AS text), CAST(? AS text), CAST(? AS bigint),"
    "  CAST(? AS bigint) WHERE NOT EXISTS"
    "  (SELECT 1 FROM removed_child WHERE key = CAST(? AS text))"
    " ON CONFLICT (key) DO UPDATE SET name = EXCLUDED.name, mark = EXCLUDED.mark,"
    "  changed_at = EXCLUDED.changed_at WHERE child.changed_at < EXCLUDED.changed_at");

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

// One round as it goes to the server.
struct Outgoing {
    qint64 number = 0;
    QString child;
    QVariantList values;  // the round's columns after the machine and the number
};

}  // namespace

// The sender's side: its two connections (the local record and the server) and its timer, touched
// only on the sender's thread.
class SenderWorker : public QObject {
public:
    SenderWorker(const QString& recordPath, const ClassLink& link, RoundSender::Told told,
                 RoundSender::Pacing pacing)
        : m_recordPath(recordPath),
          m_link(link),
          m_told(std::move(told)),
          m_pacing(pacing),
          m_local(QStringLiteral("kazoemashou-sender-local-%1").arg(quintptr(this))),
          m_server(QStringLiteral("kazoemashou-sender-server-%1").arg(quintptr(this))),
          m_retryMs(pacing.firstRetryMs) {}

    void trySend();
    // Soon rather than at once: the round that was just handed to the record's writer is in its
    // file a moment later.
    void sendNow() {
        if (!m_waitingAfterFailure)
            lookAgainIn(kSoonMs);
    }
    static constexpr int kSoonMs = 300;
    void stop() {
        delete m_timer;
        m_timer = nullptr;
        disconnectServer();
        if (QSqlDatabase::contains(m_local))
            RecordFile::disconnect(m_local);
    }

private:
    bool connectLocal();
    bool connectServer(SendNews* news);
    void disconnectServer() {
        if (QSqlDatabase::contains(m_server)) {
            QSqlDatabase::database(m_server, false).close();
            QSqlDatabase::removeDatabase(m_server);
        }
    }
    bool sendRemovals(QString* error);
    // The rounds of the class's other machines that arrived since the last fetch come into the
    // record (one page of them); `fetched`: how many.
    bool fetchRounds(int* fetched, QString* error);
    // Children changed here go to the class, the class's come here; `changed` when any came.
    bool shareChildren(bool* changed, QString* error);
    // Sends the next batch; `sent` is 0 when the queue was empty.
    bool sendBatch(int* sent, QString* error);
    QList<Outgoing> nextBatch(QString* error);
    int waiting();
    void failed(SendNews news);
    void lookAgainIn(int ms) {
        if (m_timer == nullptr) {
            m_timer = new QTimer(this);
            m_timer->setSingleShot(true);
            connect(m_timer, &QTimer::timeout, this, [this] { trySend(); });
        }
        m_timer->start(ms);
    }

    QString m_recordPath;
    ClassLink m_link;
    RoundSender::Told m_told;
    RoundSender::Pacing m_pacing;
    QString m_local;
    QString m_server;
    QString m_machine;
    // Where the fetch of the class's rounds has reached: the last one's arrival and key.
    struct FetchedUpTo {
        qint64 us = 0;
        QString machine;
        qint64 number = 0;
    };
    std::optional<FetchedUpTo> m_fetchFrom;
    static constexpr int kFetchPage = 500;
    QHash<QString, qint64> m_childrenKnown;  // each child's key and stamp, as the class has them
    bool m_continuing = false;               // the next batch of a try: children shared already
    QTimer* m_timer = nullptr;
    int m_retryMs;
    bool m_waitingAfterFailure = false;
};

void SenderWorker::trySend() {
    m_waitingAfterFailure = false;
    if (!connectLocal()) {
        lookAgainIn(m_pacing.lookAgainMs);  // no record yet, or not of this version yet
        return;
    }
    SendNews news;
    if (!connectServer(&news)) {
        failed(news);
        return;
    }
    int sent = 0, fetched = 0;
    const bool continuing = std::exchange(m_continuing, false);
    if ((!continuing &&
         (!sendRemovals(&news.detail) || !shareChildren(&news.childrenChanged, &news.detail))) ||
        !sendBatch(&sent, &news.detail) || (sent == 0 && !fetchRounds(&fetched, &news.detail))) {
        const bool lost = !QSqlDatabase::database(m_server, false).isOpen() ||
                          QSqlDatabase::database(m_server, false).lastError().type() ==
                              QSqlError::ConnectionError ||
                          news.detail.contains(QLatin1String("connection"));
        news.kind = lost ? SendNews::Away : SendNews::Failed;
        failed(news);
        return;
    }
    m_retryMs = m_pacing.firstRetryMs;
    news.rounds = sent;
    news.fetched = fetched;
    news.waiting = waiting();
    if (m_told)
        m_told(news);
    if (sent == 0 && fetched == 0) {
        lookAgainIn(m_pacing.lookAgainMs);
        return;
    }
    m_continuing = true;
    // The next batch after whatever was asked meanwhile (a stop).
    QMetaObject::invokeMethod(
        this, [this] { trySend(); }, Qt::QueuedConnection);
}

void SenderWorker::failed(SendNews news) {
    disconnectServer();
    news.waiting = waiting();
    if (m_told)
        m_told(news);
    m_waitingAfterFailure = true;
    lookAgainIn(m_retryMs);
    m_retryMs = std::min(m_retryMs * 2, m_pacing.longestRetryMs);
}

bool SenderWorker::connectLocal() {
    if (QSqlDatabase::contains(m_local))
        return true;
    QSqlError error;
    QSqlDatabase db = RecordFile::connect(m_local, m_recordPath, false, &error);
    QSqlQuery machine(db);
    if (db.isOpen() && machine.exec(QStringLiteral("SELECT id FROM machine")) && machine.next()) {
        m_machine = machine.value(0).toString();
        return true;
    }
    machine = QSqlQuery();
    RecordFile::disconnect(m_local);
    return false;
}

bool SenderWorker::connectServer(SendNews* news) {
    if (QSqlDatabase::contains(m_server) && QSqlDatabase::database(m_server, false).isOpen())
        return true;
    disconnectServer();
    return openClass(m_link, m_server, news);
}

int SenderWorker::waiting() {
    QSqlQuery count(QSqlDatabase::database(m_local, false));
    return count.exec(QStringLiteral("SELECT count(*) FROM send_queue")) && count.next()
               ? count.value(0).toInt()
               : -1;
}

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
                error))
            return false;
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
    if (!done || !local.commit()) {
        if (done)
            *error = local.lastError().text();
        local.rollback();
        return false;
    }
    m_childrenKnown = known;
    *changed = changes > 0;
    return true;
}

bool SenderWorker::fetchRounds(int* fetched, QString* error) {
    *fetched = 0;
    QSqlDatabase local = QSqlDatabase::database(m_local, false);
    QSqlDatabase server = QSqlDatabase::database(m_server, false);
    // Where the last page ended; a new fetch starts a minute before the latest round fetched, for
    // a batch whose transaction began before that round's but ended after it.
    if (!m_fetchFrom) {
        QSqlQuery latest(local);
        if (!latest.exec(QStringLiteral("SELECT max(received_us) FROM class_round")) ||
            !latest.next()) {
            *error = latest.lastError().text();
            return false;
        }
        m_fetchFrom =
            FetchedUpTo{std::max<qint64>(0, latest.value(0).toLongLong() - 60000000), {}, 0};
    }
    QSqlQuery page(server);
    if (!page.prepare(QStringLiteral(
            "SELECT machine, number, child_key, began_at, ended_at, cut_short::int, characters,"
            " array_to_string(settings, ','), catches::text, touches::text, answers::text,"
            " CAST(extract(epoch FROM received_at) * 1000000 AS bigint) AS us"
            " FROM round WHERE machine <> CAST(? AS text)"
            " AND received_at >= to_timestamp(CAST(? AS bigint) / 1000000.0) - interval '1 second'"
            " AND (CAST(extract(epoch FROM received_at) * 1000000 AS bigint), machine, number)"
            "  > (CAST(? AS bigint), CAST(? AS text), CAST(? AS bigint))"
            " ORDER BY received_at, machine, number LIMIT CAST(? AS integer)")) ||
        !RecordFile::runPrepared(page,
                                 {m_machine, m_fetchFrom->us, m_fetchFrom->us, m_fetchFrom->machine,
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
                    "INSERT INTO class_round (round_id, machine, number, received_us)"
                    " VALUES (?, ?, ?, ?)"));
    int seen = 0;
    FetchedUpTo last = *m_fetchFrom;
    while (done && page.next()) {
        ++seen;
        last = {page.value(11).toLongLong(), page.value(0).toString(), page.value(1).toLongLong()};
        done = RecordFile::runPrepared(known, {page.value(0), page.value(1)}, error) &&
               RecordFile::runPrepared(child, {page.value(2)}, error);
        // Fetched before, or of a child removed here: left out.
        const bool leftOut = !done || known.next() || !child.next();
        const qint64 childId = leftOut ? 0 : child.value(0).toLongLong();
        known.finish();
        child.finish();
        if (leftOut)
            continue;
        RoundRecord round = roundFromClass(page, page.value(7).toString().split(QLatin1Char(',')));
        round.childId = childId;
        const QVariant id = rows.insert(round, error);
        // Played elsewhere: not this machine's to send.
        done = id.isValid() && RecordFile::runPrepared(unqueue, {id}, error) &&
               RecordFile::runPrepared(mark, {id, last.machine, last.number, last.us}, error);
        *fetched += done ? 1 : 0;
    }
    known = QSqlQuery();
    child = QSqlQuery();
    unqueue = QSqlQuery();
    mark = QSqlQuery();
    if (!done || !local.commit()) {
        if (done)
            *error = local.lastError().text();
        local.rollback();
        return false;
    }
    m_fetchFrom = last;
    if (seen < kFetchPage)
        m_fetchFrom.reset();  // all fetched: the next fetch starts again a minute back
    return true;
}

QList<Outgoing> SenderWorker::nextBatch(QString* error) {
    QSqlDatabase local = QSqlDatabase::database(m_local, false);
    QSqlQuery rounds(local), catches(local), touches(local), answers(local);
    const bool prepared =
        rounds.prepare(QStringLiteral(
            "SELECT q.number, q.round_id, c.shared_key, c.name, c.mark, c.added_at,"
            " c.changed_at, r.began_at, r.ended_at, r.cut_short, r.characters, r.count_way,"
            " r.click_to_count, r.mixed_characters, r.ask_how_many_people, r.hide_pointer,"
            " r.blink_time, r.min_count, r.max_count"
            " FROM send_queue q JOIN round r ON r.id = q.round_id"
            " JOIN child c ON c.id = r.child_id ORDER BY q.number LIMIT ?")) &&
        catches.prepare(QStringLiteral(
            "SELECT place, at_ms, took_ms FROM catch WHERE round_id = ? ORDER BY at_ms")) &&
        touches.prepare(QStringLiteral("SELECT seq, at_ms, pass, place, kind, number FROM touch"
                                       " WHERE round_id = ? ORDER BY seq")) &&
        answers.prepare(QStringLiteral("SELECT seq, at_ms, attempt, card, right FROM answer"
                                       " WHERE round_id = ? ORDER BY seq"));
    QList<Outgoing> batch;
    if (!prepared || !RecordFile::runPrepared(rounds, {m_pacing.batch}, error)) {
        if (error->isEmpty())
            *error = rounds.lastError().text();
        return batch;
    }
    while (rounds.next()) {
        Outgoing round;
        round.number = rounds.value(0).toLongLong();
        round.child = rounds.value(2).toString();
        const QVariant id = rounds.value(1);
        QStringList settings;
        for (int i = 11; i <= 18; ++i)
            settings << rounds.value(i).toString();
        round.values = {
            rounds.value(2),  // the child, then the child's own columns
            rounds.value(3),  rounds.value(4),
            rounds.value(5),  rounds.value(6),
            rounds.value(7),  // the round's
            rounds.value(8),  rounds.value(9).toBool(),
            rounds.value(10), QStringLiteral("{%1}").arg(settings.join(QLatin1Char(',')))};
        for (QSqlQuery* details : {&catches, &touches, &answers}) {
            if (!RecordFile::runPrepared(*details, {id}, error))
                return {};
            round.values << rowsAsJson(*details, details->record().count());
        }
        batch << round;
    }
    return batch;
}

bool SenderWorker::sendBatch(int* sent, QString* error) {
    *sent = 0;
    const QList<Outgoing> batch = nextBatch(error);
    if (batch.isEmpty())
        return error->isEmpty();
    QSqlDatabase server = QSqlDatabase::database(m_server, false);
    QSqlQuery child(server), round(server);
    // A child removed in the class is not brought back, and their rounds are not taken.
    const bool prepared =
        child.prepare(kChildIntoClass) &&
        round.prepare(QStringLiteral(
            "INSERT INTO round (machine, number, child_key, began_at, ended_at, cut_short,"
            " characters, settings, catches, touches, answers)"
            " SELECT CAST(? AS text), CAST(? AS bigint), CAST(? AS text), CAST(? AS bigint),"
            "  CAST(? AS bigint), CAST(? AS boolean), CAST(? AS smallint),"
            "  CAST(? AS smallint[]), CAST(? AS jsonb), CAST(? AS jsonb), CAST(? AS jsonb)"
            " WHERE EXISTS (SELECT 1 FROM child WHERE key = CAST(? AS text))"
            " ON CONFLICT (machine, number) DO NOTHING"));
    if (!prepared) {
        *error = child.lastError().text() + round.lastError().text();
        return false;
    }
    if (!server.transaction()) {
        *error = server.lastError().text();
        return false;
    }
    QSet<QString> children;
    bool done = true;
    for (const Outgoing& r : batch) {
        if (done && !children.contains(r.child)) {
            children.insert(r.child);
            done =
                RecordFile::runPrepared(child, r.values.mid(0, 5) + QVariantList{r.child}, error);
        }
        done = done &&
               RecordFile::runPrepared(round,
                                       QVariantList{m_machine, r.number} + QVariantList{r.child} +
                                           r.values.mid(5) + QVariantList{r.child},
                                       error);
    }
    if (!done || !server.commit()) {
        if (done)
            *error = server.lastError().text();
        server.rollback();
        return false;
    }
    // Taken off the queue only now: a batch whose commit was lost is sent again, and taken once.
    QSqlQuery taken(QSqlDatabase::database(m_local, false));
    if (!taken.prepare(QStringLiteral("DELETE FROM send_queue WHERE number <= ?")) ||
        !RecordFile::runPrepared(taken, {batch.last().number}, error))
        return false;
    *sent = int(batch.size());
    return true;
}

RoundSender::RoundSender(const QString& recordPath, const ClassLink& link, Told told, Pacing pacing)
    : m_thread(std::make_unique<QThread>()),
      m_worker(new SenderWorker(recordPath, link, std::move(told), pacing)) {
    m_thread->setObjectName(QStringLiteral("class sender"));
    m_worker->moveToThread(m_thread.get());
    m_thread->start(QThread::LowPriority);
    sendNow();
}

RoundSender::~RoundSender() {
    SenderWorker* worker = m_worker;
    QMetaObject::invokeMethod(
        worker,
        [worker] {
            worker->stop();
            QThread::currentThread()->quit();
        },
        Qt::QueuedConnection);
    m_thread->wait();
    delete m_worker;
}

SendNews RoundSender::check(const ClassLink& link) {
    static QAtomicInteger<int> tries;
    const QString name =
        QStringLiteral("kazoemashou-class-check-%1").arg(tries.fetchAndAddRelaxed(1));
    SendNews news;
    openClass(link, name, &news);
    QSqlDatabase::removeDatabase(name);
    return news;
}

void RoundSender::sendNow() {
    SenderWorker* worker = m_worker;
    QMetaObject::invokeMethod(
        worker, [worker] { worker->sendNow(); }, Qt::QueuedConnection);
}

void RoundSender::queue(std::function<void()> call) {
    QMetaObject::invokeMethod(m_worker, std::move(call), Qt::QueuedConnection);
}
