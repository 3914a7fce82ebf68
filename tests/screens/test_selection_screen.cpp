// The character selection screen driven through its real controls: the marks it opens with,
// toggling by click and space bar, "全選択", "全解除", "決定", "キャンセル", a failed save, and the
// thumbnails beside the names.

#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "screens/screens_test_support.h"
#include "screens/selection_screen.h"
#include "screens/thumbnails.h"
#include "state/selection_file.h"

namespace {
// The smallest GIF picture: one white pixel.
const QByteArray kOnePixelGif = QByteArray::fromHex(
    "47494638396101000100800000ffffff00000021f90401000000002c00000000010001000002024401003b");

// A data folder with pictures "p000.gif" ... and a "Fname.txt" that matches the selection.
struct Rig {
    QTemporaryDir dir;
    SharedState state;
    int returns = 0;
    std::unique_ptr<SelectionScreen> screen;

    Rig(int pictures, const QList<int>& selected, bool openNow = true) {
        state.dataFolder = dir.path() + QLatin1Char('/');
        for (int i = 0; i < pictures; ++i) {
            const QString name = QStringLiteral("p%1.gif").arg(i, 3, 10, QChar('0'));
            state.characterFiles.append(name);
            writeFile(state.pathOf(name), kOnePixelGif);
        }
        for (int i : selected)
            state.selectedFiles.append(state.characterFiles.at(i));
        writeFile(selectionPath(),
                  selectionFileContents(state.characterFiles, state.selectedFiles));
        screen = std::make_unique<SelectionScreen>(state, [this] { ++returns; });
        if (openNow)
            screen->open();
    }
    QString selectionPath() const { return state.dataFolder + kSelectionFileName; }
    QListWidget* list() const {
        return screen->findChild<QListWidget*>(QStringLiteral("pictureList"));
    }
    void click(const char* button) const { clickButton(screen.get(), button); }
    void clickEntry(int row) const {
        QListWidget* l = list();
        l->scrollToItem(l->item(row));
        QTest::mouseClick(l->viewport(), Qt::LeftButton, {},
                          l->visualItemRect(l->item(row)).center());
    }
    QList<int> marked() const {
        QList<int> rows;
        for (int i = 0; i < list()->count(); ++i) {
            if (list()->item(i)->isSelected())
                rows.append(i);
        }
        return rows;
    }
    QStringList names(const QList<int>& rows) const {
        QStringList result;
        for (int i : rows)
            result.append(state.characterFiles.at(i));
        return result;
    }
};

// Script steps for the decide test: a row number clicks that entry.
constexpr int kMarkAll = -1;    // "全選択"
constexpr int kUnmarkAll = -2;  // "全解除"
}  // namespace

class TestSelectionScreen : public QObject {
    Q_OBJECT

private slots:
    void opensWithTheSelectionMarked_data();
    void opensWithTheSelectionMarked();
    void clickAndSpaceToggleOneEntry();
    void decideStoresTheMarksInListOrder_data();
    void decideStoresTheMarksInListOrder();
    void cancelChangesNothing();
    void failedSaveKeepsTheFileAndTheGame();
    void keyboardOrderStartsAtTheList();
    void readsThumbnailsWithinCaps_data();
    void readsThumbnailsWithinCaps();
    void aThousandPicturesOpenAtOnce();
};

void TestSelectionScreen::opensWithTheSelectionMarked_data() {
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<QList<int>>("marked");
    QTest::newRow("some") << QList<int>{0, 2, 3} << QList<int>{0, 2, 3};
    QTest::newRow("one") << QList<int>{4} << QList<int>{4};
    QTest::newRow("all") << QList<int>{0, 1, 2, 3, 4} << QList<int>{0, 1, 2, 3, 4};
    // Only a hand-edited "Fname.txt" selects nothing; the game then plays every picture.
    QTest::newRow("empty selection") << QList<int>{} << QList<int>{0, 1, 2, 3, 4};
}

void TestSelectionScreen::opensWithTheSelectionMarked() {
    QFETCH(QList<int>, selected);
    QFETCH(QList<int>, marked);
    Rig rig(5, selected);
    QCOMPARE(rig.list()->count(), 5);
    for (int i = 0; i < 5; ++i)
        QCOMPARE(rig.list()->item(i)->text(), rig.state.characterFiles[i]);
    QCOMPARE(rig.marked(), marked);

    // Opening again neither doubles the entries nor changes the marks.
    rig.screen->open();
    QCOMPARE(rig.list()->count(), 5);
    QCOMPARE(rig.marked(), marked);
}

