#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>

#include <functional>

class VirtualScreen;

// A player who reads only the game's screen and plays it with real pointer events: catches each
// character it sees hopping on the white ground, counts the characters standing in the yellow
// tray, clicks the card with that number and sees "○".
class ScreenPlayer {
public:
    ScreenPlayer(const VirtualScreen& screen, int width, int height)
        : m_screen(screen), m_width(width), m_height(height) {}

    // Plays one round to its "○". Returns the number of characters, or -1 (with `failure` set).
    int playRound(const char** failure);

    // The yellow tray in the top third; empty when there is none.
    QRect tray();
    // "○" shows in the middle of the screen.
    bool markShows();
    // What the player saw last.
    const QImage& lastScreen() const { return m_last; }

    static bool waitFor(const std::function<bool()>& condition, int timeoutMs);

private:
    QImage shot();
    void touch(const QPoint& p);
    int catchEveryCharacter();
    bool countTheTray(int places);
    bool chooseCard(int number);

    const VirtualScreen& m_screen;
    int m_width;
    int m_height;
    QImage m_last;
    unsigned m_wiggle = 0;
};
