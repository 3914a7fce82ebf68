#pragma once

#include <QString>
#include <QStringList>

#include "state/game_settings.h"

// The values the game screen and the two adult screens share for the whole run: the data
// folder, the settings, every character picture found and those chosen for play.
struct SharedState {
    // Put in front of every data file name: empty (the current folder) or a folder path that
    // ends in the platform's separator.
    QString DataFolder;
    GameSettings Settings;
    // Picture file names (no folder), in the fixed order of ScanCharacterFiles.
    QStringList CharacterFiles;
    // The pictures chosen for play, in CharacterFiles order, without gaps.
    QStringList SelectedFiles;

    int CharacterFileCount() const { return int(CharacterFiles.size()); }
    int SelectedCount() const { return int(SelectedFiles.size()); }

    // The pictures a round draws from. A hand-edited "Fname.txt" can leave the selection
    // empty; the game then plays as if every picture were selected (nothing is written).
    const QStringList& PlayablePictures() const {
        return SelectedFiles.isEmpty() ? CharacterFiles : SelectedFiles;
    }
    QString PathOf(const QString& pictureName) const { return DataFolder + pictureName; }
};
