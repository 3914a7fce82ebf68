#pragma once

#include <QMutex>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "classroom/class_join.h"
#include "classroom/round_sender.h"

class Clock;

class QObject;
class QThread;

// The machine in the class, as the program and the adult's class screen see it, on the game's
// thread: whether it has joined, the sender while it has, and joining and leaving. Without a
// joined class nothing is sent anywhere and no connection is made.
class ClassMembership {
public:
    // `folder`: where the link is kept (beside the record).
    // `clock` tells when the server was last reached.
    ClassMembership(const QString& recordPath, const QString& folder, const Clock& clock);
    ~ClassMembership();  // waits for a join on its way and stops the sender
    ClassMembership(const ClassMembership&) = delete;
    ClassMembership& operator=(const ClassMembership&) = delete;

    // Starts sending when the machine has joined.
    void start();
    // Called on the game's thread before sending starts (at start when joined, and after
    // joining): the program makes the record's file there when there is none yet, so that the
    // class's children and rounds come to a machine that has none of its own.
    std::function<void()> beforeSending;
    bool joined() const { return m_link.joined(); }
    QString server() const { return m_link.host; }
    // A round was handed to the record, or "だれがあそぶ？" opens: the class is tried soon (the
    // round sent, the children fetched).
    void tryNow();
    // What the sender found last; none before its first try.
    std::optional<SendNews> lastNews() const;
    // When a try last reached the server (ms since 1970): the class's rounds are those fetched
    // then. None before the first since joining.
    std::optional<qint64> lastReached() const;
    // `listener` is called on the game's thread whenever the sender has news (it must outlive the
    // membership's event loop: the program and its screens do).
    void listen(std::function<void()> listener) { m_listeners.push_back(std::move(listener)); }

    // Joins with the code typed, on a thread of its own; `done` is called on the game's thread
    // with what came of it, the sender started when it joined.
    void join(const QString& code, std::function<void(const ClassJoin::Outcome&)> done);
    bool joining() const { return m_joining != nullptr; }
    // Leaves the class: sending stops, the link is forgotten, the record stays.
    bool leave();

private:
    QString m_recordPath;
    const Clock& m_clock;  // read on the sender's thread too: a steady clock, read only
    QString m_folder;
    ClassLink m_link;
    std::unique_ptr<QObject> m_here;  // the game thread's end of the news
    std::unique_ptr<RoundSender> m_sender;
    std::unique_ptr<QThread> m_joining;
    std::vector<std::function<void()>> m_listeners;
    mutable QMutex m_newsMutex;
    std::optional<SendNews> m_news;
    std::optional<qint64> m_lastReached;
};
