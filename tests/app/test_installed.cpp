// The game as a user installs it: `cmake --install` into a staging folder, the menu entry and the
// metadata valid, and the installed program started the way its menu entry starts it, from an
// unrelated folder with a fresh home; then the classroom lock of the menu's second action.

#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <algorithm>

#include "screen_player.h"
#include "screen_reading.h"
#include "virtual_screen.h"
#include "support/paths.h"

namespace {
const QString kAppId = QStringLiteral(KAZOE_APP_ID);
const QString kTitle = QStringLiteral("かぞえましょう");
// How long the locked game wants an adult key held down.
constexpr int kHoldMs = 2000;

// Runs a command line tool; its output on failure.
bool runTool(const QString& program, const QStringList& arguments, QString* output,
             const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    QProcess tool;
    tool.setProcessEnvironment(environment);
    tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start(program, arguments);
    const bool ended = tool.waitForFinished(60000);
    *output = QString::fromUtf8(tool.readAll());
    return ended && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}

// Every file under `folder` whose name is one of `names`.
QStringList filesNamed(const QString& folder, const QStringList& names) {
    QStringList found;
    QDirIterator it(folder, names, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        found << it.next();
    found.sort();
    return found;
}
}  // namespace

class InstalledTest : public QObject {
    Q_OBJECT

private slots:
    // Installs the game once into a staging folder, as a package build does (prefix /usr).
    void initTestCase() {
        QVERIFY(m_stage.isValid());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DESTDIR"), m_stage.path());
        QString output;
        QVERIFY2(runTool(builtTool("KAZOE_CMAKE"),
                         {QStringLiteral("--install"), builtTool("KAZOE_BUILD_DIR"),
                          QStringLiteral("--prefix"), QStringLiteral("/usr")},
                         &output, environment),
                 qPrintable(output));
        m_usr = m_stage.filePath(QStringLiteral("usr"));
    }

    void menuEntryAndMetadataAreValid() {
        const QString entry = m_usr + QStringLiteral("/share/applications/%1.desktop").arg(kAppId);
        const QString metadata =
            m_usr + QStringLiteral("/share/metainfo/%1.metainfo.xml").arg(kAppId);
        for (const char* size : {"48x48", "64x64", "128x128", "256x256"}) {
            QVERIFY(QFile::exists(m_usr + QStringLiteral("/share/icons/hicolor/%1/apps/%2.png")
                                              .arg(QLatin1String(size), kAppId)));
        }
        QVERIFY(QFile::exists(
            m_usr + QStringLiteral("/share/icons/hicolor/scalable/apps/%1.svg").arg(kAppId)));
        if (QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("appstreamcli")).isEmpty()) {
            QSKIP("needs desktop-file-validate and appstreamcli (desktop-file-utils, appstream)");
        }
        QString output;
        QVERIFY2(runTool(QStringLiteral("desktop-file-validate"), {entry}, &output),
                 qPrintable(output));
        QVERIFY2(
            runTool(QStringLiteral("appstreamcli"),
                    {QStringLiteral("validate"), QStringLiteral("--no-net"), metadata}, &output),
            qPrintable(output));
    }

