#include "record/record.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <utility>

#include "record/record_file.h"
#include "record/record_schema.h"
#include "record/record_writer.h"

const QString Record::kMessageTitle = QStringLiteral("こどもの記録");

namespace {
QString shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}

QString damagedMessage(const QString& aside) {
    return QStringLiteral(
               "こどもの記録のファイルが壊れていたので、「%1」という名前で残し、新しい記録を"
               "始めました。\nこどもをもう一度登録してください。")
        .arg(shown(aside));
}

QString newerMessage(const QString& path) {
    return QStringLiteral(
               "こどもの記録のファイル「%1」は、新しい版のかぞえましょうで作られています。\n"
               "ファイルはそのままにして、記録せずに遊びます。")
        .arg(shown(path));
}

QString unusableMessage(const QString& path, const QString& why) {
    return QStringLiteral(
               "こどもの記録のファイル「%1」を読み書きできません。\n記録せずに遊びます。\n（%2）")
        .arg(shown(path), why);
}

QString busyMessage(const QString& path) {
    return QStringLiteral(
               "こどもの記録のファイル「%1」を、ほかのプログラムが使っています。\n"
               "しばらく記録せずに遊び、あとでもう一度ためします。")
        .arg(shown(path));
}

bool isKana(char16_t c) {
    return (c >= 0x3041 && c <= 0x3096) ||  // hiragana
           (c >= 0x309D && c <= 0x309F) ||  // its iteration marks
           (c >= 0x30A1 && c <= 0x30FF);    // katakana, the middle dot, the long vowel mark
}
}  // namespace

Record::Record(const QString& path, const RecordClock& clock, const GameSettings& settings)
    : m_path(path),
      m_clock(clock),
      m_connection(QStringLiteral("kazoemashou-record-%1").arg(quintptr(this))),
      m_recorder(clock, settings, [this](RoundRecord&& round) {
          if (m_writer)
              m_writer->write(std::move(round));
      }) {}

Record::~Record() {
    close();
}

void Record::close() {
    m_writer.reset();  // writes what is still waiting
    if (QSqlDatabase::contains(m_connection))
        RecordFile::disconnect(m_connection);
}

QStringList Record::open() {
    QStringList messages;
    const RecordFile::Header header = RecordFile::readHeader(m_path);
    switch (header.kind) {
        case RecordFile::Header::Missing:
            m_state = State::Absent;  // made when the first child is added
            return messages;
        case RecordFile::Header::Unreadable:
            m_state = State::Unusable;
            messages << unusableMessage(m_path, header.error);
            return messages;
        case RecordFile::Header::Database:
            if (header.version > RecordSchema::latestVersion()) {
                m_state = State::Newer;
                messages << newerMessage(m_path);
                return messages;
            }
            break;
        case RecordFile::Header::NotDatabase:
            beginFresh(&messages);
            return messages;
        case RecordFile::Header::Empty:
            break;
    }
    if (!openExisting(&messages) && messages.isEmpty())
        beginFresh(&messages);
    return messages;
}

// Opens a file that looks like a record. False when its content is damaged or not a record; a
// file that is fine but cannot be used gives its message and true.
bool Record::openExisting(QStringList* messages) {
    QSqlError error;
    Found found = inspect(&error);
    QString why = error.text();
    if (found == Found::Usable)
        found = makeReady(false, &why);
    if (found != Found::Usable)
        close();
    switch (found) {
        case Found::Usable:
            startWriting();
            return true;
        case Found::Damaged:
            return false;
        case Found::Newer:
            m_state = State::Newer;
            *messages << newerMessage(m_path);
            return true;
        case Found::Busy:
            m_state = State::Busy;
            *messages << busyMessage(m_path);
            return true;
        case Found::Unusable:
            m_state = State::Unusable;
            *messages << unusableMessage(m_path, why);
            return true;
    }
    return true;
}

