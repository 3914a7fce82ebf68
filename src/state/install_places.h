#pragma once

#include <QString>

#include "state/text_file.h"

// Where the installed game keeps what it ships with, and the adult's own picture folder.

// The folder of the game's shared files ("<prefix>/share/kazoemashou/", ending in '/'), found
// from where the program itself lies: an installed tree works wherever it is put.
QString installedDataFolder();

// The adult's own picture folder: "kazoemashou/characters/" in the user's data folder
// ($XDG_DATA_HOME, by default ~/.local/share), ending in '/'.
QString userPictureFolder();

// The first start on `folder`: a folder that is not there yet, or holds no file but the game's
// own two, is made and given the sample characters of `samplesFolder` (true then). A folder with
// anything else in it is the adult's and is left exactly as it is. What goes wrong is told to
// `warn`; the caller then meets the folder as it is, like any other.
bool fillWithSamplesOnFirstStart(const QString& folder, const QString& samplesFolder,
                                 const WarningSink& warn);
