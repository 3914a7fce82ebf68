#pragma once

#include <QDate>
#include <QList>
#include <QString>

#include <array>
#include <optional>

#include "coach/played_round.h"
#include "coach/round_chooser.h"

class QIODevice;

// What the adult's report ("きろく") reads from the record, by summary queries on a read-only
// connection of its own: nothing is read row by row except the CSV, which is written as it is read.
class RecordReport {
public:
    // A report on the record file at `path`; `open()` before use.
    explicit RecordReport(const QString& path);
    ~RecordReport();
    RecordReport(const RecordReport&) = delete;
    RecordReport& operator=(const RecordReport&) = delete;

    // False when the file is missing or cannot be read (the report then shows nothing).
    bool open();

    // The rounds of one number of characters: all of them, and the last kTileRounds of them with
    // how many were answered right at the first try.
    struct Tile {
        int rounds = 0;
        int recent = 0;
        int recentFirstTry = 0;
    };
    static constexpr int kTileRounds = 20;
    // Tile n - 1 for n characters, 1 to 10. Rounds cut short before an answer are left out.
    std::array<Tile, 10> tiles(qint64 childId) const;

    // One day of play: rounds with an answer, and how many were right at the first try.
    struct Day {
        QDate date;
        int rounds = 0;
        int firstTry = 0;
    };
    // The days with rounds from `from` to `to` (local dates), oldest first.
    QList<Day> days(qint64 childId, const QDate& from, const QDate& to) const;
    // The first and last day the child played; nullopt when never.
    std::optional<std::pair<QDate, QDate>> period(qint64 childId) const;

    // How many of a set of rounds had each kind of mistake (Mistake::Kind), as it counts at the
    // round's number of characters.
    struct Mistakes {
        int rounds = 0;
        std::array<int, Mistake::kKinds> with{};
    };
    // The last kTrendRounds rounds of the child, and the kTrendRounds before them.
    static constexpr int kTrendRounds = 20;
    std::pair<Mistakes, Mistakes> mistakes(qint64 childId) const;
    // The kinds of mistake in each round of the child, oldest first.
    QList<RoundMistakes> roundMistakes(qint64 childId) const;

    // A round おまかせ chose, with why.
    struct ChosenRound {
        qint64 beganAt = 0;
        int characters = 0;
        int countWay = 0;
        bool firstTry = false;
        Omakase::Choice choice;
    };
    // The last `most` rounds of the child that the game chose, newest first.
    QList<ChosenRound> chosenRounds(qint64 childId, int most) const;

    // Every round and answer, one line each (a round with no answer: one line), of the child or,
    // for nullopt, of every child; UTF-8 with a byte-order mark. False when writing failed.
    bool writeCsv(QIODevice& out, std::optional<qint64> childId) const;
    // One field as the CSV has it: quoted when it holds a comma, a quote or a line break, and
    // after a ' when a spreadsheet would take it for a formula (it begins with = + - @, a tab or
    // a carriage return).
    static QString csvField(const QString& text);

private:
    // The rows of round_mistakes of the child, newest first; with `answeredOnly` only rounds with
    // an answer, and at most `most` of them.
    QList<RoundMistakes> readMistakes(qint64 childId, bool answeredOnly, int most) const;

    QString m_path;
    QString m_connection;
    bool m_open = false;
};
