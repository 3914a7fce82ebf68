#pragma once

#include <QWidget>

#include <functional>

#include "state/shared_state.h"

class QCloseEvent;
class QListWidget;
class ThumbnailDelegate;

// The character selection screen (N on the game screen): every picture of the data folder in a
// list where any number can be marked. "決定" makes the marked pictures the selection, keeps it in
// "Fname.txt" and goes back to the game; "キャンセル" goes back without changing anything.
class SelectionScreen : public QWidget {
public:
    SelectionScreen(SharedState& state, std::function<void()> returnToGame,
                    QWidget* parent = nullptr);

    // Shows the screen (centred the first time), brings it to the front and fills the list.
    void open();

    // Fills the list with the pictures and marks those of the current selection.
    void Form_Activate();

    // How many picture files the list has read for its thumbnails so far.
    int thumbnailsRead() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();

    SharedState& m_state;
    std::function<void()> m_returnToGame;
    bool m_placed = false;
    QListWidget* m_list = nullptr;  // List1
    ThumbnailDelegate* m_thumbnails = nullptr;
};
