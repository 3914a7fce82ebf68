#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QPointer>
#include <QString>
#include <QWindow>

#include <memory>

// One game at a time for each user. A child who double-clicks the menu entry must not get two
// full-screen games on one record: the second start asks the first to come to the front and
// ends. The claim is a lock on a file in the user's runtime folder, let go of by the system when
// the game ends in any way; the call to come forward goes through a local socket beside it.
class OneGame {
public:
    // The lock file and the socket in `folder` (by default the user's runtime folder).
    explicit OneGame(const QString& folder = {});
    ~OneGame();
    OneGame(const OneGame&) = delete;
    OneGame& operator=(const OneGame&) = delete;

    // Claims the game for this process. False when another game holds it; true too when no
    // claim can be made here (no runtime folder): a game is never refused for that.
    bool claim();
    // While this process holds the claim, a later start's call brings the game's window that had
    // the keyboard last (the game, the picker, or an adult screen) to the front.
    void listen();
    // From a later start: asks the game that holds the claim to come to the front.
    void callTheFirst() const;

private:
    QString m_folder;
    bool m_claimed = false;
#ifdef Q_OS_UNIX
    int m_lockFile = -1;
#else
    std::unique_ptr<QLockFile> m_lock;
#endif
    QLocalServer m_server;
    QPointer<QWindow> m_lastActive;
};
