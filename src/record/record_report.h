#pragma once

#include <QDate>
#include <QList>
#include <QString>

#include <array>
#include <optional>

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

    enum Kind { OneToOne, Order, CountedRightAnsweredWrong, OffByOne, AnsweredWithoutCounting };
    static constexpr int kKinds = 5;
    // How many of a set of rounds had each kind of mistake.
    struct Mistakes {
        int rounds = 0;
        std::array<int, kKinds> with{};
    };
    // The last kTrendRounds rounds of the child, and the kTrendRounds before them.
    static constexpr int kTrendRounds = 20;
    std::pair<Mistakes, Mistakes> mistakes(qint64 childId) const;

    // Every round and answer, one line each (a round with no answer: one line), of the child or,
    // for nullopt, of every child; UTF-8 with a byte-order mark. False when writing failed.
    bool writeCsv(QIODevice& out, std::optional<qint64> childId) const;
    // One field as the CSV has it: quoted when it holds a comma, a quote or a line break, and
    // after a ' when a spreadsheet would take it for a formula (it begins with = + - @, a tab or
    // a carriage return).
    static QString csvField(const QString& text);

private:
    QString m_path;
    QString m_connection;
    bool m_open = false;
};
