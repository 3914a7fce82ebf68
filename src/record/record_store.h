#pragma once

#include <QList>
#include <QMutex>
#include <QSqlDatabase>
#include <QString>

#include <memory>
#include <optional>

#include "record/record_problem.h"
#include "record/round_record.h"

class QObject;
class QSqlError;
class RecordWriter;

// The record's file: opening it, repairing it, bringing it to the latest version, and writing
// the rounds (on the writer's thread). Lives on the game's thread.
//
// While no file exists nothing is made: the first child added makes it. A damaged file is moved
// aside and a new one begun; a file of a newer game is left untouched and nothing is recorded; a
// file that cannot be written does not stop the game either. Each of these is a problem for the
// adult, to be told where no child's round is interrupted.
//
// The file's header and version are read before the first screen; the whole file is checked on
// the writer's thread, so that a year of a class's rounds does not slow the start. Damage found
// then stops the writing at once; the file is moved aside as soon as the game's thread is free
// (its own connections closed first), and the next start begins a new record.
class RecordStore {
public:
    RecordStore(const QString& path, const Clock& clock);
    ~RecordStore();  // writes the rounds still on their way first
    RecordStore(const RecordStore&) = delete;
    RecordStore& operator=(const RecordStore&) = delete;

    // Opens the file when there is one. Returns the problems for the adult; none when all is well.
    QList<RecordProblem> open();
    // Problems that came up since: a round that could not be written, damage found by the check.
    // Each is returned once. The check's damage is moved aside by the game's event loop first.
    QList<RecordProblem> takeProblems();
    // While another program held the file at open(), tries again; true once rounds can be
    // recorded. The program calls it now and then, and as an adult comes.
    bool retryIfBusy();

    // Whether the rounds handed over are written.
    bool canRecord() const { return m_state == State::Ready; }
    QString path() const { return m_path; }

    // Hands a finished round to the writer, without waiting; dropped while nothing is recorded.
    void write(RoundRecord&& round);
    // Returns when every round handed over so far is written (and, after open(), the check done).
    void flush();

    // For the children: the game thread's connection, once the file takes changes; else nullopt
    // and the problem. With `mayMake` a missing file is made (the first child makes it).
    std::optional<RecordProblem> readyForChanges(bool mayMake);
    QSqlDatabase database() const;

private:
    enum class State { Absent, Ready, Newer, Busy, Unusable };
    enum class Found { Usable, Damaged, Newer, Busy, Unusable };
    Found foundOn(const QSqlError& error) const;
    bool openExisting(QList<RecordProblem>* problems);
    Found inspect(QSqlError* error);
    Found makeReady(bool create, QString* why);
    // A new file at the path (the old one is gone or moved aside): true when it takes rounds.
    bool begin(QString* why);
    void startWriting(bool check);
    void beginFresh(QList<RecordProblem>* problems);
    // Damage the check found: the file goes aside once the game's connections to it are closed.
    void setAsideDamaged();
    QString moveAside(QString* why) const;
    void close();
    void tell(const RecordProblem& problem);
    RecordProblem problem(RecordProblem::Kind kind, const QString& detail = {}) const {
        return {kind, m_path, detail};
    }

    QString m_path;
    const Clock& m_clock;
    QString m_connection;  // the game thread's own
    State m_state = State::Absent;
    // The game thread's end of the writer's news (damage found), made before the writer so that
    // it outlives it.
    std::unique_ptr<QObject> m_here;
    std::unique_ptr<RecordWriter> m_writer;
    mutable QMutex m_problemsMutex;
    QList<RecordProblem> m_problems;
    bool m_toldRoundLost = false;
    bool m_damageFound = false;  // by the writer's check, and not yet set aside
};
