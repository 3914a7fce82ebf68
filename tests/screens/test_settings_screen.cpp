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

// Every option button, by what it sets: the counting way, the touch, the kind of characters,
// the question, the pointer.
const QStringList kOptions = {"countWayAnyOrder",
                              "countWayFromLeft",
                              "countWayFromLeftCorrected",
                              "countWayFromLeftBlinking",
                              "countWayNoCounting",
                              "touchByPointer",
                              "touchByClick",
                              "sameCharacters",
                              "variousCharacters",
                              "askHowMany",
                              "askHowManyPeople",
                              "pointerShown",
                              "pointerHidden"};
// The buttons chosen for GameSettings{}.
const QStringList kDefaultChoices = {"countWayFromLeft", "touchByPointer", "sameCharacters",
                                     "askHowMany", "pointerShown"};

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
        state.dataFolder = dir.path() + QLatin1Char('/');
        state.settings = settings;
        state.characterFiles = pictureNames(pictures);
        state.selectedFiles = state.characterFiles.mid(0, selected);
        writeFile(settingsPath(), settingsFileContents(settings));
        screen = std::make_unique<SettingsScreen>(state, [this] { ++returns; });
        screen->open();
    }
    QString settingsPath() const { return state.dataFolder + kSettingsFileName; }
    template <typename T>
    T* find(const QString& name) const {
        T* control = screen->findChild<T*>(name);
        if (control == nullptr)
            qFatal("no control %s", qPrintable(name));
        return control;
    }
    QRadioButton* option(const QString& name) const { return find<QRadioButton>(name); }
    QScrollBar* bar(const QString& name) const { return find<QScrollBar>(name); }
    QString box(const QString& name) const { return find<QLabel>(name)->text(); }
    void click(const QString& button) const {
        QTest::mouseClick(find<QPushButton>(button), Qt::LeftButton);
    }
    QStringList checkedOptions() const {
        QStringList checked;
        for (const QString& name : kOptions) {
            if (option(name)->isChecked())
                checked.append(name);
        }
        return checked;
    }
    QList<int> barValues() const {
        return {bar("blinkTimeBar")->value(), bar("minimumCountBar")->value(),
                bar("maximumCountBar")->value()};
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
    QTest::addColumn<QStringList>("checked");
    QTest::addColumn<QList<int>>("bars");
    QTest::addColumn<QStringList>("boxes");

    QTest::newRow("defaults") << GameSettings{} << kDefaultChoices << QList<int>{15, 2, 5}
                              << QStringList{"１５", "２", "５"};
    QTest::newRow("every flag set, ranges' upper ends")
        << GameSettings{CountWay::NoCounting, true, true, true, true, 40, 10, 10}
        << QStringList{"countWayNoCounting", "touchByClick", "variousCharacters",
                       "askHowManyPeople", "pointerHidden"}
        << QList<int>{40, 10, 10} << QStringList{"４０", "１０", "１０"};
    // The blink time bar is built at 5: loading 5 changes nothing, yet its box must show it.
    QTest::newRow("design values, lower ends")
        << GameSettings{CountWay::AnyOrder, false, false, false, false, 5, 1, 1}
        << QStringList{"countWayAnyOrder", "touchByPointer", "sameCharacters", "askHowMany",
                       "pointerShown"}
        << QList<int>{5, 1, 1} << QStringList{"５", "１", "１"};
    // Only a hand-edited file holds these: shown at the nearest end of each range, and no
    // counting way chosen.
    QTest::newRow("out of range") << GameSettings{9, false, false, false, false, 99, 0, 11}
                                  << kDefaultChoices.mid(1) << QList<int>{40, 1, 10}
                                  << QStringList{"４０", "１", "１０"};
}

void TestSettingsScreen::loadsTheStoredSettings() {
    QFETCH(GameSettings, stored);
    QFETCH(QStringList, checked);
    QFETCH(QList<int>, bars);
    QFETCH(QStringList, boxes);

    Rig rig(stored);
    QCOMPARE(rig.checkedOptions(), checked);
    QCOMPARE(rig.barValues(), bars);
    QCOMPARE((QStringList{rig.box("blinkTimeValue"), rig.box("minimumCountValue"),
                          rig.box("maximumCountValue")}),
             boxes);
}

