#pragma once

#include <QString>

#include <functional>
#include <memory>

#include "record/record_problem.h"
#include "record/round_record.h"

class QThread;
class QSqlDatabase;
class WriterWorker;
struct WriterStatements;

// The rows of one round (round, catch, touch, answer) put into an open record, each statement
// prepared once on the connection: the writer's rounds, and the class's rounds fetched from the
// school's server. The caller holds the transaction.
class RoundRows {
public:
    explicit RoundRows(const QSqlDatabase& db);
    ~RoundRows();
    RoundRows(const RoundRows&) = delete;
    RoundRows& operator=(const RoundRows&) = delete;
    // False when a statement cannot be prepared (`error` says why).
    bool prepare(QString* error);
    // Puts the round in; its id, or an invalid one and `error`.
    QVariant insert(const RoundRecord& round, QString* error);

private:
    std::unique_ptr<WriterStatements> m_statements;
};

// Writes finished rounds to the record's file on a thread of its own, each round in one
// transaction, so that the game's thread only hands a round over and never waits for the disk.
// Everything asked of it is a queued call to a worker on that thread, done in the order asked:
// rounds are written in the order they were handed over, and the stop that comes last (at the
// latest when the writer is destroyed, as the game ends on Esc) finds every round before it
// written.
class RecordWriter {
public:
    // `failed` is called on the writer's thread: a round that could not be written (the round is
    // lost and the next one is tried afresh), or damage found by check().
    using Failed = std::function<void(const RecordProblem& problem)>;
    RecordWriter(const QString& path, Failed failed);
    ~RecordWriter();  // stops, once every round handed over is written
    RecordWriter(const RecordWriter&) = delete;
    RecordWriter& operator=(const RecordWriter&) = delete;

    // Checks the whole file (SQLite's quick check) before the rounds handed over after it: a
    // record of a year of rounds takes a second or so, which the first screen does not wait for.
    // On damage the writer stops writing, and `failed` gets a DamagedLater.
    void check();
    // Hands a finished round over. Returns at once, without waiting for the writer.
    void write(RoundRecord&& round);
    // Returns when every round handed over so far has been written (or has failed).
    void flush();
    // Asks the writer to stop after the rounds handed over so far; the destructor waits for it.
    void beginStopping();
    // Runs `call` on the writer's thread after the rounds handed over so far (tests hold the
    // writer with it).
    void queue(std::function<void()> call);

    // Called on the writer's thread after each round with the nanoseconds its transaction took
    // (for measuring only). Set before the first round.
    std::function<void(qint64 ns)> wrote;

private:
    std::unique_ptr<QThread> m_thread;
    WriterWorker* m_worker = nullptr;  // lives on m_thread
    bool m_stopping = false;
};
