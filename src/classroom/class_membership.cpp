#include "classroom/class_membership.h"

#include <QObject>
#include <QThread>

#include "state/clock.h"

ClassMembership::ClassMembership(const QString& recordPath, const QString& folder,
                                 const Clock& clock)
    : m_recordPath(recordPath), m_clock(clock), m_folder(folder), m_here(std::make_unique<QObject>()) {}

ClassMembership::~ClassMembership() {
    if (m_joining)
        m_joining->wait();
    m_sender.reset();
}

void ClassMembership::start() {
    m_link = ClassJoin::load(m_folder);
    if (!m_link.joined() || m_sender)
        return;
    if (beforeSending)
        beforeSending();
    QObject* here = m_here.get();
    m_sender = std::make_unique<RoundSender>(m_recordPath, m_link, [this, here](const SendNews& n) {
        {
            QMutexLocker lock(&m_newsMutex);
            m_news = n;
            if (n.kind == SendNews::Sent)
                m_lastReached = m_clock.nowMs();
        }
        QMetaObject::invokeMethod(
            here,
            [this] {
                for (const std::function<void()>& listener : m_listeners)
                    listener();
            },
            Qt::QueuedConnection);
    });
}

void ClassMembership::tryNow() {
    if (m_sender)
        m_sender->sendNow();
}

std::optional<qint64> ClassMembership::lastReached() const {
    QMutexLocker lock(&m_newsMutex);
    return m_lastReached;
}

std::optional<SendNews> ClassMembership::lastNews() const {
    QMutexLocker lock(&m_newsMutex);
    return m_news;
}

void ClassMembership::join(const QString& code,
                           std::function<void(const ClassJoin::Outcome&)> done) {
    if (m_joining)
        return;
    leave();
    auto outcome = std::make_shared<ClassJoin::Outcome>();
    const QString folder = m_folder;
    m_joining.reset(
        QThread::create([outcome, code, folder] { *outcome = ClassJoin::join(code, folder); }));
    QObject::connect(m_joining.get(), &QThread::finished, m_here.get(),
                     [this, outcome, done = std::move(done)] {
                         m_joining->wait();
                         m_joining.reset();
                         start();
                         done(*outcome);
                     });
    m_joining->start();
}

bool ClassMembership::leave() {
    m_sender.reset();
    m_link = {};
    {
        QMutexLocker lock(&m_newsMutex);
        m_news.reset();
        m_lastReached.reset();
    }
    return ClassJoin::leave(m_folder);
}
