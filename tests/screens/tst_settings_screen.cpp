// The settings screen driven through its real controls: loading, the two checks of "実行",
// what is stored and written, "キャンセル", the scroll bars, the keys and a failed save.

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "screens/screens_test_support.h"
#include "screens/settings_screen.h"
#include "state/settings_file.h"

namespace {
const QString kOrderMessage = QStringLiteral("最小個数が最大個数を超えています！");
const QString kOrderTitle = QStringLiteral("個数の変更");
const QString kPicturesMessage = QStringLiteral("キャラの数が足りません！同一にしてください");
const QString kPicturesTitle = QStringLiteral("キャラの種類変更");

QStringList pictureNames(int count) {
    QStringList names;
    for (int i = 0; i < count; ++i)
        names.append(QStringLiteral("chara%1.gif").arg(i, 2, 10, QChar('0')));
    return names;
}

// One settings screen over a data folder of its own, with a "Pimo.txt" that matches memory.
struct Rig {
    QTemporaryDir dir;
    SharedState state;
    int returns = 0;
    std::unique_ptr<SettingsScreen> screen;

    explicit Rig(const GameSettings& settings = {}, int pictures = 10, int selected = 10) {
        state.DataFolder = dir.path() + QLatin1Char('/');
        state.Settings = settings;
        state.CharacterFiles = pictureNames(pictures);
        state.SelectedFiles = state.CharacterFiles.mid(0, selected);
        writeFile(settingsPath(), settingsFileContents(settings));
        screen = std::make_unique<SettingsScreen>(state, [this] { ++returns; });
        screen->open();
    }
    QString settingsPath() const { return state.DataFolder + kSettingsFileName; }
    template <typename T>
    T* find(const char* name) const {
        T* control = screen->findChild<T*>(QString::fromLatin1(name));
        if (control == nullptr)
            qFatal("no control %s", name);
        return control;
    }
    QRadioButton* option(int n) const {
        return find<QRadioButton>(QStringLiteral("Option%1").arg(n).toLatin1().constData());
    }
    QScrollBar* bar(int n) const {
        return find<QScrollBar>(QStringLiteral("HScroll%1").arg(n).toLatin1().constData());
    }
    QString box(const char* name) const { return find<QLabel>(name)->text(); }
    void click(const char* button) const {
        QTest::mouseClick(find<QPushButton>(button), Qt::LeftButton);
    }
    QList<int> checkedOptions() const {
        QList<int> checked;
        for (int n = 1; n <= 13; ++n) {
            if (option(n)->isChecked())
                checked.append(n);
        }
        return checked;
    }
};
}  // namespace

class TestSettingsScreen : public QObject {
    Q_OBJECT

private slots:
    void loadsTheStoredSettings_data();
    void loadsTheStoredSettings();
    void optionGroupsAreIndependent();
    void checksBeforeStoring_data();
    void checksBeforeStoring();
    void writesOnlyWhenSomethingChanged_data();
    void writesOnlyWhenSomethingChanged();
    void cancelDiscardsTheEntries();
    void scrollBarsKeepTheirRangeAndStep_data();
    void scrollBarsKeepTheirRangeAndStep();
    void valueBoxFollowsTheDraggedThumb();
    void onlyTheFocusedButtonAnswersEnter();
    void failedSaveKeepsTheFileAndTheGame();
    void layoutKeepsControlsInsideTheWindow();
};

