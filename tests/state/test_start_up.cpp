#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "support/files.h"

#include "state/start_up.h"

class StartUpTest : public QObject {
    Q_OBJECT
private slots:
    // Pictures are looked for before anything is written, so a folder without any is untouched.
    void folderWithoutPicturesIsLeftAlone() {
        QTemporaryDir dir;
        writeFile(dir.filePath("readme.txt"), "x");
        QVERIFY(QDir(dir.path()).mkdir("trap.gif"));
        QStringList warnings;
        QVERIFY(!loadGameData({dir.path()}, {"gif"}, [&](const QString& w) { warnings << w; }));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 (QStringList{"readme.txt", "trap.gif"}));
        QVERIFY(warnings.isEmpty());
    }

    void firstStartCreatesBothFiles() {
        QTemporaryDir parent;
        // A folder name with a space, as the shell splits it into two arguments.
        QVERIFY(QDir(parent.path()).mkdir("my pictures"));
        const QString folder = parent.filePath("my pictures") + QDir::separator();
        writeFile(folder + "b.gif", "GIF89a");
        writeFile(folder + "A.GIF", "GIF89a");
        const QStringList arguments = (parent.path() + "/my pictures").split(' ');
        QStringList warnings;
        const auto data =
            loadGameData(arguments, {"gif"}, [&](const QString& w) { warnings << w; });
        QVERIFY(data);
        QCOMPARE(data->dataFolder, folder);
        QCOMPARE(data->settings, GameSettings{});
        QCOMPARE(data->selectedFiles, (QStringList{"A.GIF", "b.gif"}));
        QCOMPARE(fileBytes(folder + "Pimo.txt"),
                 QByteArray("1,#FALSE#,#FALSE#,#FALSE#,#FALSE#,15,2,5\r\n"));
        QCOMPARE(fileBytes(folder + "Fname.txt"),
                 QByteArray("\"A.GIF\",#TRUE#\r\n\"b.gif\",#TRUE#\r\n"));
        QVERIFY(warnings.isEmpty());
    }

    void noArgumentUsesTheCurrentFolder() {
        QTemporaryDir dir;
        writeFile(dir.filePath("neko.gif"), "GIF89a");
        writeFile(dir.filePath("Pimo.txt"), "0,#TRUE#,#FALSE#,#TRUE#,#FALSE#,3,4,6\r\n");
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        const auto data = loadGameData({}, {"gif"}, {});
        QDir::setCurrent(previous);
        QVERIFY(data);
        QCOMPARE(data->dataFolder, QString());
        QCOMPARE(data->settings.countWay, CountWay::AnyOrder);
        QCOMPARE(data->settings.maxCount, 6);
        QCOMPARE(fileBytes(dir.filePath("Fname.txt")), QByteArray("\"neko.gif\",#TRUE#\r\n"));
    }

    // A data folder the game cannot write to: one warning, the game plays with the values in
    // memory. Tests run as root, whom a read-only folder does not stop, so the two files are
    // made impossible to replace by putting folders in their place.
    void unwritableFolderWarnsOnce() {
        QTemporaryDir dir;
        writeFile(dir.filePath("neko.gif"), "GIF89a");
        writeFile(dir.filePath("inu.gif"), "GIF89a");
        QVERIFY(QDir(dir.path()).mkdir("Pimo.txt"));
        QVERIFY(QDir(dir.path()).mkdir("Fname.txt"));
        QStringList warnings, notices;
        const auto data = loadGameData(
            {dir.path()}, {"gif"}, [&](const QString& w) { warnings << w; }, &notices);
        QVERIFY(data);
        QCOMPARE(data->settings, GameSettings{});
        QCOMPARE(data->selectedFiles, (QStringList{"inu.gif", "neko.gif"}));
        QCOMPARE(warnings.size(), 1);
        QVERIFY(warnings[0].startsWith("kazoemashou: "));
        // And in Japanese for an adult who started the game from a menu.
        QCOMPARE(notices.size(), 1);
        QVERIFY(notices[0].contains("書きこめません") && notices[0].contains(dir.path()));
    }

    // A picture left out for its name (an emoji has no Shift-JIS form) is named to the adult.
    void theAdultHearsOfPicturesLeftOut() {
        QTemporaryDir dir;
        writeFile(dir.filePath("neko.gif"), "GIF89a");
        writeFile(dir.filePath("😺.gif"), "GIF89a");
        QStringList notices;
        QVERIFY(loadGameData({dir.path()}, {"gif"}, {}, &notices));
        QCOMPARE(notices.size(), 1);
        QVERIFY(notices[0].endsWith("：\n😺.gif"));
    }
};

QTEST_GUILESS_MAIN(StartUpTest)
#include "test_start_up.moc"
