#include "ui/game_window.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QStyleHints>
#include <QTimer>
#include <QTouchEvent>
#include <QWindow>

#include <algorithm>
#include <utility>

#include "ui/embedded_pictures.h"
#include "ui/fonts.h"
#include "ui/sound_files.h"

namespace {
const QColor kTrayYellow(0xFF, 0xFF, 0x80);
const QColor kMarkRed(0xFF, 0x00, 0x00);

// A step that blocks longer than this was waiting for a sound.
constexpr qint64 kBlockingStepMs = 40;
// An input device's clock that suddenly runs this far behind ours has started anew; no event
// waits this long in the queue, a wait for a sound lasts seconds.
constexpr qint64 kClockRestartMs = 60'000;
// A contact whose longest side is above this is a palm or the side of a hand, not a fingertip (a
// child's is about 8 mm across, an adult's thumb laid flat about 20 mm).
constexpr double kPalmMm = 30.0;

bool isTouchScreen(const QInputDevice* device) {
    return device != nullptr && device->type() == QInputDevice::DeviceType::TouchScreen;
}

// What a character whose picture cannot be read shows: a plain grey card of the same size.
void drawPlaceholder(QPainter& painter, const QRectF& rect) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0xA0, 0xA0, 0xA0), std::max(1.0, rect.width() / 40)));
    painter.setBrush(QColor(0xE0, 0xE0, 0xE0));
    const double inset = rect.width() / 12;
    painter.drawRoundedRect(rect.adjusted(inset, inset, -inset, -inset), rect.width() / 8,
                            rect.height() / 8);
    painter.restore();
}
}  // namespace

GameWindow::GameWindow(GameScreen& game, const QtCharacterPictures& pictures)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), m_game(game), m_pictures(pictures) {
    setWindowTitle(QStringLiteral("かぞえましょう"));
    setMouseTracking(true);  // a touch is the pointer moving over a character
    // A finger is taken as itself, not as the mouse events the system would make of it.
    setAttribute(Qt::WA_AcceptTouchEvents);
    m_clock.start();
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_game.modelChanged = [this] {
        updatePointer();
        ShownScreen now = shownScreen(m_game.model(), m_pictures);
        update(changedArea(m_shown, now, m_twips, rect()));
        m_shown = std::move(now);
    };
    // The game comes back to life when its window is activated from one of our adult screens
    // (a button there, or a click on the game behind them); not when the user returns from
    // another program.
    connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* now) {
        if (now != nullptr && now == windowHandle())
            activateFromOurScreen();
    });
}

void GameWindow::start() {
    QScreen* screen = QGuiApplication::primaryScreen();
    m_twips = Twips(screen->logicalDotsPerInch());
    const QRect area = screen->geometry();
    // Without a window manager (a bare X server) full-screen requests are ignored, so the
    // window is also given the screen's geometry itself.
    setGeometry(area);
    m_game.start(m_twips.fromPixels(area.width()), m_twips.fromPixels(area.height()));
    m_game.activate();
    showFullScreen();
    raise();
    activateWindow();
}

void GameWindow::comeBack() {
    raise();
    activateWindow();
    activateFromOurScreen();
}

void GameWindow::activateFromOurScreen() {
    if (!m_awayInOurScreen)
        return;
    m_awayInOurScreen = false;
    m_game.activate();
}

void GameWindow::dropInputQueuedDuringWaits(TimerService& timers) {
    auto step = timers.fired;
    timers.fired = [this, step](Step due) {
        const qint64 began = m_clock.elapsed();
        if (step)
            step(due);
        const qint64 now = m_clock.elapsed();
        if (now - began > kBlockingStepMs)
            m_waitEnded = now;
    };
}

// An input event carries the time it was made, on the clock of the system that made it (on X11
// the X server's milliseconds), not on ours, and it may reach us long after: after a wait, or
// behind a slow repaint. Each device's clock is tied to ours by the event of it that reached us
// the quickest: the difference seen then is the closest to the true one, and never below it. So
// an event's time on our clock is never earlier than when it was really made, and input made
// after a wait is never taken for input made during it.
qint64 GameWindow::madeAt(const QInputEvent& event) {
    const qint64 stamp = qint64(event.timestamp());
    const qint64 seen = m_clock.elapsed() - stamp;
    auto offset = m_clockOffsets.find(event.device());
    if (offset == m_clockOffsets.end() || seen < *offset || seen > *offset + kClockRestartMs)
        offset = m_clockOffsets.insert(event.device(), seen);
    return stamp + *offset;
}

void GameWindow::updatePointer() {
    const bool hidden = m_game.model().pointerHidden;
    if (hidden == m_pointerHidden)
        return;
    m_pointerHidden = hidden;
    if (!hidden) {
        unsetCursor();
        return;
    }
    // The invisible pointer is "Clear.ico", found where the sounds are; without it the pointer is
    // hidden all the same.
    const QPixmap clear(findSoundFile(QStringLiteral("Clear.ico")));
    setCursor(clear.isNull() ? QCursor(Qt::BlankCursor) : QCursor(clear, 0, 0));
}

void GameWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const GameScreenModel& model = m_game.model();

    // Bottom to top: the tray, the characters, the numerals, the cards, the mark, the message;
    // within one kind as the model stacks them. (Plain reverse iterators: clang 14 cannot
    // reverse a const array with std::views on Debian 12's library.)
    if (model.tray.visible) {
        const QRectF tray = m_twips.toPixels(model.tray);
        painter.fillRect(tray, kTrayYellow);
        painter.setPen(QPen(palette().color(QPalette::WindowText), 1));
        painter.drawRect(tray.adjusted(0.5, 0.5, -0.5, -0.5));
    }
    const GameScreenModel::Stacking characters = GameScreenModel::charactersFromTop();
    for (auto at = characters.rbegin(); at != characters.rend(); ++at) {
        const int i = *at;
        if (!model.characters[i].visible)
            continue;
        const QRectF place = m_twips.toPixels(model.characters[i]);
        const QImage& picture = m_pictures.picture(i);
        if (picture.isNull()) {
            drawPlaceholder(painter, place);
        } else {
            painter.drawImage(place, picture);
        }
    }
    const GameScreenModel::Stacking numerals = GameScreenModel::numeralsFromTop();
    for (auto at = numerals.rbegin(); at != numerals.rend(); ++at) {
        const int i = *at;
        // The embedded pictures are decoded when first shown, not while the child waits for
        // the first character.
        if (model.numerals[i].visible)
            painter.drawImage(m_twips.toPixels(model.numerals[i]), numeralPicture(i + 1));
    }
    const GameScreenModel::Stacking cards = model.cardsFromTop();
    for (auto at = cards.rbegin(); at != cards.rend(); ++at) {
        const int i = *at;
        if (model.cards[i].visible)
            painter.drawImage(m_twips.toPixels(model.cards[i]), cardPicture(i + 1));
    }
    drawText(painter, model.mark, kMarkRed);
    drawText(painter, model.message, palette().color(QPalette::WindowText));

    if (m_afterFirstFrame) {
        // After this paint has reached the screen, not within it.
        QTimer::singleShot(0, this, std::exchange(m_afterFirstFrame, nullptr));
    }
}

// The message's large glyphs are drawn as outlines, anew at every frame: about 8 ms at
// 1920 x 1080 and more than 20 ms at 3840 x 2160, paid again for every numeral a touch lays
// during counting. So a text is drawn once into a picture, and each frame copies the picture.
void GameWindow::drawText(QPainter& painter, const TextControl& text, const QColor& colour) const {
    if (!text.visible || text.caption.isEmpty())
        return;
    const QRectF box = m_twips.toPixels(text);
    const QFont font = gameScreenFont(m_twips.pointsToPixels(text.fontSize));
    const qreal ratio = painter.device()->devicePixelRatioF();
    const QString key = QStringLiteral("%1|%2|%3|%4|%5,%6,%7,%8")
                            .arg(text.caption)
                            .arg(font.pixelSize())
                            .arg(colour.rgba())
                            .arg(ratio)
                            .arg(box.x())
                            .arg(box.y())
                            .arg(box.width())
                            .arg(box.height());
    auto drawn = m_drawnTexts.constFind(key);
    if (drawn == m_drawnTexts.constEnd()) {
        // A handful of captions at a handful of places; a changed screen simply starts afresh.
        if (m_drawnTexts.size() >= 16)
            m_drawnTexts.clear();
        // A text's background is transparent; its text may reach past its box (the font's line
        // is taller than the cell the message is laid out in), so it is not clipped.
        constexpr int kFlags = Qt::AlignCenter | Qt::TextDontClip;
        const int margin = font.pixelSize() / 4 + 2;  // glyphs stand out of their advance a little
        const QRect reach = QFontMetricsF(font)
                                .boundingRect(box, kFlags, text.caption)
                                .united(box)
                                .toAlignedRect()
                                .adjusted(-margin, -margin, margin, margin);
        QImage picture(reach.size() * ratio, QImage::Format_ARGB32_Premultiplied);
        picture.setDevicePixelRatio(ratio);
        picture.fill(Qt::transparent);
        QPainter onPicture(&picture);
        onPicture.setRenderHint(QPainter::TextAntialiasing);
        onPicture.setPen(colour);
        onPicture.setFont(font);
        onPicture.drawText(box.translated(-reach.topLeft()), kFlags, text.caption);
        onPicture.end();
        drawn = m_drawnTexts.insert(key, {reach.topLeft(), picture});
    }
    painter.drawImage(drawn->first, drawn->second);
}

// Mouse events a touch was turned into: Qt makes them of a touch a window leaves untaken (with the
// touch screen as their device), and some systems make their own. The touch itself was taken, so
// they must not count again.
bool GameWindow::madeFromTouch(const QMouseEvent& event) const {
    return isTouchScreen(event.device()) ||
           (m_touchSeen && event.source() == Qt::MouseEventSynthesizedBySystem);
}

void GameWindow::mouseMoveEvent(QMouseEvent* event) {
    if (!madeFromTouch(*event) && !madeDuringWait(*event))
        pointerMoved(event->position());
}

void GameWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && !madeFromTouch(*event) && !madeDuringWait(*event))
        pointerPressed(event->position());
}