void TestSelectionScreen::clickAndSpaceToggleOneEntry() {
    Rig rig(6, {0});
    rig.clickEntry(2);
    rig.clickEntry(4);
    QCOMPARE(rig.marked(), (QList<int>{0, 2, 4}));
    rig.clickEntry(0);  // a marked entry: unmarked, the others stay
    QCOMPARE(rig.marked(), (QList<int>{2, 4}));

    // The arrows move the focus without marking; the space bar toggles the entry with the focus.
    QListWidget* list = rig.list();
    list->setCurrentRow(0, QItemSelectionModel::NoUpdate);
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(list->currentRow(), 3);
    QCOMPARE(rig.marked(), (QList<int>{2, 4}));
    QTest::keyClick(list, Qt::Key_Space);
    QCOMPARE(rig.marked(), (QList<int>{2, 3, 4}));
    QTest::keyClick(list, Qt::Key_Space);
    QCOMPARE(rig.marked(), (QList<int>{2, 4}));
    QCOMPARE(rig.returns, 0);
}

void TestSelectionScreen::decideStoresTheMarksInListOrder_data() {
    QTest::addColumn<QList<int>>("steps");
    QTest::addColumn<QList<int>>("chosen");  // empty: "決定" must do nothing
    QTest::newRow("mark all") << QList<int>{kUnmarkAll, kMarkAll} << QList<int>{0, 1, 2, 3, 4, 5};
    QTest::newRow("clicked in reverse") << QList<int>{kUnmarkAll, 5, 3, 1} << QList<int>{1, 3, 5};
    QTest::newRow("a single picture") << QList<int>{kUnmarkAll, 4} << QList<int>{4};
    QTest::newRow("added to the selection") << QList<int>{5} << QList<int>{1, 2, 5};
    QTest::newRow("nothing marked") << QList<int>{kUnmarkAll} << QList<int>{};
    QTest::newRow("the last mark taken off") << QList<int>{2, 1} << QList<int>{};
}

void TestSelectionScreen::decideStoresTheMarksInListOrder() {
    QFETCH(QList<int>, steps);
    QFETCH(QList<int>, chosen);
    WarningRecorder warnings;
    Rig rig(6, {1, 2});
    const QStringList before = rig.state.selectedFiles;
    const QByteArray fileBefore = fileBytes(rig.selectionPath());

    for (int step : steps) {
        if (step == kMarkAll) {
            rig.click("selectAllButton");
        } else if (step == kUnmarkAll) {
            rig.click("selectNoneButton");
        } else {
            rig.clickEntry(step);
        }
    }
    rig.click("decideButton");

    QVERIFY(warnings.messages.isEmpty());
    if (chosen.isEmpty()) {
        QCOMPARE(rig.returns, 0);  // the screen stays, no message
        QCOMPARE(rig.state.selectedFiles, before);
        QCOMPARE(fileBytes(rig.selectionPath()), fileBefore);
    } else {
        QCOMPARE(rig.returns, 1);
        QCOMPARE(rig.state.selectedFiles, rig.names(chosen));
        QCOMPARE(fileBytes(rig.selectionPath()),
                 selectionFileContents(rig.state.characterFiles, rig.names(chosen)));
    }
}

void TestSelectionScreen::cancelChangesNothing() {
    Rig rig(5, {1, 3});
    const QByteArray file = fileBytes(rig.selectionPath());
    rig.click("selectNoneButton");
    rig.clickEntry(0);
    rig.click("cancelButton");
    QCOMPARE(rig.returns, 1);
    QCOMPARE(rig.state.selectedFiles, rig.names({1, 3}));
    QCOMPARE(fileBytes(rig.selectionPath()), file);

    // The next visit shows the selection, not the marks that were abandoned.
    rig.screen->open();
    QCOMPARE(rig.marked(), (QList<int>{1, 3}));
}

