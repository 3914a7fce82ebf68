#pragma once

#include <QObject>
#include <QTimer>

class GameScreen;
class QWidget;

// The classroom lock on the game window: a child hammering the keyboard must not end the game or
// open the adult's screens. With it, Esc and every other adult key (GameKey::isAdultKey) act only
// once held down for two seconds, and a request from the desktop to close the window is
// ignored. Every other key goes on to the window as before. Without it nothing changes: the
// program simply does not make one.
class ClassroomLock : public QObject {
public:
    static constexpr int kHoldMs = 2000;

    // Watches the keys and the close requests of `window`, whose keys go to `game`.
    ClassroomLock(QWidget& window, GameScreen& game);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void letGo();

    GameScreen& m_game;
    QTimer m_hold;      // runs while an adult key is held down
    int m_heldKey = 0;  // the game's code of that key
    // A key held down repeats: under X as a release and a press with the same time stamp, which
    // Qt does not always mark as repeats. So a release of the held key counts only when no press
    // of it with the release's time stamp follows within this short wait.
    QTimer m_release;
    quint64 m_releasedAt = 0;
};
