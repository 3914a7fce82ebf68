#include "app/program.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <utility>

#include "classroom/class_membership.h"
#include "record/children.h"
#include "record/record_report.h"
#include "record/record_store.h"
#include "record/recorder.h"
#include "record/who_plays.h"
#include "screens/children_screen.h"
#include "screens/class_screen.h"
#include "screens/record_screen.h"
#include "screens/record_words.h"
#include "screens/selection_screen.h"
#include "screens/settings_screen.h"
#include "screens/voice_screen.h"
#include "screens/who_plays_screen.h"
#include "state/computer_clock.h"
#include "state/install_places.h"
#include "state/start_up.h"
#include "ui/classroom_lock.h"
#include "ui/embedded_pictures.h"
#include "ui/game_window.h"
#include "ui/message_box.h"

namespace {
// Should the first frame be slow to come, the first hop sound is heard after this long anyway.
constexpr int kLongestHoldMs = 300;
// How often a record held by another program at start is tried again.
constexpr int kRecordRetryMs = 60000;

void warnOnStderr(const QString& line) {
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
}

}  // namespace

Program::Program(const CommandLine& options, const QString& recordPath,
                 std::function<void(int status)> end)
    : m_options(options),
      m_recordPath(recordPath),
      m_end(end ? std::move(end) : [](int status) { QCoreApplication::exit(status); }) {}

Program::~Program() = default;

bool Program::start() {
    QStringList folder = m_options.folderWords;
    if (m_options.userFolder) {
        folder = QStringList{userPictureFolder()};
        if (fillWithSamplesOnFirstStart(
                folder[0], installedDataFolder() + QStringLiteral("characters"), warnOnStderr)) {
            warnOnStderr(QStringLiteral("kazoemashou: the sample characters are in \"%1\"; put "
                                        "your own pictures there")
                             .arg(QDir::toNativeSeparators(folder[0])));
        }
    }
    // What start-up could not do as asked goes to stderr, and is shown to the adult when they
    // come to the game, never over a child's round.
    m_shared = loadGameData(folder, pictureSuffixes(), warnOnStderr, &m_forTheAdult);
    if (!m_shared) {
        QApplication::setWindowIcon(gameIcon());
        // Started on the user's own folder (from the menu), the adult is told where it is.
        showWarning(nullptr,
                    m_options.userFolder
                        ? kNoPicturesMessage + QStringLiteral("\n\n画像を入れるフォルダー：\n") +
                              QDir::toNativeSeparators(folder[0])
                        : kNoPicturesMessage,
                    kGameTitle);
        return false;
    }

    m_game = std::make_unique<GameScreen>(*m_shared, m_timers, m_sound, m_random, m_pictures,
                                          static_cast<GameHost&>(*this));
    m_window = std::make_unique<GameWindow>(*m_game, m_pictures);
    m_window->dropInputQueuedDuringWaits(m_timers);
    m_clock = std::make_unique<ComputerClock>();
    if (m_options.locked)
        m_lock = std::make_unique<ClassroomLock>(*m_clock);  // watches every window of the program

    // Each child's record. What the adult must hear of it is shown at start-up, before the first
    // round, or as an adult's key is pressed: never over a child's round.
    m_record = std::make_unique<RecordStore>(m_recordPath, *m_clock);
    m_childrenInRecord = std::make_unique<Children>(*m_record, *m_clock);
    // Kept beside the record, so that the record's folder holds all of this machine's.
    m_class = std::make_unique<ClassMembership>(
        m_recordPath, QFileInfo(m_recordPath).dir().filePath(QStringLiteral("class")), *m_clock);
    // The rounds of the child who plays, handed to the store as they end.
    // They are marked with what おまかせ chose first, and it follows them in memory. Once the
    // machine is in a class, each is sent soon after it is written.
    m_recorder = std::make_unique<Recorder>(*m_clock, m_game->round().settings,
                                            [this](RoundRecord&& round) {
                                                m_omakase.roundEnded(round);
                                                m_record->write(std::move(round));
                                                m_class->tryNow();
                                            });
    m_game->planRound = [this](GameSettings& settings) { m_omakase.planRound(settings); };
    m_players = std::make_unique<WhoPlays>(*m_recorder);
    m_childrenInRecord->removed = [this](qint64 child) { m_players->childRemoved(child); };
    m_game->setListener(m_recorder.get());

    // Every window's icon, for the task bar, and the sounds of the touches to come. Reading them
    // took a few milliseconds of the wait for the first character (the icon most of them), so
    // they come once that character is on the screen; its own hop sound is read as it plays.
    m_window->afterFirstFrame([this] {
        m_sound.releaseHeldSounds();
        QApplication::setWindowIcon(gameIcon());
        m_sound.readGameSounds();
    });
    // The first hop sound waits for the first frame too: opening the stream to the audio server
    // slowed that frame down. It never waits longer than a moment.
    m_sound.holdSounds();
    QTimer::singleShot(kLongestHoldMs, m_window.get(), [this] { m_sound.releaseHeldSounds(); });

    tellAdult(m_record->open());
    // A record another program held at start is tried again now and then, and as an adult comes.
    m_recordRetry.callOnTimeout([this] {
        if (m_record->retryIfBusy())
            m_recordRetry.stop();
    });
    m_recordRetry.start(kRecordRetryMs);
    // A machine that joins with no child of its own yet gets the class's in a record made now.
    m_class->beforeSending = [this] { m_record->readyForChanges(true); };
    m_class->start();  // sends only once the machine has joined a class
    // Children that came from the class: the child who plays may have been removed elsewhere, and
    // "だれがあそぶ？" shows them as they are now.
    m_class->listen([this] {
        const std::optional<SendNews> news = m_class->lastNews();
        if (!news)
            return;
        // A problem only the adult can mend waits for them (once), never over a child's round.
        const QString problem = ClassScreen::problemForTheAdult(*news);
        if (!problem.isEmpty() && problem != m_classProblemTold)
            m_forTheAdult << problem;
        if (news->kind == SendNews::Sent || !problem.isEmpty())
            m_classProblemTold = problem;
        if (!news->childrenChanged)
            return;
        const QList<ChildEntry> children = m_childrenInRecord->list();
        if (const std::optional<qint64> chosen = m_players->child();
            chosen && std::none_of(children.begin(), children.end(),
                                   [&](const ChildEntry& c) { return c.id == *chosen; }))
            m_players->childRemoved(*chosen);
        if (m_whoPlays && m_whoPlays->isVisible())
            m_whoPlays->open(children);
    });
    // While no child exists the game starts as it always has; with children, who plays is
    // asked first.
    if (mustAskWhoPlays())
        openWhoPlays();
    else
        m_window->start();
    return true;
}