void TestSelectionScreen::failedSaveKeepsTheFileAndTheGame() {
    WarningRecorder warnings;
    Rig rig(5, {0, 1, 2, 3, 4});
    const QByteArray file = fileBytes(rig.selectionPath());
    rig.click("selectNoneButton");
    rig.clickEntry(2);
    {
        FailingWrites fullDisk;
        rig.click("decideButton");
    }
    QCOMPARE(warnings.messages,
             (QList<QPair<QString, QString>>{{QStringLiteral("キャラ選択を保存できませんでした！"),
                                              QStringLiteral("キャラ選択の保存")}}));
    QCOMPARE(fileBytes(rig.selectionPath()), file);
    QCOMPARE(rig.state.selectedFiles, rig.names({2}));  // plays for this run
    QCOMPARE(rig.returns, 1);
}

void TestSelectionScreen::keyboardOrderStartsAtTheList() {
    Rig rig(3, {0});
    QVERIFY(rig.screen->windowFlags().testFlag(Qt::FramelessWindowHint));
    // 32 pixels taller than designed, for the row of "画像を追加…" and "削除…".
    QCOMPARE(rig.screen->size(), QSize(355, 394 + 32));
    QCOMPARE(rig.screen->focusWidget(), rig.list());
    QStringList order;
    QWidget* w = rig.list();
    do {
        if (w->focusPolicy() & Qt::TabFocus)
            order.append(w->objectName());
        w = w->nextInFocusChain();
    } while (w != rig.list());
    QCOMPARE(order, (QStringList{"pictureList", "decideButton", "cancelButton", "selectAllButton",
                                 "selectNoneButton", "addPicturesButton", "removePictureButton"}));
    for (const char* name : {"title", "credit"}) {
        auto* label = rig.screen->findChild<QLabel*>(QString::fromLatin1(name));
        QVERIFY(label->sizeHint().width() <= label->width());
        QVERIFY(label->sizeHint().height() <= label->height());
        QVERIFY(label->geometry().right() < rig.list()->x());
    }
}

void TestSelectionScreen::readsThumbnailsWithinCaps_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QSize>("expected");  // empty: a null image, shown as the placeholder
    QTest::newRow("one-pixel gif") << "gif" << QSize(24, 24);
    QTest::newRow("wide picture") << "wide" << QSize(24, 12);
    QTest::newRow("tall picture") << "tall" << QSize(8, 24);
    QTest::newRow("not a picture") << "garbage" << QSize();
    QTest::newRow("missing file") << "missing" << QSize();
    QTest::newRow("a folder") << "folder" << QSize();
    QTest::newRow("too large a side") << "huge" << QSize();
}

void TestSelectionScreen::readsThumbnailsWithinCaps() {
    QFETCH(QString, kind);
    QFETCH(QSize, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.gif"));
    if (kind == "gif")
        writeFile(path, kOnePixelGif);
    if (kind == "garbage")
        writeFile(path, "GIF89a but nothing after it");
    if (kind == "folder")
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("x.gif")));
    const auto writePicture = [&](QSize size) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::red);
        QVERIFY(image.save(path, "PNG"));
    };
    if (kind == "wide")
        writePicture(QSize(100, 50));
    if (kind == "tall")
        writePicture(QSize(30, 90));
    if (kind == "huge")
        writePicture(QSize(5000, 2));

    const QImage thumbnail = ThumbnailDelegate::readThumbnail(path, 24);
    QCOMPARE(thumbnail.isNull(), expected.isEmpty());
    if (!expected.isEmpty())
        QCOMPARE(thumbnail.size(), expected);
}

void TestSelectionScreen::aThousandPicturesOpenAtOnce() {
    Rig rig(1000, {0, 999}, false);
    QElapsedTimer clock;
    clock.start();
    rig.screen->open();
    rig.screen->grab();  // draws the visible rows, with their thumbnails
    const qint64 elapsed = clock.elapsed();
    qInfo("1000 pictures: opened and drawn in %lld ms, %d thumbnails read", elapsed,
          rig.screen->thumbnailsRead());
    QVERIFY(rig.screen->thumbnailsRead() > 0);
    QVERIFY(rig.screen->thumbnailsRead() < 60);  // only the rows in view
    QVERIFY2(elapsed < 2000, "opening took more than a moment");
    QCOMPARE(rig.marked(), (QList<int>{0, 999}));
}

QTEST_MAIN(TestSelectionScreen)
#include "test_selection_screen.moc"