    // Started as the menu starts it, from a folder that has nothing of the game's, by a user who
    // never played: the sample characters come, the first one hops with its sound, and the two
    // files are written into the user's own picture folder and nowhere else.
    void menuStartPlaysOnTheUsersOwnFolder() {
        if (!m_screen.isUp())
            QSKIP("needs Xvfb and xdotool");
        QTemporaryDir home, elsewhere;
        const QStringList command = menuCommand(QString());
        QProcess recording;
        QTemporaryDir heard;
        const QString heardFile = heard.filePath(QStringLiteral("monitor.raw"));
        const bool listening = startListening(recording, heardFile);

        QProcess game;
        startAs(game, command, home.path(), elsewhere.path());
        const QString window = m_screen.waitForWindow(kTitle);
        QVERIFY2(!window.isEmpty(), game.readAllStandardError().constData());

        // The character on the white ground moves from one place to another.
        const QRect field(0, 768 / 4, 1024, 768 * 3 / 4);
        QRect first;
        QVERIFY(ScreenPlayer::waitFor([&] { return !(first = character(field)).isEmpty(); }, 5000));
        QVERIFY2(
            ScreenPlayer::waitFor(
                [&] { return !character(field).isEmpty() && character(field) != first; }, 5000),
            "the character never hopped");

        if (listening) {
            // The sound reaches the monitor, and the recording, a moment after the hop.
            const auto heardHop = [&] {
                QFile raw(heardFile);
                return raw.open(QIODevice::ReadOnly) && audibleMs(raw.readAll()) >= 30;
            };
            const bool hopHeard = ScreenPlayer::waitFor(heardHop, 3000);
            recording.terminate();
            recording.waitForFinished(3000);
            QVERIFY2(hopHeard, "no hop sound was heard");
        } else {
            qWarning("no audio server with a null sink: the hop sound was not listened for");
        }

        const QString own = home.filePath(QStringLiteral(".local/share/kazoemashou/characters"));
        QCOMPARE(QDir(own).entryList({QStringLiteral("*.gif")}, QDir::Files).size(), 14);
        const QStringList files{QStringLiteral("Pimo.txt"), QStringLiteral("Fname.txt")};
        QCOMPARE(filesNamed(home.path(), files), (QStringList{own + QStringLiteral("/Fname.txt"),
                                                              own + QStringLiteral("/Pimo.txt")}));
        QCOMPARE(filesNamed(elsewhere.path(), files), QStringList());
        QCOMPARE(filesNamed(m_stage.path(), files), QStringList());

        QVERIFY(m_screen.pressKey(window, QStringLiteral("Escape")));
        QVERIFY(game.waitForFinished(10000));
        QCOMPARE(game.exitCode(), 0);
    }

    // The menu's locked start: a tap of Esc or H, or Esc held for a second, does nothing; Esc
    // held for two seconds ends the game. Without the lock Esc ends it at once.
    void lockLetsOnlyHeldKeysAct() {
        if (!m_screen.isUp())
            QSKIP("needs Xvfb and xdotool");
        QTemporaryDir home;
        QProcess game;
        startAs(game, menuCommand(QStringLiteral("locked")), home.path(), home.path());
        QString window = m_screen.waitForWindow(kTitle);
        QVERIFY2(!window.isEmpty(), game.readAllStandardError().constData());
        QVERIFY(m_screen.pressKey(window, QStringLiteral("Escape")));
        QVERIFY(m_screen.pressKey(window, QStringLiteral("h")));
        QVERIFY(m_screen.holdKey(window, QStringLiteral("Escape"), 1000));
        QThread::msleep(kHoldMs + 300);
        QCOMPARE(game.state(), QProcess::Running);
        QCOMPARE(visibleWindowsOf(game), 1);  // no adult screen opened either

        QElapsedTimer held;
        held.start();
        QVERIFY(m_screen.xdotool({QStringLiteral("keydown"), QStringLiteral("Escape")}));
        QVERIFY(game.waitForFinished(kHoldMs + 3000));
        const qint64 heldMs = held.elapsed();
        m_screen.xdotool({QStringLiteral("keyup"), QStringLiteral("Escape")});
        QVERIFY2(heldMs >= kHoldMs, qPrintable(QString::number(heldMs)));
        QCOMPARE(game.exitCode(), 0);

        startAs(game, menuCommand(QString()), home.path(), home.path());
        window = m_screen.waitForWindow(kTitle);
        QVERIFY(!window.isEmpty());
        QVERIFY(
            m_screen.xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window}));
        held.start();
        QVERIFY(m_screen.xdotool({QStringLiteral("keydown"), QStringLiteral("Escape")}));
        QVERIFY(game.waitForFinished(5000));
        m_screen.xdotool({QStringLiteral("keyup"), QStringLiteral("Escape")});
        QVERIFY2(held.elapsed() < 1000, qPrintable(QString::number(held.elapsed())));
    }

