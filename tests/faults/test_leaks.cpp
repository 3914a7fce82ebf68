// The leak check: the game, built with AddressSanitizer and LeakSanitizer, is played for a while
// on a private X screen by a scripted player (the pointer over characters and along the tray,
// cards clicked, the settings and the selection opened, changed or left), then ended with Esc.
// LeakSanitizer's report must hold no leak allocated by the game's own code; leaks inside the
// system's libraries (D-Bus, fontconfig) are listed but do not fail.
//
//   test_leaks                 plays for 30 seconds (what CTest runs)
//   test_leaks --seconds 120   plays for two minutes

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include "faults/fault_rig.h"

using namespace Faults;

// This test program is built with the sanitizers too; its own leaks are not the question.
extern "C" const char* __asan_default_options() {
    return "detect_leaks=0";
}

namespace {
int g_seconds = 30;

struct Leak {
    QString header;  // "Direct leak of 1032 byte(s) in 1 object(s) allocated from:"
    QStringList frames;
    bool ours = false;
};

bool isAllocatorFrame(const QString& frame) {
    static const QRegularExpression allocator(
        QStringLiteral(R"(in (__interceptor_\w+|malloc|calloc|realloc|operator new|__asan_\w+))"));
    return allocator.match(frame).hasMatch();
}

// A frame is the game's own when its source lies in the game's source tree, or, unsymbolised,
// when it lies in the game's program file.
bool isGameFrame(const QString& frame, const QString& program) {
    return frame.contains(sourceFolder() + QStringLiteral("/src/")) ||
           frame.contains(QStringLiteral("(") + program + QStringLiteral("+0x"));
}

// The leaks of a LeakSanitizer report. A leak is the game's when the first frame past the
// allocator is in the game's code: the game asked for that memory and never gave it back.
QList<Leak> leaksIn(const QString& report, const QString& program) {
    QList<Leak> leaks;
    Leak* current = nullptr;
    for (const QString& line : report.split(QLatin1Char('\n'))) {
        if (line.startsWith(QStringLiteral("Direct leak")) ||
            line.startsWith(QStringLiteral("Indirect leak"))) {
            leaks.append({line.trimmed(), {}, false});
            current = &leaks.last();
            continue;
        }
        if (current == nullptr)
            continue;
        const QString frame = line.trimmed();
        if (!frame.startsWith(u'#')) {
            current = nullptr;
            continue;
        }
        current->frames.append(frame);
    }
    for (Leak& leak : leaks) {
        for (const QString& frame : leak.frames) {
            if (isAllocatorFrame(frame))
                continue;
            leak.ours = isGameFrame(frame, program);
            break;
        }
    }
    return leaks;
}

// The places the player aims at, for a screen of `width` x `height` pixels and five cards.
struct Aim {
    int width;
    int height;
    int cell() const { return width / 6; }
    int cardCentreY() const { return height - cell() - height / 20 + cell() / 2; }
    int cardCentreX(int card) const {
        return (width - cell() * 5) / 2 + cell() * card + cell() / 2;
    }
};
}  // namespace

