#include "screens/screen_parts.h"

#include <QCloseEvent>

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include <algorithm>
#include <cmath>

#include "ui/classroom_lock.h"
#include "ui/fonts.h"

namespace ScreenParts {

namespace {
// Below this the text would be too small to read; a caption that still does not fit is clipped.
constexpr double kSmallestPointSize = 6.0;
// A button's text needs this much on each side to clear the button's own bevel.
constexpr int kButtonTextPadding = 5;

int neededWidth(QWidget* control) {
    if (auto* button = qobject_cast<QPushButton*>(control)) {
        return QFontMetrics(button->font()).horizontalAdvance(button->text()) +
               2 * kButtonTextPadding;
    }
    return control->sizeHint().width();
}

int neededHeight(QWidget* control) {
    if (auto* button = qobject_cast<QPushButton*>(control)) {
        return QFontMetrics(button->font()).height() + 4;
    }
    return control->sizeHint().height();
}
}  // namespace

QFont windowFont() {
    QFont font(screensFontFamily());
    font.setPointSizeF(9);
    font.setWeight(QFont::Normal);
    return font;
}

QFont titleFont() {
    QFont font(screensFontFamily());
    font.setPointSizeF(14.25);
    font.setWeight(QFont::Bold);
    return font;
}

QString fullWidthNumber(int value) {
    const QString digits = QString::number(value);
    QString wide;
    wide.reserve(digits.size());
    for (const QChar c : digits) {
        if (c.isDigit()) {
            wide.append(QChar(char16_t(0xFF10 + c.digitValue())));
        } else {
            wide.append(QChar(char16_t(0xFF0D)));  // the full-width minus
        }
    }
    return wide;
}

const Twips& twips() {
    static const Twips perPixel(QGuiApplication::primaryScreen() != nullptr
                                    ? QGuiApplication::primaryScreen()->logicalDotsPerInch()
                                    : 96.0);
    return perPixel;
}

QRect toPixels(const DesignBox& box) {
    // Round the edges rather than the sizes, so that controls that touch in twips touch on screen.
    const auto px = [](int t) { return int(std::lround(twips().toPixels(t))); };
    const int x = px(box.left);
    const int y = px(box.top);
    return {x, y, px(box.left + box.width) - x, px(box.top + box.height) - y};
}

void fitCaption(QWidget* control, int roomLeft, int roomRight, Anchor anchor) {
    control->ensurePolished();
    const int room = roomRight - roomLeft;
    QFont font = control->font();
    while (neededWidth(control) > room && font.pointSizeF() > kSmallestPointSize) {
        font.setPointSizeF(font.pointSizeF() - 0.25);
        control->setFont(font);
    }
    const QRect design = control->geometry();
    const int width = std::min(std::max(design.width(), neededWidth(control)), room);
    const int height = std::max(design.height(), neededHeight(control));
    int left =
        anchor == Anchor::Left ? design.left() : design.left() - (width - design.width()) / 2;
    left = std::clamp(left, roomLeft, roomRight - width);
    const int top = design.top() - (height - design.height()) / 2;
    control->setGeometry(left, top, width, height);
}

void centreOnScreen(QWidget* window) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const QRect area = screen->geometry();
    window->move(area.left() + (area.width() - window->width()) / 2,
                 area.top() + (area.height() - window->height()) / 2);
}

namespace {
// The game's window: the full-screen window shown now that is not `screen`.
QWindow* fullScreenWindowBesides(const QWidget* screen) {
    for (QWindow* window : QGuiApplication::topLevelWindows()) {
        if (window->isVisible() && (window->windowStates() & Qt::WindowFullScreen) &&
            window != screen->windowHandle())
            return window;
    }
    return nullptr;
}
}  // namespace

