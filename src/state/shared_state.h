#pragma once

#include <QString>
#include <QStringList>

#include "state/game_settings.h"

// The values the game screen and the adult screens share for the whole run: the data folder,
// the settings, every character picture found and those chosen for play.
struct SharedState {
    // Put in front of every data file name: empty (the current folder) or a folder path that
    // ends in the platform's separator.
    QString dataFolder;
    GameSettings settings;
    // Picture file names (no folder), in the fixed order of scanCharacterFiles.
    QStringList characterFiles;
    // The pictures chosen for play, in characterFiles order, without gaps.
    QStringList selectedFiles;

    int characterFileCount() const { return int(characterFiles.size()); }
    int selectedCount() const { return int(selectedFiles.size()); }

    // The pictures a round draws from. A hand-edited "Fname.txt" can leave the selection
    // empty; the game then plays as if every picture were selected (nothing is written).
    const QStringList& playablePictures() const {
        return selectedFiles.isEmpty() ? characterFiles : selectedFiles;
    }
    QString pathOf(const QString& pictureName) const { return dataFolder + pictureName; }
};
