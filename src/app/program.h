#pragma once

#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

#include "app/command_line.h"
#include "game/game_screen.h"
#include "record/omakase_rounds.h"
#include "state/shared_state.h"
#include "ui/character_pictures.h"
#include "ui/clock_random.h"
#include "ui/qt_timer_service.h"
#include "ui/sound_player.h"

class Children;
class ClassMembership;
class ClassScreen;
class ChildrenScreen;
class ClassroomLock;
class Clock;
class GameWindow;
class RecordScreen;
class RecordStore;
class Recorder;
class SelectionScreen;
class SettingsScreen;
class VoiceScreen;
class WhoPlays;
class WhoPlaysScreen;
struct RecordProblem;

// The program's wiring: the game's data, the real ports, the game window, the record and the
// adult screens, and the flow between them: which screen an adult's key opens, the way back to
// the game, who plays, and what the adult is told on the way. main() reads the command line,
// builds one and runs the event loop; tests build one in-process.
class Program : private GameHost {
public:
    // `recordPath`: the record's file. `end` is called with the exit status when the game ends
    // (by default the event loop's exit).
    Program(const CommandLine& options, const QString& recordPath,
            std::function<void(int status)> end = {});
    ~Program() override;
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Reads the game's data and shows the first screen: "だれがあそぶ？" when children exist,
    // else the game. False when the folder has no pictures (the adult has been told).
    bool start();

    GameWindow& window() { return *m_window; }
    GameScreen& game() { return *m_game; }
    RecordStore& record() { return *m_record; }

private:
    void endProgram() override;
    void showScreen(AdultScreen screen) override;
    // The adult is at the machine: what was kept for them is shown first. `ending` when their
    // key ends the game.
    void adultCame(bool ending);
    void tellAdult(const QList<RecordProblem>& problems, const QString& after = {});
    void openWhoPlays();
    // Children exist and nobody has been chosen yet (or the child chosen was removed).
    bool mustAskWhoPlays() const;
    void play(std::optional<qint64> child);
    void comeBack();
    // おまかせ follows the child who plays, when they are on it: their rounds are read once here,
    // as the game begins or comes back from an adult's screen (never for each round).
    void followWhoPlays();

    CommandLine m_options;
    QString m_recordPath;
    std::function<void(int)> m_end;
    QStringList m_forTheAdult;  // what start-up could not do as asked
    std::optional<SharedState> m_shared;
    QtTimerService m_timers;
    QtSoundPlayer m_sound;
    ClockSeededRandom m_random;
    QtCharacterPictures m_pictures;
    std::unique_ptr<GameScreen> m_game;
    std::unique_ptr<GameWindow> m_window;
    std::unique_ptr<Clock> m_clock;
    std::unique_ptr<ClassroomLock> m_lock;  // only when started locked
    // Each child's record: the file, the children in it, the rounds of the child who plays.
    std::unique_ptr<RecordStore> m_record;
    std::unique_ptr<Children> m_childrenInRecord;
    std::unique_ptr<Recorder> m_recorder;
    std::unique_ptr<WhoPlays> m_players;
    OmakaseRounds m_omakase;
    QTimer m_recordRetry;
    // The class's record on the school's server, once the machine has joined one.
    std::unique_ptr<ClassMembership> m_class;
    QString m_classProblemTold;  // told once until the class takes the rounds again
    // The adult screens are made when first asked for: building them at start-up kept the
    // child waiting for the first character.
    std::unique_ptr<SettingsScreen> m_settings;
    std::unique_ptr<SelectionScreen> m_selection;
    std::unique_ptr<VoiceScreen> m_voice;
    std::unique_ptr<WhoPlaysScreen> m_whoPlays;
    std::unique_ptr<ChildrenScreen> m_children;
    std::unique_ptr<RecordScreen> m_recordScreen;
    std::unique_ptr<ClassScreen> m_classScreen;
};