void Program::endProgram() {
    adultCame(true);
    m_end(0);
}

void Program::showScreen(AdultScreen screen) {
    adultCame(false);
    if (screen == AdultScreen::WhoPlays) {
        openWhoPlays();
        return;
    }
    m_window->leaveForScreen();
    const auto back = [this] { comeBack(); };
    switch (screen) {
        case AdultScreen::Settings:
            if (!m_settings)
                m_settings = std::make_unique<SettingsScreen>(*m_shared, back);
            m_settings->setOmakaseChild(m_omakase.active() && m_players->child()
                                            ? m_childrenInRecord->entry(*m_players->child())
                                                  .value_or(ChildEntry{})
                                                  .name
                                            : QString());
            m_settings->open();
            break;
        case AdultScreen::Selection:
            if (!m_selection)
                m_selection = std::make_unique<SelectionScreen>(*m_shared, back);
            m_selection->open();
            break;
        case AdultScreen::Voice:
            if (!m_voice)
                m_voice = std::make_unique<VoiceScreen>(m_sound, back);
            m_voice->open();
            break;
        case AdultScreen::Children:
            // Leaving it (or the class screen opened from it) asks who plays when children exist
            // and none has been chosen (the first ones were just added, or the child playing was
            // removed).
            if (!m_children) {
                const auto leave = [this] {
                    if (mustAskWhoPlays())
                        openWhoPlays();
                    else
                        comeBack();
                };
                m_children = std::make_unique<ChildrenScreen>(*m_childrenInRecord, *m_shared, leave);
                m_children->openClass = [this, leave] {
                    if (!m_classScreen)
                        m_classScreen = std::make_unique<ClassScreen>(*m_class, leave);
                    m_children->hide();
                    m_classScreen->open();
                };
            }
            m_children->open();
            break;
        case AdultScreen::Record:
            if (!m_recordScreen)
                m_recordScreen =
                    std::make_unique<RecordScreen>(*m_record, *m_childrenInRecord, *m_players,
                                                                  *m_clock, back);
            m_recordScreen->whereFrom = [this] {
                return ClassScreen::whereFiguresComeFrom(*m_class);
            };
            m_recordScreen->open();
            break;
        case AdultScreen::WhoPlays:
            break;
    }
}

void Program::adultCame(bool ending) {
    // When the key ends the game, each box says so, or an adult who pressed Esc would wonder why
    // the game is still there.
    const QString after = ending ? QStringLiteral("\n\nOK で終了します。") : QString();
    m_record->retryIfBusy();
    m_record->flush();  // the round just stopped is written, or has failed
    tellAdult(m_record->takeProblems(), after);
    for (const QString& notice : std::exchange(m_forTheAdult, {}))
        showWarning(nullptr, notice + after, kGameTitle);
}

void Program::tellAdult(const QList<RecordProblem>& problems, const QString& after) {
    for (const RecordProblem& problem : problems) {
        const QString message = RecordWords::problem(problem);
        warnOnStderr(QStringLiteral("kazoemashou: ") + message);
        showWarning(nullptr, message + after, RecordWords::kTitle);
    }
}

bool Program::mustAskWhoPlays() const {
    return m_players->mustAsk(!m_childrenInRecord->list().isEmpty());
}

// "だれがあそぶ？": the game begins, or comes back, with the child chosen.
void Program::openWhoPlays() {
    if (m_window->isVisible())
        m_window->leaveForScreen();
    if (!m_whoPlays) {
        m_whoPlays = std::make_unique<WhoPlaysScreen>(
            *m_shared, [this](std::optional<qint64> child) { play(child); },
            [this] { endProgram(); });
    }
    m_whoPlays->open(m_childrenInRecord->list());
    m_class->tryNow();  // the class's children, fetched now, show as they come
}

void Program::play(std::optional<qint64> child) {
    m_players->choose(child);
    followWhoPlays();
    if (m_window->isVisible())
        m_window->comeBack();
    else
        m_window->start();
}

void Program::comeBack() {
    followWhoPlays();
    m_window->comeBack();
}

void Program::followWhoPlays() {
    const std::optional<qint64> child = m_players->child();
    const std::optional<ChildEntry> entry =
        child ? m_childrenInRecord->entry(*child) : std::nullopt;
    if (!entry || !entry->omakase) {
        m_omakase.follow(std::nullopt);
        return;
    }
    // Every round handed to the writer is written by now: the adult's key flushed the record.
    RecordReport report(m_record->path());
    report.open();
    m_omakase.follow(child, report.roundMistakes(*child));
}
