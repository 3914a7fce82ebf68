#pragma once

#include <QString>
#include <QStringList>

#include "ui/character_pictures.h"

// The adult's own pictures (photos, drawings, scans) copied into the data folder from the
// selection screen. Each file is read as a picture first; a picture larger than the game ever
// draws is scaled down on the way (JPEG stays JPEG, every other format becomes PNG), a smaller
// one in a format the game lists is copied unchanged. The copy gets a name that the game lists,
// that "Fname.txt" can carry and that no file of the folder has yet ("ねこ (2).png"); a chosen
// file that is not a plain file (a named pipe) is not read at all. Every file is written whole or
// not at all.

// What reading a chosen file may cost: a photo far larger than a picture of the game.
inline constexpr PictureCaps kImportCaps{256 * 1024 * 1024, 32768, 256};

struct PictureImport {
    QStringList added;        // the new pictures' names in the data folder, as chosen
    QStringList notPictures;  // chosen files (their own names) that cannot be read as pictures
    QStringList nameTooLong;  // chosen pictures whose copy's name is too long for the folder
    QStringList notWritten;   // chosen pictures (their own names) the folder did not take
};

PictureImport importPictures(const QStringList& chosenPaths, const QString& dataFolder,
                             const QStringList& pictureSuffixes);

// The name a picture called `wanted` gets in a folder that holds `taken` already (compared
// ignoring letter case, as Windows and macOS do): `wanted` itself, or with " (2)", " (3)"...
// before its ending.
QString freeName(const QString& wanted, const QStringList& taken);
