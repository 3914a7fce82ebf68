// The program: reads the game's data, builds the real ports and the three windows, and runs the
// event loop. Everything it wires is described where it is defined.

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <utility>

#include "app/one_game.h"
#include "command_line.h"
#include "game/game_screen.h"
#include "record/record.h"
#include "record/record_file.h"
#include "screens/children_screen.h"
#include "screens/record_screen.h"
#include "screens/selection_screen.h"
#include "screens/settings_screen.h"
#include "screens/voice_screen.h"
#include "screens/who_plays_screen.h"
#include "state/install_places.h"
#include "state/start_up.h"
#include "ui/character_pictures.h"
#include "ui/classroom_lock.h"
#include "ui/clock_random.h"
#include "ui/embedded_pictures.h"
#include "ui/game_window.h"
#include "ui/message_box.h"
#include "ui/qt_timer_service.h"
#include "ui/sound_player.h"
#include "ui/translations.h"

namespace {
// Should the first frame be slow to come, the first hop sound is heard after this long anyway.
constexpr int kLongestHoldMs = 300;
// How often a record held by another program at start is tried again.
constexpr int kRecordRetryMs = 60000;

// What the game screen's keys ask of the program.
class ProgramHost : public GameHost {
public:
    // How each adult screen is opened.
    std::map<AdultScreen, std::function<void()>> screens;
    // Called first at every adult's key: the adult is at the machine now.
    std::function<void()> adultCame;
    void endProgram() override {
        if (adultCame)
            adultCame();
        QCoreApplication::exit(0);
    }
    void showScreen(AdultScreen screen) override {
        if (adultCame)
            adultCame();
        if (auto opener = screens.find(screen); opener != screens.end())
            opener->second();
    }
};

void warnOnStderr(const QString& line) {
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
}

// The record's clock: the computer's time at start-up, moved on by a steady clock, so that the
// times within a round never jump with a change of the computer's clock.
class ComputerClock : public RecordClock {
public:
    ComputerClock() : m_start(QDateTime::currentMSecsSinceEpoch()) { m_running.start(); }
    qint64 nowMs() const override { return m_start + m_running.elapsed(); }

private:
    qint64 m_start;
    QElapsedTimer m_running;
};
}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    loadQtJapanese(app);
    initEmbeddedPictures();
    QApplication::setApplicationName(QStringLiteral("kazoemashou"));
    QApplication::setApplicationVersion(QStringLiteral(KAZOE_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral(KAZOE_APP_ID));

    const std::optional<CommandLine> options = readCommandLine(app);
    if (!options)
        return 2;
    // Before anything is read: a second start touches neither the files nor the record.
    OneGame oneGame;
    if (!oneGame.claim()) {
        warnOnStderr(QStringLiteral("kazoemashou: the game is already running; it comes forward"));
        oneGame.callTheFirst();
        return 0;
    }
    QStringList folder = options->folderWords;
    if (options->userFolder) {
        folder = QStringList{userPictureFolder()};
        if (fillWithSamplesOnFirstStart(
                folder[0], installedDataFolder() + QStringLiteral("characters"), warnOnStderr)) {
            warnOnStderr(QStringLiteral("kazoemashou: the sample characters are in \"%1\"; put "
                                        "your own pictures there")
                             .arg(QDir::toNativeSeparators(folder[0])));
        }
    }

    // What start-up could not do as asked goes to stderr, and is shown to the adult when they
    // come to the game (below), never over a child's round.
    QStringList forTheAdult;
    std::optional<SharedState> data =
        loadGameData(folder, pictureSuffixes(), warnOnStderr, &forTheAdult);
    if (!data) {
        QApplication::setWindowIcon(gameIcon());
        // Started on the user's own folder (from the menu), the adult is told where it is.
        showWarning(nullptr,
                    options->userFolder
                        ? kNoPicturesMessage + QStringLiteral("\n\n画像を入れるフォルダー：\n") +
                              QDir::toNativeSeparators(folder[0])
                        : kNoPicturesMessage,
                    kGameTitle);
        return 1;
    }
    SharedState& shared = *data;

    QtTimerService timers;
    QtSoundPlayer sound;
    ClockSeededRandom random;
    QtCharacterPictures pictures;
    ProgramHost host;
    GameScreen game(shared, timers, sound, random, pictures, host);
    GameWindow window(game, pictures);
    window.dropInputQueuedDuringWaits(timers);

    // Each child's record, in the user's own data folder. What the adult must hear of it is
    // shown at start-up, before the first round, or as an adult's key is pressed: never over a
    // child's round.
    ComputerClock recordClock;
    Record record(RecordFile::defaultPath(), recordClock, shared.settings);
    game.setListener(&record.listener());
    const auto tellAdult = [](const QStringList& messages) {
        for (const QString& message : messages) {
            warnOnStderr(QStringLiteral("kazoemashou: ") + message);
            showWarning(nullptr, message, Record::kMessageTitle);
        }
    };
    host.adultCame = [&] {
        record.retryIfBusy();
        record.flush();  // the round just stopped is written, or has failed
        tellAdult(record.takeMessages());
        for (const QString& notice : std::exchange(forTheAdult, {}))
            showWarning(nullptr, notice, kGameTitle);
    };
    if (options->locked)
        new ClassroomLock(window, game);  // the window owns it

    // The adult screens are made when H or N first asks for them: building them at start-up
    // kept the child waiting for the first character.
    std::unique_ptr<SettingsScreen> settings;
    std::unique_ptr<SelectionScreen> selection;
    std::unique_ptr<VoiceScreen> voice;
    const auto comeBack = [&window] { window.comeBack(); };
    host.screens[AdultScreen::Settings] = [&] {
        window.leaveForScreen();
        if (!settings)
            settings = std::make_unique<SettingsScreen>(shared, comeBack);
        settings->open();
    };
    host.screens[AdultScreen::Selection] = [&] {
        window.leaveForScreen();
        if (!selection)
            selection = std::make_unique<SelectionScreen>(shared, comeBack);
        selection->open();
    };
    host.screens[AdultScreen::Voice] = [&] {
        window.leaveForScreen();
        if (!voice)
            voice = std::make_unique<VoiceScreen>(sound, comeBack);
        voice->open();
    };
    // "だれがあそぶ？": the game begins, or comes back, with the child chosen.
    std::unique_ptr<WhoPlaysScreen> whoPlays;
    const auto play = [&](std::optional<qint64> child) {
        record.choosePlayer(child);
        if (window.isVisible())
            window.comeBack();
        else
            window.start();
    };
    host.screens[AdultScreen::WhoPlays] = [&] {
        if (window.isVisible())
            window.leaveForScreen();
        if (!whoPlays)
            whoPlays =
                std::make_unique<WhoPlaysScreen>(shared, play, [&host] { host.endProgram(); });
        whoPlays->open(record.children());
    };
    // Leaving the children screen asks who plays when children exist and none has been chosen
    // (the first ones were just added, or the child playing was removed).
    std::unique_ptr<ChildrenScreen> childrenScreen;
    host.screens[AdultScreen::Children] = [&] {
        window.leaveForScreen();
        if (!childrenScreen) {
            childrenScreen = std::make_unique<ChildrenScreen>(record, shared, [&] {
                if (record.mustAskWhoPlays())
                    host.screens[AdultScreen::WhoPlays]();
                else
                    window.comeBack();
            });
        }
        childrenScreen->open();
    };
    std::unique_ptr<RecordScreen> recordScreen;
    host.screens[AdultScreen::Record] = [&] {
        window.leaveForScreen();
        if (!recordScreen)
            recordScreen = std::make_unique<RecordScreen>(record, comeBack);
        recordScreen->open();
    };

    // Every window's icon, for the task bar, and the sounds of the touches to come. Reading them
    // took a few milliseconds of the wait for the first character (the icon most of them), so
    // they come once that character is on the screen; its own hop sound is read as it plays.
    window.afterFirstFrame([&sound] {
        sound.releaseHeldSounds();
        QApplication::setWindowIcon(gameIcon());
        sound.readGameSounds();
    });
    // The first hop sound waits for the first frame too: opening the stream to the audio server
    // slowed that frame down. It never waits longer than a moment.
    sound.holdSounds();
    QTimer::singleShot(kLongestHoldMs, &window, [&sound] { sound.releaseHeldSounds(); });
    oneGame.listen();
    tellAdult(record.open());
    // A record another program held at start is tried again now and then, and as an adult comes.
    QTimer recordRetry;
    recordRetry.callOnTimeout([&] {
        if (record.retryIfBusy())
            recordRetry.stop();
    });
    recordRetry.start(kRecordRetryMs);
    // While no child exists the game starts as it always has; with children, who plays is
    // asked first.
    if (record.mustAskWhoPlays())
        host.screens[AdultScreen::WhoPlays]();
    else
        window.start();
    return QApplication::exec();
}
