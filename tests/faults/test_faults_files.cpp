// Faults in the data folder under the real program: a folder that turns read-only or fills up
// while the adult saves, broken "Pimo.txt" and "Fname.txt", and a folder with thousands of
// pictures. The game must go on (or say why it cannot) and never leave a half-written file.

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

#include "faults/fault_rig.h"

using namespace Faults;

namespace {
const QString kSettingsFile = QStringLiteral("Pimo.txt");
const QString kSelectionFile = QStringLiteral("Fname.txt");
const QString kSettingsNotSaved = QStringLiteral("設定の保存");
const QString kSelectionNotSaved = QStringLiteral("キャラ選択の保存");
const QByteArray kDefaultSettings("1,#FALSE#,#FALSE#,#FALSE#,#FALSE#,15,2,5\r\n");
// Four seconds in one place: long enough to find a character on the screen and touch it.
const QByteArray kSlowSettings = settingsLine(40);

QString pathIn(const QString& folder, const QString& name) {
    return folder + QLatin1Char('/') + name;
}

// The selection file with every picture selected, as the game writes it (in Shift-JIS).
QByteArray allSelected(const QStringList& pictures) {
    QString text;
    for (const QString& name : pictures)
        text += u'"' + name + QStringLiteral("\",#TRUE#\r\n");
    QStringEncoder encoder("windows-31j");
    return encoder.encode(text);
}
}  // namespace

