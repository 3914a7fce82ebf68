#include "screen_player.h"

#include <QDeadlineTimer>
#include <QDebug>
#include <QThread>

#include <cmath>

#include "screen_reading.h"
#include "virtual_screen.h"

using namespace ScreenReading;

int ScreenPlayer::playRound(const char** failure) {
    const int characters = catchEveryCharacter();
    if (characters < 1) {
        *failure = "the characters could not all be caught";
    } else if (!countTheTray(characters)) {
        *failure = "a character could not be counted";
    } else if (!chooseCard(characters)) {
        *failure = "no cards, or the card was never taken";
    } else if (!waitFor([this] { return markShows(); }, 4000)) {
        *failure = "no ○ after the right card";
    } else {
        return characters;
    }
    return -1;
}

QImage ScreenPlayer::shot() {
    return m_last = m_screen.screenshot();
}

QRect ScreenPlayer::tray() {
    return boxOf(shot(), kTrayYellow, QRect(0, 0, m_width, m_height / 3));
}

bool ScreenPlayer::markShows() {
    const QRect middle(m_width / 4, m_height / 4, m_width / 2, m_height / 2);
    return countOf(shot(), kMarkRed, middle) > 2000;
}

bool ScreenPlayer::waitFor(const std::function<bool()>& condition, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (condition())
            return true;
        QThread::msleep(100);
    }
    return false;
}

// Moves the pointer over a place, with a little wiggle so that it is a movement there.
void ScreenPlayer::touch(const QPoint& p) {
    m_screen.xdotool({QStringLiteral("mousemove"), QString::number(p.x()), QString::number(p.y())});
    m_screen.xdotool(
        {QStringLiteral("mousemove"), QString::number(p.x() + 3), QString::number(p.y() + 2)});
}

// Touches whatever stands on the white ground below the tray until the tray holds every
// character and the counting message shows. Returns how many places the tray has.
int ScreenPlayer::catchEveryCharacter() {
    QRect box;
    if (!waitFor([&] { return !(box = tray()).isEmpty(); }, 5000))
        return -1;
    // The tray holds its characters side by side in square places.
    const int places = int(std::lround(double(box.width()) / box.height()));
    const QDeadlineTimer deadline(60000);
    while (!deadline.hasExpired()) {
        const QRect field(0, box.bottom() + 8, m_width, m_height - box.bottom() - 8);
        const QRect seen = boxOfNonWhite(shot(), field);
        // The message "かぞえてみよう" spans most of the width: every character is in the tray.
        if (seen.width() > m_width / 2)
            return places;
        if (!seen.isEmpty())
            touch(seen.center());
        QThread::msleep(150);
    }
    return -1;
}

// Touches the tray's places from the left, one after another, each until its numeral shows (a
// touch made while a sound plays does not count, so the player tries again, as a child would).
bool ScreenPlayer::countTheTray(int places) {
    const QRect box = tray();
    const double cell = double(box.width()) / places;
    for (int i = 0; i < places; ++i) {
        const QRect place(int(box.left() + cell * i), box.top(), int(cell), box.height());
        const int whiteBefore = countOf(shot(), Qt::white, place);
        // The numeral's stroke is white: the place gains many white pixels when it is laid.
        const bool counted = waitFor(
            [&] {
                touch(QPoint(place.center().x() - 10 + int(m_wiggle++ % 20), place.center().y()));
                QThread::msleep(200);
                return countOf(shot(), Qt::white, place) > whiteBefore + 500;
            },
            8000);
        if (!counted)
            return false;
    }
    return true;
}

// Waits for the row of cards, then clicks the card with this number until it is taken.
bool ScreenPlayer::chooseCard(int number) {
    // Below the message line: its grey text edges are not cards.
    const QRect bottom(0, m_height * 2 / 3, m_width, m_height / 3);
    QRect row;
    if (!waitFor([&] { return !(row = boxOf(shot(), kCardFace, bottom)).isEmpty(); }, 5000))
        return false;
    const int cards = int(std::lround(double(row.width()) / row.height()));
    if (cards != 5 && cards != 10) {
        qWarning() << "card row" << row << "reads as" << cards << "cards";
        return false;
    }
    const double cell = double(row.width()) / cards;
    const QPoint card(int(row.left() + cell * (number - 0.5)), row.center().y());
    // A click while the question is still spoken is dropped: click until the card moves up.
    const QRect middle(0, m_height / 4, m_width, m_height / 2 - m_height / 10);  // above the row
    return waitFor(
        [&] {
            m_screen.xdotool({QStringLiteral("mousemove"), QString::number(card.x()),
                              QString::number(card.y()), QStringLiteral("click"),
                              QStringLiteral("1")});
            QThread::msleep(300);
            // The chosen card grows in the middle: a large grey face (the message's grey text
            // edges are a few pixels only).
            return countOf(shot(), kCardFace, middle) > 5000;
        },
        8000);
}
