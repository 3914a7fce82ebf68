#include "ui/classroom_lock.h"

#include <QApplication>
#include <QKeyEvent>
#include <QVariant>
#include <QWidget>
#include <QWindow>

#include "game/game_screen.h"

namespace {
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

ClassroomLock::ClassroomLock(const Clock& clock, QObject* parent)
    : QObject(parent), m_hold(clock, m_holdAlarm, m_releaseAlarm, [this] { handOn(); }) {
    // The whole program, not one window: every window the child can reach, now or later.
    QCoreApplication::instance()->installEventFilter(this);
}

void ClassroomLock::leaveToTheAdult(QWidget& screen) {
    screen.setProperty(kAdultsOwn, true);
}

void ClassroomLock::handOn() {
    if (!m_receiver) {
        m_hold.letGo();
        return;
    }
    // The window does with the held key what it does with a press.
    QKeyEvent press(QEvent::KeyPress, m_qtKey, m_modifiers, m_text);
    m_handingOn = &press;
    QCoreApplication::sendEvent(m_receiver, &press);
    m_handingOn = nullptr;
}

bool ClassroomLock::keyPressed(QWidget& receiver, const QKeyEvent& key) {
    const int code = gameKeyOf(key);
    if (!GameKey::isAdultKey(code))
        return false;
    if (m_hold.pressed(code, key.isAutoRepeat(), key.timestamp())) {
        m_receiver = &receiver;
        m_qtKey = key.key();
        m_modifiers = key.modifiers();
        m_text = key.text();
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
            m_hold.released(gameKeyOf(key), key.isAutoRepeat(), key.timestamp());
            return false;
        }
        case QEvent::FocusOut:
        case QEvent::WindowDeactivate:
            // A key let go elsewhere is never seen here.
            if (m_receiver && widget.window() == m_receiver->window())
                m_hold.letGo();
            return false;
        default:
            return false;
    }
}
