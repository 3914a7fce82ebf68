#include "record/record_writer.h"

#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QVariant>

#include "record/record_file.h"

// Each statement of a round, prepared once on the writer's connection.
struct WriterStatements {
    explicit WriterStatements(const QSqlDatabase& db)
        : round(db), caught(db), touch(db), answer(db) {}
    bool prepare() {
        return round.prepare(QStringLiteral(
                   "INSERT INTO round (child_id, began_at, ended_at, cut_short, characters,"
                   " count_way, click_to_count, mixed_characters, ask_how_many_people,"
                   " hide_pointer, blink_time, min_count, max_count)"
                   " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")) &&
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

bool exec(QSqlQuery& query, const QVariantList& values, QString* error) {
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values[i]);
    if (query.exec())
        return true;
    *error = query.lastError().text();
    return false;
}
}  // namespace

RecordWriter::RecordWriter(const QString& path, std::function<void(const QString&)> failed)
    : m_path(path),
      m_connection(QStringLiteral("kazoemashou-writer-%1").arg(quintptr(this))),
      m_failed(std::move(failed)) {
    m_thread.reset(QThread::create([this] { run(); }));
    m_thread->setObjectName(QStringLiteral("record writer"));
    m_thread->start(QThread::LowPriority);
}

RecordWriter::~RecordWriter() {
    m_stop = true;
    m_wake.release();
    m_thread->wait();
}

void RecordWriter::write(RoundRecord&& round) {
    auto* handed = new Handed{std::move(round), m_handed.load(std::memory_order_relaxed)};
    while (!m_handed.compare_exchange_weak(handed->next, handed, std::memory_order_release,
                                           std::memory_order_relaxed)) {
    }
    ++m_handedCount;
    m_wake.release();
}

void RecordWriter::flush() {
    const qint64 handed = m_handedCount;
    QMutexLocker lock(&m_doneMutex);
    while (m_doneCount < handed)
        m_done.wait(&m_doneMutex);
}

void RecordWriter::run() {
    for (;;) {
        // Each release wakes the writer once; it may find the rounds taken already.
        m_wake.acquire();
        // Read before taking: every round handed over before the stop is then in what is taken.
        // (Read after, a round handed over between the two would be left unwritten.)
        const bool stopping = m_stop.load(std::memory_order_acquire);
        if (Handed* taken = m_handed.exchange(nullptr, std::memory_order_acquire))
            writeHanded(taken);
        if (stopping)
            break;
    }
    disconnectNow();
}

// Writes the rounds taken, oldest first.
void RecordWriter::writeHanded(Handed* newestFirst) {
    Handed* oldestFirst = nullptr;
    while (newestFirst != nullptr) {
        Handed* next = newestFirst->next;
        newestFirst->next = oldestFirst;
        oldestFirst = newestFirst;
        newestFirst = next;
    }
    while (oldestFirst != nullptr) {
        const std::unique_ptr<Handed> handed(oldestFirst);
        oldestFirst = handed->next;
        QElapsedTimer took;
        took.start();
        QString error;
        const bool written = writeRound(handed->round, &error);
        if (written && wrote)
            wrote(took.nsecsElapsed());
        if (!written && m_failed)
            m_failed(error);
        QMutexLocker lock(&m_doneMutex);
        ++m_doneCount;
        m_done.wakeAll();
    }
}

bool RecordWriter::connectOnce(QString* error) {
    if (m_statements)
        return true;
    QSqlError failure;
    const QSqlDatabase db = RecordFile::connect(m_connection, m_path, false, &failure);
    *error = failure.text();
    if (db.isOpen()) {
        m_statements = std::make_unique<WriterStatements>(db);
        if (m_statements->prepare())
            return true;
        *error = m_statements->round.lastError().text();
    }
    disconnectNow();
    return false;
}

void RecordWriter::disconnectNow() {
    m_statements.reset();
    if (QSqlDatabase::contains(m_connection))
        RecordFile::disconnect(m_connection);
}

bool RecordWriter::writeRound(const RoundRecord& r, QString* error) {
    if (!connectOnce(error))
        return false;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.transaction()) {
        *error = db.lastError().text();
        // The connection may have gone bad with the file (moved, unwritable): made afresh next
        // time.
        disconnectNow();
        return false;
    }
    WriterStatements& s = *m_statements;
    const GameSettings& g = r.settings;
    bool done =
        exec(s.round,
             {r.childId, r.beganAt, r.endedAt, int(r.cutShort), r.characters, int(g.countWay),
              int(g.clickToCount), int(g.mixedCharacters), int(g.askHowManyPeople),
              int(g.hidePointer), int(g.blinkTime), int(g.minCount), int(g.maxCount)},
             error);
    const QVariant id = done ? s.round.lastInsertId() : QVariant();
    for (const RoundRecord::Catch& c : r.catches) {
        done = done && exec(s.caught, {id, c.place, c.atMs, c.tookMs}, error);
    }
    for (const RoundRecord::Touch& t : r.touches) {
        const QVariant number = t.kind == TouchKind::Counted ? QVariant(t.number) : QVariant();
        done = done &&
               exec(s.touch, {id, t.seq, t.atMs, t.pass, t.place, kindName(t.kind), number}, error);
    }
    for (const RoundRecord::Answer& a : r.answers) {
        done = done && exec(s.answer, {id, a.seq, a.atMs, a.attempt, a.card, int(a.right)}, error);
    }
    for (QSqlQuery* q : {&s.round, &s.caught, &s.touch, &s.answer})
        q->finish();
    if (done && db.commit())
        return true;
    if (done)
        *error = db.lastError().text();
    db.rollback();
    return false;
}