void TestSettingsScreen::loadsTheStoredSettings_data() {
    QTest::addColumn<GameSettings>("stored");
    QTest::addColumn<QList<int>>("checked");
    QTest::addColumn<QList<int>>("bars");
    QTest::addColumn<QStringList>("boxes");

    QTest::newRow("defaults") << GameSettings{} << QList<int>{2, 6, 8, 10, 12}
                              << QList<int>{15, 2, 5} << QStringList{"１５", "２", "５"};
    QTest::newRow("every flag set, ranges' upper ends")
        << GameSettings{4, true, true, true, true, 40, 10, 10} << QList<int>{5, 7, 9, 11, 13}
        << QList<int>{40, 10, 10} << QStringList{"４０", "１０", "１０"};
    // The design value of HScroll1 is 5: loading 5 changes nothing, yet its box must show it.
    QTest::newRow("design values, lower ends")
        << GameSettings{0, false, false, false, false, 5, 1, 1} << QList<int>{1, 6, 8, 10, 12}
        << QList<int>{5, 1, 1} << QStringList{"５", "１", "１"};
    // Only a hand-edited file holds these: shown at the nearest end of each range.
    QTest::newRow("out of range") << GameSettings{9, false, false, false, false, 99, 0, 11}
                                  << QList<int>{6, 8, 10, 12} << QList<int>{40, 1, 10}
                                  << QStringList{"４０", "１", "１０"};
}

void TestSettingsScreen::loadsTheStoredSettings() {
    QFETCH(GameSettings, stored);
    QFETCH(QList<int>, checked);
    QFETCH(QList<int>, bars);
    QFETCH(QStringList, boxes);

    Rig rig(stored);
    QCOMPARE(rig.checkedOptions(), checked);
    QCOMPARE((QList<int>{rig.bar(1)->value(), rig.bar(2)->value(), rig.bar(3)->value()}), bars);
    QCOMPARE((QStringList{rig.box("Label4"), rig.box("Label6"), rig.box("Label7")}), boxes);
    QCOMPARE(rig.screen->EntryCountMode, stored.CountMode);
}

void TestSettingsScreen::optionGroupsAreIndependent() {
    Rig rig;  // 2, 6, 8, 10, 12 chosen
    clickOption(rig.option(7));
    QCOMPARE(rig.checkedOptions(), (QList<int>{2, 7, 8, 10, 12}));
    clickOption(rig.option(4));
    clickOption(rig.option(13));
    QCOMPARE(rig.checkedOptions(), (QList<int>{4, 7, 8, 10, 13}));
    // Clicking a chosen option keeps it chosen: a frame never ends up empty.
    clickOption(rig.option(13));
    QCOMPARE(rig.checkedOptions(), (QList<int>{4, 7, 8, 10, 13}));
}

void TestSettingsScreen::checksBeforeStoring_data() {
    QTest::addColumn<int>("minCount");
    QTest::addColumn<int>("maxCount");
    QTest::addColumn<bool>("mixed");
    QTest::addColumn<int>("selected");  // pictures chosen for play, of 10
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("title");

    QTest::newRow("minimum equals maximum") << 3 << 3 << false << 10 << QString() << QString();
    QTest::newRow("minimum above maximum") << 6 << 5 << false << 10 << kOrderMessage << kOrderTitle;
    QTest::newRow("both rules broken: only the first message")
        << 5 << 2 << true << 1 << kOrderMessage << kOrderTitle;
    QTest::newRow("various, pictures equal to the maximum")
        << 2 << 4 << true << 4 << QString() << QString();
    QTest::newRow("various, one picture short")
        << 2 << 4 << true << 3 << kPicturesMessage << kPicturesTitle;
    QTest::newRow("same kind, however few pictures")
        << 2 << 10 << false << 1 << QString() << QString();
    // An empty selection plays every picture (10 here), so the round has enough of them.
    QTest::newRow("various, empty selection plays all")
        << 2 << 10 << true << 0 << QString() << QString();
}

