#include "record/record_store.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QObject>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <utility>

#include "record/record_file.h"
#include "record/record_schema.h"
#include "record/record_writer.h"

RecordStore::RecordStore(const QString& path, const Clock& clock)
    : m_path(path),
      m_clock(clock),
      m_connection(QStringLiteral("kazoemashou-record-%1").arg(quintptr(this))),
      m_here(std::make_unique<QObject>()) {}

RecordStore::~RecordStore() {
    close();
}

void RecordStore::close() {
    m_writer.reset();  // writes what is still waiting
    if (QSqlDatabase::contains(m_connection))
        RecordFile::disconnect(m_connection);
}

QList<RecordProblem> RecordStore::open() {
    QList<RecordProblem> problems;
    // The only read of the file outside SQLite, before any connection to it.
    const RecordFile::Header header = RecordFile::readHeader(m_path);
    switch (header.kind) {
        case RecordFile::Header::Missing:
            m_state = State::Absent;  // made when the first child is added
            return problems;
        case RecordFile::Header::Unreadable:
            m_state = State::Unusable;
            problems << problem(RecordProblem::Unusable, header.error);
            return problems;
        case RecordFile::Header::Database:
            if (header.version > RecordSchema::latestVersion()) {
                m_state = State::Newer;
                problems << problem(RecordProblem::Newer);
                return problems;
            }
            break;
        case RecordFile::Header::NotDatabase:
            beginFresh(&problems);
            return problems;
        case RecordFile::Header::Empty:
            break;
    }
    if (!openExisting(&problems) && problems.isEmpty())
        beginFresh(&problems);
    return problems;
}

// Opens a file that looks like a record. False when its content is damaged or not a record; a
// file that is fine but cannot be used gives its problem and true.
bool RecordStore::openExisting(QList<RecordProblem>* problems) {
    QSqlError error;
    Found found = inspect(&error);
    QString why = error.text();
    if (found == Found::Usable)
        found = makeReady(false, &why);
    if (found != Found::Usable)
        close();
    switch (found) {
        case Found::Usable:
            startWriting(true);
            return true;
        case Found::Damaged:
            return false;
        case Found::Newer:
            m_state = State::Newer;
            *problems << problem(RecordProblem::Newer);
            return true;
        case Found::Busy:
            m_state = State::Busy;
            *problems << problem(RecordProblem::Busy);
            return true;
        case Found::Unusable:
            m_state = State::Unusable;
            *problems << problem(RecordProblem::Unusable, why);
            return true;
    }
    return true;
}

// Reads the file through a new connection, writing nothing. Only what SQLite reads to open it
// and its schema: the whole file is checked by the writer, off the game's thread.
RecordStore::Found RecordStore::inspect(QSqlError* error) {
    QSqlDatabase db = RecordFile::connect(m_connection, m_path, false, error);
    if (!db.isOpen())
        return foundOn(*error);
    // The header may be behind the write-ahead log: SQLite's own word on the version.
    QSqlQuery version(db);
    QSqlQuery tables(db);
    if (!version.exec(QStringLiteral("PRAGMA user_version")) || !version.next()) {
        *error = version.lastError();
        return foundOn(*error);
    }
    if (!tables.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) || !tables.next()) {
        *error = tables.lastError();
        return foundOn(*error);
    }
    if (version.value(0).toInt() > RecordSchema::latestVersion())
        return Found::Newer;
    // Version 0 is an empty file: a database with tables of its own is another program's, and
    // is moved aside before anything is written to it.
    if (version.value(0).toInt() == 0 && tables.value(0).toInt() != 0)
        return Found::Damaged;
    return Found::Usable;
}

