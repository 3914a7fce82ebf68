#pragma once

#include <QSet>
#include <QStringList>

#include <functional>

#include "screens/screen_parts.h"
#include "state/shared_state.h"

class QListWidget;
class ThumbnailDelegate;

// The character selection screen (N on the game screen): every picture of the data folder in a
// list where any number can be marked. "決定" makes the marked pictures the selection, keeps it in
// "Fname.txt" and goes back to the game; "キャンセル" goes back without changing anything.
// "画像を追加…" (or files dropped on the list) copies the adult's own pictures into the data
// folder, where they come up marked; "削除…" (or Delete on the list) moves the picture with the
// focus to the desktop's trash after asking.
class SelectionScreen : public ScreenParts::AdultScreen {
public:
    SelectionScreen(SharedState& state, std::function<void()> returnToGame,
                    QWidget* parent = nullptr);

    // Fills the list with the pictures and marks those of the current selection.
    void load() override;

    // How many picture files the list has read for its thumbnails so far.
    int thumbnailsRead() const;

    // Asks the adult which files to add; empty when they chose none. The program opens a file
    // dialog; tests hand in their files instead.
    using PictureChooser = std::function<QStringList(QWidget* parent)>;
    void setPictureChooser(PictureChooser chooser) { m_choosePictures = std::move(chooser); }

    // Copies the pictures among `paths` into the data folder and lists them marked; tells the
    // adult of the files that are not pictures or could not be written.
    void addPictures(const QStringList& paths);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    // "決定": the marked pictures become the selection, kept in "Fname.txt"; back to the game.
    // Nothing happens while no picture is marked.
    void decide();
    void cancel() override;
    // The picture with the focus to the trash, once the adult has said yes.
    void removeCurrentPicture();
    // The folder changed: the pictures read anew, the selection kept (less what has gone) and
    // "Fname.txt" rewritten so that it still fits the folder; the list shows `marked`.
    void pictureFilesChanged(const QSet<QString>& marked);
    // Fills the list with the pictures and marks those named in `marked`.
    void fillList(const QSet<QString>& marked);
    QSet<QString> markedNames() const;

    SharedState& m_state;
    QStringList m_pictureSuffixes;
    PictureChooser m_choosePictures;
    QListWidget* m_pictureList = nullptr;
    ThumbnailDelegate* m_thumbnails = nullptr;
};
