#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "support/files.h"

#include "state/settings_file.h"

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#endif

namespace {

const QByteArray kDefaultLine = "1,#FALSE#,#FALSE#,#FALSE#,#FALSE#,15,2,5\r\n";

GameSettings make(qint16 countWay, bool click, bool mixed, bool people, bool hide, qint16 blink,
                  qint16 minCount, qint16 maxCount) {
    return {countWay, click, mixed, people, hide, blink, minCount, maxCount};
}

}  // namespace

class SettingsFileTest : public QObject {
    Q_OBJECT
private slots:
    void writesTheLineByteForByte_data() {
        QTest::addColumn<GameSettings>("settings");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("defaults") << GameSettings{} << kDefaultLine;
        QTest::newRow("every flag set")
            << make(CountWay::NoCounting, true, true, true, true, 40, 10, 10)
            << QByteArray("4,#TRUE#,#TRUE#,#TRUE#,#TRUE#,40,10,10\r\n");
        QTest::newRow("negative") << make(-3, false, true, false, true, 1, -32768, 32767)
                                  << QByteArray(
                                         "-3,#FALSE#,#TRUE#,#FALSE#,#TRUE#,1,-32768,32767\r\n");
    }
    void writesTheLineByteForByte() {
        QFETCH(GameSettings, settings);
        QFETCH(QByteArray, bytes);
        QCOMPARE(settingsFileContents(settings), bytes);
        QCOMPARE(parseSettingsFile(bytes), std::optional(settings));
    }

    void readsWhatTheFileRulesAllow_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<std::optional<GameSettings>>("expected");
        const auto sample =
            std::optional(make(CountWay::FromLeftBlinking, true, false, true, false, 7, 1, 9));
        QTest::newRow("spaces before values")
            << QByteArray(" 3, #TRUE#,#FALSE#,  #TRUE#,#FALSE#,7,1,9\r\n") << sample;
        QTest::newRow("spaces after values")
            << QByteArray("3 ,#TRUE# ,#FALSE#,#TRUE#,#FALSE#,7,1 ,9  ") << sample;
        QTest::newRow("flags in any case")
            << QByteArray("3,#true#,#False#,#TrUe#,#false#,7,1,9\r\n") << sample;
        QTest::newRow("flags as numbers") << QByteArray("3,-1,0,5,+0,7,1,9\r\n") << sample;
        QTest::newRow("values over lines")
            << QByteArray("3,#TRUE#\r\n#FALSE#\n#TRUE#\r#FALSE#,7,1,9") << sample;
        QTest::newRow("rest ignored")
            << QByteArray("3,#TRUE#,#FALSE#,#TRUE#,#FALSE#,7,1,9,x\r\njunk") << sample;
        QTest::newRow("out of range kept")
            << QByteArray("7,0,0,0,0,0,12,11\r\n")
            << std::optional(make(7, false, false, false, false, 0, 12, 11));
        const std::optional<GameSettings> malformed;
        QTest::newRow("empty") << QByteArray() << malformed;
        QTest::newRow("two values") << QByteArray("2,#TRUE#\r\n") << malformed;
        QTest::newRow("seven values")
            << QByteArray("1,#FALSE#,#FALSE#,#FALSE#,#FALSE#,15,2\r\n") << malformed;
        QTest::newRow("empty value")
            << QByteArray("1,,#FALSE#,#FALSE#,#FALSE#,15,2,5\r\n") << malformed;
        QTest::newRow("fraction") << QByteArray("1.5,#FALSE#,#FALSE#,#FALSE#,#FALSE#,15,2,5\r\n")
                                  << malformed;
        QTest::newRow("word for number")
            << QByteArray("#TRUE#,#FALSE#,#FALSE#,#FALSE#,#FALSE#,15,2,5") << malformed;
        QTest::newRow("word for flag")
            << QByteArray("1,yes,#FALSE#,#FALSE#,#FALSE#,15,2,5\r\n") << malformed;
        QTest::newRow("quoted number") << QByteArray("\"1\",0,0,0,0,15,2,5\r\n") << malformed;
        QTest::newRow("above 16 bits") << QByteArray("1,0,0,0,0,32768,2,5\r\n") << malformed;
        QTest::newRow("below 16 bits") << QByteArray("1,0,0,0,0,15,-32769,5\r\n") << malformed;
        QTest::newRow("flag above 16 bits") << QByteArray("1,0,70000,0,0,15,2,5\r\n") << malformed;
        QTest::newRow("endless digits")
            << QByteArray("1,0,0,0,0,15,2,") + QByteArray(5000, '9') << malformed;
        QTest::newRow("not Shift-JIS") << QByteArray("1,\x85\x40,0,0,0,15,2,5\r\n") << malformed;
    }
    void readsWhatTheFileRulesAllow() {
        QFETCH(QByteArray, bytes);
        QFETCH(std::optional<GameSettings>, expected);
        QCOMPARE(parseSettingsFile(bytes), expected);
    }

    void bringsHandEditedValuesIntoRange_data() {
        QTest::addColumn<GameSettings>("read");
        QTest::addColumn<GameSettings>("played");
        QTest::newRow("in range untouched") << make(CountWay::AnyOrder, 1, 1, 1, 1, 40, 10, 10)
                                            << make(CountWay::AnyOrder, 1, 1, 1, 1, 40, 10, 10);
        QTest::newRow("counting way 7") << make(7, 0, 0, 0, 0, 15, 2, 5) << GameSettings{};
        QTest::newRow("max count 12") << make(CountWay::FromLeft, 0, 0, 0, 0, 15, 2, 12)
                                      << make(CountWay::FromLeft, 0, 0, 0, 0, 15, 2, 10);
        QTest::newRow("blink 0") << make(CountWay::FromLeft, 0, 0, 0, 0, 0, 2, 5)
                                 << make(CountWay::FromLeft, 0, 0, 0, 0, 1, 2, 5);
        QTest::newRow("min above max") << make(CountWay::FromLeft, 0, 0, 0, 0, 15, 8, 3)
                                       << make(CountWay::FromLeft, 0, 0, 0, 0, 15, 3, 3);
        QTest::newRow("both out") << make(CountWay::FromLeft, 0, 0, 0, 0, 15, 30, -4)
                                  << make(CountWay::FromLeft, 0, 0, 0, 0, 15, 1, 1);
    }
    void bringsHandEditedValuesIntoRange() {
        QFETCH(GameSettings, read);
        QFETCH(GameSettings, played);
        QCOMPARE(clampedToRanges(read), played);
    }

    // The start-up reader: what is played with, and what the file holds afterwards.
    void startUpReader_data() {
        QTest::addColumn<QByteArray>("before");  // "<missing>": no file
        QTest::addColumn<GameSettings>("played");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("first start") << QByteArray("<missing>") << GameSettings{} << kDefaultLine;
        QTest::newRow("cut-off file") << QByteArray("2,#TRUE#") << GameSettings{} << kDefaultLine;
        QTest::newRow("empty file") << QByteArray() << GameSettings{} << kDefaultLine;
        QTest::newRow("garbage") << QByteArray("\xff\x00\x81garbage\x1a", 11) << GameSettings{}
                                 << kDefaultLine;
        QTest::newRow("too big") << QByteArray(kMaxTextFileBytes + 1, '7') << GameSettings{}
                                 << kDefaultLine;
        const QByteArray mixed = "1,#FALSE#,#TRUE#,#FALSE#,#FALSE#,15,2,5\r\n";
        QTest::newRow("valid kept")
            << mixed << make(CountWay::FromLeft, 0, 1, 0, 0, 15, 2, 5) << mixed;
        const QByteArray outOfRange = "7,0,0,0,0,0,12,11\n";
        QTest::newRow("out of range mended in memory only")
            << outOfRange << make(CountWay::FromLeft, 0, 0, 0, 0, 1, 10, 10) << outOfRange;
    }
    void startUpReader() {
        QFETCH(QByteArray, before);
        QFETCH(GameSettings, played);
        QFETCH(QByteArray, after);
        QTemporaryDir dir;
        const QString folder = dir.path() + QDir::separator();
        if (before != "<missing>") {
            writeFile(folder + "Pimo.txt", before);
        }
        QStringList warnings;
        QCOMPARE(readSettingsAtStartUp(folder, [&](const QString& w) { warnings << w; }), played);
        QCOMPARE(fileBytes(folder + "Pimo.txt"), after);
        QCOMPARE(warnings, QStringList());
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{"Pimo.txt"});  // no leftovers
    }

    // A "Pimo.txt" that is a folder cannot be replaced: the game goes on with the defaults.
    // (Tests run as root, which a read-only folder does not stop.)
    void folderInTheWayWarnsOnceAndPlaysDefaults() {
        QTemporaryDir dir;
        const QString folder = dir.path() + QDir::separator();
        QVERIFY(QDir(folder).mkpath("Pimo.txt/inside"));
        QStringList warnings;
        QCOMPARE(readSettingsAtStartUp(folder, [&](const QString& w) { warnings << w; }),
                 GameSettings{});
        QCOMPARE(warnings.size(), 1);
        QVERIFY(warnings[0].startsWith("kazoemashou: "));
        QVERIFY(QFileInfo(folder + "Pimo.txt/inside").isDir());
    }