void TestSettingsScreen::checksBeforeStoring() {
    QFETCH(int, minCount);
    QFETCH(int, maxCount);
    QFETCH(bool, mixed);
    QFETCH(int, selected);
    QFETCH(QString, message);
    QFETCH(QString, title);

    WarningRecorder warnings;
    Rig rig(GameSettings{}, 10, selected);
    const GameSettings before = rig.state.Settings;
    const QByteArray fileBefore = fileBytes(rig.settingsPath());

    setByKeys(rig.bar(2), minCount);
    setByKeys(rig.bar(3), maxCount);
    if (mixed)
        clickOption(rig.option(9));
    rig.click("Command1");

    if (message.isEmpty()) {
        QVERIFY(warnings.messages.isEmpty());
        QCOMPARE(rig.returns, 1);
        QCOMPARE(rig.state.Settings.MinCount, minCount);
        QCOMPARE(rig.state.Settings.MaxCount, maxCount);
        QCOMPARE(rig.state.Settings.MixedCharacters, mixed);
        QCOMPARE(fileBytes(rig.settingsPath()), settingsFileContents(rig.state.Settings));
    } else {
        QCOMPARE(warnings.messages, (QList<QPair<QString, QString>>{{message, title}}));
        QCOMPARE(rig.returns, 0);
        QCOMPARE(rig.state.Settings, before);
        QCOMPARE(fileBytes(rig.settingsPath()), fileBefore);
        // The entries stay as the user left them, ready to be corrected.
        QCOMPARE(rig.bar(2)->value(), minCount);
        QCOMPARE(rig.bar(3)->value(), maxCount);
        QCOMPARE(rig.option(9)->isChecked(), mixed);
    }
}

void TestSettingsScreen::writesOnlyWhenSomethingChanged_data() {
    QTest::addColumn<int>("option");  // 0: none clicked
    QTest::addColumn<int>("bar");     // 0: none moved
    QTest::addColumn<int>("barValue");
    QTest::addColumn<QByteArray>("written");  // empty: the file must not be touched

    QTest::newRow("nothing changed") << 0 << 0 << 0 << QByteArray();
    QTest::newRow("the chosen option clicked again") << 2 << 0 << 0 << QByteArray();
    QTest::newRow("a bar moved and back") << 0 << 1 << 15 << QByteArray();
    QTest::newRow("only the counting way")
        << 3 << 0 << 0 << QByteArray("2,#FALSE#,#FALSE#,#FALSE#,#FALSE#,15,2,5\r\n");
    QTest::newRow("touch method") << 7 << 0 << 0
                                  << QByteArray("1,#TRUE#,#FALSE#,#FALSE#,#FALSE#,15,2,5\r\n");
    QTest::newRow("question wording")
        << 11 << 0 << 0 << QByteArray("1,#FALSE#,#FALSE#,#TRUE#,#FALSE#,15,2,5\r\n");
    QTest::newRow("pointer hidden")
        << 13 << 0 << 0 << QByteArray("1,#FALSE#,#FALSE#,#FALSE#,#TRUE#,15,2,5\r\n");
    QTest::newRow("blink time") << 0 << 1 << 1
                                << QByteArray("1,#FALSE#,#FALSE#,#FALSE#,#FALSE#,1,2,5\r\n");
    QTest::newRow("maximum") << 0 << 3 << 10
                             << QByteArray("1,#FALSE#,#FALSE#,#FALSE#,#FALSE#,15,2,10\r\n");
}

void TestSettingsScreen::writesOnlyWhenSomethingChanged() {
    QFETCH(int, option);
    QFETCH(int, bar);
    QFETCH(int, barValue);
    QFETCH(QByteArray, written);

    WarningRecorder warnings;
    Rig rig;
    // A file that differs from memory shows whether the screen wrote it.
    const QByteArray untouched("untouched\r\n");
    writeFile(rig.settingsPath(), untouched);

    if (option != 0)
        clickOption(rig.option(option));
    if (bar != 0)
        setByKeys(rig.bar(bar), barValue);
    rig.click("Command1");

    QVERIFY(warnings.messages.isEmpty());
    QCOMPARE(rig.returns, 1);  // back to the game in every case
    QCOMPARE(fileBytes(rig.settingsPath()), written.isEmpty() ? untouched : written);
}