// Reads the file through a new connection, writing nothing.
Record::Found Record::inspect(QSqlError* error) {
    QSqlDatabase db = RecordFile::connect(m_connection, m_path, false, error);
    const auto failed = [&](const QSqlError& e) {
        *error = e;
        return foundOn(e);
    };
    if (!db.isOpen())
        return failed(*error);
    QSqlQuery check(db);
    if (!check.exec(QStringLiteral("PRAGMA quick_check")))
        return failed(check.lastError());
    if (!check.next() || check.value(0).toString() != QLatin1String("ok"))
        return Found::Damaged;
    check.finish();
    // The header may be behind the write-ahead log: SQLite's own word on the version.
    const int version = RecordSchema::versionOf(db);
    if (version > RecordSchema::latestVersion())
        return Found::Newer;
    if (version == 0) {
        // Version 0 is an empty file: a database with tables of its own is another program's,
        // and is moved aside before anything is written to it.
        QSqlQuery tables(db);
        if (!tables.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) || !tables.next())
            return failed(tables.lastError());
        if (tables.value(0).toInt() != 0)
            return Found::Damaged;
    }
    return Found::Usable;
}

// Makes the connection ready for rounds (made first when `create`): write-ahead log, a write to
// prove the file writable, the migrations.
Record::Found Record::makeReady(bool create, QString* why) {
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
    const int version = writable ? RecordSchema::versionOf(db, why) : -1;
    writable = writable && version >= 0 &&
               RecordFile::run(db, QStringLiteral("PRAGMA user_version = %1").arg(version), &error);
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
    // Into the file itself, so that the next start reads the version from the header.
    RecordFile::run(db, QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"), &error);
    return Found::Usable;
}

Record::Found Record::foundOn(const QSqlError& error) const {
    if (RecordFile::isDamage(error))
        return Found::Damaged;
    return RecordFile::isBusy(error) ? Found::Busy : Found::Unusable;
}

bool Record::retryIfBusy() {
    if (m_state != State::Busy)
        return m_state == State::Ready;
    QStringList messages;
    // The header was read at open(): it is not read again beside a connection of the report.
    if (!openExisting(&messages) && messages.isEmpty())
        beginFresh(&messages);
    // Still held by the other program: the adult has been told already.
    if (m_state != State::Busy) {
        QMutexLocker lock(&m_messagesMutex);
        m_messages << messages;
    }
    return m_state == State::Ready;
}

bool Record::begin(QString* why) {
    close();
    if (makeReady(true, why) == Found::Usable) {
        startWriting();
        return true;
    }
    close();
    m_state = State::Unusable;
    return false;
}

void Record::startWriting() {
    m_state = State::Ready;
    m_writer = std::make_unique<RecordWriter>(m_path, [this](const QString& failure) {
        QMutexLocker lock(&m_messagesMutex);
        if (m_toldWriteFailure)
            return;
        m_toldWriteFailure = true;
        m_messages << QStringLiteral(
                          "こどもの記録を書き込めませんでした。その回の記録はありません。\n（%1）")
                          .arg(failure);
    });
}

// The damaged file is moved aside, never deleted, and a new record begins.
void Record::beginFresh(QStringList* messages) {
    close();
    const QString stamp =
        QDateTime::fromMSecsSinceEpoch(m_clock.nowMs()).toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString why;
    const QString aside = RecordFile::moveAside(m_path, stamp, &why);
    if (aside.isEmpty()) {
        m_state = State::Unusable;
        *messages << unusableMessage(m_path, why);
        return;
    }
    if (!begin(&why)) {
        *messages << unusableMessage(m_path, why);
        return;
    }
    *messages << damagedMessage(aside);
}

QStringList Record::takeMessages() {
    QMutexLocker lock(&m_messagesMutex);
    return std::exchange(m_messages, {});
}

QList<ChildEntry> Record::children() const {
    QList<ChildEntry> all;
    if (m_state != State::Ready)
        return all;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.exec(QStringLiteral("SELECT id, name, mark FROM child ORDER BY name, id"));
    while (query.next())
        all.append(
            {query.value(0).toLongLong(), query.value(1).toString(), query.value(2).toString()});
    return all;
}

QString Record::nameProblem(QString* name) {
    // Half-width kana become full-width, and runs of spaces one space.
    *name = name->normalized(QString::NormalizationForm_KC).simplified();
    if (name->isEmpty())
        return QStringLiteral("名前をひらがなかカタカナで入れてください。");
    if (name->size() > kLongestName)
        return QStringLiteral("名前は%1文字までです。").arg(kLongestName);
    for (const QChar c : std::as_const(*name)) {
        if (c != QLatin1Char(' ') && !isKana(c.unicode()))
            return QStringLiteral("名前はひらがなかカタカナだけで入れてください。");
    }
    return {};
}

QString Record::writeFailed(const QSqlError& error) const {
    return QStringLiteral("こどもの記録に書き込めませんでした。\n（%1）").arg(error.text());
}

QString Record::entryProblem(QString* name, const QString& mark, qint64 self) const {
    QString problem = nameProblem(name);
    if (problem.isEmpty() && mark.isEmpty())
        problem = QStringLiteral("マークにするキャラを選んでください。");
    for (const ChildEntry& c : children()) {
        if (problem.isEmpty() && c.name == *name && c.id != self)
            problem = QStringLiteral("「%1」はもう登録されています。").arg(*name);
    }
    return problem;
}

QString Record::addChild(const QString& name, const QString& mark, qint64* id) {
    QString kept = name;
    const QString problem = entryProblem(&kept, mark, 0);
    if (!problem.isEmpty())
        return problem;
    if (m_state == State::Newer)
        return newerMessage(m_path);
    if (m_state == State::Absent) {
        // The first child makes the file (and its folder).
        QString why;
        if (!QDir().mkpath(QFileInfo(m_path).absolutePath()) || !begin(&why)) {
            m_state = State::Absent;
            return QStringLiteral("こどもの記録のファイル「%1」を作れませんでした。\n（%2）")
                .arg(shown(m_path), why.isEmpty() ? QStringLiteral("no folder") : why);
        }
    }
    if (m_state != State::Ready)
        return unusableMessage(m_path, QStringLiteral("—"));
    if (children().size() >= kMostChildren)
        return QStringLiteral("登録できるのは%1人までです。").arg(kMostChildren);
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral("INSERT INTO child (name, mark, added_at) VALUES (?, ?, ?)"));
    query.addBindValue(kept);
    query.addBindValue(mark);
    query.addBindValue(m_clock.nowMs());
    if (!query.exec())
        return writeFailed(query.lastError());
    if (id != nullptr)
        *id = query.lastInsertId().toLongLong();
    return {};
}