#ifdef Q_OS_UNIX
    // A pipe named "Pimo.txt" would block a plain read forever; it is replaced like any
    // unreadable file.
    void pipeInTheWayDoesNotHang() {
        QTemporaryDir dir;
        const QString folder = dir.path() + QDir::separator();
        QCOMPARE(mkfifo(QFile::encodeName(folder + "Pimo.txt").constData(), 0644), 0);
        QCOMPARE(readSettingsAtStartUp(folder, {}), GameSettings{});
        QCOMPARE(fileBytes(folder + "Pimo.txt"), kDefaultLine);
    }

    // A write that fails part way (here: a file size limit, which binds root too) leaves the old
    // file whole and no temporary file behind.
    void failedSaveKeepsTheOldFile() {
        QTemporaryDir dir;
        const QString folder = dir.path() + QDir::separator();
        writeFile(folder + "Pimo.txt", kDefaultLine);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit tiny = old;
        tiny.rlim_cur = 8;
        setrlimit(RLIMIT_FSIZE, &tiny);
        QString error;
        const bool saved =
            saveSettings(folder, make(CountWay::NoCounting, 1, 1, 1, 1, 40, 10, 10), &error);
        setrlimit(RLIMIT_FSIZE, &old);
        QVERIFY(!saved);
        QVERIFY(!error.isEmpty());
        QCOMPARE(fileBytes(folder + "Pimo.txt"), kDefaultLine);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"Pimo.txt"});
    }
#endif
};

QTEST_GUILESS_MAIN(SettingsFileTest)
#include "test_settings_file.moc"
