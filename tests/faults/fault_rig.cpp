#include "faults/fault_rig.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <unistd.h>

namespace Faults {

namespace {
constexpr QRgb kTrayYellow = 0xFFFFFF80;
constexpr QRgb kPlaceholderGrey = 0xFFE0E0E0;
constexpr int kTwipsPerPixel = 15;
// A character in the tray covers thousands of pixels; a numeral or an edge far fewer.
constexpr int kCaughtPixels = 1000;

}  // namespace

QByteArray settingsLine(int blinkTime, int minCount, int maxCount) {
    return QStringLiteral("1,#FALSE#,#FALSE#,#FALSE#,#FALSE#,%1,%2,%3\r\n")
        .arg(blinkTime)
        .arg(minCount)
        .arg(maxCount)
        .toLatin1();
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QStringList copySamplePictures(const QString& folder, int count) {
    const QDir samples(sourceFolder() + QStringLiteral("/data"));
    const QStringList names =
        samples.entryList({QStringLiteral("*.gif")}, QDir::Files, QDir::Name).mid(0, count);
    for (const QString& name : names) {
        QFile::copy(samples.filePath(name), folder + QLatin1Char('/') + name);
    }
    return names;
}

bool copySounds(const QString& folder) {
    const QDir sounds(sourceFolder() + QStringLiteral("/sounds"));
    const QStringList names = sounds.entryList(QDir::Files);
    bool ok = !names.isEmpty();
    for (const QString& name : names) {
        ok = QFile::copy(sounds.filePath(name), folder + QLatin1Char('/') + name) && ok;
    }
    return ok;
}

QStringList entriesOf(const QString& folder) {
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

qint64 peakResidentKb(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            return line.mid(6).trimmed().split(' ').first().toLongLong();
        }
    }
    return -1;
}

GameView readGameView(const QImage& screenshot) {
    GameView view;
    if (screenshot.isNull())
        return view;
    const QImage image = screenshot.convertToFormat(QImage::Format_RGB32);
    // The tray lies in the top part of the screen.
    const int trayZone = image.height() * 2 / 5;
    int left = image.width(), top = trayZone, right = -1, bottom = -1;
    for (int y = 0; y < trayZone; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (line[x] != kTrayYellow)
                continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    if (right < 0)
        return view;
    view.tray = QRect(QPoint(left, top), QPoint(right, bottom));
    for (int y = top + 2; y <= bottom - 2; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = left + 2; x <= right - 2; ++x) {
            if (line[x] != kTrayYellow)
                ++view.trayContent;
        }
    }
    // Below the tray and its border: the field, white but for the character on show.
    left = image.width(), top = image.height(), right = -1, bottom = -1;
    for (int y = view.tray.bottom() + 3; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(line[x]) >= 250)
                continue;  // white, and the faintest edge of a picture
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    if (right < 0)
        return view;
    view.character = QRect(QPoint(left, top), QPoint(right, bottom));
    for (int y = top; y <= bottom; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = left; x <= right; ++x) {
            if (line[x] == kPlaceholderGrey)
                ++view.placeholderGrey;
        }
    }
    return view;
}

