#include "ui/classroom_lock.h"

#include <QApplication>
#include <QKeyEvent>
#include <QVariant>
#include <QWidget>
#include <QWindow>

#include "game/game_screen.h"

namespace {
// How long after the two seconds the hold looks again, to see the input that came before them.
constexpr int kLookAgainMs = 50;
// A look that comes later than this after it fell due was held up: the program was blocked,
// and the key may have been let go meanwhile. (Not less: a busy machine is late a little at
// every turn, and the adult must still be able to end the game.)
constexpr qint64 kHeldUpMs = 100;
// The property that marks the adult's own screens.
constexpr char kAdultsOwn[] = "adultsOwnScreen";

// The game's code of a key, as the game window hands keys on: Esc, or a letter or digit (their
// codes are the same in Qt and in the game). 0 for any other key.
int gameKeyOf(const QKeyEvent& event) {
    const int key = event.key();
    if (key == Qt::Key_Escape)
        return GameKey::Escape;
    return key >= Qt::Key_0 && key <= Qt::Key_Z ? key : 0;
}

// Whether the window of `widget` is one of the adult's own screens, or opened over one.
bool isAdultsOwn(const QWidget& widget) {
    for (const QWidget* window = widget.window(); window != nullptr;
         window = window->parentWidget() != nullptr ? window->parentWidget()->window() : nullptr) {
        if (window->property(kAdultsOwn).toBool())
            return true;
    }
    return false;
}

// The top-level widget shown in `window`, if any.
const QWidget* widgetOf(const QWindow* window) {
    for (const QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->windowHandle() == window)
            return widget;
    }
    return nullptr;
}
}  // namespace

ClassroomLock::ClassroomLock(QObject* parent) : QObject(parent) {
    m_clock.start();
    m_hold.setSingleShot(true);
    // A coarse timer may fire up to a tenth of a second early: the adult holds two full seconds.
    m_hold.setTimerType(Qt::PreciseTimer);
    connect(&m_hold, &QTimer::timeout, this, &ClassroomLock::holdTimeUp);
    m_release.setSingleShot(true);
    m_release.setInterval(50);
    connect(&m_release, &QTimer::timeout, this, &ClassroomLock::letGo);
    // The whole program, not one window: every window the child can reach, now or later.
    QCoreApplication::instance()->installEventFilter(this);
}

void ClassroomLock::leaveToTheAdult(QWidget& screen) {
    screen.setProperty(kAdultsOwn, true);
}

void ClassroomLock::letGo() {
    m_heldKey = 0;
    m_receiver = nullptr;
    m_hold.stop();
    m_release.stop();
}

void ClassroomLock::holdTimeUp() {
    // The two seconds are up, yet the key's release may still wait in the queue: the program may
    // have been blocked as they ran out (a wait for a sound), and a timer is served before the
    // input that came meanwhile. So the hold is done only at a second look, a moment later, that
    // finds the program running on time and the key still down; the queued input is seen first.
    const bool heldUp = m_clock.elapsed() - m_dueAt > kHeldUpMs;
    if (!m_lookedOnce || heldUp || m_release.isActive()) {
        m_lookedOnce = true;
        m_dueAt = m_clock.elapsed() + kLookAgainMs;
        m_hold.start(kLookAgainMs);
        return;
    }
    if (!m_receiver) {
        letGo();
        return;
    }
    // The window does with the held key what it does with a press. The key stays held: its
    // repeats do nothing more, and its release ends the hold.
    QKeyEvent press(QEvent::KeyPress, m_qtKey, m_modifiers, m_text);
    m_handingOn = &press;
    QCoreApplication::sendEvent(m_receiver, &press);
    m_handingOn = nullptr;
}

bool ClassroomLock::keyPressed(QWidget& receiver, const QKeyEvent& key) {
    const int code = gameKeyOf(key);
    if (!GameKey::isAdultKey(code))
        return false;
    const bool repeat =
        code == m_heldKey &&
        (key.isAutoRepeat() || (m_release.isActive() && key.timestamp() == m_releasedAt));
    m_release.stop();
    // The held key repeating changes nothing; a new press starts its own two seconds.
    if (!repeat) {
        m_receiver = &receiver;
        m_heldKey = code;
        m_qtKey = key.key();
        m_modifiers = key.modifiers();
        m_text = key.text();
        m_lookedOnce = false;
        m_dueAt = m_clock.elapsed() + kHoldMs;
        m_hold.start(kHoldMs);
    }
    return true;
}

bool ClassroomLock::eventFilter(QObject* watched, QEvent* event) {
    // The desktop's close request reaches a window's QWindow first, marked as coming from
    // outside; the close its widget is sent then is not always marked so (Wayland). So it is
    // stopped there, for the windows the program never closes itself: a notice's box, which
    // the program closes on OK, keeps the widget's own check below.
    if (event->type() == QEvent::Close && event->spontaneous() && watched->isWindowType()) {
        const QWidget* widget = widgetOf(static_cast<const QWindow*>(watched));
        if (widget != nullptr && !widget->inherits("QDialog") && !isAdultsOwn(*widget)) {
            event->ignore();
            return true;
        }
        return false;
    }
    // A key reaches a window's QWindow first, then its widgets: the widgets are where each
    // window takes them.
    if (!watched->isWidgetType())
        return false;
    auto& widget = static_cast<QWidget&>(*watched);
    switch (event->type()) {
        case QEvent::Close:
            // The desktop's request; the program's own closes are let through.
            if (event->spontaneous() && widget.isWindow() && !isAdultsOwn(widget)) {
                event->ignore();
                return true;
            }
            return false;
        case QEvent::KeyPress:
            if (event == m_handingOn || isAdultsOwn(widget))
                return false;
            return keyPressed(widget, static_cast<const QKeyEvent&>(*event));
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
            if (m_receiver && widget.window() == m_receiver->window())
                letGo();
            return false;
        default:
            return false;
    }
}