void TestSettingsScreen::optionGroupsAreIndependent() {
    Rig rig;  // kDefaultChoices chosen
    clickOption(rig.option("touchByClick"));
    QCOMPARE(rig.checkedOptions(), (QStringList{"countWayFromLeft", "touchByClick",
                                                "sameCharacters", "askHowMany", "pointerShown"}));
    clickOption(rig.option("countWayFromLeftBlinking"));
    clickOption(rig.option("pointerHidden"));
    const QStringList chosen = {"countWayFromLeftBlinking", "touchByClick", "sameCharacters",
                                "askHowMany", "pointerHidden"};
    QCOMPARE(rig.checkedOptions(), chosen);
    // Clicking a chosen option keeps it chosen: a group never ends up empty.
    clickOption(rig.option("pointerHidden"));
    QCOMPARE(rig.checkedOptions(), chosen);
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
    const GameSettings before = rig.state.settings;
    const QByteArray fileBefore = fileBytes(rig.settingsPath());

    setByKeys(rig.bar("minimumCountBar"), minCount);
    setByKeys(rig.bar("maximumCountBar"), maxCount);
    if (mixed)
        clickOption(rig.option("variousCharacters"));
    rig.click("applyButton");

    if (message.isEmpty()) {
        QVERIFY(warnings.messages.isEmpty());
        QCOMPARE(rig.returns, 1);
        QCOMPARE(rig.state.settings.minCount, minCount);
        QCOMPARE(rig.state.settings.maxCount, maxCount);
        QCOMPARE(rig.state.settings.mixedCharacters, mixed);
        QCOMPARE(fileBytes(rig.settingsPath()), settingsFileContents(rig.state.settings));
    } else {
        QCOMPARE(warnings.messages, (QList<QPair<QString, QString>>{{message, title}}));
        QCOMPARE(rig.returns, 0);
        QCOMPARE(rig.state.settings, before);
        QCOMPARE(fileBytes(rig.settingsPath()), fileBefore);
        // The entries stay as the user left them, ready to be corrected.
        QCOMPARE(rig.bar("minimumCountBar")->value(), minCount);
        QCOMPARE(rig.bar("maximumCountBar")->value(), maxCount);
        QCOMPARE(rig.option("variousCharacters")->isChecked(), mixed);
    }
}

void TestSettingsScreen::writesOnlyWhenSomethingChanged_data() {
    QTest::addColumn<QString>("option");  // empty: none clicked
    QTest::addColumn<QString>("bar");     // empty: none moved
    QTest::addColumn<int>("barValue");
    QTest::addColumn<QByteArray>("written");  // empty: the file must not be touched

    const QString none;
    QTest::newRow("nothing changed") << none << none << 0 << QByteArray();
    QTest::newRow("the chosen option clicked again")
        << "countWayFromLeft" << none << 0 << QByteArray();
    QTest::newRow("a bar moved and back") << none << "blinkTimeBar" << 15 << QByteArray();
    QTest::newRow("only the counting way")
        << "countWayFromLeftCorrected" << none << 0
        << QByteArray("2,#FALSE#,#FALSE#,#FALSE#,#FALSE#,15,2,5\r\n");
    QTest::newRow("touch method") << "touchByClick" << none << 0
                                  << QByteArray("1,#TRUE#,#FALSE#,#FALSE#,#FALSE#,15,2,5\r\n");
    QTest::newRow("question wording") << "askHowManyPeople" << none << 0
                                      << QByteArray("1,#FALSE#,#FALSE#,#TRUE#,#FALSE#,15,2,5\r\n");
    QTest::newRow("pointer hidden") << "pointerHidden" << none << 0
                                    << QByteArray("1,#FALSE#,#FALSE#,#FALSE#,#TRUE#,15,2,5\r\n");
    QTest::newRow("blink time") << none << "blinkTimeBar" << 1
                                << QByteArray("1,#FALSE#,#FALSE#,#FALSE#,#FALSE#,1,2,5\r\n");
    QTest::newRow("maximum") << none << "maximumCountBar" << 10
                             << QByteArray("1,#FALSE#,#FALSE#,#FALSE#,#FALSE#,15,2,10\r\n");
}

void TestSettingsScreen::writesOnlyWhenSomethingChanged() {
    QFETCH(QString, option);
    QFETCH(QString, bar);
    QFETCH(int, barValue);
    QFETCH(QByteArray, written);

    WarningRecorder warnings;
    Rig rig;
    // A file that differs from memory shows whether the screen wrote it.
    const QByteArray untouched("untouched\r\n");
    writeFile(rig.settingsPath(), untouched);

    if (!option.isEmpty())
        clickOption(rig.option(option));
    if (!bar.isEmpty())
        setByKeys(rig.bar(bar), barValue);
    rig.click("applyButton");

    QVERIFY(warnings.messages.isEmpty());
    QCOMPARE(rig.returns, 1);  // back to the game in every case
    QCOMPARE(fileBytes(rig.settingsPath()), written.isEmpty() ? untouched : written);
}