QString Record::changeChild(qint64 id, const QString& name, const QString& mark) {
    QString kept = name;
    const QString problem = entryProblem(&kept, mark, id);
    if (!problem.isEmpty())
        return problem;
    if (m_state != State::Ready)
        return unusableMessage(m_path, QStringLiteral("—"));
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral("UPDATE child SET name = ?, mark = ? WHERE id = ?"));
    query.addBindValue(kept);
    query.addBindValue(mark);
    query.addBindValue(id);
    if (!query.exec())
        return writeFailed(query.lastError());
    return {};
}

QString Record::removeChild(qint64 id) {
    if (m_state != State::Ready)
        return unusableMessage(m_path, QStringLiteral("—"));
    // A round of this child may still be on its way to the file.
    flush();
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral("DELETE FROM child WHERE id = ?"));
    query.addBindValue(id);
    if (!query.exec())
        return writeFailed(query.lastError());
    if (player() == id) {
        m_recorder.setChild(std::nullopt);
        m_chosen = false;
    }
    return {};
}

void Record::choosePlayer(std::optional<qint64> childId) {
    m_recorder.setChild(m_state == State::Ready ? childId : std::nullopt);
    m_chosen = true;
}

bool Record::mustAskWhoPlays() const {
    return !m_chosen && !children().isEmpty();
}

QList<RoundMistakes> Record::roundMistakes(qint64 childId) const {
    QList<RoundMistakes> rounds;
    if (m_state != State::Ready)
        return rounds;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral(
        "SELECT round_id, characters, count_way, cut_short, answers, coalesce(solved_at, 0),"
        " counted_twice, skipped, one_to_one, order_mistakes, counted_right_answered_wrong,"
        " off_by_one, answered_without_counting FROM round_mistakes WHERE child_id = ?"
        " ORDER BY began_at, round_id"));
    query.addBindValue(childId);
    query.exec();
    while (query.next()) {
        const auto at = [&](int i) { return query.value(i).toInt(); };
        rounds.append({query.value(0).toLongLong(), at(1), at(2), at(3) != 0, at(4), at(5), at(6),
                       at(7), at(8), at(9), at(10), at(11), at(12)});
    }
    return rounds;
}

void Record::flush() {
    if (m_writer)
        m_writer->flush();
}
