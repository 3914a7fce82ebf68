#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QImage>
#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>

#include "game/game_screen.h"
#include "ui/changed_area.h"
#include "ui/character_pictures.h"
#include "ui/twips.h"

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

    // A timer step that waited for its sound blocked the program; pointer events that queued up
    // meanwhile must be dropped, not handled late. Wraps the timer service's callback to notice.
    void dropInputQueuedDuringWaits(TimerService& timers);

    // Work that can wait until the child sees the first frame: run once, just after it is drawn.
    void afterFirstFrame(std::function<void()> work) { m_afterFirstFrame = std::move(work); }

    const Twips& twips() const { return m_twips; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void activateFromOurScreen();
    void pointerPressed(const QPointF& position);
    bool inputHeld() const;
    void updatePointer();
    void drawText(QPainter& painter, const TextControl& text, const QColor& colour) const;

    GameScreen& m_game;
    const QtCharacterPictures& m_pictures;
    Twips m_twips;
    // Each text drawn once into a picture (see drawText), by caption, size, colour and place.
    mutable QHash<QString, QPair<QPoint, QImage>> m_drawnTexts;
    bool m_awayInOurScreen = false;
    bool m_pointerHidden = false;
    QElapsedTimer m_sinceBlockingStep;
    std::function<void()> m_afterFirstFrame;
    ShownScreen m_shown;  // the model as of the last repaint asked for
};
