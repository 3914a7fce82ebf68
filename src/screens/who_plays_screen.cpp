#include "screens/who_plays_screen.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include "screens/thumbnails.h"
#include "screens/who_plays_layout.h"
#include "ui/fonts.h"

const QString WhoPlaysScreen::kGuestName = QStringLiteral("おきゃくさん");

namespace {
const QString kTitle = QStringLiteral("だれがあそぶ？");
const QColor kHighlight(0xFF, 0xFF, 0x80);  // the tray's yellow
const QColor kPlaceholderEdge(0xA0, 0xA0, 0xA0);
const QColor kPlaceholderFill(0xE0, 0xE0, 0xE0);

// Draws `text` as large as fits `box` (at most `pixelSize`), centred.
void drawFitted(QPainter& painter, const QRect& box, const QString& text, int pixelSize) {
    QFont font = gameScreenFont(pixelSize);
    while (font.pixelSize() > 8 && QFontMetrics(font).horizontalAdvance(text) > box.width())
        font.setPixelSize(font.pixelSize() - 2);
    painter.setFont(font);
    painter.drawText(box, Qt::AlignCenter, text);
}
}  // namespace

WhoPlaysScreen::WhoPlaysScreen(const SharedState& state,
                               std::function<void(std::optional<qint64>)> chosen,
                               std::function<void()> endGame)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint),
      m_state(state),
      m_chosen(std::move(chosen)),
      m_endGame(std::move(endGame)) {
    setObjectName(QStringLiteral("whoPlaysScreen"));
    setWindowTitle(kTitle);
    setMouseTracking(true);  // the choice under the pointer is highlighted
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void WhoPlaysScreen::open(const QList<ChildEntry>& children) {
    m_children = children;
    m_highlighted = -1;
    m_markSide = 0;
    QScreen* screen = QGuiApplication::primaryScreen();
    // Without a window manager a full-screen request is ignored: the window takes the screen's
    // place itself.
    if (screen != nullptr)
        setGeometry(screen->geometry());
    readMarks();
    m_open = true;
    showFullScreen();
    raise();
    activateWindow();
    setFocus();
    update();
}

// Each mark is read once per opening, at the size it is drawn.
void WhoPlaysScreen::readMarks() {
    const int count = choiceCount();
    const QRect first = WhoPlaysLayout::markIn(WhoPlaysLayout::cell(0, count, size()));
    const int side = qMax(1, qRound(first.width() * devicePixelRatioF()));
    if (side == m_markSide && m_marks.size() == m_children.size())
        return;
    m_markSide = side;
    m_marks.clear();
    for (const ChildEntry& child : std::as_const(m_children)) {
        QImage mark = ThumbnailDelegate::readThumbnail(m_state.pathOf(child.mark), side);
        mark.setDevicePixelRatio(devicePixelRatioF());
        m_marks.append(mark);
    }
}

int WhoPlaysScreen::choiceAt(const QPoint& position) const {
    for (int i = 0; i < choiceCount(); ++i) {
        if (WhoPlaysLayout::cell(i, choiceCount(), size()).contains(position))
            return i;
    }
    return -1;
}

void WhoPlaysScreen::highlight(int choice) {
    if (choice == m_highlighted)
        return;
    m_highlighted = choice;
    update();
}

void WhoPlaysScreen::choose(int choice) {
    if (!m_open || choice < 0 || choice >= choiceCount())
        return;
    m_open = false;
    hide();
    if (m_chosen) {
        m_chosen(choice < m_children.size() ? std::optional<qint64>(m_children[choice].id)
                                            : std::nullopt);
    }
}

void WhoPlaysScreen::paintEvent(QPaintEvent*) {
    readMarks();  // the window may have been given another size
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(Qt::black);
    const QRect band = WhoPlaysLayout::titleBand(size());
    drawFitted(painter, band.adjusted(band.width() / 20, 0, -band.width() / 20, 0), kTitle,
               band.height() * 11 / 20);

    const int count = choiceCount();
    for (int i = 0; i < count; ++i) {
        const QRect cell = WhoPlaysLayout::cell(i, count, size());
        const QRect inner = cell.adjusted(cell.width() / 30, cell.width() / 30, -cell.width() / 30,
                                          -cell.width() / 30);
        if (i == m_highlighted) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(kHighlight);
            painter.drawRoundedRect(inner, cell.width() / 12.0, cell.width() / 12.0);
        }
        const QRect markBox = WhoPlaysLayout::markIn(cell);
        const bool guest = i >= m_children.size();
        const QImage mark = guest ? QImage() : m_marks.value(i);
        if (!mark.isNull()) {
            // Kept in proportion, centred in its square.
            QSize shown = mark.deviceIndependentSize().toSize();
            shown.scale(markBox.size(), Qt::KeepAspectRatio);
            QRect place(QPoint(), shown);
            place.moveCenter(markBox.center());
            painter.drawImage(place, mark);
        } else {
            // The guest's mark, and a mark whose picture is gone: a plain grey circle, with
            // "？" for the guest.
            painter.setPen(QPen(kPlaceholderEdge, qMax(1, markBox.width() / 40)));
            painter.setBrush(kPlaceholderFill);
            const QRect round = markBox.adjusted(markBox.width() / 10, markBox.width() / 10,
                                                 -markBox.width() / 10, -markBox.width() / 10);
            painter.drawEllipse(round);
            if (guest) {
                painter.setPen(Qt::black);
                drawFitted(painter, round, QStringLiteral("？"), round.height() * 3 / 5);
            }
        }
        painter.setPen(Qt::black);
        const QRect nameBox =
            WhoPlaysLayout::nameIn(cell).adjusted(cell.width() / 20, 0, -cell.width() / 20, 0);
        drawFitted(painter, nameBox, guest ? kGuestName : m_children[i].name,
                   qMin(nameBox.height() * 7 / 10, cell.width() / 7));
    }
}