AdultScreen::AdultScreen(const QString& name, const QString& title, int widthTwips, int heightTwips,
                         std::function<void()> returnToGame, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      m_returnToGame(std::move(returnToGame)) {
    setObjectName(name);
    setWindowTitle(title);
    setFont(windowFont());
    setFixedSize(toPixels({0, 0, widthTwips, heightTwips}).size());
    // Opened only by a held key, the adult's screens take the adult's typing as it comes.
    ClassroomLock::leaveToTheAdult(*this);
}

void AdultScreen::open() {
    load();
    if (!m_placed) {
        // On Wayland a window cannot place itself, and the desktop shows a new window over a
        // full-screen one only as that window's child: the screen comes as the game's child,
        // which the desktop centres over it. Elsewhere the same tie keeps it above the game.
        if (QWindow* game = fullScreenWindowBesides(this)) {
            winId();
            windowHandle()->setTransientParent(game);
        }
        centreOnScreen(this);
        m_placed = true;
    }
    show();
    raise();
    activateWindow();
}

void AdultScreen::returnToGame() {
    // Hidden, not left behind the game: a panel's task list or Alt+Tab would offer a screen
    // left open to the child, and the game window is to be the one window shown.
    hide();
    if (m_returnToGame)
        m_returnToGame();
}

void AdultScreen::closeEvent(QCloseEvent* event) {
    // The screen has no close box; a close request from the desktop (Alt+F4) leaves it the way
    // "キャンセル" does, and the window stays, as the game expects. A close by the program
    // itself, as it ends, is let through.
    if (event->spontaneous()) {
        event->ignore();
        cancel();
        return;
    }
    QWidget::closeEvent(event);
}

WindowOutline::WindowOutline(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("windowOutline"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

void WindowOutline::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(QPen(palette().color(QPalette::WindowText), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

GroupBox::GroupBox(const QString& caption, QWidget* parent) : QGroupBox(caption, parent) {}

void GroupBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QFontMetrics metrics(font());
    const QRect line = rect().adjusted(0, metrics.height() / 2, -2, -2);
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(line);
    painter.setPen(palette().color(QPalette::Light));
    painter.drawRect(line.translated(1, 1));
    const QRect caption(6, 0, metrics.horizontalAdvance(title()) + 4, metrics.height());
    painter.fillRect(caption, palette().color(QPalette::Window));
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(caption, Qt::AlignCenter, title());
}

ScreenButton::ScreenButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {
    setAutoDefault(false);
    setDefault(false);
    setFocusPolicy(Qt::StrongFocus);
}

void ScreenButton::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        !event->isAutoRepeat()) {
        click();
        event->accept();
        return;
    }
    QPushButton::keyPressEvent(event);
}

ScreenButton* makeButton(QWidget* window, const char* name, const QString& caption,
                         const DesignBox& place) {
    auto* button = new ScreenButton(caption, window);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(toPixels(place));
    return button;
}

MessageLine::MessageLine(QWidget* window, const QRect& place) : QLabel(window) {
    setObjectName(QStringLiteral("messageLine"));
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setGeometry(place);
}

void MessageLine::say(const QString& news) {
    show(news, false);
}

void MessageLine::sayProblem(const QString& problem) {
    show(problem, true);
}

void MessageLine::show(const QString& text, bool problem) {
    m_problem = problem;
    // One paragraph: the line is only a few rows high, and a message's own line breaks (made for
    // a box) would leave rows half empty.
    QString shown = text;
    shown.replace(QLatin1Char('\n'), QLatin1Char(' '));
    setText(shown);
    QPalette colours = parentWidget()->palette();
    if (problem)
        colours.setColor(QPalette::WindowText, Qt::red);
    setPalette(colours);
}

QLabel* makeLabel(QWidget* window, const char* name, const QString& caption,
                  const DesignBox& place) {
    auto* label = new QLabel(caption, window);
    label->setTextFormat(Qt::PlainText);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(toPixels(place));
    return label;
}

QLabel* makeCreditLine(QWidget* window) {
    auto* label = new QLabel(QStringLiteral("かぞえましょう　せいさく"), window);
    label->setAlignment(Qt::AlignCenter);
    label->setAutoFillBackground(true);
    QPalette colours = label->palette();
    colours.setColor(QPalette::Window, colours.color(QPalette::Active, QPalette::Dark));
    colours.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(colours);
    return label;
}

QLabel* makeTitle(const QString& caption, QWidget* window) {
    auto* label = new QLabel(caption, window);
    label->setFont(titleFont());
    label->setAlignment(Qt::AlignCenter);
    return label;
}

void setTabChain(const QList<QWidget*>& chain) {
    for (qsizetype i = 0; i + 1 < chain.size(); ++i)
        QWidget::setTabOrder(chain[i], chain[i + 1]);
}

}  // namespace ScreenParts
