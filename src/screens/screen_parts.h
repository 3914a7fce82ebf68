#pragma once

#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRect>
#include <QString>
#include <QWidget>

#include <functional>

#include "screens/screen_layouts.h"
#include "ui/twips.h"

class QCloseEvent;
class QKeyEvent;
class QPaintEvent;

// Pieces the adult screens share: their fonts, the drawn outline, the title and credit lines,
// buttons that only the focused one answers Enter, and placing controls designed in twips.

namespace ScreenParts {

// The window font: the Japanese proportional Gothic face, regular, 9 points.
QFont windowFont();
// The title labels: the same face, bold, 14.25 points.
QFont titleFont();

// A number as the value boxes show it: full-width digits, "４０" for 40.
QString fullWidthNumber(int value);

// Twips to logical pixels for the screen the windows open on (15 twips a pixel at 96 DPI).
const Twips& twips();
QRect toPixels(const DesignBox& box);

// How a control grows when its caption does not fit the design size with the installed font:
// text that starts at the left edge keeps its left edge; centred text keeps its centre.
enum class Anchor { Left, Centre };

// Makes `control` big enough for its caption. It grows first, within [roomLeft, roomRight] of its
// parent (logical pixels); when even that room is too narrow, its point size goes down in quarter
// points until the caption fits. The design sizes were drawn for "ＭＳ Ｐゴシック", whose kana and
// brackets are narrower than those of the Gothic faces that stand in for it elsewhere.
void fitCaption(QWidget* control, int roomLeft, int roomRight, Anchor anchor);

// Centres a window on the primary screen.
void centreOnScreen(QWidget* window);

// What the adult screens share as windows: no border or title bar, their design size, the
// window font, centred when first opened, never closed from the desktop, and the way back to the
// game, which comes to the front and starts a fresh round.
class AdultScreen : public QWidget {
public:
    // Loads the screen from the game's values, shows it (centred the first time) and brings it
    // to the front.
    void open();
    // Loads the controls from the game's values; runs each time the screen is opened.
    virtual void load() = 0;

protected:
    AdultScreen(const QString& name, const QString& title, int widthTwips, int heightTwips,
                std::function<void()> returnToGame, QWidget* parent);
    void returnToGame();
    // "キャンセル": back to the game, nothing kept.
    virtual void cancel() = 0;
    void closeEvent(QCloseEvent* event) override;

private:
    std::function<void()> m_returnToGame;
    bool m_placed = false;
};

// The line drawn round the inside of the window (the window has no border of its own): a
// one-pixel rectangle in the text colour, no fill. It lies beneath every other control and never
// takes the mouse.
class WindowOutline : public QWidget {
public:
    explicit WindowOutline(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A captioned box round a group of controls, drawn as the desktop's classic group boxes are: an
// etched line whose top runs through the middle of the caption. (The toolkit's own style puts the
// line below the caption, where it would cut through the first option button of each group.)
class GroupBox : public QGroupBox {
public:
    GroupBox(const QString& caption, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A button for a window that has no default and no cancel button: Enter and Return press it
// only while it has the focus (the toolkit would otherwise press nothing outside a dialog), and
// it never becomes a default button.
class ScreenButton : public QPushButton {
public:
    ScreenButton(const QString& caption, QWidget* parent);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// A ScreenButton named `name` with `caption`, placed in its window by design.
ScreenButton* makeButton(QWidget* window, const char* name, const QString& caption,
                         const DesignBox& place);

// The one line where an adult screen tells what it did or what went wrong: plain text (it names
// children and files), wrapped, from the top left; news in the text colour, a problem in red. The
// voice, children and record screens tell everything here and keep boxes for the questions they
// ask; the settings and pictures screens keep the game's own boxes, as they always had them.
class MessageLine : public QLabel {
public:
    MessageLine(QWidget* window, const QRect& place);
    void say(const QString& news);
    void sayProblem(const QString& problem);
    bool showsProblem() const { return m_problem; }

private:
    void show(const QString& text, bool problem);
    bool m_problem = false;
};

// A label named `name` with `caption` as plain text, placed in its window by design.
QLabel* makeLabel(QWidget* window, const char* name, const QString& caption,
                  const DesignBox& place);

// The maker's credit line: black on the button-shadow grey.
QLabel* makeCreditLine(QWidget* window);

// A title: bold 14.25 points, transparent.
QLabel* makeTitle(const QString& caption, QWidget* window);

// Every focusable control of `window` in this order, the rest left out of the Tab chain.
void setTabChain(const QList<QWidget*>& chain);

}  // namespace ScreenParts