void TestSettingsScreen::cancelDiscardsTheEntries() {
    Rig rig(GameSettings{3, true, false, false, false, 20, 3, 6});
    const GameSettings stored = rig.state.Settings;
    const QByteArray file = fileBytes(rig.settingsPath());

    clickOption(rig.option(1));
    clickOption(rig.option(6));
    clickOption(rig.option(13));
    setByKeys(rig.bar(1), 7);
    setByKeys(rig.bar(3), 2);  // would also break the first rule: no check on cancel
    rig.click("Command2");

    QCOMPARE(rig.returns, 1);
    QCOMPARE(rig.state.Settings, stored);
    QCOMPARE(fileBytes(rig.settingsPath()), file);

    // The next visit shows the stored values, not the abandoned entries.
    rig.screen->open();
    QCOMPARE(rig.checkedOptions(), (QList<int>{4, 7, 8, 10, 12}));
    QCOMPARE(rig.bar(1)->value(), 20);
    QCOMPARE(rig.bar(3)->value(), 6);
    QCOMPARE(rig.box("Label4"), QStringLiteral("２０"));
    QCOMPARE(rig.box("Label7"), QStringLiteral("６"));
}

void TestSettingsScreen::scrollBarsKeepTheirRangeAndStep_data() {
    QTest::addColumn<int>("bar");
    QTest::addColumn<QByteArray>("box");
    QTest::addColumn<int>("maximum");

    QTest::newRow("blink time") << 1 << QByteArray("Label4") << 40;
    QTest::newRow("minimum") << 2 << QByteArray("Label6") << 10;
    QTest::newRow("maximum") << 3 << QByteArray("Label7") << 10;
}

void TestSettingsScreen::scrollBarsKeepTheirRangeAndStep() {
    QFETCH(int, bar);
    QFETCH(QByteArray, box);
    QFETCH(int, maximum);

    Rig rig;
    QScrollBar* scroll = rig.bar(bar);
    const auto clickOn = [&](QStyle::SubControl part) {
        QTest::mouseClick(scroll, Qt::LeftButton, {}, scrollBarPart(scroll, part));
    };

    setByKeys(scroll, 1);
    clickOn(QStyle::SC_ScrollBarSubLine);
    QCOMPARE(scroll->value(), 1);
    QCOMPARE(rig.box(box), QStringLiteral("１"));
    clickOn(QStyle::SC_ScrollBarAddLine);
    QCOMPARE(scroll->value(), 2);
    clickOn(QStyle::SC_ScrollBarAddPage);  // a click on the track moves by one, as an arrow does
    QCOMPARE(scroll->value(), 3);
    QCOMPARE(rig.box(box), QStringLiteral("３"));
    clickOn(QStyle::SC_ScrollBarSubPage);
    QCOMPARE(scroll->value(), 2);

    QTest::keyClick(scroll, Qt::Key_End);
    QCOMPARE(scroll->value(), maximum);
    clickOn(QStyle::SC_ScrollBarAddLine);
    clickOn(QStyle::SC_ScrollBarAddPage);
    QCOMPARE(scroll->value(), maximum);
    QCOMPARE(rig.box(box), fullWidthDigits(maximum));
}

void TestSettingsScreen::valueBoxFollowsTheDraggedThumb() {
    Rig rig;
    QScrollBar* scroll = rig.bar(1);
    setByKeys(scroll, 1);
    const QPoint thumb = scrollBarPart(scroll, QStyle::SC_ScrollBarSlider);
    const QPoint end = scrollBarPart(scroll, QStyle::SC_ScrollBarAddLine);
    QTest::mousePress(scroll, Qt::LeftButton, {}, thumb);
    QTest::mouseMove(scroll, QPoint((thumb.x() + end.x()) / 2, thumb.y()));
    QVERIFY(scroll->isSliderDown());
    QVERIFY(scroll->sliderPosition() > 1);
    QCOMPARE(rig.box("Label4"), fullWidthDigits(scroll->sliderPosition()));
    QTest::mouseRelease(scroll, Qt::LeftButton, {}, QPoint((thumb.x() + end.x()) / 2, thumb.y()));
    QCOMPARE(rig.box("Label4"), fullWidthDigits(scroll->value()));
}

