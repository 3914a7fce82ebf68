#include "ui/game_window.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <ranges>
#include <utility>

#include "ui/embedded_pictures.h"
#include "ui/fonts.h"

namespace {
const QColor kTrayYellow(0xFF, 0xFF, 0x80);
const QColor kMarkRed(0xFF, 0x00, 0x00);

// A step that blocks longer than this was waiting for a sound.
constexpr qint64 kBlockingStepMs = 40;
// Input that queued up during such a wait arrives within a few milliseconds after it.
constexpr qint64 kQueuedInputWindowMs = 30;

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
        QElapsedTimer took;
        took.start();
        if (step)
            step(due);
        if (took.elapsed() > kBlockingStepMs)
            m_sinceBlockingStep.start();
    };
}

bool GameWindow::inputHeld() const {
    return m_sinceBlockingStep.isValid() && m_sinceBlockingStep.elapsed() < kQueuedInputWindowMs;
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
    // The invisible pointer is "Clear.ico" beside the sounds; without it the pointer is hidden
    // all the same.
    const QPixmap clear(QStringLiteral("Clear.ico"));
    setCursor(clear.isNull() ? QCursor(Qt::BlankCursor) : QCursor(clear, 0, 0));
}

void GameWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const GameScreenModel& model = m_game.model();

    // Bottom to top: the tray, the characters, the numerals, the cards, the mark, the message;
    // within one kind as the model stacks them.
    if (model.tray.visible) {
        const QRectF tray = m_twips.toPixels(model.tray);
        painter.fillRect(tray, kTrayYellow);
        painter.setPen(QPen(palette().color(QPalette::WindowText), 1));
        painter.drawRect(tray.adjusted(0.5, 0.5, -0.5, -0.5));
    }
    const GameScreenModel::Stacking characters = GameScreenModel::charactersFromTop();
    for (const int i : std::views::reverse(characters)) {
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
    for (const int i : std::views::reverse(numerals)) {
        // The embedded pictures are decoded when first shown, not while the child waits for
        // the first character.
        if (model.numerals[i].visible)
            painter.drawImage(m_twips.toPixels(model.numerals[i]), numeralPicture(i + 1));
    }
    const GameScreenModel::Stacking cards = model.cardsFromTop();
    for (const int i : std::views::reverse(cards)) {
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

void GameWindow::mouseMoveEvent(QMouseEvent* event) {
    if (inputHeld())
        return;
    const QPointF p = event->position();
    m_game.pointerMoved(m_twips.fromPixels(p.x()), m_twips.fromPixels(p.y()));
}

void GameWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        pointerPressed(event->position());
}

// A quick second click is still a click for a child.
void GameWindow::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        pointerPressed(event->position());
}

void GameWindow::pointerPressed(const QPointF& position) {
    if (inputHeld())
        return;
    const auto x = m_twips.fromPixels(position.x());
    const auto y = m_twips.fromPixels(position.y());
    // A finger that taps without sliding is over the character too: the touch comes before the
    // click, as with a mouse that was moved there.
    m_game.pointerMoved(x, y);
    m_game.pointerClicked(x, y);
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