// A quick second click is still a click for a child.
void GameWindow::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
}

void GameWindow::pointerMoved(const QPointF& position) {
    m_game.pointerMoved(m_twips.fromPixels(position.x()), m_twips.fromPixels(position.y()));
}

void GameWindow::pointerPressed(const QPointF& position) {
    const auto x = m_twips.fromPixels(position.x());
    const auto y = m_twips.fromPixels(position.y());
    // A finger that taps without sliding is over the character too: the touch comes before the
    // click, as with a mouse that was moved there.
    m_game.pointerMoved(x, y);
    m_game.pointerClicked(x, y);
}

bool GameWindow::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TouchCancel: {
            const auto& touch = static_cast<const QTouchEvent&>(*event);
            // A touchpad's fingers move the mouse pointer; the system makes that of them.
            if (!isTouchScreen(touch.device()))
                break;
            fingersMoved(touch);
            // Every touch is taken, a palm's and a second finger's too: one left untaken would
            // come back as mouse events.
            event->accept();
            return true;
        }
        default:
            break;
    }
    return QWidget::event(event);
}

// On a touch screen the first finger is the pointer: its landing is a press of the mouse (a touch
// there, then a click), its sliding is the mouse moving, so a slide along the row touches every
// character it passes. While it is down, other fingers are ignored, and so is a palm at any time:
// a finger that lands beside a resting palm is the pointer.
//
// A double tap, a second landing on the same character or card within the system's double-click
// time, does what one tap does wherever the game expects one touch, and what two taps do where two
// are meant: in counting way 0 "どこからでもＯＫ" each touch counts, so while counting there its
// second tap counts again (unless the first tap's number is still being said: a touch then is
// lost, as it always is). Everywhere else it is dropped: catching a character, choosing a card,
// counting in ways 1 and 3 (the second tap would be ignored anyway), in way 2 (it would be a
// repeat: the next number said over a counted character) and in way 4 "かぞえ無し" (no touch
// counts until the second wrong answer, then as in way 1). A mouse's double click stays two
// clicks, as it always was.
void GameWindow::fingersMoved(const QTouchEvent& event) {
    m_touchSeen = true;
    if (event.type() == QEvent::TouchCancel) {
        m_finger = -1;
        return;
    }
    if (event.type() == QEvent::TouchBegin)
        m_finger = -1;  // no finger was down
    const qint64 made = madeAt(event);
    // A finger that landed during a wait stays the pointer, but only what it does after counts.
    const bool stale = made < m_waitEnded;
    for (const QEventPoint& point : event.points()) {
        if (m_finger < 0 && point.state() == QEventPoint::Pressed && !isPalm(point)) {
            m_finger = point.id();
            if (!stale)
                fingerLanded(point.position(), made);
        } else if (point.id() == m_finger) {
            if (point.state() == QEventPoint::Released)
                m_finger = -1;
            else if (point.state() == QEventPoint::Updated && !stale && !isPalm(point))
                pointerMoved(point.position());
        }
    }
}

void GameWindow::fingerLanded(const QPointF& position, qint64 madeAt) {
    const GameScreenModel& model = m_game.model();
    const HitTarget target =
        model.controlAt(m_twips.fromPixels(position.x()), m_twips.fromPixels(position.y()));
    // The control where it stands now: a character caught and gone into the tray is tapped anew.
    Tap tap{target.kind, target.index, 0, 0, madeAt};
    if (target.kind != ControlKind::None) {
        const Control& control = target.kind == ControlKind::Card ? model.cards[target.index]
                                                                  : model.characters[target.index];
        tap.left = control.left;
        tap.top = control.top;
    }
    const bool again =
        target.kind != ControlKind::None && tap.sameControl(m_lastTap) &&
        madeAt - m_lastTap.madeAt < QGuiApplication::styleHints()->mouseDoubleClickInterval();
    m_lastTap = tap;
    // The round's counting way: おまかせ may choose another than the adult's.
    const bool everyTouchCounts = m_game.phase() == Phase::Counting &&
                                  m_game.round().settings.countWay == CountWay::AnyOrder;
    if (!again || everyTouchCounts)
        pointerPressed(position);
}

// Only a device that reports the size of a contact (its ellipse) tells a palm; on others every
// contact is a finger.
bool GameWindow::isPalm(const QEventPoint& point) const {
    const QSizeF size = point.ellipseDiameters();  // logical pixels
    const qreal dpi = screen() != nullptr ? screen()->physicalDotsPerInch() : 0;
    return std::max(size.width(), size.height()) / (dpi > 0 ? dpi : 96.0) * 25.4 > kPalmMm;
}

void GameWindow::keyPressEvent(QKeyEvent* event) {
    if (event->isAutoRepeat())
        return;
    // Letters and digits carry the same codes in Qt as in the game; Esc is the only other key
    // the game answers.
    const int key = event->key();
    if (key == Qt::Key_Escape) {
        m_game.keyPressed(GameKey::Escape);
    } else if (key >= Qt::Key_0 && key <= Qt::Key_Z) {
        m_game.keyPressed(key);
    }
}
