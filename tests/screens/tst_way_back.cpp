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
        m_rig->shared.DataFolder = m_folder->path() + QLatin1Char('/');
        m_rig->activate(3);
        QVERIFY(m_rig->game.timerEnabled(1));
    }

    // "実行" with new counts and blink time: the round that follows has them.
    void settingsApplyToTheNextRound() {
        m_rig->game.Form_KeyDown(GameKey::H);
        QCOMPARE(m_rig->host.calls, QStringList{QStringLiteral("settings")});
        QVERIFY(!m_rig->game.timerEnabled(1));

        SettingsScreen settings(m_rig->shared, [this] { m_rig->game.Form_Activate(); });
        settings.open();
        control<QScrollBar>(settings, QStringLiteral("HScroll1"))->setValue(7);
        control<QScrollBar>(settings, QStringLiteral("HScroll2"))->setValue(1);
        control<QScrollBar>(settings, QStringLiteral("HScroll3"))->setValue(1);
        control<QRadioButton>(settings, QStringLiteral("Option7"))->setChecked(true);
        click(settings, "Command1");

        QCOMPARE(m_rig->game.CharacterCount, 1);
        QCOMPARE(m_rig->game.timerInterval(1), 700);
        QVERIFY(m_rig->game.timerEnabled(1));
        QVERIFY(m_rig->shared.Settings.ClickToCount);
        QCOMPARE(m_rig->game.CurrentCount, 0);
        QVERIFY(m_rig->model().Image1[0].Visible);
        QVERIFY(!m_rig->model().Image1[1].Visible);
    }

    // "キャンセル" also comes back to a fresh round, with the settings as they were.
    void cancelComesBackToAFreshRoundAsBefore() {
        m_rig->game.Form_KeyDown(GameKey::H);
        SettingsScreen settings(m_rig->shared, [this] { m_rig->game.Form_Activate(); });
        settings.open();
        control<QScrollBar>(settings, QStringLiteral("HScroll1"))->setValue(40);
        click(settings, "Command2");
        QCOMPARE(m_rig->game.timerInterval(1), 1500);
        QVERIFY(m_rig->game.timerEnabled(1));
        QCOMPARE(m_rig->shared.Settings, GameSettings{});
    }

    // "決定" with one picture: the next round shows it, and various characters give way to one
    // kind while fewer pictures are chosen than a round may show.
    void selectionAppliesToTheNextRound() {
        m_rig->shared.Settings.MixedCharacters = true;
        m_rig->game.Form_KeyDown(GameKey::N);
        QCOMPARE(m_rig->host.calls, QStringList{QStringLiteral("selection")});

        SelectionScreen selection(m_rig->shared, [this] { m_rig->game.Form_Activate(); });
        selection.open();
        click(selection, "Command4");  // 全解除
        auto* list = control<QListWidget>(selection, QStringLiteral("List1"));
        list->item(4)->setSelected(true);
        click(selection, "Command1");  // 決定

        QCOMPARE(m_rig->shared.SelectedFiles, QStringList{m_rig->shared.CharacterFiles.at(4)});
        QVERIFY(!m_rig->shared.Settings.MixedCharacters);
        QCOMPARE(m_rig->game.SinglePicturePath,
                 m_rig->shared.DataFolder + m_rig->shared.CharacterFiles.at(4));
        QVERIFY(m_rig->game.timerEnabled(1));
        // The settings file was not touched by the forced change.
        QVERIFY(!QFile::exists(m_rig->shared.DataFolder + kSettingsFileName));
        QVERIFY(QFile::exists(m_rig->shared.DataFolder + kSelectionFileName));
    }

private:
    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<GameRig> m_rig;
};

QTEST_MAIN(WayBackTest)
#include "tst_way_back.moc"
