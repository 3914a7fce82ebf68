#include "wayland_screen.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLibraryInfo>
#include <QStandardPaths>
#include <QThread>

#include <pwd.h>
#include <unistd.h>

#include "app/virtual_screen.h"

namespace {
void stop(QProcess& process) {
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(3000))
        process.kill();
    process.waitForFinished(1000);
}

// Every view in sway's tree, floating ones too, depth first.
void collectViews(const QJsonObject& node, QJsonArray& views) {
    if (node.contains(QStringLiteral("pid")))
        views.append(node);
    for (const char* children : {"nodes", "floating_nodes"})
        for (const QJsonValue child : node.value(QLatin1String(children)).toArray())
            collectViews(child.toObject(), views);
}
}  // namespace

WaylandScreen::WaylandScreen(int width, int height) {
    for (const char* tool : {"sway", "swaymsg", "grim", "wtype"}) {
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty()) {
            m_whyNot = QStringLiteral("needs sway, grim and wtype (missing: %1)").arg(tool);
            return;
        }
    }
    if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                       QStringLiteral("/platforms/libqwayland-generic.so"))) {
        m_whyNot = QStringLiteral("needs Qt's Wayland platform (Debian: qt6-wayland)");
        return;
    }
    // sway itself runs as an unprivileged user when the test runs as root.
    QStringList command{QStringLiteral("sway")};
    if (geteuid() == 0) {
        const QByteArray name = qgetenv("KAZOE_WAYLAND_USER");
        const passwd* user = name.isEmpty() ? nullptr : getpwnam(name.constData());
        if (user == nullptr || user->pw_uid == 0) {
            m_whyNot = QStringLiteral("sway refuses to run as root and KAZOE_WAYLAND_USER names "
                                      "no unprivileged user");
            return;
        }
        if (QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty()) {
            m_whyNot = QStringLiteral("needs setpriv to start sway as %1").arg(name);
            return;
        }
        command = QStringList{QStringLiteral("setpriv"), QStringLiteral("--reuid=%1").arg(user->pw_uid),
                              QStringLiteral("--regid=%1").arg(user->pw_gid),
                              QStringLiteral("--clear-groups"), QStringLiteral("--")} +
                  command;
        m_runtime = m_folder.filePath(QStringLiteral("sway"));
        QDir().mkpath(m_runtime);
        QFile::setPermissions(m_folder.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                   QFile::ExeOwner | QFile::ReadGroup |
                                                   QFile::ExeGroup | QFile::ReadOther |
                                                   QFile::ExeOther);
        if (chown(QFile::encodeName(m_runtime).constData(), user->pw_uid, user->pw_gid) != 0) {
            m_whyNot = QStringLiteral("cannot give %1 a runtime folder").arg(name);
            return;
        }
    } else {
        m_runtime = m_folder.filePath(QStringLiteral("sway"));
        QDir().mkpath(m_runtime);
    }
    QFile::setPermissions(m_runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString config = m_folder.filePath(QStringLiteral("sway.conf"));
    QFile configFile(config);
    configFile.open(QIODevice::WriteOnly);
    configFile.write(QStringLiteral("output HEADLESS-1 resolution %1x%2\n").arg(width).arg(height).toUtf8());
    configFile.close();

    QProcessEnvironment environment;
    environment.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH", "/usr/bin:/bin"));
    environment.insert(QStringLiteral("HOME"), m_runtime);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime);
    // No GPU, no input devices: sway draws in memory and the tests bring the keyboard.
    environment.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless"));
    environment.insert(QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1"));
    environment.insert(QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman"));
    m_sway.setProcessEnvironment(environment);
    m_sway.setWorkingDirectory(m_folder.path());
    m_sway.setStandardOutputFile(m_folder.filePath(QStringLiteral("sway.log")));
    m_sway.setStandardErrorFile(m_folder.filePath(QStringLiteral("sway.log")));
    m_sway.start(command.first(), command.mid(1) + QStringList{QStringLiteral("-c"), config});

    const QDeadlineTimer deadline(15000);
    while (!deadline.hasExpired() && m_sway.state() != QProcess::NotRunning &&
           (m_display.isEmpty() || m_swaySocket.isEmpty())) {
        QThread::msleep(50);
        const QDir runtime(m_runtime);
        const QStringList displays =
            runtime.entryList({QStringLiteral("wayland-*")}, QDir::System).filter(QRegularExpression(QStringLiteral("^wayland-[0-9]+$")));
        const QStringList sockets = runtime.entryList({QStringLiteral("sway-ipc.*.sock")}, QDir::System);
        if (!displays.isEmpty())
            m_display = runtime.filePath(displays.first());
        if (!sockets.isEmpty())
            m_swaySocket = runtime.filePath(sockets.first());
    }
    if (m_display.isEmpty() || m_swaySocket.isEmpty() || !run(QStringLiteral("swaymsg"), {QStringLiteral("-t"), QStringLiteral("get_outputs")})) {
        QFile log(m_folder.filePath(QStringLiteral("sway.log")));
        log.open(QIODevice::ReadOnly);
        m_whyNot = QStringLiteral("sway did not start: ") + QString::fromUtf8(log.readAll().right(400));
        stop(m_sway);
        return;
    }
    // The seat's keyboard, there before any program under test: wtype's virtual keyboard lives
    // as long as wtype does, and it waits for an hour before pressing a harmless Shift.
    m_keyboard.setProcessEnvironment(clientEnvironment());
    m_keyboard.start(QStringLiteral("wtype"), {QStringLiteral("-s"), QStringLiteral("3600000"),
                                               QStringLiteral("-k"), QStringLiteral("Shift_L")});
    m_keyboard.waitForStarted(5000);
    const QDeadlineTimer keyboard(5000);
    QString seats;
    while (!keyboard.hasExpired() &&
           !(run(QStringLiteral("swaymsg"), {QStringLiteral("-t"), QStringLiteral("get_seats")}, &seats) &&
             seats.contains(QStringLiteral("\"keyboard\""))))
        QThread::msleep(50);
    if (!seats.contains(QStringLiteral("\"keyboard\"")))
        m_whyNot = QStringLiteral("wtype gave sway's seat no keyboard");
}

WaylandScreen::~WaylandScreen() {
    stop(m_keyboard);
    stop(m_sway);
}

QProcessEnvironment WaylandScreen::clientEnvironment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // The client's own runtime folder: sway's belongs to another user. libwayland takes the
    // display by its full path.
    const QString runtime = m_folder.filePath(QStringLiteral("client"));
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    environment.insert(QStringLiteral("WAYLAND_DISPLAY"), m_display);
    environment.insert(QStringLiteral("SWAYSOCK"), m_swaySocket);
    environment.remove(QStringLiteral("DISPLAY"));
    return environment;
}