GameRun::~GameRun() {
    if (m_process.state() != QProcess::NotRunning) {
        if (m_window.isEmpty() || !m_screen.pressKey(m_window, QStringLiteral("Escape")) ||
            !m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }
    if (!m_logPath.isEmpty())
        QFile::remove(m_logPath);
}

bool GameRun::start(const QString& dataFolder, const QString& workingFolder, int timeoutMs) {
    // Standard error goes to a file: nothing reads the pipe while a test waits, and a full pipe
    // would stop the game.
    m_logPath = QDir::temp().filePath(QStringLiteral("kazoe-faults-%1-%2.log")
                                          .arg(QCoreApplication::applicationPid())
                                          .arg(quintptr(this)));
    m_process.setStandardErrorFile(m_logPath);
    m_process.setStandardOutputFile(QProcess::nullDevice());
    // A connection to the X server refused at once is no fault of the game's: such a start is
    // tried again.
    for (int attempt = 1; attempt <= 3; ++attempt) {
        QElapsedTimer clock;
        clock.start();
        m_screen.start(m_process, programPath(), {dataFolder}, workingFolder);
        if (m_process.state() != QProcess::Running) {
            m_error = QStringLiteral("the program did not start: ") + m_process.errorString();
            return false;
        }
        m_window = m_screen.waitForWindow(QStringLiteral("かぞえましょう"), timeoutMs);
        m_startUpMs = clock.elapsed();
        if (!m_window.isEmpty() && running())
            return true;
        m_process.waitForFinished(1000);
        if (running() || !standardError().contains(QStringLiteral("could not connect")))
            break;
        QThread::msleep(500);
    }
    m_error = QStringLiteral("no game window; stderr: ") + standardError();
    return false;
}

QString GameRun::standardError() {
    QFile log(m_logPath);
    return log.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(log.readAll()) : QString();
}

bool GameRun::clickAt(const QString& windowId, TwipsPoint place) {
    QString geometry;
    if (!m_screen.xdotool(
            {QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), windowId},
            &geometry)) {
        return false;
    }
    int x = -1, y = -1;
    for (const QString& line : geometry.split(QLatin1Char('\n'))) {
        if (line.startsWith(QStringLiteral("X=")))
            x = line.mid(2).toInt();
        if (line.startsWith(QStringLiteral("Y=")))
            y = line.mid(2).toInt();
    }
    if (x < 0 || y < 0)
        return false;
    return m_screen.movePointer(x + place.x / kTwipsPerPixel, y + place.y / kTwipsPerPixel) &&
           m_screen.xdotool({QStringLiteral("click"), QStringLiteral("1")});
}

bool GameRun::movePointer(int x, int y) {
    return m_screen.movePointer(x, y);
}

QString GameRun::openScreen(const QString& key, const QString& title, int timeoutMs) {
    if (!pressKey(key))
        return {};
    const QString id = m_screen.waitForWindow(title, timeoutMs);
    // A screen shown before stays mapped behind the game: give it time to come to the front.
    QThread::msleep(300);
    return id;
}

bool GameRun::answerMessageBox(const QString& title, int timeoutMs) {
    const QString box = m_screen.waitForWindow(title, timeoutMs);
    if (box.isEmpty())
        return false;
    QThread::msleep(100);
    return m_screen.pressKey(box, QStringLiteral("Return"));
}

bool GameRun::catchCharacter(int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    int before = -1;
    while (!deadline.hasExpired() && running()) {
        const GameView view = readGameView(m_screen.screenshot());
        if (before < 0)
            before = view.trayContent;
        if (view.trayContent > before + kCaughtPixels)
            return true;
        if (!view.character.isEmpty()) {
            // Next to it first, so that the move onto it is a move even if the pointer was there.
            const QPoint centre = view.character.center();
            movePointer(centre.x() - 3, centre.y() - 3);
            movePointer(centre.x(), centre.y());
        }
        QThread::msleep(150);
    }
    return false;
}

bool GameRun::quit(int timeoutMs) {
    if (!running())
        return false;
    pressKey(QStringLiteral("Escape"));
    // A notice kept for the adult since start-up (a file the game could not write) comes up at
    // their first key, in a window of its own; answered, the game ends.
    if (!m_process.waitForFinished(3000)) {
        QString windows;
        m_screen.xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                          QStringLiteral("--pid"), QString::number(pid())},
                         &windows);
        for (const QString& window : windows.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            if (window != m_window)
                m_screen.pressKey(window, QStringLiteral("Return"));
        }
    }
    if (running() && !m_process.waitForFinished(timeoutMs))
        return false;
    return m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
}

ReadOnlyFolder::ReadOnlyFolder(const QString& folder)
    : m_folder(folder), m_mount(geteuid() == 0 ? new TmpfsMount(folder, 4 << 20) : nullptr) {}

ReadOnlyFolder::~ReadOnlyFolder() {
    if (!m_mount)
        QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

bool ReadOnlyFolder::makeReadOnly() {
    return m_mount ? m_mount->makeReadOnly()
                   : QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::ExeOwner);
}

}  // namespace Faults
