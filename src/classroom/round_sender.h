#pragma once

#include <QString>

#include <functional>
#include <memory>

#include "classroom/class_link.h"

class QThread;
class SenderWorker;

// What the sender found on its last try, for the adult's screens.
struct SendNews {
    enum Kind {
        Sent,         // `rounds` more rounds are in the class's record; `waiting` are left
        Away,         // the server cannot be reached now: tried again later
        Refused,      // the server refused the game's role or its password
        Certificate,  // the server's certificate is not the one the machine pinned: nothing sent
        Newer,        // the server's tables are of a newer game: nothing is sent
        Older,        // the server's tables are older than the game's: set the server up again
        Failed,       // the server did not take the rounds (detail: its words)
    };
    Kind kind = Sent;
    bool childrenChanged = false;  // children came from the class (added, changed or removed)
    int rounds = 0;                // sent
    int fetched = 0;               // the class's other machines' rounds, come into the record
    int waiting = 0;
    int setAside = 0;  // refused by the server for good: kept here, tried again at the next start
    QString detail;   // the driver's words, for the technical line; never the password
};

// Sends the finished rounds waiting in the record's queue to the class's record, on a thread of
// its own, so that the game's thread never waits for the network. Everything asked of it is a
// queued call to a worker on that thread.
//
// Each batch goes to the server in one transaction and is taken off the queue only after the
// server's commit. A round the server refuses for good (a rule of its tables: a mark too long for
// it, say) is set aside in the queue, and the rounds after it go on. A batch whose commit is lost on the way (the server stopped, the machine turned
// off) is sent again at the next try, and the server takes a round only once: its key is the
// machine's id and the round's number in the queue. After a failure the sender waits, twice as long
// after each failure in a row, up to a limit; when the queue is empty it closes its connection and
// looks again now and then, and at once when asked (a round was written).
//
// The children are shared on each try before the rounds: the children removed here are removed in
// the class, those added or changed here since the last try go there, and the class's children
// come back, so that a child added, changed or removed on any machine (or by the teacher on the
// server) is the same on every machine. Of two changes of one child the later wins (each stamped
// with its machine's clock); a removal wins over any change, even a later one. Two children added
// with the same name on two machines are two children: the adult removes the one not wanted.
//
// Once the queue is empty, the rounds that the class's other machines sent come into the record
// like the machine's own (and are never sent back), so that 「きろく」, its CSV and its PDF cover
// the whole class.
class RoundSender {
public:
    struct Pacing {
        int batch = 200;          // rounds per transaction
        int firstRetryMs = 1000;  // after the first failure in a row
        int longestRetryMs = 60000;
        int lookAgainMs = 20000;  // while the queue is empty
    };
    // `told` is called on the sender's thread after each try, whether it reached the server or not.
    using Told = std::function<void(const SendNews& news)>;
    RoundSender(const QString& recordPath, const ClassLink& link, Told told, Pacing pacing);
    RoundSender(const QString& recordPath, const ClassLink& link, Told told)
        : RoundSender(recordPath, link, std::move(told), Pacing()) {}
    ~RoundSender();  // stops after the batch on its way, if any
    RoundSender(const RoundSender&) = delete;
    RoundSender& operator=(const RoundSender&) = delete;

    // Tries in a moment (a round was just written), unless a wait after a failure is running.
    // Returns at once.
    void sendNow();
    // Tries a link once from the calling thread (joining does, off the game's thread): Sent when
    // the server takes the machine's rounds, else what is wrong.
    static SendNews check(const ClassLink& link);
    // Runs `call` on the sender's thread after what was asked before it.
    void queue(std::function<void()> call);

private:
    std::unique_ptr<QThread> m_thread;
    SenderWorker* m_worker = nullptr;  // lives on m_thread
};
