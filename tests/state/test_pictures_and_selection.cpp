#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "support/files.h"

#include "state/character_files.h"
#include "state/selection_file.h"

using OptionalNames = std::optional<QStringList>;

class PicturesAndSelectionTest : public QObject {
    Q_OBJECT
private slots:
    void dataFolderFromTheCommandLine_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("folder");
        const QString sep = QDir::separator();
        QTest::newRow("none: current folder") << QStringList{} << QString();
        QTest::newRow("empty argument") << QStringList{""} << QString();
        QTest::newRow("plain") << QStringList{"data"} << "data" + sep;
        QTest::newRow("split by the shell") << QStringList{"my", "pictures"} << "my pictures" + sep;
        QTest::newRow("spaces kept") << QStringList{" a ", "b"} << " a  b" + sep;
        QTest::newRow("trailing separator") << QStringList{"/srv/data/"} << "/srv/data" + sep;
        QTest::newRow("root") << QStringList{"/"} << sep;
    }
    void dataFolderFromTheCommandLine() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, folder);
        QCOMPARE(dataFolderFromArguments(arguments), folder);
    }

    void namesTheSelectionFileCanKeep_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("storable");
        QTest::newRow("ascii") << "neko.gif" << true;
        QTest::newRow("japanese") << QString::fromUtf8("ねこ　ネコ猫.gif") << true;
        QTest::newRow("windows extensions") << QString::fromUtf8("①Ⅰ㈱～.gif") << true;
        QTest::newRow("comma and spaces") << " a, b .gif" << true;
        QTest::newRow("double quote") << "say \"hi\".gif" << false;
        QTest::newRow("line break") << "two\nlines.gif" << false;
        QTest::newRow("carriage return") << "two\rlines.gif" << false;
        QTest::newRow("accented latin") << QString::fromUtf8("café.gif") << false;
        QTest::newRow("emoji") << QString::fromUtf8("😀.gif") << false;
        QTest::newRow("wave dash one way only") << QString::fromUtf8("〜.gif") << false;
    }
    void namesTheSelectionFileCanKeep() {
        QFETCH(QString, name);
        QFETCH(bool, storable);
        QCOMPARE(canStoreInSelectionFile(name), storable);
        if (storable) {  // and it does come back unchanged through the file
            QCOMPARE(parseSelectionFile(selectionFileContents({name}, {name}), {name}),
                     OptionalNames(QStringList{name}));
        }
        // A picture added from the selection screen gets a name the file can keep; a storable
        // name stays as it is.
        const QString storableName = storableInSelectionFile(name);
        QVERIFY(canStoreInSelectionFile(storableName));
        QCOMPARE(storableName == name, storable);
    }

    void scanListsEveryGifInOneOrder() {
        QTemporaryDir dir;
        const QString folder = dir.path() + QDir::separator();
        const QStringList files = {"b.gif",
                                   "B.GIF",
                                   "a.Gif",
                                   "Neko.gif",
                                   "note.txt",
                                   "gif",
                                   "x.gif.txt",
                                   QString::fromUtf8("ねこ.gif"),
                                   QString::fromUtf8("😀.gif"),
                                   "say \"hi\".gif",
                                   "c.PNG",
                                   "d.bmp"};
        for (const QString& name : files) {
            writeFile(folder + name, "GIF89a");
        }
        QVERIFY(QDir(folder).mkdir("folder.gif"));
        QStringList warnings;
        const QStringList scanned =
            scanCharacterFiles(folder, {"gif", "png"}, [&](const QString& w) { warnings << w; });
        QCOMPARE(scanned, (QStringList{"a.Gif", "B.GIF", "b.gif", "c.PNG", "Neko.gif",
                                       QString::fromUtf8("ねこ.gif")}));
        QCOMPARE(warnings.size(), 2);  // one per picture left out
        for (const QString& w : warnings) {
            QVERIFY(w.startsWith("kazoemashou: "));
        }
        QVERIFY(scanCharacterFiles(folder + "absent" + QDir::separator(), {"gif"}, {}).isEmpty());
    }

    void scanHasNoFixedCapacity() {
        QTemporaryDir dir;
        for (int i = 0; i < 150; ++i) {
            writeFile(dir.filePath(QString("p%1.gif").arg(i, 3, 10, QChar('0'))), "GIF89a");
        }
        const QStringList scanned = scanCharacterFiles(dir.path() + QDir::separator(), {"gif"}, {});
        QCOMPARE(scanned.size(), 150);
        QCOMPARE(scanned.last(), "p149.gif");
    }

    void writesTheSelectionFileByteForByte() {
        QCOMPARE(selectionFileContents({"a.gif", "b.gif"}, {"b.gif"}),
                 QByteArray("\"a.gif\",#FALSE#\r\n\"b.gif\",#TRUE#\r\n"));
        QCOMPARE(
            selectionFileContents({QString::fromUtf8("ねこ.gif")}, {QString::fromUtf8("ねこ.gif")}),
            QByteArray("\"\x82\xcb\x82\xb1.gif\",#TRUE#\r\n"));
        // Case-sensitive: "A.gif" selected does not select "a.gif".
        QCOMPARE(selectionFileContents({"A.gif", "a.gif"}, {"A.gif"}),
                 QByteArray("\"A.gif\",#TRUE#\r\n\"a.gif\",#FALSE#\r\n"));
    }

    void readsTheSelectionFile_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<OptionalNames>("selected");
        // Rows are read against the pictures a.gif, b.gif, c.gif.
        const OptionalNames refused;
        QTest::newRow("round trip")
            << selectionFileContents({"a.gif", "b.gif", "c.gif"}, {"a.gif", "c.gif"})
            << OptionalNames({"a.gif", "c.gif"});
        QTest::newRow("ends early") << QByteArray("\"a.gif\",#TRUE#\r\n\"b.gif\",#TRUE#\r\n")
                                    << OptionalNames({"a.gif", "b.gif"});
        QTest::newRow("empty") << QByteArray() << OptionalNames(QStringList{});
        QTest::newRow("all false")
            << QByteArray("\"a.gif\",#FALSE#\r\n\"b.gif\",#FALSE#\r\n\"c.gif\",#FALSE#\r\n")
            << OptionalNames(QStringList{});
        QTest::newRow("editor's endings") << QByteArray("\"a.gif\", #true#\n\"b.gif\",0\n\n")
                                          << OptionalNames(QStringList{"a.gif"});
        QTest::newRow("line too many")
            << selectionFileContents({"a.gif", "b.gif", "c.gif", "d.gif"}, {}) << refused;
        QTest::newRow("picture added in front") << QByteArray("\"b.gif\",#TRUE#\r\n") << refused;
        QTest::newRow("other letter case") << QByteArray("\"A.gif\",#TRUE#\r\n") << refused;
        QTest::newRow("no quotes") << QByteArray("a.gif,#TRUE#\r\n") << refused;
        QTest::newRow("no flag") << QByteArray("\"a.gif\"\r\n\"b.gif\",#TRUE#\r\n") << refused;
        QTest::newRow("flag missing at end") << QByteArray("\"a.gif\",") << refused;
        QTest::newRow("bad flag") << QByteArray("\"a.gif\",yes\r\n") << refused;
        QTest::newRow("extra value") << QByteArray("\"a.gif\",#TRUE#,1\r\n") << refused;
        QTest::newRow("unclosed quote") << QByteArray("\"a.gif,#TRUE#\r\n") << refused;
        QTest::newRow("not Shift-JIS") << QByteArray("\"a.gif\",#TRUE#\r\n\x82") << refused;
    }
    void readsTheSelectionFile() {
        QFETCH(QByteArray, bytes);
        QFETCH(OptionalNames, selected);
        QCOMPARE(parseSelectionFile(bytes, {"a.gif", "b.gif", "c.gif"}), selected);
    }

    // The start-up reader: the selection played with and what "Fname.txt" holds afterwards.
    void startUpReader_data() {
        QTest::addColumn<QByteArray>("before");  // "<missing>": no file
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<QByteArray>("after");
        const QByteArray all = "\"a.gif\",#TRUE#\r\n\"b.gif\",#TRUE#\r\n";
        QTest::newRow("first start")
            << QByteArray("<missing>") << QStringList{"a.gif", "b.gif"} << all;
        QTest::newRow("outdated") << QByteArray("\"old.gif\",#FALSE#\r\n")
                                  << QStringList{"a.gif", "b.gif"} << all;
        QTest::newRow("too big") << QByteArray(kMaxTextFileBytes + 1, ' ')
                                 << QStringList{"a.gif", "b.gif"} << all;
        const QByteArray early = "\"a.gif\",#FALSE#\r\n";
        QTest::newRow("new picture sorted last") << early << QStringList{} << early;
    }
    void startUpReader() {
        QFETCH(QByteArray, before);
        QFETCH(QStringList, selected);
        QFETCH(QByteArray, after);
        QTemporaryDir dir;
        SharedState state;
        state.dataFolder = dir.path() + QDir::separator();
        state.characterFiles = {"a.gif", "b.gif"};
        if (before != "<missing>") {
            writeFile(state.dataFolder + "Fname.txt", before);
        }
        QStringList warnings;
        loadSelection(state, [&](const QString& w) { warnings << w; });
        QCOMPARE(state.selectedFiles, selected);
        QCOMPARE(fileBytes(state.dataFolder + "Fname.txt"), after);
        QCOMPARE(warnings, QStringList());
    }

    // Thousands of pictures make a valid file above the usual read limit; the choice survives.
    void bigSelectionFileIsKept() {
        QTemporaryDir dir;
        SharedState state;
        state.dataFolder = dir.path() + QDir::separator();
        for (int i = 0; i < 40000; ++i) {
            state.characterFiles
                << QString("character-picture-number-%1.gif").arg(i, 6, 10, QChar('0'));
        }
        state.selectedFiles = {state.characterFiles[7], state.characterFiles.last()};
        QVERIFY(saveSelection(state));
        QVERIFY(QFileInfo(state.dataFolder + "Fname.txt").size() > kMaxTextFileBytes);
        const QStringList chosen = state.selectedFiles;
        state.selectedFiles.clear();
        loadSelection(state, {});
        QCOMPARE(state.selectedFiles, chosen);
    }

    // A "Fname.txt" that is a folder cannot be replaced (tests run as root, which a read-only
    // folder does not stop): one warning, every picture selected in memory.
    void folderInTheWayWarnsOnceAndSelectsAll() {
        QTemporaryDir dir;
        SharedState state;
        state.dataFolder = dir.path() + QDir::separator();
        state.characterFiles = {"a.gif", "b.gif"};
        QVERIFY(QDir(dir.path()).mkdir("Fname.txt"));
        QStringList warnings;
        loadSelection(state, [&](const QString& w) { warnings << w; });
        QCOMPARE(state.selectedFiles, state.characterFiles);
        QCOMPARE(warnings.size(), 1);
        QVERIFY(warnings[0].startsWith("kazoemashou: "));
    }
};

QTEST_GUILESS_MAIN(PicturesAndSelectionTest)
#include "test_pictures_and_selection.moc"
