#pragma once

#include <functional>

#include "screens/screen_parts.h"
#include "state/shared_state.h"

class QListWidget;
class ThumbnailDelegate;

// The character selection screen (N on the game screen): every picture of the data folder in a
// list where any number can be marked. "決定" makes the marked pictures the selection, keeps it in
// "Fname.txt" and goes back to the game; "キャンセル" goes back without changing anything.
class SelectionScreen : public ScreenParts::AdultScreen {
public:
    SelectionScreen(SharedState& state, std::function<void()> returnToGame,
                    QWidget* parent = nullptr);

    // Fills the list with the pictures and marks those of the current selection.
    void Form_Activate() override;

    // How many picture files the list has read for its thumbnails so far.
    int thumbnailsRead() const;

private:
    void buildControls();
    void Command1_Click();
    void Command2_Click() override;
    void Command3_Click();
    void Command4_Click();

    SharedState& m_state;
    QListWidget* m_list = nullptr;  // List1
    ThumbnailDelegate* m_thumbnails = nullptr;
};