// Makes the connection ready for rounds (made first when `create`): write-ahead log, a write to
// prove the file writable, the migrations.
RecordStore::Found RecordStore::makeReady(bool create, QString* why) {
    QSqlError error;
    QSqlDatabase db = create ? RecordFile::connect(m_connection, m_path, true, &error)
                             : QSqlDatabase::database(m_connection, false);
    bool writable = db.isOpen();
    if (writable) {
        QSqlQuery wal(db);
        writable = wal.exec(QStringLiteral("PRAGMA journal_mode = WAL")) && wal.next() &&
                   wal.value(0).toString() == QLatin1String("wal");
        if (!writable)
            error = wal.lastError();
    }
    // The write lock proves the file writable without changing it: a file the writer's check
    // may yet find damaged is moved aside as it was.
    const int version = writable ? RecordSchema::versionOf(db, why) : -1;
    writable = writable && version >= 0 &&
               RecordFile::run(db, QStringLiteral("BEGIN IMMEDIATE"), &error) &&
               RecordFile::run(db, QStringLiteral("ROLLBACK"), &error);
    if (!writable) {
        if (error.isValid())
            *why = error.text();
        if (why->isEmpty())
            *why = QStringLiteral("the write-ahead log cannot be made here");
        return foundOn(error);
    }
    // A migration that fails on a file that can be written: its content is not a record's.
    if (RecordSchema::migrate(db, why) != RecordSchema::Outcome::Migrated)
        return Found::Damaged;
    // A new version into the file itself, so that the next start reads it from the header.
    if (version < RecordSchema::latestVersion())
        RecordFile::run(db, QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"), &error);
    return Found::Usable;
}

RecordStore::Found RecordStore::foundOn(const QSqlError& error) const {
    if (RecordFile::isDamage(error))
        return Found::Damaged;
    return RecordFile::isBusy(error) ? Found::Busy : Found::Unusable;
}

bool RecordStore::retryIfBusy() {
    if (m_state != State::Busy)
        return m_state == State::Ready;
    QList<RecordProblem> problems;
    // The header was read at open(): it is not read again beside a connection of the report.
    if (!openExisting(&problems) && problems.isEmpty())
        beginFresh(&problems);
    // Still held by the other program: the adult has been told already.
    if (m_state != State::Busy) {
        for (const RecordProblem& p : std::as_const(problems))
            tell(p);
    }
    return m_state == State::Ready;
}

bool RecordStore::begin(QString* why) {
    close();
    if (makeReady(true, why) == Found::Usable) {
        startWriting(false);
        return true;
    }
    close();
    m_state = State::Unusable;
    return false;
}

// A file that was there is checked whole before its first round is written.
void RecordStore::startWriting(bool check) {
    m_state = State::Ready;
    m_writer = std::make_unique<RecordWriter>(m_path, [this](const RecordProblem& failure) {
        QMutexLocker lock(&m_problemsMutex);
        if (failure.kind == RecordProblem::DamagedLater) {
            // Moved aside on the game's thread, where the store's own connection lives.
            m_damageFound = true;
            QMetaObject::invokeMethod(
                m_here.get(), [this] { setAsideDamaged(); }, Qt::QueuedConnection);
        } else if (!std::exchange(m_toldRoundLost, true)) {
            m_problems << failure;
        }
    });
    if (check)
        m_writer->check();
}

void RecordStore::tell(const RecordProblem& problem) {
    QMutexLocker lock(&m_problemsMutex);
    m_problems << problem;
}

QString RecordStore::moveAside(QString* why) const {
    const QString stamp =
        QDateTime::fromMSecsSinceEpoch(m_clock.nowMs()).toString(QStringLiteral("yyyyMMdd-HHmmss"));
    return RecordFile::moveAside(m_path, stamp, why);
}

// The damaged file is moved aside, never deleted, and a new record begins.
void RecordStore::beginFresh(QList<RecordProblem>* problems) {
    close();
    QString why;
    const QString aside = moveAside(&why);
    if (aside.isEmpty()) {
        m_state = State::Unusable;
        *problems << problem(RecordProblem::Unusable, why);
        return;
    }
    if (!begin(&why)) {
        *problems << problem(RecordProblem::Unusable, why);
        return;
    }
    *problems << problem(RecordProblem::Damaged, aside);
}

// The writer found damage and writes no more. The game's own connections are closed before the
// file is moved, so that none of them writes into the moved file or its log afterwards; this run
// records nothing more, and the next start finds no file and begins a new record.
void RecordStore::setAsideDamaged() {
    {
        QMutexLocker lock(&m_problemsMutex);
        if (!std::exchange(m_damageFound, false) || m_state != State::Ready)
            return;
    }
    close();
    m_state = State::Unusable;
    QString why;
    const QString aside = moveAside(&why);
    tell(aside.isEmpty() ? problem(RecordProblem::Unusable, why)
                         : problem(RecordProblem::DamagedLater, aside));
}

QList<RecordProblem> RecordStore::takeProblems() {
    setAsideDamaged();
    QMutexLocker lock(&m_problemsMutex);
    return std::exchange(m_problems, {});
}

void RecordStore::write(RoundRecord&& round) {
    if (m_writer)
        m_writer->write(std::move(round));
}

void RecordStore::flush() {
    if (m_writer)
        m_writer->flush();
}

std::optional<RecordProblem> RecordStore::readyForChanges(bool mayMake) {
    // Only a new child is told of the newer game's file; other changes, that it cannot be used.
    if (m_state == State::Newer && mayMake)
        return problem(RecordProblem::Newer);
    if (m_state == State::Absent && mayMake) {
        // The first child makes the file (and its folder).
        QString why;
        if (!QDir().mkpath(QFileInfo(m_path).absolutePath()) || !begin(&why)) {
            m_state = State::Absent;
            return problem(RecordProblem::NotMade,
                           why.isEmpty() ? QStringLiteral("no folder") : why);
        }
    }
    if (m_state != State::Ready)
        return problem(RecordProblem::Unusable);
    return std::nullopt;
}

QSqlDatabase RecordStore::database() const {
    return m_state == State::Ready ? QSqlDatabase::database(m_connection, false) : QSqlDatabase();
}
