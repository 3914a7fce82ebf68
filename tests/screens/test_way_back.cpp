// H and N on the game screen open the adult screens; every way back starts a fresh round with
// the settings and the selection as they now stand.

#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include "screens/selection_screen.h"
#include "screens/settings_screen.h"
#include "state/selection_file.h"
#include "state/settings_file.h"
#include "support/game_rig.h"

namespace {
template <typename T>
T* control(QWidget& screen, const QString& name) {
    T* found = screen.findChild<T*>(name);
    if (found == nullptr)
        qFatal("no control %s", qPrintable(name));
    return found;
}

void click(QWidget& screen, const char* button) {
    QTest::mouseClick(control<QPushButton>(screen, QString::fromLatin1(button)), Qt::LeftButton);
}
}  // namespace

class WayBackTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_folder = std::make_unique<QTemporaryDir>();
        m_rig = std::make_unique<GameRig>(GameSettings{});
        m_rig->shared.dataFolder = m_folder->path() + QLatin1Char('/');
        m_rig->activate(3);
        QVERIFY(m_rig->game.stepPending(Step::Hop));
    }

    // "実行" with new counts and blink time: the round that follows has them.
    void settingsApplyToTheNextRound() {
        m_rig->game.keyPressed(GameKey::H);
        QCOMPARE(m_rig->host.calls, QStringList{QStringLiteral("settings")});
        QVERIFY(!m_rig->game.stepPending(Step::Hop));

        SettingsScreen settings(m_rig->shared, [this] { m_rig->game.activate(); });
        settings.open();
        control<QScrollBar>(settings, QStringLiteral("blinkTimeBar"))->setValue(7);
        control<QScrollBar>(settings, QStringLiteral("minimumCountBar"))->setValue(1);
        control<QScrollBar>(settings, QStringLiteral("maximumCountBar"))->setValue(1);
        control<QRadioButton>(settings, QStringLiteral("touchByClick"))->setChecked(true);
        click(settings, "applyButton");

        QCOMPARE(m_rig->game.round().characterCount, 1);
        QCOMPARE(m_rig->game.stepInterval(Step::Hop), 700);
        QVERIFY(m_rig->game.stepPending(Step::Hop));
        QVERIFY(m_rig->shared.settings.clickToCount);
        QCOMPARE(m_rig->game.round().current, 0);
        QVERIFY(m_rig->model().characters[0].visible);
        QVERIFY(!m_rig->model().characters[1].visible);
    }

    // "キャンセル" also comes back to a fresh round, with the settings as they were.
    void cancelComesBackToAFreshRoundAsBefore() {
        m_rig->game.keyPressed(GameKey::H);
        SettingsScreen settings(m_rig->shared, [this] { m_rig->game.activate(); });
        settings.open();
        control<QScrollBar>(settings, QStringLiteral("blinkTimeBar"))->setValue(40);
        click(settings, "cancelButton");
        // Closed screens are hidden: the game window is the one window shown.
        QVERIFY(!settings.isVisible());
        QCOMPARE(m_rig->game.stepInterval(Step::Hop), 1500);
        QVERIFY(m_rig->game.stepPending(Step::Hop));
        QCOMPARE(m_rig->shared.settings, GameSettings{});
    }

    // "決定" with one picture: the next round shows it, and various characters give way to one
    // kind while fewer pictures are chosen than a round may show.
    void selectionAppliesToTheNextRound() {
        m_rig->shared.settings.mixedCharacters = true;
        m_rig->game.keyPressed(GameKey::N);
        QCOMPARE(m_rig->host.calls, QStringList{QStringLiteral("selection")});

        SelectionScreen selection(m_rig->shared, [this] { m_rig->game.activate(); });
        selection.open();
        click(selection, "selectNoneButton");
        auto* list = control<QListWidget>(selection, QStringLiteral("pictureList"));
        list->item(4)->setSelected(true);
        click(selection, "decideButton");
        QVERIFY(!selection.isVisible());

        QCOMPARE(m_rig->shared.selectedFiles, QStringList{m_rig->shared.characterFiles.at(4)});
        QVERIFY(!m_rig->shared.settings.mixedCharacters);
        QCOMPARE(m_rig->game.round().singlePicturePath,
                 m_rig->shared.dataFolder + m_rig->shared.characterFiles.at(4));
        QVERIFY(m_rig->game.stepPending(Step::Hop));
        // The settings file was not touched by the forced change.
        QVERIFY(!QFile::exists(m_rig->shared.dataFolder + kSettingsFileName));
        QVERIFY(QFile::exists(m_rig->shared.dataFolder + kSelectionFileName));
    }

private:
    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<GameRig> m_rig;
};

QTEST_MAIN(WayBackTest)
#include "test_way_back.moc"
