#include "record/record_writer.h"

#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QVariant>

#include <utility>

#include "record/record_file.h"

// Each statement of a round, prepared once on the writer's connection.
struct WriterStatements {
    explicit WriterStatements(const QSqlDatabase& db)
        : round(db), caught(db), touch(db), answer(db) {}
    bool prepare() {
        return round.prepare(QStringLiteral(
                   "INSERT INTO round (child_id, began_at, ended_at, cut_short, characters,"
                   " count_way, click_to_count, mixed_characters, ask_how_many_people,"
                   " hide_pointer, blink_time, min_count, max_count, chosen_why, chosen_right,"
                   " chosen_of, chosen_mistake)"
                   " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")) &&
               caught.prepare(QStringLiteral(
                   "INSERT INTO catch (round_id, place, at_ms, took_ms) VALUES (?, ?, ?, ?)")) &&
               touch.prepare(QStringLiteral(
                   "INSERT INTO touch (round_id, seq, at_ms, pass, place, kind, number)"
                   " VALUES (?, ?, ?, ?, ?, ?, ?)")) &&
               answer.prepare(
                   QStringLiteral("INSERT INTO answer (round_id, seq, at_ms, attempt, card, right)"
                                  " VALUES (?, ?, ?, ?, ?, ?)"));
    }
    QSqlQuery round, caught, touch, answer;
};

namespace {
QString kindName(TouchKind kind) {
    switch (kind) {
        case TouchKind::Counted:
            return QStringLiteral("counted");
        case TouchKind::OutOfOrder:
            return QStringLiteral("out_of_order");
        case TouchKind::Repeat:
            return QStringLiteral("repeat");
        case TouchKind::Ignored:
            return QStringLiteral("ignored");
    }
    return {};
}

}  // namespace

// The writer's side: its connection and statements, touched only on the writer's thread.
class WriterWorker : public QObject {
public:
    WriterWorker(const QString& path, RecordWriter::Failed failed,
                 const std::function<void(qint64)>& wrote)
        : m_path(path),
          m_connection(QStringLiteral("kazoemashou-writer-%1").arg(quintptr(this))),
          m_failed(std::move(failed)),
          m_wrote(wrote) {}

    void check();
    void write(const RoundRecord& round);
    void disconnectNow();

private:
    bool connectOnce(QString* error);
    bool writeRound(const RoundRecord& round, QString* error);

    QString m_path;
    QString m_connection;
    RecordWriter::Failed m_failed;
    const std::function<void(qint64)>& m_wrote;
    std::unique_ptr<RoundRows> m_rows;  // made with the connection
    bool m_damaged = false;             // found by check(): no round is written any more
};

RecordWriter::RecordWriter(const QString& path, Failed failed)
    : m_thread(std::make_unique<QThread>()),
      m_worker(new WriterWorker(path, std::move(failed), wrote)) {
    m_thread->setObjectName(QStringLiteral("record writer"));
    m_worker->moveToThread(m_thread.get());
    m_thread->start(QThread::LowPriority);
}

RecordWriter::~RecordWriter() {
    beginStopping();
    m_thread->wait();
    delete m_worker;  // its thread has ended: nothing of it runs any more
}

void RecordWriter::check() {
    WriterWorker* worker = m_worker;
    QMetaObject::invokeMethod(
        worker, [worker] { worker->check(); }, Qt::QueuedConnection);
}

void RecordWriter::write(RoundRecord&& round) {
    WriterWorker* worker = m_worker;
    QMetaObject::invokeMethod(
        worker, [worker, round = std::move(round)] { worker->write(round); }, Qt::QueuedConnection);
}

void RecordWriter::flush() {
    // Once stopping has begun the thread may be gone: nothing would answer.
    if (!m_stopping)
        QMetaObject::invokeMethod(
            m_worker, [] {}, Qt::BlockingQueuedConnection);
}

void RecordWriter::beginStopping() {
    if (std::exchange(m_stopping, true))
        return;
    // Queued behind every round handed over: they are written before the thread ends.
    WriterWorker* worker = m_worker;
    QMetaObject::invokeMethod(
        worker,
        [worker] {
            worker->disconnectNow();
            QThread::currentThread()->quit();
        },
        Qt::QueuedConnection);
}

void RecordWriter::queue(std::function<void()> call) {
    QMetaObject::invokeMethod(m_worker, std::move(call), Qt::QueuedConnection);
}

