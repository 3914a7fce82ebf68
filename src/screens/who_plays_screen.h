#pragma once

#include <QImage>
#include <QList>
#include <QWidget>

#include <functional>
#include <optional>

#include "record/children.h"
#include "state/shared_state.h"

// "だれがあそぶ？": a full-screen window for the child, with every child's mark large and their
// name, and a guest's choice last ("おきゃくさん"). One touch or click on a choice (a press of any
// button, or a finger landing) chooses; the arrow keys and Tab move a yellow highlight, Enter or
// Space chooses the highlighted one. Esc ends the game, as on the game screen. Nothing else does
// anything; a choice is made once, and the window goes.
class WhoPlaysScreen : public QWidget {
public:
    // `chosen` gets the child's id, or nullopt for the guest. `endGame` is Esc.
    WhoPlaysScreen(const SharedState& state, std::function<void(std::optional<qint64>)> chosen,
                   std::function<void()> endGame);

    // Shows the choices for these children over the whole screen.
    void open(const QList<ChildEntry>& children);

    static const QString kGuestName;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void closeEvent(QCloseEvent* event) override;

private:
    int choiceCount() const { return int(m_children.size()) + 1; }
    int choiceAt(const QPoint& position) const;
    void highlight(int choice);
    void choose(int choice);
    void readMarks();

    const SharedState& m_state;
    std::function<void(std::optional<qint64>)> m_chosen;
    std::function<void()> m_endGame;
    QList<ChildEntry> m_children;
    QList<QImage> m_marks;  // read for the cell size they were read at
    int m_markSide = 0;
    int m_highlighted = -1;
    bool m_open = false;  // shown and not yet chosen
};
