#pragma once

#include <QString>

// What went wrong with the record, for the adult. The words the adult reads are chosen by the
// screen that shows them; here are only the kinds and their details (a path, SQLite's words).

// A problem with the record's file.
struct RecordProblem {
    enum Kind {
        Damaged,       // found damaged at start: moved aside (detail: where to), a new record begun
        DamagedLater,  // found damaged by the check after start: moved aside (detail: where to);
                       // nothing more is recorded until the next start, which begins a new record
        Newer,         // written by a newer game: left untouched, nothing recorded
        Unusable,      // cannot be read or written (detail: why, when known): nothing recorded
        Busy,          // another program holds it: nothing recorded for now, tried again later
        NotMade,       // the first child could not make it (detail: why)
        WriteFailed,   // a change to the children was not written (detail: SQLite's words)
        RoundLost,     // a round was not written (detail: SQLite's words)
    };
    Kind kind = Unusable;
    QString path;    // the record's file
    QString detail;  // as each kind says
};

// What is wrong with a child's name: it must be kana, 1 to 12 signs.
enum class NameProblem { None, Empty, TooLong, NotKana };

// Why a child was not added, changed or removed.
struct ChildProblem {
    enum Kind {
        None,       // done
        Name,       // `name` says what is wrong with it
        NoMark,     // no picture chosen as the child's mark
        NameTaken,  // another child has the name (`keptName`)
        TooMany,    // the most children a record keeps are there already
        Record,     // the file did not take it (`record`)
    };
    Kind kind = None;
    NameProblem name = NameProblem::None;
    QString keptName;  // the name as it would have been kept
    RecordProblem record;

    explicit operator bool() const { return kind != None; }
};