void TestSettingsScreen::onlyTheFocusedButtonAnswersEnter() {
    WarningRecorder warnings;
    Rig rig;
    QApplication::setActiveWindow(rig.screen.get());
    clickOption(rig.option(3));

    // Esc does nothing at all; Enter does nothing unless a button has the focus.
    rig.option(3)->setFocus();
    QTest::keyClick(rig.option(3), Qt::Key_Escape);
    QTest::keyClick(rig.option(3), Qt::Key_Return);
    QTest::keyClick(rig.bar(1), Qt::Key_Enter);
    QCOMPARE(rig.returns, 0);
    QVERIFY(rig.screen->isVisible());
    QCOMPARE(rig.state.Settings.CountMode, CountWay::FromLeft);

    auto* apply = rig.find<QPushButton>("Command1");
    auto* cancel = rig.find<QPushButton>("Command2");
    QVERIFY(!apply->isDefault() && !apply->autoDefault());
    QVERIFY(!cancel->isDefault() && !cancel->autoDefault());
    QTest::keyClick(cancel, Qt::Key_Return);
    QCOMPARE(rig.returns, 1);
    QCOMPARE(rig.state.Settings.CountMode, CountWay::FromLeft);
    QTest::keyClick(apply, Qt::Key_Enter);
    QCOMPARE(rig.returns, 2);
    QCOMPARE(rig.state.Settings.CountMode, CountWay::FromLeftCorrected);
    QVERIFY(warnings.messages.isEmpty());
}

void TestSettingsScreen::failedSaveKeepsTheFileAndTheGame() {
    WarningRecorder warnings;
    Rig rig;
    const QByteArray file = fileBytes(rig.settingsPath());
    clickOption(rig.option(9));
    setByKeys(rig.bar(3), 7);
    {
        FailingWrites fullDisk;
        rig.click("Command1");
    }
    QCOMPARE(warnings.messages,
             (QList<QPair<QString, QString>>{
                 {QStringLiteral("設定を保存できませんでした！"), QStringLiteral("設定の保存")}}));
    QCOMPARE(fileBytes(rig.settingsPath()), file);
    // The new values play for this run, and the game goes on.
    QVERIFY(rig.state.Settings.MixedCharacters);
    QCOMPARE(rig.state.Settings.MaxCount, qint16(7));
    QCOMPARE(rig.returns, 1);
}

void TestSettingsScreen::layoutKeepsControlsInsideTheWindow() {
    Rig rig;
    QWidget* window = rig.screen.get();
    QVERIFY(window->windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(window->size(), QSize(417, 438));
    QCOMPARE(window->windowModality(), Qt::NonModal);
    const QPoint offCentre =
        window->geometry().center() - QGuiApplication::primaryScreen()->geometry().center();
    QVERIFY(offCentre.manhattanLength() <= 2);
    // Every caption fits its control (no text is cut) and every control lies inside its parent.
    for (QWidget* control : window->findChildren<QWidget*>()) {
        if (control->objectName().isEmpty())
            continue;
        const QRect inParent = control->geometry();
        QVERIFY2(QRect(QPoint(0, 0), control->parentWidget()->size()).contains(inParent),
                 qPrintable(control->objectName()));
        if (auto* label = qobject_cast<QLabel*>(control); label && !label->text().isEmpty()) {
            QVERIFY2(label->sizeHint().width() <= label->width(), qPrintable(label->objectName()));
            QVERIFY2(label->sizeHint().height() <= label->height(),
                     qPrintable(label->objectName()));
        }
        if (auto* option = qobject_cast<QRadioButton*>(control)) {
            QVERIFY2(option->sizeHint().width() <= option->width(),
                     qPrintable(option->objectName()));
        }
    }
}

QTEST_MAIN(TestSettingsScreen)
#include "tst_settings_screen.moc"
