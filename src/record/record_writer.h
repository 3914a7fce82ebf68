#pragma once

#include <QMutex>
#include <QString>
#include <QWaitCondition>

#include <deque>
#include <functional>
#include <memory>

#include "record/round_record.h"

class QThread;
struct WriterStatements;

// Writes finished rounds to the record's file on a thread of its own, each round in one
// transaction, so that the game's thread only hands a round over and never waits for the disk.
// Rounds are written in the order they were handed over; whatever is still waiting when the
// writer is destroyed is written first.
class RecordWriter {
public:
    // `failed` is called (on the writer's thread) with SQLite's message when a round could not
    // be written; the round is then lost and the next one is tried afresh.
    RecordWriter(const QString& path, std::function<void(const QString& error)> failed);
    ~RecordWriter();
    RecordWriter(const RecordWriter&) = delete;
    RecordWriter& operator=(const RecordWriter&) = delete;

    // Hands a finished round over. Returns at once.
    void write(RoundRecord&& round);
    // Returns when every round handed over so far has been written (or has failed).
    void flush();

    // Called on the writer's thread after each round with the nanoseconds its transaction took
    // (for measuring only).
    std::function<void(qint64 ns)> wrote;

private:
    void run();
    // On the writer's thread: connects when not yet connected, then writes the round in one
    // transaction.
    bool writeRound(const RoundRecord& round, QString* error);
    bool connectOnce(QString* error);
    void disconnectNow();

    QString m_path;
    QString m_connection;
    std::function<void(const QString&)> m_failed;
    QMutex m_mutex;
    QWaitCondition m_work;  // a round was handed over, or the writer is to stop
    QWaitCondition m_idle;  // nothing is waiting or being written
    std::deque<RoundRecord> m_queue;
    bool m_writing = false;
    bool m_stop = false;
    std::unique_ptr<WriterStatements> m_statements;  // made on the writer's thread
    std::unique_ptr<QThread> m_thread;
};