void WaylandScreen::start(QProcess& process, const QString& program, const QStringList& arguments,
                          const QString& workingFolder) const {
    QProcessEnvironment environment = clientEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    const QString home = m_folder.filePath(QStringLiteral("home"));
    QDir().mkpath(home);
    environment.insert(QStringLiteral("HOME"), home);
    environment.remove(QStringLiteral("XDG_DATA_HOME"));
    environment.remove(QStringLiteral("XDG_CONFIG_HOME"));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(workingFolder);
    process.start(program, arguments);
    process.waitForStarted(10000);
}

bool WaylandScreen::run(const QString& program, const QStringList& arguments, QString* output,
                        int timeoutMs) const {
    return runTool(clientEnvironment(), program, arguments, output, timeoutMs);
}

QJsonArray WaylandScreen::windows() const {
    QString tree;
    QJsonArray views;
    if (run(QStringLiteral("swaymsg"), {QStringLiteral("-t"), QStringLiteral("get_tree")}, &tree))
        collectViews(QJsonDocument::fromJson(tree.toUtf8()).object(), views);
    return views;
}

bool WaylandScreen::pressKey(const QString& key, int holdMs) const {
    if (holdMs <= 0)
        return run(QStringLiteral("wtype"), {QStringLiteral("-k"), key});
    return run(QStringLiteral("wtype"), {QStringLiteral("-P"), key, QStringLiteral("-s"),
                                         QString::number(holdMs), QStringLiteral("-p"), key},
               nullptr, holdMs + 10000);
}

QImage WaylandScreen::screenshot() const {
    const QString file = m_folder.filePath(QStringLiteral("screen.png"));
    QFile::remove(file);
    if (!run(QStringLiteral("grim"), {file}, nullptr, 15000))
        return {};
    return QImage(file);
}