class FaultsInDataFiles : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (!m_screen.isUp())
            QSKIP("needs Xvfb and xdotool");
        QVERIFY(m_sounds.isValid());
        QVERIFY(copySounds(m_sounds.path()));
    }

    // The data folder turns read-only while the game runs; then the adult saves the settings
    // and the selection. Each save says in a message box that it failed, the game goes on with
    // the new values, and the files on disk are the old ones, whole.
    void readOnlyFolderDuringPlay() {
        QTemporaryDir parent;
        const QString folder = parent.filePath(QStringLiteral("data"));
        QVERIFY(QDir().mkpath(folder));
        TmpfsMount mount(folder, 8 * 1024 * 1024);
        copySamplePictures(folder, 3);
        QVERIFY(writeFile(pathIn(folder, kSettingsFile), kSlowSettings));

        GameRun game(m_screen);
        QVERIFY2(game.start(folder, m_sounds.path()), qPrintable(game.error()));
        const QByteArray selectionBefore = readFile(pathIn(folder, kSelectionFile));
        QVERIFY(!selectionBefore.isEmpty());

        if (mount.mounted()) {
            QVERIFY2(mount.makeReadOnly(), qPrintable(mount.error()));
            qInfo("data folder made read-only by remounting its tmpfs read-only");
        } else {
            // Root writes through any permission, so without a read-only mount each file's
            // folder entry becomes a folder: no file can be renamed over it.
            for (const QString& name : {kSettingsFile, kSelectionFile}) {
                QVERIFY(QFile::remove(pathIn(folder, name)));
                QVERIFY(QDir(folder).mkpath(name + QStringLiteral("/kept")));
            }
            qInfo("cannot mount here (%s): Pimo.txt and Fname.txt replaced by folders",
                  qPrintable(mount.error()));
        }
        const QStringList entries = entriesOf(folder);

        saveBothAndSeeThemFail(game);
        if (QTest::currentTestFailed())
            return;

        QVERIFY(game.catchCharacter());
        QCOMPARE(entriesOf(folder), entries);  // no temporary file left behind
        if (mount.mounted()) {
            QCOMPARE(readFile(pathIn(folder, kSettingsFile)), kSlowSettings);
            QCOMPARE(readFile(pathIn(folder, kSelectionFile)), selectionBefore);
        } else {
            QVERIFY(QFileInfo(pathIn(folder, kSettingsFile + QStringLiteral("/kept"))).isDir());
            QVERIFY(QFileInfo(pathIn(folder, kSelectionFile + QStringLiteral("/kept"))).isDir());
        }
        QVERIFY(game.quit());
    }

    // The disk fills up before the adult saves: the messages come, the old files stay whole.
    void fullDiskDuringSave() {
        QTemporaryDir parent;
        const QString folder = parent.filePath(QStringLiteral("data"));
        QVERIFY(QDir().mkpath(folder));
        TmpfsMount mount(folder, 512 * 1024);
        if (!mount.mounted()) {
            QSKIP(qPrintable(QStringLiteral("a full disk needs a small tmpfs, and mounting one "
                                            "failed here: ") +
                             mount.error()));
        }
        const QStringList pictures = copySamplePictures(folder, 2);
        QVERIFY(writeFile(pathIn(folder, kSettingsFile), kSlowSettings));
        GameRun game(m_screen);
        QVERIFY2(game.start(folder, m_sounds.path()), qPrintable(game.error()));
        const QByteArray selectionBefore = readFile(pathIn(folder, kSelectionFile));
        QVERIFY(!selectionBefore.isEmpty());

        QVERIFY(mount.fill(QStringLiteral("filler.bin")));
        const QStringList entries = entriesOf(folder);

        saveBothAndSeeThemFail(game);
        if (QTest::currentTestFailed())
            return;

        QVERIFY(game.catchCharacter());
        QCOMPARE(entriesOf(folder), entries);
        QCOMPARE(readFile(pathIn(folder, kSettingsFile)), kSlowSettings);
        QCOMPARE(readFile(pathIn(folder, kSelectionFile)), selectionBefore);
        QVERIFY(game.quit());
    }

    // Whatever a teacher leaves in place of the game's two files, the game starts and plays.
    void brokenDataFile_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("kind");
        for (const QString& file : {kSettingsFile, kSelectionFile}) {
            for (const char* kind : {"folder", "empty", "100 MB of garbage", "named pipe",
                                     "link to itself", "no permissions"}) {
                QTest::addRow("%s is %s", qPrintable(file), kind)
                    << file << QString::fromLatin1(kind);
            }
        }
    }
    void brokenDataFile() {
        QFETCH(QString, file);
        QFETCH(QString, kind);
        QTemporaryDir folder;
        const QStringList pictures = copySamplePictures(folder.path(), 3);
        const QString path = folder.filePath(file);
        if (file != kSettingsFile)
            QVERIFY(writeFile(folder.filePath(kSettingsFile), kSlowSettings));

        if (kind == QLatin1String("folder")) {
            QVERIFY(QDir().mkpath(path + QStringLiteral("/kept")));
        } else if (kind == QLatin1String("empty")) {
            QVERIFY(writeFile(path, {}));
        } else if (kind == QLatin1String("100 MB of garbage")) {
            QVERIFY(::link(qPrintable(garbageFile()), qPrintable(path)) == 0 ||
                    QFile::copy(garbageFile(), path));
        } else if (kind == QLatin1String("named pipe")) {
            // A reader that opened it would wait for a writer for ever.
            QVERIFY(::mkfifo(qPrintable(path), 0644) == 0);
        } else if (kind == QLatin1String("link to itself")) {
            QVERIFY(::symlink(qPrintable(file), qPrintable(path)) == 0);
        } else {
            // Unreadable for anyone but root, who reads it all the same.
            QVERIFY(writeFile(path, kSlowSettings));
            QVERIFY(::chmod(qPrintable(path), 0) == 0);
        }

        GameRun game(m_screen);
        QVERIFY2(game.start(folder.path(), m_sounds.path()), qPrintable(game.error()));
        QVERIFY2(game.catchCharacter(), qPrintable(game.standardError()));
        const qint64 peakKb = peakResidentKb(game.pid());
        // The 100 MB file must not be read into memory (a bare game takes about 50 MB).
        QVERIFY2(peakKb < 150 * 1024, qPrintable(QString::number(peakKb)));
        QVERIFY(game.quit());

        const QByteArray expected =
            file == kSettingsFile ? kDefaultSettings : allSelected(pictures);
        if (kind == QLatin1String("folder")) {
            QVERIFY(QFileInfo(path + QStringLiteral("/kept")).isDir());
            QVERIFY2(game.standardError().contains(QStringLiteral("cannot write")),
                     qPrintable(game.standardError()));
        } else if (kind == QLatin1String("empty") && file == kSelectionFile) {
            // An empty selection file is a valid one that selects nothing; the game then plays
            // every picture and leaves the file alone.
            QCOMPARE(readFile(path), QByteArray());
        } else if (kind != QLatin1String("no permissions")) {
            // What could not be read is replaced, in one piece, by the defaults (a link to itself
            // by a file; a pipe too).
            QCOMPARE(readFile(path), expected);
        }
        QStringList expectedEntries = pictures;
        expectedEntries << kSettingsFile << kSelectionFile;
        expectedEntries.sort();
        QCOMPARE(entriesOf(folder.path()), expectedEntries);
    }

    // Five thousand pictures: start-up stays quick, the game plays, and N opens the list.
    void fiveThousandPictures() {
        QTemporaryDir folder;
        const QStringList samples = copySamplePictures(folder.path(), 14);
        QVERIFY(!samples.isEmpty());
        QStringList pictures;
        for (int i = 0; i < 5000; ++i) {
            const QString name = QStringLiteral("c%1.gif").arg(i, 4, 10, QLatin1Char('0'));
            const QString from = folder.filePath(samples[i % samples.size()]);
            QVERIFY(::link(qPrintable(from), qPrintable(folder.filePath(name))) == 0 ||
                    QFile::copy(from, folder.filePath(name)));
        }
        QVERIFY(writeFile(folder.filePath(kSettingsFile), kSlowSettings));

        qint64 firstStartMs = 0;
        {
            GameRun game(m_screen);
            QVERIFY2(game.start(folder.path(), m_sounds.path()), qPrintable(game.error()));
            firstStartMs = game.startUpMs();
            QCOMPARE(readFile(folder.filePath(kSelectionFile)).count("#TRUE#"), 5014);
            QVERIFY(game.catchCharacter());
            QElapsedTimer clock;
            clock.start();
            const QString list = game.openScreen(QStringLiteral("n"), Selection::kTitle);
            const qint64 listMs = clock.elapsed() - 300;  // less openScreen's settling pause
            QVERIFY(!list.isEmpty());
            qInfo("5014 pictures: first start-up %lld ms (writes Fname.txt), list opens in %lld ms",
                  firstStartMs, listMs);
            QVERIFY2(listMs < 5000, qPrintable(QString::number(listMs)));
            QVERIFY(game.clickAt(list, Selection::kCancel));
            QVERIFY(game.quit());
        }
        GameRun again(m_screen);
        QVERIFY2(again.start(folder.path(), m_sounds.path()), qPrintable(again.error()));
        qInfo("5014 pictures: second start-up %lld ms (reads Fname.txt)", again.startUpMs());
        QVERIFY2(firstStartMs < 5000, qPrintable(QString::number(firstStartMs)));
        QVERIFY2(again.startUpMs() < 5000, qPrintable(QString::number(again.startUpMs())));
        QVERIFY(again.catchCharacter());
        QVERIFY(again.quit());
    }

