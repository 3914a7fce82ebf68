#include "classroom/round_sender.h"

#include <QFileInfo>
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

#include "classroom/sender_worker.h"
#include "record/record_file.h"
#include "record/record_schema.h"
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
    } else if (version.value(0).toInt() != kClassSchemaVersion) {
        news->kind =
            version.value(0).toInt() > kClassSchemaVersion ? SendNews::Newer : SendNews::Older;
        news->detail = QStringLiteral("version %1").arg(version.value(0).toInt());
    } else {
        return true;
    }
    version = QSqlQuery();
    db.close();
    return false;
}

}  // namespace

void SenderWorker::trySend() {
    if (m_stopped)
        return;
    m_waitingAfterFailure = false;
    letGoOfRecordIfMoved();
    if (!connectLocal()) {
        lookAgainIn(m_pacing.lookAgainMs);  // no record yet, or not of this version yet
        return;
    }
    SendNews news;
    if (!connectServer(&news)) {
        failed(news);
        return;
    }
    int sent = 0, taken = 0, fetched = 0;
    const bool continuing = std::exchange(m_continuing, false);
    const bool childWasMissing = std::exchange(m_childNotYetHere, false);
    if ((!continuing &&
         (!sendRemovals(&news.detail) || !shareChildren(&news.childrenChanged, &news.detail))) ||
        !sendBatch(&sent, &taken, &news.detail) ||
        (taken == 0 && !fetchRounds(&fetched, &news.detail))) {
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
    countQueue(&news);
    if (m_told)
        m_told(news);
    // A round's child still missing after the children were shared is looked for at the next
    // look, not at once again.
    const bool childToFetch = m_childNotYetHere && !childWasMissing;
    if (taken == 0 && fetched == 0 && !childToFetch) {
        // Nothing more till the next look: the server's connection is freed meanwhile, so that
        // a server holding many classes serves the machines at work, not every machine there is.
        disconnectServer();
        lookAgainIn(m_pacing.lookAgainMs);
        return;
    }
    m_continuing = !m_childNotYetHere;
    // The next batch after whatever was asked meanwhile (a stop).
    QMetaObject::invokeMethod(
        this, [this] { trySend(); }, Qt::QueuedConnection);
}

void SenderWorker::failed(SendNews news) {
    disconnectServer();
    countQueue(&news);
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
    // A record the game has not brought to its version yet (held by another program at start)
    // is taken up once it has.
    if (db.isOpen() && RecordSchema::versionOf(db) == RecordSchema::latestVersion() &&
        machine.exec(QStringLiteral("SELECT id FROM machine")) && machine.next()) {
        m_machine = machine.value(0).toString();
        // What the server refused before is tried again once in each run: its rules may have
        // changed, or the game.
        QSqlQuery(db).exec(
            QStringLiteral("UPDATE send_queue SET refused = NULL WHERE refused IS NOT NULL"));
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

void SenderWorker::letGoOfRecordIfMoved() {
    if (!QSqlDatabase::contains(m_local) || QFileInfo::exists(m_recordPath))
        return;
    RecordFile::disconnect(m_local);
    m_machine.clear();
    m_fetchFrom.reset();
    m_childrenKnown.clear();
    m_continuing = false;
}

void SenderWorker::countQueue(SendNews* news) {
    QSqlQuery count(QSqlDatabase::database(m_local, false));
    const bool counted =
        count.exec(QStringLiteral("SELECT count(*) - count(refused), count(refused)"
                                  " FROM send_queue")) &&
        count.next();
    news->waiting = counted ? count.value(0).toInt() : -1;
    news->setAside = counted ? count.value(1).toInt() : 0;
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
            " JOIN child c ON c.id = r.child_id WHERE q.refused IS NULL"
            " ORDER BY q.number LIMIT ?")) &&
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

bool SenderWorker::sendBatch(int* sent, int* taken, QString* error) {
    *sent = *taken = 0;
    const QList<Outgoing> batch = nextBatch(error);
    if (batch.isEmpty())
        return error->isEmpty();
    // All at once; when the server refuses a round for good, again round by round, so that the
    // others go and that one is set aside.
    QHash<qint64, QString> refused;
    QSqlError failure;
    if (!sendToClass(batch, nullptr, &failure) &&
        (!refusedForGood(failure) || !sendToClass(batch, &refused, &failure))) {
        *error = failure.text();
        return false;
    }
    // Taken off the queue only now: a batch whose commit was lost is sent again, and taken once.
    QSqlDatabase local = QSqlDatabase::database(m_local, false);
    if (!local.transaction()) {
        *error = local.lastError().text();
        return false;
    }
    QSqlQuery setAside(local), gone(local);
    bool done =
        setAside.prepare(QStringLiteral("UPDATE send_queue SET refused = ? WHERE number = ?")) &&
        gone.prepare(
            QStringLiteral("DELETE FROM send_queue WHERE number <= ? AND refused IS NULL"));
    for (auto r = refused.cbegin(); done && r != refused.cend(); ++r)
        done = RecordFile::runPrepared(setAside, {r.value(), r.key()}, error);
    done = done && RecordFile::runPrepared(gone, {batch.last().number}, error);
    setAside = QSqlQuery(local);
    gone = QSqlQuery(local);
    if (!endTransaction(local, done, error))
        return false;
    *taken = int(batch.size());
    *sent = *taken - int(refused.size());
    return true;
}

bool SenderWorker::sendToClass(const QList<Outgoing>& batch, QHash<qint64, QString>* refused,
                               QSqlError* failure) {
    QSqlDatabase server = QSqlDatabase::database(m_server, false);
    QSqlQuery child(server), round(server), step(server);
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
        *failure = child.lastError().isValid() ? child.lastError() : round.lastError();
        return false;
    }
    if (!server.transaction()) {
        *failure = server.lastError();
        return false;
    }
    const auto run = [&](QSqlQuery& query, const QVariantList& values) {
        QString ignored;
        if (RecordFile::runPrepared(query, values, &ignored))
            return true;
        *failure = query.lastError();
        return false;
    };
    // Each round behind a savepoint of its own when it may be refused alone.
    const auto mark = [&](const char* command) {
        if (refused == nullptr || step.exec(QLatin1String(command)))
            return true;
        *failure = step.lastError();
        return false;
    };
    QSet<QString> children;  // in the class already in this transaction
    bool done = true;
    for (const Outgoing& r : batch) {
        done = mark("SAVEPOINT one_round");
        const bool went =
            done &&
            (children.contains(r.child) ||
             run(child, r.values.mid(0, 5) + QVariantList{r.child})) &&
            run(round, QVariantList{m_machine, r.number} + QVariantList{r.child} +
                           r.values.mid(5) + QVariantList{r.child});
        if (went) {
            children.insert(r.child);
            done = mark("RELEASE SAVEPOINT one_round");
        } else if (done && refused != nullptr && refusedForGood(*failure)) {
            refused->insert(r.number, failure->text());
            done = mark("ROLLBACK TO SAVEPOINT one_round");
        } else {
            done = false;
        }
        if (!done)
            break;
    }
    if (!done || !server.commit()) {
        if (done)
            *failure = server.lastError();
        server.rollback();
        return false;
    }
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
