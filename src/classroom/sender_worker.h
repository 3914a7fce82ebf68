#pragma once

// The sender's worker, on the sender's thread: shared by the file that sends the machine's rounds
// (round_sender.cpp) and the one that shares the children and fetches the class's rounds
// (class_sharing.cpp). Not for use outside src/classroom.

#include <QAtomicInteger>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QTimer>
#include <QVariantList>

#include <optional>

#include "classroom/round_sender.h"
#include "record/record_file.h"

// A child as a machine knows them, into the class: a removed child is not brought back, and of two
// changes the later stays.
inline const QString kChildIntoClass = QStringLiteral(
    "INSERT INTO child (key, name, mark, added_at, changed_at)"
    " SELECT CAST(? AS text), CAST(? AS text), CAST(? AS text), CAST(? AS bigint),"
    "  CAST(? AS bigint) WHERE NOT EXISTS"
    "  (SELECT 1 FROM removed_child WHERE key = CAST(? AS text))"
    " ON CONFLICT (key) DO UPDATE SET name = EXCLUDED.name, mark = EXCLUDED.mark,"
    "  changed_at = EXCLUDED.changed_at WHERE child.changed_at < EXCLUDED.changed_at");

// A refusal of the data itself (against a rule of the class's tables), not of the connection or
// of the game's rights: the same round or child would be refused however often it is sent.
inline bool refusedForGood(const QSqlError& error) {
    const QString state = error.nativeErrorCode();  // PostgreSQL's SQLSTATE
    return state.startsWith(QLatin1String("22")) || state.startsWith(QLatin1String("23"));
}

// Ends a transaction on `db`: committed when all in it was done, else rolled back. False when
// it was not committed; a failed commit's words go to `error` (a failure before keeps its own).
inline bool endTransaction(QSqlDatabase& db, bool done, QString* error) {
    if (done && db.commit())
        return true;
    if (done)
        *error = db.lastError().text();
    db.rollback();
    return false;
}

// One round as it goes to the server.
struct Outgoing {
    qint64 number = 0;
    QString child;
    QVariantList values;  // the round's columns after the machine and the number
};

// The sender's side: its two connections (the local record and the server) and its timer, touched
// only on the sender's thread.
class SenderWorker : public QObject {
public:
    SenderWorker(const QString& recordPath, const ClassLink& link, RoundSender::Told told,
                 RoundSender::Pacing pacing)
        : m_recordPath(recordPath),
          m_link(link),
          m_told(std::move(told)),
          m_pacing(pacing),
          m_local(QStringLiteral("kazoemashou-sender-local-%1").arg(serial())),
          m_server(QStringLiteral("kazoemashou-sender-server-%1").arg(serial())),
          m_retryMs(pacing.firstRetryMs) {}

    void trySend();
    // Soon rather than at once: the round that was just handed to the record's writer is in its
    // file a moment later.
    void sendNow() {
        if (!m_waitingAfterFailure && !m_stopped)
            lookAgainIn(kSoonMs);
    }
    static constexpr int kSoonMs = 300;
    // After the try on its way, if any: a try queued behind the stop finds the sender stopped
    // (else its connections would outlive the thread, and a later sender's be taken for them).
    void stop() {
        m_stopped = true;
        delete m_timer;
        m_timer = nullptr;
        disconnectServer();
        if (QSqlDatabase::contains(m_local))
            RecordFile::disconnect(m_local);
    }

private:
    // Each sender's connections are named anew: names are the same in every thread.
    static int serial() {
        static QAtomicInteger<int> next;
        return next.fetchAndAddRelaxed(1);
    }
    bool connectLocal();
    // The record's file moved aside (damaged) or gone: the sender lets go of it, writes nothing
    // more into it, and takes up the file that is begun at its place.
    void letGoOfRecordIfMoved();
    bool connectServer(SendNews* news);
    void disconnectServer() {
        if (QSqlDatabase::contains(m_server)) {
            QSqlDatabase::database(m_server, false).close();
            QSqlDatabase::removeDatabase(m_server);
        }
    }
    bool sendRemovals(QString* error);
    // The rounds of the class's other machines come into the record, one page of them, in the
    // order of the transactions that brought them; `fetched`: how many.
    bool fetchRounds(int* fetched, QString* error);
    // Children changed here go to the class, the class's come here; `changed` when any came.
    bool shareChildren(bool* changed, QString* error);
    // Sends the next batch; `taken` (sent, or set aside as refused) is 0 when nothing waits.
    bool sendBatch(int* sent, int* taken, QString* error);
    QList<Outgoing> nextBatch(QString* error);
    // The batch in one transaction. With `refused`, a round the server refuses for good is left
    // out (its words kept there) and the others go; without, any refusal refuses the batch.
    bool sendToClass(const QList<Outgoing>& batch, QHash<qint64, QString>* refused,
                     QSqlError* failure);
    // How many rounds wait to be sent, and how many the server refused (kept here).
    void countQueue(SendNews* news);
    void failed(SendNews news);
    void lookAgainIn(int ms) {
        if (m_timer == nullptr) {
            m_timer = new QTimer(this);
            m_timer->setSingleShot(true);
            connect(m_timer, &QTimer::timeout, this, [this] { trySend(); });
        }
        m_timer->start(ms);
    }

    QString m_recordPath;
    ClassLink m_link;
    RoundSender::Told m_told;
    RoundSender::Pacing m_pacing;
    QString m_local;
    QString m_server;
    QString m_machine;
    // Where the fetch of the class's rounds has reached: the last one's transaction and key.
    struct FetchedUpTo {
        qint64 tx = 0;
        QString machine;
        qint64 number = 0;
    };
    std::optional<FetchedUpTo> m_fetchFrom;
    static constexpr int kFetchPage = 500;
    QHash<QString, qint64> m_childrenKnown;  // each child's key and stamp, as the class has them
    bool m_continuing = false;               // the next batch of a try: children shared already
    // A fetched round's child is not here yet (added in the class since the children were
    // shared): the fetch stopped before it, and the next try shares the children first.
    bool m_childNotYetHere = false;
    QTimer* m_timer = nullptr;
    int m_retryMs;
    bool m_waitingAfterFailure = false;
    bool m_stopped = false;
};
