#pragma once

#include <QList>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

#include "record/recorder.h"
#include "record/round_record.h"
#include "state/game_settings.h"

class QSqlError;
class RecordWriter;

// A child whose rounds are recorded.
struct ChildEntry {
    qint64 id = 0;
    QString name;  // in kana
    QString mark;  // the file name of a character picture in the data folder
};

// The kinds of mistake of one round, as docs/record.md and the view round_mistakes define them.
struct RoundMistakes {
    qint64 roundId = 0;
    int characters = 0;
    int countWay = 0;
    bool cutShort = false;
    int answers = 0;
    int solvedAt = 0;  // the try that was right; 0 when none was
    int countedTwice = 0;
    int skipped = 0;
    int oneToOne = 0;
    int orderMistakes = 0;
    int countedRightAnsweredWrong = 0;
    int offByOne = 0;
    int answeredWithoutCounting = 0;
};

// Each child's record: the file in the user's data folder, the children, who plays now, and the
// rounds of that child written as they end. Lives on the game's thread; rounds are written on a
// thread of their own.
//
// While no file exists nothing is made: the first child added makes it. A damaged file is moved
// aside and a new one begun; a file of a newer game is left untouched and nothing is recorded; a
// file that cannot be written does not stop the game either. Each of these gives the adult a
// message (Japanese), to be shown where no child's round is interrupted.
class Record {
public:
    // The title of the adult's messages about the record.
    static const QString kMessageTitle;

    Record(const QString& path, const RecordClock& clock, const GameSettings& settings);
    ~Record();  // writes the rounds still on their way first
    Record(const Record&) = delete;
    Record& operator=(const Record&) = delete;

    // Opens the file when there is one. Returns the messages for the adult; none when all is well.
    QStringList open();
    // Messages that came up since: a round that could not be written. Each is returned once.
    QStringList takeMessages();
    // While another program held the file at open(), tries again; true once rounds can be
    // recorded. The program calls it now and then, and as an adult comes.
    bool retryIfBusy();

    // The listener that records the rounds of the child who plays.
    RoundListener& listener() { return m_recorder; }
    // Whether rounds of a chosen child are written.
    bool canRecord() const { return m_state == State::Ready; }
    QString path() const { return m_path; }

    // The children, by name. Empty while the record cannot be used.
    QList<ChildEntry> children() const;
    // Each returns an empty text when done, else a message for the adult.
    QString addChild(const QString& name, const QString& mark, qint64* id = nullptr);
    QString changeChild(qint64 id, const QString& name, const QString& mark);
    // Removes the child and every round of theirs.
    QString removeChild(qint64 id);
    // What is wrong with a child's name (empty when nothing): it must be kana, 1 to 12 signs.
    // `name` is given back in the form it is kept in (full-width, single spaces).
    static QString nameProblem(QString* name);
    static constexpr int kMostChildren = 40;
    static constexpr int kLongestName = 12;

    // Who plays from the next round on: a child, or nullopt for a guest (not recorded).
    void choosePlayer(std::optional<qint64> childId);
    std::optional<qint64> player() const { return m_recorder.child(); }
    // Children exist and nobody has been chosen yet (or the child chosen was removed).
    bool mustAskWhoPlays() const;

    // The kinds of mistake in each round of the child, oldest first.
    QList<RoundMistakes> roundMistakes(qint64 childId) const;

    // Returns when every round that has ended is written.
    void flush();

private:
    enum class State { Absent, Ready, Newer, Busy, Unusable };
    enum class Found { Usable, Damaged, Newer, Busy, Unusable };
    Found foundOn(const QSqlError& error) const;
    bool openExisting(QStringList* messages);
    Found inspect(QSqlError* error);
    Found makeReady(bool create, QString* why);
    // A new file at the path (the old one is gone or moved aside): true when it takes rounds.
    bool begin(QString* why);
    void startWriting();
    void beginFresh(QStringList* messages);
    void close();
    QString writeFailed(const QSqlError& error) const;
    // What is wrong with a name and a mark (the name given back as kept): the name's form, no
    // mark, or another child's name; `self` is the child being changed, 0 for a new one.
    QString entryProblem(QString* name, const QString& mark, qint64 self) const;

    QString m_path;
    const RecordClock& m_clock;
    QString m_connection;  // the game thread's own
    State m_state = State::Absent;
    Recorder m_recorder;
    std::unique_ptr<RecordWriter> m_writer;
    bool m_chosen = false;
    mutable QMutex m_messagesMutex;
    QStringList m_messages;
    bool m_toldWriteFailure = false;
};
