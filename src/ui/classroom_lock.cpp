#include "ui/classroom_lock.h"

#include <QKeyEvent>
#include <QWidget>

#include <utility>

#include "game/game_screen.h"

namespace {
// The game's code of a key, as the game window hands keys on: Esc, or a letter or digit (their
// codes are the same in Qt and in the game). 0 for any other key.
int gameKeyOf(const QKeyEvent& event) {
    const int key = event.key();
    if (key == Qt::Key_Escape)
        return GameKey::Escape;
    return key >= Qt::Key_0 && key <= Qt::Key_Z ? key : 0;
}
}  // namespace

ClassroomLock::ClassroomLock(QWidget& window, GameScreen& game) : QObject(&window), m_game(game) {
    m_hold.setSingleShot(true);
    m_hold.setInterval(kHoldMs);
    // A coarse timer may fire up to a tenth of a second early: the adult holds two full seconds.
    m_hold.setTimerType(Qt::PreciseTimer);
    connect(&m_hold, &QTimer::timeout, this, [this] {
        const int key = std::exchange(m_heldKey, 0);
        m_release.stop();
        m_game.keyPressed(key);
    });
    m_release.setSingleShot(true);
    m_release.setInterval(50);
    connect(&m_release, &QTimer::timeout, this, &ClassroomLock::letGo);
    window.installEventFilter(this);
}

void ClassroomLock::letGo() {
    m_heldKey = 0;
    m_hold.stop();
    m_release.stop();
}

bool ClassroomLock::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::Close:
            event->ignore();
            return true;
        case QEvent::KeyPress: {
            const auto& key = static_cast<const QKeyEvent&>(*event);
            const int code = gameKeyOf(key);
            if (!GameKey::isAdultKey(code))
                return false;
            const bool repeat =
                code == m_heldKey && m_hold.isActive() &&
                (key.isAutoRepeat() || (m_release.isActive() && key.timestamp() == m_releasedAt));
            m_release.stop();
            // The held key repeating changes nothing; a new press starts its own two seconds.
            if (!repeat) {
                m_heldKey = code;
                m_hold.start();
            }
            return true;
        }
        case QEvent::KeyRelease: {
            const auto& key = static_cast<const QKeyEvent&>(*event);
            if (m_heldKey != 0 && gameKeyOf(key) == m_heldKey && !key.isAutoRepeat()) {
                m_releasedAt = key.timestamp();
                m_release.start();
            }
            return false;
        }
        case QEvent::FocusOut:
        case QEvent::WindowDeactivate:
            // A key let go elsewhere is never seen here.
            letGo();
            return false;
        default:
            return QObject::eventFilter(watched, event);
    }
}
