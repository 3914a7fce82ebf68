#pragma once

#include <QMutex>
#include <QSemaphore>
#include <QString>
#include <QWaitCondition>

#include <atomic>
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

    // Hands a finished round over. Returns at once, without waiting for any lock. write() and
    // flush() are called from one thread (the game's).
    void write(RoundRecord&& round);
    // Returns when every round handed over so far has been written (or has failed).
    void flush();

    // Called on the writer's thread after each round with the nanoseconds its transaction took
    // (for measuring only).
    std::function<void(qint64 ns)> wrote;

private:
    // A round handed over and not yet taken by the writer.
    struct Handed {
        RoundRecord round;
        Handed* next = nullptr;
    };

    void run();
    void writeHanded(Handed* newestFirst);
    // On the writer's thread: connects when not yet connected, then writes the round in one
    // transaction.
    bool writeRound(const RoundRecord& round, QString* error);
    bool connectOnce(QString* error);
    void disconnectNow();

    QString m_path;
    QString m_connection;
    std::function<void(const QString&)> m_failed;
    // The rounds handed over, newest first. The game's thread only pushes onto it, the writer
    // only takes it all at once: neither ever waits for the other.
    std::atomic<Handed*> m_handed{nullptr};
    QSemaphore m_wake;  // released at every round handed over, and to stop
    std::atomic<bool> m_stop{false};
    // For flush(): rounds handed over, and rounds done with (written or failed).
    std::atomic<qint64> m_handedCount{0};
    qint64 m_doneCount = 0;  // guarded by m_doneMutex
    QMutex m_doneMutex;
    QWaitCondition m_done;
    std::unique_ptr<WriterStatements> m_statements;  // made on the writer's thread
    std::unique_ptr<QThread> m_thread;
};
