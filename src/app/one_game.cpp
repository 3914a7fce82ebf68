#include "app/one_game.h"

#include <QDir>
#include <QGuiApplication>
#include <QLocalSocket>
#include <QStandardPaths>

namespace {
constexpr int kCallMs = 2000;

QString socketName(const QString& folder) {
#ifdef Q_OS_UNIX
    // A path of the user's own, where other users cannot reach it.
    return QDir(folder).filePath(QStringLiteral("kazoemashou.socket"));
#else
    // Elsewhere local sockets are named pipes with plain names.
    Q_UNUSED(folder);
    return QStringLiteral("kazoemashou-") + qEnvironmentVariable("USERNAME");
#endif
}
}  // namespace

OneGame::OneGame(const QString& folder)
    : m_folder(folder.isEmpty()
                   ? QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation)
                   : folder) {}

OneGame::~OneGame() = default;

bool OneGame::claim() {
    if (m_folder.isEmpty() || !QDir().mkpath(m_folder))
        return true;
    m_lock = std::make_unique<QLockFile>(QDir(m_folder).filePath(QStringLiteral("kazoemashou.lock")));
    // A lock left by a game that crashed names a process that is gone: QLockFile takes it over.
    if (m_lock->tryLock(0))
        return true;
    const bool held = m_lock->error() == QLockFile::LockFailedError;
    m_lock.reset();
    return !held;
}

void OneGame::listen() {
    if (!m_lock)
        return;
    QObject::connect(qGuiApp, &QGuiApplication::focusWindowChanged, &m_server,
                     [this](QWindow* window) {
                         if (window != nullptr)
                             m_lastActive = window;
                     });
    // A socket left by a game that crashed is ours to replace: we hold the claim now.
    QLocalServer::removeServer(socketName(m_folder));
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    m_server.listen(socketName(m_folder));
    QObject::connect(&m_server, &QLocalServer::newConnection, &m_server, [this] {
        while (QLocalSocket* caller = m_server.nextPendingConnection()) {
            QObject::connect(caller, &QLocalSocket::disconnected, caller,
                             &QLocalSocket::deleteLater);
            caller->disconnectFromServer();
            QWindow* front = m_lastActive ? m_lastActive.data() : qGuiApp->focusWindow();
            if (front != nullptr && front->isVisible()) {
                front->raise();
                front->requestActivate();
            }
        }
    });
}

void OneGame::callTheFirst() const {
    QLocalSocket socket;
    socket.connectToServer(socketName(m_folder));
    if (socket.waitForConnected(kCallMs))
        socket.waitForDisconnected(kCallMs);
}