void WriterWorker::check() {
    QString error;
    if (m_damaged || !connectOnce(&error))
        return;  // a file that cannot be opened is told as its rounds fail
    QString found;
    bool damaged = false;
    {
        QSqlQuery check(QSqlDatabase::database(m_connection, false));
        if (!check.exec(QStringLiteral("PRAGMA quick_check"))) {
            damaged = RecordFile::isDamage(check.lastError());
            found = check.lastError().text();
        } else {
            damaged = !check.next() || check.value(0).toString() != QLatin1String("ok");
            found = check.value(0).toString();
        }
    }
    if (!damaged)
        return;
    m_damaged = true;
    disconnectNow();
    if (m_failed)
        m_failed({RecordProblem::DamagedLater, m_path, found});
}

void WriterWorker::write(const RoundRecord& round) {
    if (m_damaged)
        return;
    QElapsedTimer took;
    took.start();
    QString error;
    const bool written = writeRound(round, &error);
    if (written && m_wrote)
        m_wrote(took.nsecsElapsed());
    if (!written && m_failed)
        m_failed({RecordProblem::RoundLost, m_path, error});
}

bool WriterWorker::connectOnce(QString* error) {
    if (QSqlDatabase::contains(m_connection))
        return true;
    QSqlError failure;
    const QSqlDatabase db = RecordFile::connect(m_connection, m_path, false, &failure);
    if (db.isOpen())
        return true;
    *error = failure.text();
    disconnectNow();
    return false;
}

void WriterWorker::disconnectNow() {
    m_rows.reset();
    if (QSqlDatabase::contains(m_connection))
        RecordFile::disconnect(m_connection);
}

RoundRows::RoundRows(const QSqlDatabase& db)
    : m_statements(std::make_unique<WriterStatements>(db)) {}

RoundRows::~RoundRows() = default;

bool RoundRows::prepare(QString* error) {
    if (m_statements->prepare())
        return true;
    *error = m_statements->round.lastError().text();
    return false;
}

QVariant RoundRows::insert(const RoundRecord& r, QString* error) {
    WriterStatements& s = *m_statements;
    const GameSettings& g = r.settings;
    // What おまかせ chose and why: NULL for the adult's settings.
    QVariantList chosen(4);
    if (r.chosen) {
        const Omakase::Choice& c = *r.chosen;
        chosen = {int(c.reason.why), c.reason.right, c.reason.of,
                  c.followed ? QVariant(int(*c.followed)) : QVariant()};
    }
    bool done = RecordFile::runPrepared(
        s.round,
        QVariantList{r.childId, r.beganAt, r.endedAt, int(r.cutShort), r.characters,
                     int(g.countWay), int(g.clickToCount), int(g.mixedCharacters),
                     int(g.askHowManyPeople), int(g.hidePointer), int(g.blinkTime),
                     int(g.minCount), int(g.maxCount)} +
            chosen,
        error);
    const QVariant id = done ? s.round.lastInsertId() : QVariant();
    for (const RoundRecord::Catch& c : r.catches) {
        done = done && RecordFile::runPrepared(s.caught, {id, c.place, c.atMs, c.tookMs}, error);
    }
    for (const RoundRecord::Touch& t : r.touches) {
        const QVariant number = t.kind == TouchKind::Counted ? QVariant(t.number) : QVariant();
        done = done &&
               RecordFile::runPrepared(
                   s.touch, {id, t.seq, t.atMs, t.pass, t.place, kindName(t.kind), number}, error);
    }
    for (const RoundRecord::Answer& a : r.answers) {
        done = done && RecordFile::runPrepared(
                           s.answer, {id, a.seq, a.atMs, a.attempt, a.card, int(a.right)}, error);
    }
    for (QSqlQuery* q : {&s.round, &s.caught, &s.touch, &s.answer})
        q->finish();
    return done ? id : QVariant();
}

bool WriterWorker::writeRound(const RoundRecord& r, QString* error) {
    if (!connectOnce(error))
        return false;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!m_rows) {
        m_rows = std::make_unique<RoundRows>(db);
        if (!m_rows->prepare(error)) {
            disconnectNow();
            return false;
        }
    }
    if (!db.transaction()) {
        *error = db.lastError().text();
        // The connection may have gone bad with the file (moved, unwritable): made afresh next
        // time.
        disconnectNow();
        return false;
    }
    const bool done = m_rows->insert(r, error).isValid();
    if (done && db.commit())
        return true;
    if (done)
        *error = db.lastError().text();
    db.rollback();
    return false;
}
