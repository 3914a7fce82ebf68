// The children screen and "だれがあそぶ？", driven through their real controls, keys and clicks.

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <optional>

#include "record/children.h"
#include "record/record_store.h"
#include "screens/children_screen.h"
#include "screens/who_plays_layout.h"
#include "screens/who_plays_screen.h"
#include "state/computer_clock.h"
#include "support/record_support.h"
#include "ui/classroom_lock.h"

namespace {
SharedState pictures() {
    SharedState state;
    state.dataFolder = QStringLiteral("/nowhere/");
    state.characterFiles = QStringList{"いぬ.gif", "ねこ.gif", "バス.gif"};
    state.selectedFiles = state.characterFiles;
    return state;
}
// A record in a folder of its own, opened, with its children, and the pictures to mark them by.
struct RecordOfChildren {
    RecordOfChildren() { store.open(); }
    QTemporaryDir dir;
    FakeClock clock;
    SharedState state = pictures();
    RecordStore store{dir.filePath(QStringLiteral("record.sqlite")), clock};
    Children children{store, clock};
};
}  // namespace

class ChildrenScreensTest : public QObject {
    Q_OBJECT
private slots:
    void childrenAreAddedChangedAndRemoved();
    void whoPlaysTakesOneTouchOrTheKeys();
    void lockLeavesTheAdultsTypingAlone();
};

void ChildrenScreensTest::childrenAreAddedChangedAndRemoved() {
    RecordOfChildren rig;
    Children& record = rig.children;
    int returns = 0;
    ChildrenScreen screen(record, rig.state, [&] { ++returns; });
    screen.open();
    auto* name = screen.findChild<QLineEdit*>(QStringLiteral("nameEdit"));
    auto* marks = screen.findChild<QListWidget*>(QStringLiteral("markList"));
    auto* children = screen.findChild<QListWidget*>(QStringLiteral("childList"));
    auto* message = screen.findChild<QLabel*>(QStringLiteral("messageLine"));
    const auto press = [&](const char* button) {
        QTest::mouseClick(screen.findChild<QPushButton*>(QLatin1String(button)), Qt::LeftButton);
    };
    const auto listed = [&] {
        QStringList all;
        for (const ChildEntry& c : record.list())
            all << c.name + QLatin1Char(' ') + c.mark;
        return all;
    };
    QVERIFY(name && marks && children && message);
    QCOMPARE(marks->count(), 3);

    name->setText(QStringLiteral("yuto"));
    marks->item(1)->setSelected(true);
    press("addButton");
    QVERIFY(message->text().contains(QStringLiteral("ひらがな")));
    name->setText(QStringLiteral("ゆうと"));
    press("addButton");
    QCOMPARE(listed(), QStringList{"ゆうと ねこ.gif"});
    QCOMPARE(children->count(), 1);

    // Chosen in the list, the child's name and mark come up to be changed.
    children->item(0)->setSelected(true);
    QCOMPARE(name->text(), QStringLiteral("ゆうと"));
    QVERIFY(marks->item(1)->isSelected());
    name->setText(QStringLiteral("ゆうた"));
    marks->item(2)->setSelected(true);
    press("changeButton");
    QCOMPARE(listed(), QStringList{"ゆうた バス.gif"});

    // Removing asks for a second press.
    children->item(0)->setSelected(true);
    press("removeButton");
    QCOMPARE(listed().size(), 1);
    QVERIFY(message->text().contains(QStringLiteral("もう一度")));
    press("removeButton");
    QCOMPARE(listed(), QStringList());
    press("closeButton");
    QCOMPARE(returns, 1);
}

void ChildrenScreensTest::whoPlaysTakesOneTouchOrTheKeys() {
    const SharedState state = pictures();
    QList<std::optional<qint64>> chosen;
    int ends = 0;
    WhoPlaysScreen screen(
        state, [&](std::optional<qint64> child) { chosen << child; }, [&] { ++ends; });
    const QList<ChildEntry> children{{7, QStringLiteral("けん"), QStringLiteral("いぬ.gif")},
                                     {9, QStringLiteral("ゆい"), QStringLiteral("gone.gif")}};
    const auto cellCentre = [&](int i) {
        return WhoPlaysLayout::markIn(WhoPlaysLayout::cell(i, 3, screen.size())).center();
    };

    // A press of any button on a mark chooses; a press beside every choice does nothing.
    screen.open(children);
    QTest::mouseClick(&screen, Qt::LeftButton, {}, QPoint(2, screen.height() - 2));
    QVERIFY(screen.isVisible());
    QTest::mouseClick(&screen, Qt::RightButton, {}, cellCentre(1));
    QCOMPARE(chosen, (QList<std::optional<qint64>>{9}));
    QVERIFY(!screen.isVisible());
    // A second press on the gone window chooses nothing more.
    QTest::mouseClick(&screen, Qt::LeftButton, {}, cellCentre(0));
    QCOMPARE(chosen.size(), 1);

    // Keys: letters and Enter with nothing highlighted do nothing; the arrows go round to the
    // guest, Space chooses it; Esc ends the game.
    screen.open(children);
    QTest::keyClicks(&screen, QStringLiteral("hnaq"));
    QTest::keyClick(&screen, Qt::Key_Return);
    QCOMPARE(chosen.size(), 1);
    QTest::keyClick(&screen, Qt::Key_Left);
    QTest::keyClick(&screen, Qt::Key_Space);
    QCOMPARE(chosen.last(), std::nullopt);
    screen.open(children);
    QTest::keyClick(&screen, Qt::Key_Escape);
    QCOMPARE(ends, 1);
}

// The classroom lock holds back the adult's keys on the child's windows only: on the adult's own
// screens, opened by a held key, every letter typed arrives at once.
void ChildrenScreensTest::lockLeavesTheAdultsTypingAlone() {
    const ComputerClock clock;
    ClassroomLock lock(clock);
    RecordOfChildren rig;
    ChildrenScreen screen(rig.children, rig.state, [] {});
    screen.open();
    auto* name = screen.findChild<QLineEdit*>(QStringLiteral("nameEdit"));
    QVERIFY(name);
    QTest::keyClicks(name, QStringLiteral("hnvcwk"));
    QCOMPARE(name->text(), QStringLiteral("hnvcwk"));
}

QTEST_MAIN(ChildrenScreensTest)
#include "test_children_screens.moc"
