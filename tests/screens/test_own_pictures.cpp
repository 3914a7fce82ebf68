// The adult's own pictures on the selection screen, through its real controls: "画像を追加…"
// (the file dialog answered through the screen's seam) and files dropped on the list copy them
// into the data folder, odd files (a named pipe, odd names) included; "削除…" moves one to the
// trash, or says why it cannot; a read-only folder or a full disk changes nothing.

#include <QBuffer>
#include <QDir>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QImage>
#include <QImageReader>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

#include "screens/screens_test_support.h"
#include "screens/selection_screen.h"
#include "state/selection_file.h"
#include "support/tmpfs_mount.h"

#if defined(Q_OS_LINUX)
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {
const QByteArray kOnePixelGif = QByteArray::fromHex(
    "47494638396101000100800000ffffff00000021f90401000000002c00000000010001000002024401003b");

// A folder no file can be written into while one lives: its permissions say read-only, and an
// administrator, who writes through them, gives up that right for this thread meanwhile.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString& path) : m_path(path) {
#if defined(Q_OS_LINUX)
        ::chmod(qPrintable(path), 0555);
        if (::geteuid() == 0) {
            m_dropped = capabilities(false);
            // Where even that is not allowed, every write fails as on a full disk instead.
            if (!m_dropped)
                m_failingWrites.emplace();
        }
#endif
    }
    ~ReadOnlyFolder() {
#if defined(Q_OS_LINUX)
        if (m_dropped)
            capabilities(true);
        ::chmod(qPrintable(m_path), 0755);
#endif
    }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

private:
#if defined(Q_OS_LINUX)
    // Raises or lowers the right to write through permissions in this thread's effective set.
    static bool capabilities(bool overridePermissions) {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct data[2]{};
        if (::syscall(SYS_capget, &header, data) != 0)
            return false;
        const unsigned bit = 1u << CAP_DAC_OVERRIDE;
        data[0].effective =
            overridePermissions ? data[0].effective | bit : data[0].effective & ~bit;
        return ::syscall(SYS_capset, &header, data) == 0;
    }
    bool m_dropped = false;
    std::optional<FailingWrites> m_failingWrites;
#endif
    QString m_path;
};

// Runs `act` in a child process and gives its exit status, or -1 when it was still running after
// `timeoutMs` (it is then killed): a hang fails the test instead of stopping it. Linux only.
int inChildProcess(const std::function<int()>& act, int timeoutMs) {
#if defined(Q_OS_LINUX)
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(act());  // no destructor runs twice: the parent owns the folders and mounts
    QElapsedTimer clock;
    clock.start();
    int status = 0;
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (clock.elapsed() > timeoutMs) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            return -1;
        }
        QThread::msleep(20);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
#else
    return act();
#endif
}

struct Rig {
    QTemporaryDir dir;
    QTemporaryDir chosenDir;  // where the adult's files come from
    SharedState state;
    QStringList chosen;
    std::unique_ptr<SelectionScreen> screen;
    WarningRecorder warnings;

    // Pictures "p0.gif" to "p2.gif", "p0.gif" and "p1.gif" selected.
    Rig() {
        state.dataFolder = dir.path() + QLatin1Char('/');
        state.characterFiles = {"p0.gif", "p1.gif", "p2.gif"};
        state.selectedFiles = {"p0.gif", "p1.gif"};
        layOut();
        screen = std::make_unique<SelectionScreen>(state, [] {});
        screen->setPictureChooser([this](QWidget*) { return chosen; });
        screen->open();
    }
    // The pictures and "Fname.txt" in the data folder (again, on a disk mounted over it).
    void layOut() const {
        for (const QString& name : state.characterFiles)
            writeFile(state.pathOf(name), kOnePixelGif);
        writeFile(selectionPath(),
                  selectionFileContents(state.characterFiles, state.selectedFiles));
    }
    // Puts the data folder on a small disk of its own, laid out again; false (the reason in
    // disk->error()) where no disk can be mounted.
    bool onOwnDisk(std::optional<TmpfsMount>& disk) const {
        disk.emplace(dir.path(), 256 * 1024);
        if (!disk->mounted())
            return false;
        layOut();
        return true;
    }
    QString selectionPath() const { return state.dataFolder + kSelectionFileName; }
    QString choose(const QString& name, const QByteArray& bytes) {
        writeFile(chosenDir.filePath(name), bytes);
        return chosenDir.filePath(name);
    }
    QListWidget* list() const {
        return screen->findChild<QListWidget*>(QStringLiteral("pictureList"));
    }
    void click(const char* button) const { clickButton(screen.get(), button); }
    QStringList entries() const {
        QStringList names;
        for (int i = 0; i < list()->count(); ++i)
            names.append(list()->item(i)->text());
        return names;
    }
    QStringList marked() const {
        QStringList names;
        for (int i = 0; i < list()->count(); ++i) {
            if (list()->item(i)->isSelected())
                names.append(list()->item(i)->text());
        }
        return names;
    }
    QStringList folder() const {
        return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }
    // The selection "Fname.txt" holds, or a note that it does not fit the folder.
    QStringList stored() const {
        return parseSelectionFile(fileBytes(selectionPath()), state.characterFiles)
            .value_or(QStringList{"<does not fit the folder>"});
    }
};

}  // namespace

class OwnPicturesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // The desktop's trash of this test, not the user's.
        QVERIFY(m_home.isValid());
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_home.path()));
    }
    void cleanupTestCase() {
        for (const QString& path : m_removeAtEnd)
            QFile::remove(path);
    }

    // The new row lies under the list, inside the window's outline, over no other control.
    void theButtonsTakeANewRowOfTheirOwn() {
        Rig rig;
        const QRect outline = ScreenParts::toPixels(SelectionLayout::outline);
        for (const char* name : {"addPicturesButton", "removePictureButton"}) {
            auto* button = rig.screen->findChild<QPushButton*>(QString::fromLatin1(name));
            QVERIFY(button != nullptr);
            QVERIFY(outline.contains(button->geometry()));
            QVERIFY(button->y() > rig.list()->geometry().bottom());
            for (QWidget* other : rig.screen->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                if (other != button && other->geometry() != outline)
                    QVERIFY2(!other->geometry().intersects(button->geometry()), name);
            }
        }
    }

    // A 6000 x 4000 photo arrives at 1024 pixels, a name outside Shift-JIS renamed, a name
    // taken numbered, all marked beside the marks already there; a text file calling itself a
    // PNG is refused with a message. "Fname.txt" fits the folder at once, and "決定" keeps
    // the new marks.
    void addsChosenPicturesMarked() {
        Rig rig;
        rig.chosen = {
            rig.choose("big photo.jpg", filledPicture(6000, 4000, Qt::darkGreen, "JPEG")),
            rig.choose("memo.png", "shopping: milk, eggs"),
            rig.choose(QString::fromUtf8("café.png"), filledPicture(30, 20, Qt::darkGreen, "PNG")),
            rig.choose("p1.gif", kOnePixelGif)};
        rig.click("addPicturesButton");

        QCOMPARE(rig.warnings.messages.size(), 1);
        QVERIFY(rig.warnings.messages[0].first.contains("memo.png"));
        QCOMPARE(rig.warnings.messages[0].second, QStringLiteral("画像の追加"));
        const QStringList added = {"big photo.jpg", "caf_.png", "p1 (2).gif"};
        QCOMPARE(rig.entries(), QStringList({"big photo.jpg", "caf_.png", "p0.gif", "p1 (2).gif",
                                             "p1.gif", "p2.gif"}));
        QCOMPARE(rig.state.characterFiles, rig.entries());
        QCOMPARE(rig.marked(),
                 QStringList({"big photo.jpg", "caf_.png", "p0.gif", "p1 (2).gif", "p1.gif"}));
        // Pictures that are not square are made square, whole and centred: a photo on white,
        // a PNG on transparency. A square one is copied unchanged.
        const QImage photo(rig.state.pathOf("big photo.jpg"));
        QCOMPARE(photo.size(), QSize(1024, 1024));
        const int band = (1024 - 683) / 2;
        QVERIFY(photo.pixelColor(512, band - 4).lightness() > 245);
        QVERIFY(photo.pixelColor(3, band + 4).green() < 150);  // the photo's own edge is there
        QVERIFY(photo.pixelColor(512, 1024 - band + 4).lightness() > 245);
        const QImage drawing(rig.state.pathOf("caf_.png"));
        QCOMPARE(drawing.size(), QSize(30, 30));
        QCOMPARE(drawing.pixelColor(15, 4).alpha(), 0);
        QCOMPARE(drawing.pixelColor(0, 5), QColor(Qt::darkGreen));
        QCOMPARE(drawing.pixelColor(29, 24), QColor(Qt::darkGreen));
        QCOMPARE(drawing.pixelColor(15, 25).alpha(), 0);
        QCOMPARE(fileBytes(rig.state.pathOf("p1 (2).gif")), fileBytes(rig.chosen[3]));
        QVERIFY(!rig.folder().contains("memo.png"));
        QCOMPARE(rig.stored(), QStringList({"p0.gif", "p1.gif"}));

        rig.click("decideButton");
        QCOMPARE(rig.stored(), rig.marked());
    }

    // Files dropped on the list are added as the button adds them.
    void droppedFilesAreAdded() {
        Rig rig;
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(
            rig.choose("drawing.webp", filledPicture(64, 48, Qt::darkGreen, "WEBP")))});
        QWidget* target = rig.list()->viewport();
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(target, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(target, &drop);
        // Not square, it is made square, as a PNG.
        QTRY_VERIFY(rig.marked().contains("drawing.png"));
        QCOMPARE(QImageReader(rig.state.pathOf("drawing.png")).size(), QSize(64, 64));
    }

    // A folder that cannot be written, or a full disk: a message that names the picture, and the
    // folder, the list and "Fname.txt" as they were. On a full disk no empty copy is left behind
    // to become a grey card.
    void unwritableFolderChangesNothing_data() {
        QTest::addColumn<bool>("fullDisk");
        QTest::newRow("read-only folder") << false;
        QTest::newRow("full disk") << true;
    }
    void unwritableFolderChangesNothing() {
        QFETCH(bool, fullDisk);
        Rig rig;
        std::optional<TmpfsMount> disk;
        if (fullDisk) {
            if (!rig.onOwnDisk(disk))
                QSKIP(qPrintable(QStringLiteral("no tmpfs to fill: ") + disk->error()));
            QVERIFY(disk->fill(QStringLiteral("filler")));
        }
        rig.chosen = {rig.choose("ok.png", filledPicture(30, 20, Qt::darkGreen, "PNG"))};
        const QStringList before = rig.folder();
        const QByteArray selection = fileBytes(rig.selectionPath());
        {
            std::optional<ReadOnlyFolder> readOnly;
            if (!fullDisk)
                readOnly.emplace(rig.dir.path());
            rig.click("addPicturesButton");
        }
        QCOMPARE(rig.warnings.messages.size(), 1);
        QVERIFY(rig.warnings.messages[0].first.contains("ok.png"));
        QVERIFY(rig.warnings.messages[0].first.contains(QStringLiteral("書き込めない")));
        QCOMPARE(rig.folder(), before);
        QCOMPARE(fileBytes(rig.selectionPath()), selection);
        QCOMPARE(rig.entries(), QStringList({"p0.gif", "p1.gif", "p2.gif"}));
    }

    // Files that are not plain pictures of a plain name: a named pipe is refused without waiting
    // for a writer; a name the folder would hide or the game would not list is given a visible
    // one; a name too long for the folder is told as a name problem. What is reported as added
    // is listed.
    void oddFilesAreListedOrRefused_data() {
        QTest::addColumn<QString>("chosenName");
        QTest::addColumn<QByteArray>("bytes");  // "fifo" for a named pipe
        QTest::addColumn<QString>("listedAs");  // empty when refused
        QTest::addColumn<QString>("said");      // in the message; empty for none
        const QByteArray png = filledPicture(30, 20, Qt::darkGreen, "PNG");
        QTest::newRow("named pipe") << "pipe.png" << QByteArray("fifo") << QString()
                                    << QStringLiteral("画像として読めない");
        QTest::newRow("dots alone") << "..." << png << QStringLiteral("がぞう.png") << QString();
        QTest::newRow("icon") << "x.ico" << filledPicture(16, 16, Qt::darkGreen, "ICO")
                              << QStringLiteral("x.png") << QString();
        QTest::newRow("name too long")
            << QString(253, u'a') << png << QString() << QStringLiteral("名前が長すぎる");
    }
    void oddFilesAreListedOrRefused() {
        QFETCH(QString, chosenName);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, listedAs);
        QFETCH(QString, said);
        Rig rig;
        const QString path = rig.chosenDir.filePath(chosenName);
        if (bytes == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else
            writeFile(path, bytes);
        rig.chosen = {path};
        QStringList expected = rig.entries();
        if (!listedAs.isEmpty()) {
            expected.append(listedAs);
            expected.sort();
        }
        const int ended = inChildProcess(
            [&] {
                rig.click("addPicturesButton");
                const QStringList messages = rig.warnings.messages.isEmpty()
                                                 ? QStringList()
                                                 : QStringList{rig.warnings.messages[0].first};
                const bool told = said.isEmpty()
                                      ? messages.isEmpty()
                                      : messages.size() == 1 && messages[0].contains(said);
                const bool listed = rig.entries() == expected &&
                                    (listedAs.isEmpty() || rig.marked().contains(listedAs));
                if (!told || !listed)
                    qWarning() << rig.entries() << messages;
                return told && listed ? 0 : 1;
            },
            10000);
        QVERIFY2(ended != -1, "hung");
        QCOMPARE(ended, 0);
    }

    // "削除…" asks first; "いいえ" keeps the picture, "はい" moves it to the trash, and
    // "Fname.txt" no longer names it.
    void removingMovesToTheTrash() {
        Rig rig;
        QStringList questions;
        bool answer = false;
        setQuestionHandlerForTests([&](const QString& text, const QString&) {
            questions.append(text);
            return answer;
        });
        rig.list()->setFocus();
        QTest::keyClick(rig.list(), Qt::Key_Home);  // the focus on "p0.gif", no mark changed
        rig.click("removePictureButton");
        QCOMPARE(questions, QStringList{QStringLiteral("「p0.gif」をごみ箱に移しますか？")});
        QVERIFY(rig.folder().contains("p0.gif"));

        answer = true;
        rig.click("removePictureButton");
        setQuestionHandlerForTests({});
        QVERIFY(!rig.folder().contains("p0.gif"));
        QCOMPARE(fileBytes(trashed(rig.dir.path(), "p0.gif")), kOnePixelGif);
        QCOMPARE(rig.entries(), QStringList({"p1.gif", "p2.gif"}));
        QCOMPARE(rig.marked(), QStringList{"p1.gif"});
        QCOMPARE(fileBytes(rig.selectionPath()),
                 QByteArray("\"p1.gif\",#TRUE#\r\n\"p2.gif\",#FALSE#\r\n"));
        QVERIFY(rig.warnings.messages.isEmpty());
    }

    // Where the trash cannot take the picture, "削除…" says so at once (Qt's own move to the
    // trash would try for ever) and the picture stays: the user's trash cannot be written, or the
    // data folder is a read-only disk that holds a trash of its own.
    void removingWhereTheTrashCannotTakeItSaysSo_data() {
        QTest::addColumn<bool>("readOnlyDisk");
        QTest::newRow("the user's trash cannot be written") << false;
        QTest::newRow("read-only disk with its own trash") << true;
    }
    void removingWhereTheTrashCannotTakeItSaysSo() {
#if !defined(Q_OS_LINUX)
        QSKIP("the desktop's trash of Linux");
#endif
        QFETCH(bool, readOnlyDisk);
        Rig rig;
        std::optional<TmpfsMount> disk;
        if (readOnlyDisk) {
            if (!rig.onOwnDisk(disk))
                QSKIP(qPrintable(QStringLiteral("no tmpfs to mount: ") + disk->error()));
            QVERIFY(QDir(rig.dir.path()).mkpath(".Trash-" + QString::number(::getuid()) + "/info"));
            QVERIFY(
                QDir(rig.dir.path()).mkpath(".Trash-" + QString::number(::getuid()) + "/files"));
            QVERIFY(disk->makeReadOnly());
        }
        rig.list()->setFocus();
        QTest::keyClick(rig.list(), Qt::Key_Home);
        const int ended = inChildProcess(
            [&] {
                std::optional<ReadOnlyFolder> files, info;
                if (!readOnlyDisk) {
                    // The data folder on the same disk as the home: the user's own trash.
                    qputenv("HOME", QFile::encodeName(m_home.path()));
                    const QString trash = m_home.filePath(QStringLiteral("Trash"));
                    QDir().mkpath(trash + "/files");
                    QDir().mkpath(trash + "/info");
                    files.emplace(trash + "/files");
                    info.emplace(trash + "/info");
                }
                setQuestionHandlerForTests([](const QString&, const QString&) { return true; });
                rig.click("removePictureButton");
                const bool told = rig.warnings.messages.size() == 1 &&
                                  rig.warnings.messages[0].first.contains(
                                      QStringLiteral("ごみ箱に移せませんでした"));
                const bool kept = rig.folder().contains("p0.gif") &&
                                  rig.entries() == QStringList({"p0.gif", "p1.gif", "p2.gif"});
                return told && kept ? 0 : 1;
            },
            10000);
        QVERIFY2(ended != -1, "hung");
        QCOMPARE(ended, 0);
    }

private:
    // Where the trash keeps `name` taken from `folder`: the user's own trash, or, for a folder on
    // another file system than the system's root, the one at the top of that file system (which
    // is emptied of it here).
    QString trashed(const QString& folder, const QString& name) {
        const QString own = m_home.filePath(QStringLiteral("Trash/files/") + name);
        if (QFileInfo::exists(own))
            return own;
        const QString top = QStorageInfo(folder).rootPath() + QStringLiteral("/.Trash-") +
                            QString::number(::getuid());
        const QString atTop = top + QStringLiteral("/files/") + name;
        m_removeAtEnd << atTop << top + QStringLiteral("/info/") + name + ".trashinfo";
        return atTop;
    }

    QTemporaryDir m_home;
    QStringList m_removeAtEnd;
};

QTEST_MAIN(OwnPicturesTest)
#include "test_own_pictures.moc"
