// The program's wiring, built in-process: every adult key opens its screen over the game, and
// every way back hides the screen and starts a fresh round with the settings and the selection
// as they now stand. What start-up kept for the adult comes first, and at Esc it says that the
// game ends after OK.

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "app/program.h"
#include "support/files.h"
#include "state/selection_file.h"
#include "state/settings_file.h"
#include "ui/game_window.h"
#include "ui/message_box.h"
#include "support/paths.h"

namespace {
QWidget* shownWindow(const QString& name) {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() == name && window->isVisible())
            return window;
    }
    return nullptr;
}

void click(QWidget& screen, const char* button) {
    auto* found = screen.findChild<QPushButton*>(QString::fromLatin1(button));
    QVERIFY2(found != nullptr, button);
    QTest::mouseClick(found, Qt::LeftButton);
}
}  // namespace

class WayBackTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_folder = std::make_unique<QTemporaryDir>();
        for (const QString& name : QDir(sourceFolder() + QStringLiteral("/data"))
                                       .entryList({QStringLiteral("*.gif")}, QDir::Files)
                                       .mid(0, 5)) {
            QVERIFY(QFile::copy(sourceFolder() + QStringLiteral("/data/") + name,
                                m_folder->filePath(name)));
        }
        m_told.clear();
        setWarningHandlerForTests([this](const QString& text, const QString&) { m_told << text; });
    }
    void cleanup() {
        m_program.reset();
        setWarningHandlerForTests({});
    }

    void everyAdultKeyOpensItsScreenAndComesBackToAFreshRound_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("screen");
        QTest::addColumn<QString>("wayBack");
        QTest::newRow("H") << int(Qt::Key_H) << "settingsScreen" << "cancelButton";
        QTest::newRow("N") << int(Qt::Key_N) << "selectionScreen" << "cancelButton";
        QTest::newRow("V") << int(Qt::Key_V) << "voiceScreen" << "backButton";
        QTest::newRow("C") << int(Qt::Key_C) << "childrenScreen" << "closeButton";
        QTest::newRow("K") << int(Qt::Key_K) << "recordScreen" << "closeButton";
    }
    void everyAdultKeyOpensItsScreenAndComesBackToAFreshRound() {
        QFETCH(int, key);
        QFETCH(QString, screen);
        QFETCH(QString, wayBack);
        QVERIFY(start());
        for (int time = 0; time < 2; ++time) {  // the second time on the screen made the first
            QTest::keyClick(&m_program->window(), Qt::Key(key));
            QWidget* opened = shownWindow(screen);
            QVERIFY2(opened != nullptr, qPrintable(screen));
            QCOMPARE(m_program->game().phase(), Phase::Stopped);
            click(*opened, qPrintable(wayBack));
            QVERIFY(!opened->isVisible());
            QVERIFY(m_program->window().isVisible());
            QCOMPARE(m_program->game().phase(), Phase::Catching);
            QCOMPARE(m_program->game().round().current, 0);
        }
    }

    // "実行" with new counts and blink time: the round that follows has them.
    void settingsApplyToTheNextRound() {
        QVERIFY(start());
        QTest::keyClick(&m_program->window(), Qt::Key_H);
        QWidget* settings = shownWindow(QStringLiteral("settingsScreen"));
        QVERIFY(settings != nullptr);
        settings->findChild<QScrollBar*>(QStringLiteral("blinkTimeBar"))->setValue(7);
        settings->findChild<QScrollBar*>(QStringLiteral("minimumCountBar"))->setValue(1);
        settings->findChild<QScrollBar*>(QStringLiteral("maximumCountBar"))->setValue(1);
        click(*settings, "applyButton");
        QCOMPARE(m_program->game().round().characterCount, 1);
        QCOMPARE(m_program->game().stepInterval(Step::Hop), 700);
        QVERIFY(QFile::exists(m_folder->filePath(kSettingsFileName)));
    }

    // "決定" with one picture: the next round shows it.
    void selectionAppliesToTheNextRound() {
        QVERIFY(start());
        QTest::keyClick(&m_program->window(), Qt::Key_N);
        QWidget* selection = shownWindow(QStringLiteral("selectionScreen"));
        QVERIFY(selection != nullptr);
        click(*selection, "selectNoneButton");
        auto* list = selection->findChild<QListWidget*>(QStringLiteral("pictureList"));
        list->item(4)->setSelected(true);
        click(*selection, "decideButton");
        const QStringList pictures =
            QDir(m_folder->path()).entryList({QStringLiteral("*.gif")}, QDir::Files, QDir::Name);
        QCOMPARE(m_program->game().round().singlePicturePath, m_folder->filePath(pictures[4]));
        QVERIFY(QFile::exists(m_folder->filePath(kSelectionFileName)));
    }

    // A child put on おまかせ on the children screen plays the game's choice: a new child's one
    // character, counted from the left, while the adult's settings (any order, 4 to 6) stay, and
    // the settings screen says so.
    void childOnOmakasePlaysTheGamesChoice() {
        writeFile(m_folder->filePath(kSettingsFileName),
                  "0,#FALSE#,#FALSE#,#FALSE#,#FALSE#,15,4,6\r\n");
        QVERIFY(start());
        QTest::keyClick(&m_program->window(), Qt::Key_C);
        QWidget* children = shownWindow(QStringLiteral("childrenScreen"));
        QVERIFY(children != nullptr);
        children->findChild<QLineEdit*>(QStringLiteral("nameEdit"))->setText(QStringLiteral("ゆい"));
        children->findChild<QListWidget*>(QStringLiteral("markList"))->item(0)->setSelected(true);
        click(*children, "addButton");
        children->findChild<QListWidget*>(QStringLiteral("childList"))->item(0)->setSelected(true);
        auto* omakase = children->findChild<QCheckBox*>(QStringLiteral("omakaseBox"));
        QTest::mouseClick(omakase, Qt::LeftButton, {}, QPoint(8, omakase->height() / 2));
        click(*children, "closeButton");
        QWidget* whoPlays = shownWindow(QStringLiteral("whoPlaysScreen"));
        QVERIFY(whoPlays != nullptr);
        QTest::keyClick(whoPlays, Qt::Key_Right);
        QTest::keyClick(whoPlays, Qt::Key_Return);

        const RoundState& round = m_program->game().round();
        QCOMPARE(m_program->game().phase(), Phase::Catching);
        QCOMPARE(round.characterCount, 1);
        QCOMPARE(round.settings.countWay, CountWay::FromLeft);
        QCOMPARE(m_program->game().settings().countWay, CountWay::AnyOrder);
        QTest::keyClick(&m_program->window(), Qt::Key_H);
        QWidget* settings = shownWindow(QStringLiteral("settingsScreen"));
        QVERIFY(settings != nullptr);
        auto* line = settings->findChild<QLabel*>(QStringLiteral("omakaseLine"));
        QVERIFY(line->isVisible());
        QVERIFY2(line->text().startsWith(QStringLiteral("ゆい は「おまかせ」")), qPrintable(line->text()));
        QCOMPARE(settings->findChild<QScrollBar*>(QStringLiteral("minimumCountBar"))->value(), 4);
    }

    // A notice kept from start-up (the settings file cannot be written: a folder of its name)
    // comes before the screen asked for, without a second key; at Esc it says the game ends
    // after OK, and the game ends.
    void noticeFirstThenWhatTheKeyAskedFor() {
        QVERIFY(QDir(m_folder->path()).mkdir(kSettingsFileName));
        QVERIFY(start());
        QCOMPARE(m_told, QStringList());
        QTest::keyClick(&m_program->window(), Qt::Key_H);
        QCOMPARE(m_told.size(), 1);
        QVERIFY(m_told[0].startsWith(QStringLiteral("「Pimo.txt」に書きこめません")));
        QWidget* settings = shownWindow(QStringLiteral("settingsScreen"));
        QVERIFY(settings != nullptr);
        click(*settings, "cancelButton");
        QTest::keyClick(&m_program->window(), Qt::Key_Escape);
        QCOMPARE(m_told.size(), 1);  // told once
        QCOMPARE(m_ended, 0);

        m_program.reset();
        m_ended = -1;
        QVERIFY(start());
        QTest::keyClick(&m_program->window(), Qt::Key_Escape);
        QCOMPARE(m_told.size(), 2);
        QVERIFY2(m_told[1].endsWith(QStringLiteral("OK で終了します。")), qPrintable(m_told[1]));
        QCOMPARE(m_ended, 0);
    }

private:
    bool start() {
        qputenv("XDG_DATA_HOME", m_folder->filePath(QStringLiteral("home")).toUtf8());
        CommandLine options;
        options.folderWords = {m_folder->path()};
        m_ended = -1;
        m_program = std::make_unique<Program>(
            options, m_folder->filePath(QStringLiteral("home/record.sqlite")),
            [this](int status) { m_ended = status; });
        return m_program->start();
    }

    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<Program> m_program;
    QStringList m_told;
    int m_ended = -1;
};

QTEST_MAIN(WayBackTest)
#include "test_way_back.moc"
