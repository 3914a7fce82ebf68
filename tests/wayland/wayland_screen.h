#pragma once

#include <QImage>
#include <QJsonArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A private Wayland desktop for tests of the real program: sway on its headless back end, with
// one output of the given size and a keyboard on its seat from the start (a program started
// before its seat had a keyboard never hears keys). grim takes screenshots, wtype types, swaymsg
// asks sway about its windows and sends it commands.
//
// sway refuses to run as root: run as root, the test starts sway as the unprivileged user named
// by KAZOE_WAYLAND_USER (scripts/test.sh makes "kazoe-wayland"), and the programs under test and
// the tools as itself, which may talk to anyone's socket.
class WaylandScreen {
public:
    WaylandScreen(int width, int height);
    ~WaylandScreen();
    WaylandScreen(const WaylandScreen&) = delete;
    WaylandScreen& operator=(const WaylandScreen&) = delete;

    // Empty when the desktop is up; otherwise why it could not start.
    QString whyNot() const { return m_whyNot; }

    // Starts `program` on this desktop with Qt's Wayland platform, in a home folder of its own.
    void start(QProcess& process, const QString& program, const QStringList& arguments,
               const QString& workingFolder) const;

    // The windows sway shows (every view in its tree), each as sway describes it: name, pid,
    // rect, fullscreen_mode, focused, visible.
    QJsonArray windows() const;
    // Runs a tool (swaymsg, grim, wtype) on this desktop; true when it ended well.
    bool run(const QString& program, const QStringList& arguments, QString* output = nullptr,
             int timeoutMs = 10000) const;
    // Presses and releases a key (an XKB name: Escape, h), or holds it down for `holdMs`.
    bool pressKey(const QString& key, int holdMs = 0) const;
    QImage screenshot() const;

private:
    QProcessEnvironment clientEnvironment() const;

    QTemporaryDir m_folder;
    QString m_runtime;  // sway's own XDG_RUNTIME_DIR, with its sockets
    QString m_display;  // the Wayland socket, by its full path
    QString m_swaySocket;
    QProcess m_sway;
    QProcess m_keyboard;
    QString m_whyNot;
};
