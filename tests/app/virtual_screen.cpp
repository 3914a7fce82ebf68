#include "virtual_screen.h"

#include <QDeadlineTimer>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

VirtualScreen::VirtualScreen(int width, int height) {
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
        return;
    }
    // -displayfd 1: the server picks a free display and writes its number to stdout.
    // -noreset: by default the server starts itself afresh when its last client leaves, and a
    // program started in that moment cannot connect; every test here starts programs one after
    // another on the same screen.
    m_server.start(
        QStringLiteral("Xvfb"),
        {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
         QStringLiteral("0"), QStringLiteral("%1x%2x24").arg(width).arg(height),
         QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-noreset")});
    if (!m_server.waitForStarted(5000))
        return;
    QByteArray number;
    const QDeadlineTimer deadline(10000);
    while (!number.contains('\n') && !deadline.hasExpired()) {
        m_server.waitForReadyRead(100);
        number += m_server.readAllStandardOutput();
    }
    if (number.trimmed().isEmpty())
        return;
    m_display = QStringLiteral(":") + QString::fromLatin1(number.trimmed());
}

VirtualScreen::~VirtualScreen() {
    if (m_server.state() != QProcess::NotRunning) {
        m_server.terminate();
        if (!m_server.waitForFinished(3000))
            m_server.kill();
        m_server.waitForFinished(1000);
    }
}

void VirtualScreen::start(QProcess& process, const QString& program, const QStringList& arguments,
                          const QString& workingFolder) const {
    QProcessEnvironment programEnvironment = environment();
    programEnvironment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    process.setProcessEnvironment(programEnvironment);
    process.setWorkingDirectory(workingFolder);
    process.start(program, arguments);
    process.waitForStarted(10000);
}

QProcessEnvironment VirtualScreen::environment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), m_display);
    return environment;
}

namespace {
// The X tools match the window's Japanese name only under a UTF-8 locale; a machine with none
// set (or another) gets C.UTF-8 for them, which every Debian machine has.
QProcessEnvironment withUtf8Locale(QProcessEnvironment environment) {
    QString locale = environment.value(QStringLiteral("LC_ALL"));
    if (locale.isEmpty())
        locale = environment.value(QStringLiteral("LC_CTYPE"));
    if (locale.isEmpty())
        locale = environment.value(QStringLiteral("LANG"));
    const QString lower = locale.toLower();
    if (!lower.contains(QStringLiteral("utf-8")) && !lower.contains(QStringLiteral("utf8")))
        environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    return environment;
}
}  // namespace

bool runTool(const QProcessEnvironment& environment, const QString& program,
             const QStringList& arguments, QString* output, int timeoutMs) {
    QProcess tool;
    tool.setProcessEnvironment(environment);
    tool.start(program, arguments);
    if (!tool.waitForFinished(timeoutMs)) {
        tool.kill();
        tool.waitForFinished(1000);
        return false;
    }
    if (output)
        *output = QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
    return tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}

bool VirtualScreen::run(const QString& program, const QStringList& arguments, QString* output,
                        int timeoutMs) const {
    return runTool(withUtf8Locale(environment()), program, arguments, output, timeoutMs);
}

bool VirtualScreen::xdotool(const QStringList& arguments, QString* output) const {
    return run(QStringLiteral("xdotool"), arguments, output);
}

QString VirtualScreen::waitForWindow(const QString& name, int timeoutMs) const {
    // xdotool's own --sync polls only twice a second; polling here is quicker.
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        QString ids;
        if (xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                     QStringLiteral("--name"), QStringLiteral("^%1$").arg(name)},
                    &ids) &&
            !ids.isEmpty()) {
            return ids.split(QLatin1Char('\n')).first();
        }
        QThread::msleep(50);
    }
    return {};
}

bool VirtualScreen::movePointer(int x, int y) const {
    QString place;
    if (!xdotool({QStringLiteral("getmouselocation"), QStringLiteral("--shell")}, &place))
        return false;
    const QStringList lines = place.split(QLatin1Char('\n'));
    if (lines.contains(QStringLiteral("X=%1").arg(x)) &&
        lines.contains(QStringLiteral("Y=%1").arg(y))) {
        return true;
    }
    return xdotool({QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(x),
                    QString::number(y)});
}

bool VirtualScreen::pressKey(const QString& windowId, const QString& key) const {
    // Without a window manager a window gets the keyboard only when it is given the focus.
    return xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), windowId}) &&
           xdotool({QStringLiteral("key"), key});
}

bool VirtualScreen::holdKey(const QString& windowId, const QString& key, int ms) const {
    const bool down =
        xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), windowId}) &&
        xdotool({QStringLiteral("keydown"), key});
    QThread::msleep(ms);
    return xdotool({QStringLiteral("keyup"), key}) && down;
}

QImage VirtualScreen::screenshot() const {
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("screen.png"));
    if (!run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), file},
             nullptr, 15000)) {
        return {};
    }
    return QImage(file);
}