class LeakCheck : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (!m_screen.isUp())
            QSKIP("needs Xvfb and xdotool");
    }

    // The report is read right: a leak is the game's by the first frame past the allocator.
    void leakReportIsRead_data() {
        QTest::addColumn<QString>("frame");
        QTest::addColumn<bool>("ours");
        const QString program = QStringLiteral("/build/src/app/kazoemashou");
        QTest::newRow("game source")
            << QStringLiteral("#1 0x55 in NewRound() %1/src/game/round.cpp:40:9")
                   .arg(sourceFolder())
            << true;
        QTest::newRow("game program, no symbols")
            << QStringLiteral("#1 0x55  (%1+0x1234)").arg(program) << true;
        QTest::newRow("library") << QStringLiteral(
                                        "#1 0x7f  (/lib/x86_64-linux-gnu/libdbus-1.so.3+0x34a64)")
                                 << false;
    }
    void leakReportIsRead() {
        QFETCH(QString, frame);
        QFETCH(bool, ours);
        const QString report =
            QStringLiteral(
                "==1==ERROR: LeakSanitizer: detected memory leaks\n\n"
                "Direct leak of 24 byte(s) in 1 object(s) allocated from:\n"
                "    #0 0x55 in operator new(unsigned long) (/build/src/app/kazoemashou+0xe6ac6)\n"
                "    %1\n    #2 0x55 in main /x/main.cpp:3\n\n"
                "SUMMARY: AddressSanitizer: 24 byte(s) leaked in 1 allocation(s).\n")
                .arg(frame);
        const QList<Leak> leaks = leaksIn(report, QStringLiteral("/build/src/app/kazoemashou"));
        QCOMPARE(leaks.size(), 1);
        QCOMPARE(leaks.first().frames.size(), 3);
        QCOMPARE(leaks.first().ours, ours);
    }

    void scriptedPlayLeavesNoLeakOfTheGame() {
        QTemporaryDir sounds;
        QVERIFY(copySounds(sounds.path()));
        QTemporaryDir folder;
        copySamplePictures(folder.path(), 14);
        // A character stays a second in place; one to three characters a round, so that rounds
        // reach the cards between the visits to the adult screens.
        QVERIFY(writeFile(folder.filePath(QStringLiteral("Pimo.txt")), settingsLine(10, 1, 3)));

        QString options = QStringLiteral("detect_leaks=1:abort_on_error=0:exitcode=23");
        const QString symbolizer =
            QStandardPaths::findExecutable(QStringLiteral("llvm-symbolizer"));
        if (!symbolizer.isEmpty())
            options += QStringLiteral(":external_symbolizer_path=") + symbolizer;
        qputenv("ASAN_OPTIONS", options.toLocal8Bit());

        GameRun game(m_screen);
        QVERIFY2(game.start(folder.path(), sounds.path(), 30000), qPrintable(game.error()));
        const QImage first = m_screen.screenshot();
        const Aim aim{first.width(), first.height()};

        int rounds = 0, touches = 0, cardClicks = 0, screens = 0, cardsSeen = 0;
        QRandomGenerator random(20240611);
        const QDeadlineTimer deadline(g_seconds * 1000);
        for (int step = 0; !deadline.hasExpired(); ++step) {
            QVERIFY2(game.running(), qPrintable(game.standardError()));
            const GameView view = readGameView(m_screen.screenshot());
            // The row of cards spans most of the screen's width near its bottom.
            if (view.character.width() > aim.cell() * 3 &&
                view.character.bottom() > aim.cardCentreY()) {
                ++cardsSeen;
            }
            // One character's size: the character on show (not the message, not the cards).
            if (!view.character.isEmpty() && view.character.width() <= aim.cell() + 4 &&
                view.character.height() <= aim.cell() + 4) {
                const QPoint centre = view.character.center();
                game.movePointer(centre.x() - 2, centre.y());
                game.movePointer(centre.x(), centre.y());
                ++touches;
            }
            if (!view.tray.isEmpty() && step % 3 == 2) {
                // Along the row from the left: counts the characters in it.
                for (int x = view.tray.left() + 10; x < view.tray.right(); x += aim.cell() / 3) {
                    game.movePointer(x, view.tray.center().y());
                    QThread::msleep(60);
                }
                ++rounds;
            }
            if (step % 4 == 3) {
                game.movePointer(aim.cardCentreX(random.bounded(5)), aim.cardCentreY());
                m_screen.xdotool({QStringLiteral("click"), QStringLiteral("1")});
                ++cardClicks;
            }
            if (step % 40 == 20) {
                const QString settings = game.openScreen(QStringLiteral("h"), Settings::kTitle);
                QVERIFY(!settings.isEmpty());
                game.clickAt(settings, random.bounded(2) ? Settings::kAskHowManyPeople
                                                         : Settings::kAskHowMany);
                game.clickAt(settings, random.bounded(2) ? Settings::kApply : Settings::kCancel);
                ++screens;
            } else if (step % 40 == 39) {
                const QString selection = game.openScreen(QStringLiteral("n"), Selection::kTitle);
                QVERIFY(!selection.isEmpty());
                game.clickAt(selection,
                             random.bounded(2) ? Selection::kDecide : Selection::kCancel);
                ++screens;
            }
            QThread::msleep(100);
        }
        // LeakSanitizer ends a program that leaked with status 23; its report decides below.
        game.quit(60000);
        QVERIFY2(game.exitedNormally() && (game.exitCode() == 0 || game.exitCode() == 23),
                 qPrintable(game.standardError().right(4000)));
        const QString report = game.standardError();
        qInfo(
            "played %d s: %d touches on characters, %d sweeps of the tray, %d card clicks, %d "
            "visits to the adult screens; the cards were up in %d screenshots",
            g_seconds, touches, rounds, cardClicks, screens, cardsSeen);

        const QList<Leak> leaks = leaksIn(report, QFileInfo(programPath()).canonicalFilePath());
        QStringList ours;
        for (const Leak& leak : leaks) {
            if (leak.ours) {
                ours << leak.header + QLatin1Char('\n') +
                            leak.frames.mid(0, 8).join(QLatin1Char('\n'));
            } else {
                qInfo("library leak: %s %s", qPrintable(leak.header),
                      qPrintable(leak.frames.mid(1, 1).join(QString())));
            }
        }
        qInfo("LeakSanitizer: %lld leak(s) in all, %lld from the game's own code",
              qint64(leaks.size()), qint64(ours.size()));
        QVERIFY2(ours.isEmpty(), qPrintable(ours.join(QStringLiteral("\n\n"))));
        // The sanitizers found nothing else either (an error would have ended the game early).
        QVERIFY2(!report.contains(QStringLiteral("ERROR: AddressSanitizer")) &&
                     !report.contains(QStringLiteral("runtime error:")),
                 qPrintable(report.right(4000)));
    }

private:
    VirtualScreen m_screen;
};

int main(int argc, char* argv[]) {
    // "--seconds N" is ours; everything else goes to Qt Test.
    std::vector<char*> passOn;
    for (int i = 0; i < argc; ++i) {
        if (QByteArray(argv[i]) == "--seconds" && i + 1 < argc) {
            g_seconds = std::max(1, QByteArray(argv[++i]).toInt());
            continue;
        }
        passOn.push_back(argv[i]);
    }
    int count = int(passOn.size());
    QCoreApplication app(count, passOn.data());
    LeakCheck test;
    return QTest::qExec(&test, count, passOn.data());
}

#include "test_leaks.moc"