void TestSettingsScreen::cancelDiscardsTheEntries() {
    Rig rig(GameSettings{CountWay::FromLeftBlinking, true, false, false, false, 20, 3, 6});
    const GameSettings stored = rig.state.settings;
    const QByteArray file = fileBytes(rig.settingsPath());

    clickOption(rig.option("countWayAnyOrder"));
    clickOption(rig.option("touchByPointer"));
    clickOption(rig.option("pointerHidden"));
    setByKeys(rig.bar("blinkTimeBar"), 7);
    setByKeys(rig.bar("maximumCountBar"),
              2);  // would also break the first rule: no check on cancel
    rig.click("cancelButton");

    QCOMPARE(rig.returns, 1);
    QCOMPARE(rig.state.settings, stored);
    QCOMPARE(fileBytes(rig.settingsPath()), file);

    // The next visit shows the stored values, not the abandoned entries.
    rig.screen->open();
    QCOMPARE(rig.checkedOptions(), (QStringList{"countWayFromLeftBlinking", "touchByClick",
                                                "sameCharacters", "askHowMany", "pointerShown"}));
    QCOMPARE(rig.barValues(), (QList<int>{20, 3, 6}));
    QCOMPARE(rig.box("blinkTimeValue"), QStringLiteral("２０"));
    QCOMPARE(rig.box("maximumCountValue"), QStringLiteral("６"));
}

void TestSettingsScreen::scrollBarsKeepTheirRangeAndStep_data() {
    QTest::addColumn<QString>("bar");
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("maximum");

    QTest::newRow("blink time") << "blinkTimeBar"
                                << "blinkTimeValue" << 40;
    QTest::newRow("minimum") << "minimumCountBar"
                             << "minimumCountValue" << 10;
    QTest::newRow("maximum") << "maximumCountBar"
                             << "maximumCountValue" << 10;
}

void TestSettingsScreen::scrollBarsKeepTheirRangeAndStep() {
    QFETCH(QString, bar);
    QFETCH(QString, box);
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
    QScrollBar* scroll = rig.bar("blinkTimeBar");
    setByKeys(scroll, 1);
    const QPoint thumb = scrollBarPart(scroll, QStyle::SC_ScrollBarSlider);
    const QPoint end = scrollBarPart(scroll, QStyle::SC_ScrollBarAddLine);
    QTest::mousePress(scroll, Qt::LeftButton, {}, thumb);
    QTest::mouseMove(scroll, QPoint((thumb.x() + end.x()) / 2, thumb.y()));
    QVERIFY(scroll->isSliderDown());
    QVERIFY(scroll->sliderPosition() > 1);
    QCOMPARE(rig.box("blinkTimeValue"), fullWidthDigits(scroll->sliderPosition()));
    QTest::mouseRelease(scroll, Qt::LeftButton, {}, QPoint((thumb.x() + end.x()) / 2, thumb.y()));
    QCOMPARE(rig.box("blinkTimeValue"), fullWidthDigits(scroll->value()));
}

void TestSettingsScreen::onlyTheFocusedButtonAnswersEnter() {
    WarningRecorder warnings;
    Rig rig;
    QApplication::setActiveWindow(rig.screen.get());
    QRadioButton* corrected = rig.option("countWayFromLeftCorrected");
    clickOption(corrected);

    // Esc does nothing at all; Enter does nothing unless a button has the focus.
    corrected->setFocus();
    QTest::keyClick(corrected, Qt::Key_Escape);
    QTest::keyClick(corrected, Qt::Key_Return);
    QTest::keyClick(rig.bar("blinkTimeBar"), Qt::Key_Enter);
    QCOMPARE(rig.returns, 0);
    QVERIFY(rig.screen->isVisible());
    QCOMPARE(rig.state.settings.countWay, CountWay::FromLeft);

    auto* apply = rig.find<QPushButton>("applyButton");
    auto* cancel = rig.find<QPushButton>("cancelButton");
    QVERIFY(!apply->isDefault() && !apply->autoDefault());
    QVERIFY(!cancel->isDefault() && !cancel->autoDefault());
    QTest::keyClick(cancel, Qt::Key_Return);
    QCOMPARE(rig.returns, 1);
    QCOMPARE(rig.state.settings.countWay, CountWay::FromLeft);
    QTest::keyClick(apply, Qt::Key_Enter);
    QCOMPARE(rig.returns, 2);
    QCOMPARE(rig.state.settings.countWay, CountWay::FromLeftCorrected);
    QVERIFY(warnings.messages.isEmpty());
}

void TestSettingsScreen::failedSaveKeepsTheFileAndTheGame() {
    WarningRecorder warnings;
    Rig rig;
    const QByteArray file = fileBytes(rig.settingsPath());
    clickOption(rig.option("variousCharacters"));
    setByKeys(rig.bar("maximumCountBar"), 7);
    {
        FailingWrites fullDisk;
        rig.click("applyButton");
    }
    QCOMPARE(warnings.messages,
             (QList<QPair<QString, QString>>{
                 {QStringLiteral("設定を保存できませんでした！"), QStringLiteral("設定の保存")}}));
    QCOMPARE(fileBytes(rig.settingsPath()), file);
    // The new values play for this run, and the game goes on.
    QVERIFY(rig.state.settings.mixedCharacters);
    QCOMPARE(rig.state.settings.maxCount, qint16(7));
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
#include "test_settings_screen.moc"
