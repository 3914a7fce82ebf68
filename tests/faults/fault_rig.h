#pragma once

// Shared by the tests that put faults under the real program: a run of the game on a private
// X screen, the places of the adult screens' controls, reading the game's screen back from a
// screenshot, data folders, and a private tmpfs mount for a read-only or a full disk.

#include <QByteArray>
#include <QImage>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>

#include <memory>

#include "app/virtual_screen.h"
#include "screens/screen_layouts.h"
#include "support/tmpfs_mount.h"

#include "support/paths.h"

namespace Faults {

// The smallest settings line with the given blink time in tenths of a second (the rest default).
QByteArray settingsLine(int blinkTime, int minCount = 2, int maxCount = 5);

QByteArray readFile(const QString& path);
bool writeFile(const QString& path, const QByteArray& bytes);
// Copies the first `count` sample characters (sorted by name) into `folder`.
QStringList copySamplePictures(const QString& folder, int count);
// Copies the game's sounds and its pointer file into `folder`.
bool copySounds(const QString& folder);
// The names in `folder`, files and folders alike, sorted; "." and ".." left out.
QStringList entriesOf(const QString& folder);

// The peak resident memory of a running process in KiB (VmHWM), or -1.
qint64 peakResidentKb(qint64 pid);

// A place on one of the adult screens, in twips from its window's top-left corner (15 twips to a
// pixel). The places come from the layouts the screens are built from, so a test names the control
// it clicks instead of copying where it lies.
struct TwipsPoint {
    int x;
    int y;
};
// The middle of a control, placed in `group` when it lies inside one.
constexpr TwipsPoint middleOf(DesignBox control, DesignBox group = {}) {
    return {group.left + control.left + control.width / 2,
            group.top + control.top + control.height / 2};
}
// A point on an option button's caption, 600 twips in from its left edge, past its round
// indicator: the caption may end well before the button's right edge.
constexpr TwipsPoint captionOf(DesignBox option, DesignBox group) {
    return {group.left + option.left + 600, group.top + option.top + option.height / 2};
}

namespace Settings {
inline const QString kTitle = QStringLiteral("カード選び");
constexpr TwipsPoint kApply = middleOf(SettingsLayout::applyButton);    // "実行"
constexpr TwipsPoint kCancel = middleOf(SettingsLayout::cancelButton);  // "キャンセル"
// "なんにんかな" and "いくつかな": changing the question's wording does not change how a
// character is caught.
constexpr TwipsPoint kAskHowManyPeople =
    captionOf(SettingsLayout::askHowManyPeople, SettingsLayout::questionGroup);
constexpr TwipsPoint kAskHowMany =
    captionOf(SettingsLayout::askHowMany, SettingsLayout::questionGroup);
}  // namespace Settings
namespace Selection {
// The selection screen's window caption.
inline const QString kTitle = QStringLiteral("Form3");
constexpr TwipsPoint kDecide = middleOf(SelectionLayout::decideButton);  // "決定"
constexpr TwipsPoint kCancel = middleOf(SelectionLayout::cancelButton);  // "キャンセル"
}  // namespace Selection

// What a screenshot of the game screen shows during the appearing phase.
struct GameView {
    QRect tray;           // the yellow row at the top; empty when not found
    QRect character;      // everything drawn below the tray (the character on show); may be empty
    int trayContent = 0;  // pixels inside the tray that are neither its yellow nor its border
    int placeholderGrey = 0;  // pixels of the placeholder's grey inside `character`
};
GameView readGameView(const QImage& screenshot);

// One run of the program on a virtual screen. Ends the program when it goes (Esc first, then
// kill), and keeps its standard error for messages.
class GameRun {
public:
    explicit GameRun(const VirtualScreen& screen) : m_screen(screen) {}
    ~GameRun();
    GameRun(const GameRun&) = delete;
    GameRun& operator=(const GameRun&) = delete;

    // Starts the game on `dataFolder` in `workingFolder` and waits for its window. False (with
    // the reason in `error()`) when the window does not come.
    bool start(const QString& dataFolder, const QString& workingFolder, int timeoutMs = 10000);
    // Milliseconds from the start to the game's window on the screen.
    qint64 startUpMs() const { return m_startUpMs; }

    bool running() const { return m_process.state() == QProcess::Running; }
    qint64 pid() const { return m_process.processId(); }
    QString window() const { return m_window; }
    QString error() const { return m_error; }
    // What the program wrote to its standard error so far.
    QString standardError();

    bool pressKey(const QString& key) { return m_screen.pressKey(m_window, key); }
    // Clicks at a place on the window named `windowId`, in twips from its top-left corner.
    bool clickAt(const QString& windowId, TwipsPoint place);
    bool movePointer(int x, int y);
    // Opens an adult screen with its key; the window's id, or empty when it did not come.
    QString openScreen(const QString& key, const QString& title, int timeoutMs = 10000);
    // Waits for a message box titled `title` and closes it with Return. False when none came.
    bool answerMessageBox(const QString& title, int timeoutMs = 10000);

    // Catches the character on show: finds it on the screen, moves the pointer over it, and
    // waits until the tray holds more than before. True when a character went into the tray.
    bool catchCharacter(int timeoutMs = 8000);

    // Esc, then the exit; true when the program ended by itself with status 0.
    bool quit(int timeoutMs = 20000);
    // After the end: whether it was an exit (not a crash), and its status.
    bool exitedNormally() const {
        return m_process.state() == QProcess::NotRunning &&
               m_process.exitStatus() == QProcess::NormalExit;
    }
    int exitCode() const { return m_process.exitCode(); }

private:
    const VirtualScreen& m_screen;
    QProcess m_process;
    QString m_window;
    QString m_error;
    QString m_logPath;
    qint64 m_startUpMs = -1;
};

using ::TmpfsMount;

// Makes `folder` read-only for the length of a test: by a read-only tmpfs for root (who writes
// through any permission), by its permissions for anyone else. The folder is writable (and
// empty, for root) until makeReadOnly().
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString& folder);
    ~ReadOnlyFolder();
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

    // False when root could not mount the tmpfs (why() says why).
    bool usable() const { return !m_mount || m_mount->mounted(); }
    QString why() const { return m_mount ? m_mount->error() : QString(); }
    // Fills the folder's disk (only a tmpfs of the test's own can be filled); false otherwise.
    bool fill(const QString& name) { return m_mount && m_mount->fill(name); }
    bool makeReadOnly();

private:
    QString m_folder;
    std::unique_ptr<TmpfsMount> m_mount;
};

}  // namespace Faults
