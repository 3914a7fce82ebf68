#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

class QKeyEvent;
class QWidget;

// The classroom lock: a child hammering the keyboard must not end the game or open the adult's
// screens. With it, Esc and every other adult key (GameKey::isAdultKey) act only once held down
// for two seconds, on every window the child can reach: the game screen, "だれがあそぶ？", the
// messages to the adult, and any window to come. A request from the desktop to close one of them
// is ignored. Every other key goes on to its window as before, and a held key, once its two
// seconds are up, does on its window just what a press does there unlocked. The adult's own
// screens, opened only by a held key and where the adult types, are left alone. Without the lock
// nothing changes: the program simply does not make one.
class ClassroomLock : public QObject {
public:
    static constexpr int kHoldMs = 2000;

    // Watches the keys and the close requests of every window of the program.
    explicit ClassroomLock(QObject* parent = nullptr);

    // Marks one of the adult's own screens: its keys, and those of the windows it opens (its
    // questions, its file choosers), are the adult's, and the lock leaves them alone.
    static void leaveToTheAdult(QWidget& screen);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool keyPressed(QWidget& receiver, const QKeyEvent& key);
    void holdTimeUp();
    void letGo();

    // The adult key held down: where it went, and what it was, to be handed on when held long
    // enough.
    QPointer<QWidget> m_receiver;
    int m_heldKey = 0;  // the game's code of that key
    int m_qtKey = 0;
    Qt::KeyboardModifiers m_modifiers;
    QString m_text;
    const QKeyEvent* m_handingOn = nullptr;  // the held key, now let through to its window

    QTimer m_hold;  // runs while an adult key is held down
    // When m_hold falls due, on a steady clock, and whether it has looked once already: the
    // program may be blocked as the two seconds run out (a wait for a sound), with the key's
    // release queued behind, so a hold is done only at a second look that comes on time.
    QElapsedTimer m_clock;
    qint64 m_dueAt = 0;
    bool m_lookedOnce = false;
    // A key held down repeats: under X as a release and a press with the same time stamp, which
    // Qt does not always mark as repeats. So a release of the held key counts only when no press
    // of it with the release's time stamp follows within this short wait.
    QTimer m_release;
    quint64 m_releasedAt = 0;
};
