#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QImage>
#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>
#include <limits>

#include "game/game_screen.h"
#include "ui/changed_area.h"
#include "ui/character_pictures.h"
#include "ui/twips.h"

class QEventPoint;
class QInputDevice;
class QInputEvent;
class QTouchEvent;
class QWindow;

// The game screen's window: a borderless white window over the whole screen that draws the
// game's model and turns the pointer and the keys into the game's handlers.
class GameWindow : public QWidget {
public:
    GameWindow(GameScreen& game, const QtCharacterPictures& pictures);

    // Covers the screen, sizes the game to it and shows the first round.
    void start();
    // Brings the game back in front of the adult screens; the game starts a fresh round.
    void comeBack();
    // Called as H or N opens an adult screen: the next activation of this window comes from there.
    void leaveForScreen() { m_awayInOurScreen = true; }

    // A timer step that waited for its sound blocked the program; pointer events made meanwhile
    // queued up and must be dropped, not handled late. Wraps the timer service's callback to
    // notice when such a wait ends.
    void dropInputQueuedDuringWaits(TimerService& timers);

    // Work that can wait until the child sees the first frame: run once, just after it is drawn.
    void afterFirstFrame(std::function<void()> work) { m_afterFirstFrame = std::move(work); }

    const Twips& twips() const { return m_twips; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void activateFromOurScreen();
    void fingersMoved(const QTouchEvent& event);
    void fingerLanded(const QPointF& position, qint64 madeAt);
    void pointerMoved(const QPointF& position);
    void pointerPressed(const QPointF& position);
    bool isPalm(const QEventPoint& point) const;
    bool madeFromTouch(const QMouseEvent& event) const;
    qint64 madeAt(const QInputEvent& event);
    bool madeDuringWait(const QInputEvent& event) { return madeAt(event) < m_waitEnded; }
    void updatePointer();
    void drawText(QPainter& painter, const TextControl& text, const QColor& colour) const;

    GameScreen& m_game;
    const QtCharacterPictures& m_pictures;
    Twips m_twips;
    // Each text drawn once into a picture (see drawText), by caption, size, colour and place.
    mutable QHash<QString, QPair<QPoint, QImage>> m_drawnTexts;
    bool m_awayInOurScreen = false;
    bool m_pointerHidden = false;
    // The window's own time, to which every input device's clock is tied (see madeAt).
    QElapsedTimer m_clock;
    // Per device: our time minus the time its events are stamped with, the smallest seen.
    QHash<const QInputDevice*, qint64> m_clockOffsets;
    // When the last step that waited for its sound returned, on m_clock.
    qint64 m_waitEnded = std::numeric_limits<qint64>::min();
    // The first finger, by its point id, while it is down; none: -1.
    int m_finger = -1;
    bool m_touchSeen = false;  // a touch screen has been used on this window
    // Where and when the last finger landed, for a double tap.
    struct Tap {
        ControlKind kind = ControlKind::None;
        int index = -1;
        std::int32_t left = 0;
        std::int32_t top = 0;
        qint64 madeAt = 0;
        bool sameControl(const Tap& other) const {
            return kind == other.kind && index == other.index && left == other.left &&
                   top == other.top;
        }
    } m_lastTap;
    std::function<void()> m_afterFirstFrame;
    ShownScreen m_shown;  // the model as of the last repaint asked for
};
