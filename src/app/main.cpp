// The program: reads the game's data, builds the real ports and the three windows, and runs the
// event loop. Everything it wires is described where it is defined.

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <map>
#include <memory>

#include "game/game_screen.h"
#include "screens/selection_screen.h"
#include "screens/settings_screen.h"
#include "screens/voice_screen.h"
#include "state/start_up.h"
#include "ui/character_pictures.h"
#include "ui/clock_random.h"
#include "ui/embedded_pictures.h"
#include "ui/game_window.h"
#include "ui/message_box.h"
#include "ui/qt_timer_service.h"
#include "ui/sound_player.h"

namespace {
// Should the first frame be slow to come, the first hop sound is heard after this long anyway.
constexpr int kLongestHoldMs = 300;

// What the game screen's keys ask of the program.
class ProgramHost : public GameHost {
public:
    // How each adult screen is opened.
    std::map<AdultScreen, std::function<void()>> screens;
    void endProgram() override { QCoreApplication::exit(0); }
    void showScreen(AdultScreen screen) override {
        if (auto opener = screens.find(screen); opener != screens.end())
            opener->second();
    }
};

void warnOnStderr(const QString& line) {
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
}
}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    initEmbeddedPictures();
    QApplication::setApplicationName(QStringLiteral("kazoemashou"));

    std::optional<SharedState> data =
        loadGameData(app.arguments().mid(1), pictureSuffixes(), warnOnStderr);
    if (!data) {
        QApplication::setWindowIcon(gameIcon());
        showWarning(nullptr, kNoPicturesMessage, kGameTitle);
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
    window.start();
    return QApplication::exec();
}
