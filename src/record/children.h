#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <optional>

#include "record/record_problem.h"

class Clock;
class RecordStore;

// A child whose rounds are recorded.
struct ChildEntry {
    qint64 id = 0;
    QString name;  // in kana
    QString mark;  // the file name of a character picture in the data folder
    bool omakase = false;  // the game chooses the child's number of characters and counting way
};

// The children of the record: listed, added, renamed and removed through the store's file, each
// change kept at once. Lives on the game's thread.
class Children {
public:
    Children(RecordStore& store, const Clock& clock);

    // The children, by name. Empty while the record cannot be used.
    QList<ChildEntry> list() const;
    // The first child added makes the record's file.
    ChildProblem add(const QString& name, const QString& mark, qint64* id = nullptr);
    ChildProblem change(qint64 id, const QString& name, const QString& mark);
    // おまかせ on or off for the child (off for a new child).
    ChildProblem setOmakase(qint64 id, bool on);
    // The child of that id; nullopt when there is none (removed, or the record cannot be used).
    std::optional<ChildEntry> entry(qint64 id) const;
    // Removes the child and every round of theirs, once the rounds on their way are written.
    ChildProblem remove(qint64 id);
    // Told of each child removed (who plays may be that child).
    std::function<void(qint64 id)> removed;

    // What is wrong with a child's name. `name` is given back in the form it is kept in
    // (full-width, single spaces).
    static NameProblem nameProblem(QString* name);
    static constexpr int kMostChildren = 40;
    static constexpr int kLongestName = 12;

private:
    // What is wrong with a name and a mark (the name given back as kept): the name's form, no
    // mark, or another child's name; `self` is the child being changed, 0 for a new one.
    ChildProblem entryProblem(QString* name, const QString& mark, qint64 self) const;

    RecordStore& m_store;
    const Clock& m_clock;
};
