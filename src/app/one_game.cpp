#include "app/one_game.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLocalSocket>
#include <QStandardPaths>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#endif

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
    : m_folder(folder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation)
                                : folder) {}

OneGame::~OneGame() {
#ifdef Q_OS_UNIX
    if (m_lockFile >= 0)
        ::close(m_lockFile);
#endif
}

bool OneGame::claim() {
    if (m_folder.isEmpty() || !QDir().mkpath(m_folder))
        return true;
    const QString path = QDir(m_folder).filePath(QStringLiteral("kazoemashou.lock"));
#ifdef Q_OS_UNIX
    // The system's lock on the open file: nothing is written to the disk, and a game that
    // crashed or was killed holds it no more. (QLockFile wrote and synced its file, twice over
    // when a killed game had left one: 2 ms of the child's wait for the first character.)
    const int file =
        ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (file < 0)
        return true;
    if (::flock(file, LOCK_EX | LOCK_NB) == 0) {
        m_lockFile = file;
        m_claimed = true;
        return true;
    }
    const bool held = errno == EWOULDBLOCK;
    ::close(file);
    return !held;
#else
    m_lock = std::make_unique<QLockFile>(path);
    // A lock left by a game that crashed names a process that is gone: QLockFile takes it over.
    m_claimed = m_lock->tryLock(0);
    if (m_claimed)
        return true;
    const bool held = m_lock->error() == QLockFile::LockFailedError;
    m_lock.reset();
    return !held;
#endif
}

void OneGame::listen() {
    if (!m_claimed)
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
