#pragma once

#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// Runs a desktop tool (xdotool, swaymsg, grim…) in `environment`; true when it ended well within
// `timeoutMs`. What it printed goes to `output`, trimmed. A tool that hangs is killed.
bool runTool(const QProcessEnvironment& environment, const QString& program,
             const QStringList& arguments, QString* output, int timeoutMs);

// A private X server (Xvfb) for tests that run the real program and drive it with real pointer
// and key events through xdotool, as a person at the screen would.
class VirtualScreen {
public:
    VirtualScreen(int width = 1024, int height = 768);
    ~VirtualScreen();
    VirtualScreen(const VirtualScreen&) = delete;
    VirtualScreen& operator=(const VirtualScreen&) = delete;

    // False when Xvfb or xdotool is missing or the server did not start.
    bool isUp() const { return !m_display.isEmpty(); }
    QString display() const { return m_display; }

    // Starts `program` on this screen in `workingFolder`.
    void start(QProcess& process, const QString& program, const QStringList& arguments,
               const QString& workingFolder) const;

    // The id of the first visible window whose name is `name`, polled for up to `timeoutMs`.
    QString waitForWindow(const QString& name, int timeoutMs = 10000) const;
    // Runs an X tool (xdotool, xprop, import) on this screen; true when it ended well within
    // `timeoutMs`. What it printed goes to `output`, trimmed.
    bool run(const QString& program, const QStringList& arguments, QString* output = nullptr,
             int timeoutMs = 10000) const;
    // Runs xdotool with these arguments on this screen; true when it succeeded.
    bool xdotool(const QStringList& arguments, QString* output = nullptr) const;
    // Moves the pointer to (x, y) and waits until it is there. (xdotool's --sync alone would
    // wait for ever when the pointer is there already.)
    bool movePointer(int x, int y) const;
    // Gives the window the keyboard and presses a key (xdotool key names: Escape, Return, h).
    bool pressKey(const QString& windowId, const QString& key) const;
    // Gives the window the keyboard and holds a key down for `ms` before letting it go.
    bool holdKey(const QString& windowId, const QString& key, int ms) const;
    // What the screen shows now.
    QImage screenshot() const;

private:
    QProcessEnvironment environment() const;  // the caller's, with DISPLAY set to this screen

    QProcess m_server;
    QString m_display;
};
