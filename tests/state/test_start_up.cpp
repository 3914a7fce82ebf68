#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

#include "state/start_up.h"
#include "support/files.h"
#include "support/tmpfs_mount.h"

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

    // What the adult is told at start, against the situation that gives it: each notice names
    // what cannot be written (the folder, or the files in it), or the pictures left out. The game
    // plays on in each case, with one warning on stderr too.
    void eachNoticeNamesWhatItIsAbout_data() {
        QTest::addColumn<QStringList>("foldersInPlaceOf");
        QTest::addColumn<QString>("picture");
        QTest::addColumn<QString>("notice");
        const QString once = "は、今回だけ有効です";
        QTest::newRow("all well") << QStringList{} << "" << "";
        QTest::newRow("settings file") << QStringList{"Pimo.txt"} << ""
                                       << "「Pimo.txt」に書きこめません：\n%1\n\n設定" + once;
        QTest::newRow("selection file")
            << QStringList{"Fname.txt"} << "" << "「Fname.txt」に書きこめません：\n%1\n\n画像の選択" + once;
        QTest::newRow("both files") << QStringList{"Pimo.txt", "Fname.txt"} << ""
                                    << "「Pimo.txt」と「Fname.txt」に書きこめません：\n%1\n\n設定と画像の選択" + once;
        QTest::newRow("read-only folder") << QStringList{"<read-only>"} << ""
                                          << "このフォルダーには書きこめません：\n%1\n\n設定と画像の選択" + once;
        QTest::newRow("a name without a Shift-JIS form")
            << QStringList{} << "😺.gif" << "次の画像は、名前に使えない文字";
    }
    void eachNoticeNamesWhatItIsAbout() {
        QFETCH(QStringList, foldersInPlaceOf);
        QFETCH(QString, picture);
        QFETCH(QString, notice);
        QTemporaryDir dir;
        // A read-only disk, which stops root too.
        std::optional<TmpfsMount> disk;
        if (foldersInPlaceOf == QStringList{"<read-only>"}) {
            disk.emplace(dir.path(), 1024 * 1024);
            if (!disk->mounted())
                QSKIP(qPrintable("no read-only disk here: " + disk->error()));
        }
        writeFile(dir.filePath("neko.gif"), "GIF89a");
        writeFile(dir.filePath("inu.gif"), "GIF89a");
        if (!picture.isEmpty())
            writeFile(dir.filePath(picture), "GIF89a");
        if (disk)
            QVERIFY(disk->makeReadOnly());
        else
            for (const QString& name : foldersInPlaceOf)
                QVERIFY(QDir(dir.path()).mkdir(name));
        QStringList warnings, notices;
        const auto data = loadGameData(
            {dir.path()}, {"gif"}, [&](const QString& w) { warnings << w; }, &notices);
        QVERIFY(data);
        QCOMPARE(data->selectedFiles, (QStringList{"inu.gif", "neko.gif"}));
        QCOMPARE(warnings.size(), notice.isEmpty() ? 0 : 1);
        if (notice.isEmpty()) {
            QCOMPARE(notices, QStringList());
            return;
        }
        QCOMPARE(notices.size(), 1);
        QVERIFY2(notices[0].startsWith(notice.arg(QDir::toNativeSeparators(dir.path() + '/'))),
                 qPrintable(notices[0]));
        if (!picture.isEmpty())
            QVERIFY(notices[0].endsWith("：\n" + picture));
    }
};

QTEST_GUILESS_MAIN(StartUpTest)
#include "test_start_up.moc"
