// The real program, started on a private X screen and driven with real key presses.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include "support/files.h"
#include "virtual_screen.h"
#include "support/paths.h"

namespace {
// The smallest GIF picture there is: one white pixel.
const QByteArray kTinyGif = QByteArray::fromHex(
    "474946383961010001008000000000ffffff21f90401000000002c00000000010001000002024401003b");

QByteArray cp932(const QString& text) {
    QStringEncoder encoder("windows-31j");
    return encoder.encode(text);
}
}  // namespace

class ProgramTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        if (!m_screen.isUp())
            QSKIP("needs Xvfb and xdotool");
    }

    // A first start in a folder with pictures and no files of the game's: both files are made
    // with the defaults and every picture selected, the game opens, and Esc ends it cleanly.
    void firstStartWritesDefaultsAndEscEnds() {
        QTemporaryDir parent;
        // A folder name with a space: the shell hands it over as two words.
        const QString folder = parent.filePath(QStringLiteral("my pictures"));
        QVERIFY(QDir().mkpath(folder));
        for (const char* name : {"ねこ.gif", "B.GIF", "a.gif"}) {
            writeFile(folder + QLatin1Char('/') + QString::fromUtf8(name), kTinyGif);
        }
        QProcess game;
        m_screen.start(game, programPath(),
                       {parent.filePath(QStringLiteral("my")), QStringLiteral("pictures")},
                       parent.path());
        const QString window = m_screen.waitForWindow(QStringLiteral("かぞえましょう"));
        QVERIFY2(!window.isEmpty(), game.readAllStandardError().constData());

        QCOMPARE(fileBytes(folder + QStringLiteral("/Pimo.txt")),
                 QByteArray("1,#FALSE#,#FALSE#,#FALSE#,#FALSE#,15,2,5\r\n"));
        QCOMPARE(fileBytes(folder + QStringLiteral("/Fname.txt")),
                 cp932(QStringLiteral(
                     "\"a.gif\",#TRUE#\r\n\"B.GIF\",#TRUE#\r\n\"ねこ.gif\",#TRUE#\r\n")));

        // The icon for the task bar comes just after the first frame.
        QTRY_VERIFY_WITH_TIMEOUT(windowIcon(window).contains("Icon (32 x 32)"), 5000);

        QVERIFY(m_screen.pressKey(window, QStringLiteral("Escape")));
        QVERIFY(game.waitForFinished(10000));
        QCOMPARE(game.exitStatus(), QProcess::NormalExit);
        QCOMPARE(game.exitCode(), 0);
    }

    // A folder without pictures: the message, then the program ends with a failure status and
    // writes nothing.
    void folderWithoutPicturesSaysSoAndEnds() {
        QTemporaryDir folder;
        writeFile(folder.filePath(QStringLiteral("notes.txt")), "not a picture");
        QProcess game;
        m_screen.start(game, programPath(), {folder.path()}, folder.path());
        const QString box = m_screen.waitForWindow(QStringLiteral("かぞえましょう"));
        QVERIFY2(!box.isEmpty(), game.readAllStandardError().constData());
        QVERIFY(game.state() == QProcess::Running);

        QVERIFY(m_screen.pressKey(box, QStringLiteral("Return")));
        QVERIFY(game.waitForFinished(10000));
        QVERIFY(game.exitCode() != 0);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files),
                 QStringList{QStringLiteral("notes.txt")});
    }

private:
    // The icon the window shows the desktop, as xprop prints it.
    QString windowIcon(const QString& window) const {
        QString icon;
        m_screen.run(QStringLiteral("xprop"),
                     {QStringLiteral("-id"), window, QStringLiteral("_NET_WM_ICON")}, &icon);
        return icon;
    }

    VirtualScreen m_screen;
};

QTEST_GUILESS_MAIN(ProgramTest)
#include "test_program.moc"