private:
    // The command of the menu entry's main group (`action` empty) or of one of its actions, with
    // the program as installed in the staging folder.
    QStringList menuCommand(const QString& action) const {
        QFile entry(m_usr + QStringLiteral("/share/applications/%1.desktop").arg(kAppId));
        if (!entry.open(QIODevice::ReadOnly))
            return {};
        const QString group = action.isEmpty() ? QStringLiteral("[Desktop Entry]")
                                               : QStringLiteral("[Desktop Action %1]").arg(action);
        bool inGroup = false;
        for (const QString& line : QString::fromUtf8(entry.readAll()).split(QLatin1Char('\n'))) {
            if (line.startsWith(QLatin1Char('[')))
                inGroup = line == group;
            if (inGroup && line.startsWith(QStringLiteral("Exec="))) {
                QStringList words = line.mid(5).split(QLatin1Char(' '), Qt::SkipEmptyParts);
                words[0] = m_usr + QStringLiteral("/bin/") + words[0];
                return words;
            }
        }
        return {};
    }

    // Starts the program with a fresh home (no data folder of its own set) in `folder`.
    void startAs(QProcess& game, const QStringList& command, const QString& home,
                 const QString& folder) {
        QVERIFY(!command.isEmpty());
        const QByteArray oldHome = qgetenv("HOME"), oldData = qgetenv("XDG_DATA_HOME");
        qputenv("HOME", home.toLocal8Bit());
        qunsetenv("XDG_DATA_HOME");
        m_screen.start(game, command.first(), command.mid(1), folder);
        qputenv("HOME", oldHome);
        if (!oldData.isEmpty())
            qputenv("XDG_DATA_HOME", oldData);
    }

    // Listens to the audio server's null sink, when there is one, into a file (a pipe that
    // nobody reads while the test waits would fill and stop the recording).
    static bool startListening(QProcess& recording, const QString& file) {
        QString output;
        if (!runTool(QStringLiteral("pactl"), {QStringLiteral("info")}, &output))
            return false;
        recording.setStandardOutputFile(file);
        recording.start(QStringLiteral("parec"),
                        {QStringLiteral("--device=null.monitor"), QStringLiteral("--raw"),
                         QStringLiteral("--format=s16le"), QStringLiteral("--channels=1"),
                         QStringLiteral("--rate=22050"), QStringLiteral("--latency-msec=20")});
        return recording.waitForStarted(5000);
    }

    // How long the recording is louder than a whisper, in 10 ms steps.
    static int audibleMs(const QByteArray& raw) {
        const auto* samples = reinterpret_cast<const qint16*>(raw.constData());
        const qsizetype count = raw.size() / 2;
        int loud = 0;
        for (qsizetype start = 0; start + 220 <= count; start += 220) {
            const auto* end = samples + start + 220;
            loud += std::any_of(samples + start, end, [](qint16 s) { return std::abs(s) > 1000; })
                        ? 10
                        : 0;
        }
        return loud;
    }

    QRect character(const QRect& field) const {
        return ScreenReading::boxOfNonWhite(m_screen.screenshot(), field);
    }

    int visibleWindowsOf(const QProcess& game) const {
        QString ids;
        m_screen.xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                          QStringLiteral("--pid"), QString::number(game.processId())},
                         &ids);
        return int(ids.split(QLatin1Char('\n'), Qt::SkipEmptyParts).size());
    }

    QTemporaryDir m_stage;
    QString m_usr;
    VirtualScreen m_screen;
};

QTEST_GUILESS_MAIN(InstalledTest)
#include "test_installed.moc"
