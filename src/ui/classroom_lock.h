#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include "game/key_hold.h"
#include "ui/qt_timer_service.h"

class Clock;
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
//
// This is the lock's part on Qt: which keys and windows, and the desktop's close requests. When a
// held key acts is KeyHold's rule, on the program's clock and two alarms.
class ClassroomLock : public QObject {
public:
    static constexpr int kHoldMs = KeyHold::kHoldMs;

    // Watches the keys and the close requests of every window of the program; `clock` times the
    // holds.
    explicit ClassroomLock(const Clock& clock, QObject* parent = nullptr);

    // Marks one of the adult's own screens: its keys, and those of the windows it opens (its
    // questions, its file choosers), are the adult's, and the lock leaves them alone.
    static void leaveToTheAdult(QWidget& screen);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool keyPressed(QWidget& receiver, const QKeyEvent& key);
    void handOn();

    QtAlarm m_holdAlarm;
    QtAlarm m_releaseAlarm;
    KeyHold m_hold;
    // The adult key held down: where it went, and what it was, to be handed on when held long
    // enough.
    QPointer<QWidget> m_receiver;
    int m_qtKey = 0;
    Qt::KeyboardModifiers m_modifiers;
    QString m_text;
    const QKeyEvent* m_handingOn = nullptr;  // the held key, now let through to its window
};
