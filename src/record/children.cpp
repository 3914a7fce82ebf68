#include "record/children.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include "record/record_store.h"

namespace {
bool isKana(char16_t c) {
    return (c >= 0x3041 && c <= 0x3096) ||  // hiragana
           (c >= 0x309D && c <= 0x309F) ||  // its iteration marks
           (c >= 0x30A1 && c <= 0x30FF);    // katakana, the middle dot, the long vowel mark
}

ChildProblem refused(ChildProblem::Kind kind) {
    ChildProblem problem;
    problem.kind = kind;
    return problem;
}

ChildProblem refused(const RecordProblem& record) {
    ChildProblem problem = refused(ChildProblem::Record);
    problem.record = record;
    return problem;
}

// Runs a change of the children; the store's problem when the file did not take it.
ChildProblem change(RecordStore& store, QSqlQuery& query) {
    if (query.exec())
        return {};
    return refused(
        RecordProblem{RecordProblem::WriteFailed, store.path(), query.lastError().text()});
}
}  // namespace

Children::Children(RecordStore& store, const Clock& clock) : m_store(store), m_clock(clock) {}

QList<ChildEntry> Children::list() const {
    QList<ChildEntry> all;
    if (!m_store.canRecord())
        return all;
    QSqlQuery query(m_store.database());
    query.exec(QStringLiteral("SELECT id, name, mark, omakase FROM child ORDER BY name, id"));
    while (query.next())
        all.append({query.value(0).toLongLong(), query.value(1).toString(),
                    query.value(2).toString(), query.value(3).toBool()});
    return all;
}

NameProblem Children::nameProblem(QString* name) {
    // Half-width kana become full-width, and runs of spaces one space.
    *name = name->normalized(QString::NormalizationForm_KC).simplified();
    if (name->isEmpty())
        return NameProblem::Empty;
    if (name->size() > kLongestName)
        return NameProblem::TooLong;
    for (const QChar c : std::as_const(*name)) {
        if (c != QLatin1Char(' ') && !isKana(c.unicode()))
            return NameProblem::NotKana;
    }
    return NameProblem::None;
}

ChildProblem Children::entryProblem(QString* name, const QString& mark, qint64 self) const {
    ChildProblem problem;
    problem.name = nameProblem(name);
    problem.keptName = *name;
    if (problem.name != NameProblem::None) {
        problem.kind = ChildProblem::Name;
        return problem;
    }
    if (mark.isEmpty()) {
        problem.kind = ChildProblem::NoMark;
        return problem;
    }
    for (const ChildEntry& c : list()) {
        if (c.name == *name && c.id != self)
            problem.kind = ChildProblem::NameTaken;
    }
    return problem;
}

ChildProblem Children::add(const QString& name, const QString& mark, qint64* id) {
    QString kept = name;
    if (ChildProblem problem = entryProblem(&kept, mark, 0))
        return problem;
    if (const auto problem = m_store.readyForChanges(true))
        return refused(*problem);
    if (list().size() >= kMostChildren)
        return refused(ChildProblem::TooMany);
    QSqlQuery query(m_store.database());
    query.prepare(QStringLiteral("INSERT INTO child (name, mark, added_at) VALUES (?, ?, ?)"));
    query.addBindValue(kept);
    query.addBindValue(mark);
    query.addBindValue(m_clock.nowMs());
    ChildProblem problem = ::change(m_store, query);
    if (!problem && id != nullptr)
        *id = query.lastInsertId().toLongLong();
    return problem;
}

ChildProblem Children::change(qint64 id, const QString& name, const QString& mark) {
    QString kept = name;
    if (ChildProblem problem = entryProblem(&kept, mark, id))
        return problem;
    if (const auto problem = m_store.readyForChanges(false))
        return refused(*problem);
    QSqlQuery query(m_store.database());
    query.prepare(QStringLiteral("UPDATE child SET name = ?, mark = ? WHERE id = ?"));
    query.addBindValue(kept);
    query.addBindValue(mark);
    query.addBindValue(id);
    return ::change(m_store, query);
}

ChildProblem Children::setOmakase(qint64 id, bool on) {
    if (const auto problem = m_store.readyForChanges(false))
        return refused(*problem);
    QSqlQuery query(m_store.database());
    query.prepare(QStringLiteral("UPDATE child SET omakase = ? WHERE id = ?"));
    query.addBindValue(int(on));
    query.addBindValue(id);
    return ::change(m_store, query);
}

std::optional<ChildEntry> Children::entry(qint64 id) const {
    for (const ChildEntry& c : list()) {
        if (c.id == id)
            return c;
    }
    return std::nullopt;
}

ChildProblem Children::remove(qint64 id) {
    if (const auto problem = m_store.readyForChanges(false))
        return refused(*problem);
    // A round of this child may still be on its way to the file.
    m_store.flush();
    QSqlQuery query(m_store.database());
    query.prepare(QStringLiteral("DELETE FROM child WHERE id = ?"));
    query.addBindValue(id);
    ChildProblem problem = ::change(m_store, query);
    if (!problem && removed)
        removed(id);
    return problem;
}
