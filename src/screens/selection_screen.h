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
    void load() override;

    // How many picture files the list has read for its thumbnails so far.
    int thumbnailsRead() const;

private:
    void buildControls();
    // "決定": the marked pictures become the selection, kept in "Fname.txt"; back to the game.
    // Nothing happens while no picture is marked.
    void decide();
    void cancel() override;

    SharedState& m_state;
    QListWidget* m_pictureList = nullptr;
    ThumbnailDelegate* m_thumbnails = nullptr;
};