private:
    // The adult changes the question and presses "実行", then presses "決定" on the selection;
    // each save says in its message box that it failed, and the box is answered.
    static void saveBothAndSeeThemFail(GameRun& game) {
        const QString settings = game.openScreen(QStringLiteral("h"), Settings::kTitle);
        QVERIFY(!settings.isEmpty());
        QVERIFY(game.clickAt(settings, Settings::kAskHowManyPeople));
        QVERIFY(game.clickAt(settings, Settings::kApply));
        QVERIFY2(game.answerMessageBox(kSettingsNotSaved), qPrintable(game.standardError()));

        const QString selection = game.openScreen(QStringLiteral("n"), Selection::kTitle);
        QVERIFY(!selection.isEmpty());
        QVERIFY(game.clickAt(selection, Selection::kDecide));
        QVERIFY2(game.answerMessageBox(kSelectionNotSaved), qPrintable(game.standardError()));
    }

    // 100 MB of random bytes, made once and linked into each folder that needs it.
    QString garbageFile() {
        const QString path = m_garbage.filePath(QStringLiteral("garbage.bin"));
        if (QFileInfo::exists(path))
            return path;
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return path;
        QByteArray block(1024 * 1024, Qt::Uninitialized);
        for (int i = 0; i < 100; ++i) {
            QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(block.data()),
                                                  block.size() / 4);
            file.write(block);
        }
        return path;
    }

    VirtualScreen m_screen;
    QTemporaryDir m_sounds;
    QTemporaryDir m_garbage;
};

QTEST_GUILESS_MAIN(FaultsInDataFiles)
#include "test_faults_files.moc"