void WhoPlaysScreen::mousePressEvent(QMouseEvent* event) {
    // Any button, and a finger landing, which arrives as a press.
    choose(choiceAt(event->position().toPoint()));
}

void WhoPlaysScreen::mouseMoveEvent(QMouseEvent* event) {
    if (m_open)
        highlight(choiceAt(event->position().toPoint()));
}

void WhoPlaysScreen::leaveEvent(QEvent*) {
    highlight(-1);
}

void WhoPlaysScreen::keyPressEvent(QKeyEvent* event) {
    if (!m_open)
        return;
    const int count = choiceCount();
    const int columns = WhoPlaysLayout::grid(count, size()).columns;
    const int at = m_highlighted;
    switch (event->key()) {
        case Qt::Key_Escape:
            if (m_endGame)
                m_endGame();
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            if (!event->isAutoRepeat())
                choose(at);
            return;
        case Qt::Key_Right:
        case Qt::Key_Tab:
            highlight(at < 0 ? 0 : (at + 1) % count);
            return;
        case Qt::Key_Left:
        case Qt::Key_Backtab:
            highlight(at < 0 ? count - 1 : (at + count - 1) % count);
            return;
        case Qt::Key_Down:
            highlight(at < 0 ? 0 : qMin(at + columns, count - 1));
            return;
        case Qt::Key_Up:
            highlight(at < 0 ? 0 : qMax(at - columns, 0));
            return;
        default:
            return;  // every other key does nothing here
    }
}

bool WhoPlaysScreen::focusNextPrevChild(bool) {
    return false;  // Tab moves the highlight (keyPressEvent), never the focus
}

void WhoPlaysScreen::closeEvent(QCloseEvent* event) {
    // The desktop's close (Alt+F4) does not take the choice away from the child; the program's
    // own close, as it ends, is let through.
    if (event->spontaneous()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}
