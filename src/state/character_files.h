#pragma once

#include <QString>
#include <QStringList>

#include "state/text_file.h"

// The data folder as the command line gives it. The shell has already split the words, so the
// folder is all arguments joined by single spaces (a folder name with spaces needs no quotes).
// No argument: empty, the current folder. Otherwise the folder ends in the platform's separator,
// whether or not it was given with one.
QString dataFolderFromArguments(const QStringList& argumentsAfterProgramName);

// True when `name` can be written to "Fname.txt" and read back unchanged: no double quote, no
// line break, and every character has a code page 932 form.
bool canStoreInSelectionFile(const QString& name);

// `name` changed as little as it takes for "Fname.txt" to carry it: each character that cannot be
// stored there (see canStoreInSelectionFile) becomes "_". Empty names stay empty.
QString storableInSelectionFile(const QString& name);

// True when `name` ends in "." and one of `pictureSuffixes` (lower case, no dot), in any letter
// case: "NEKO.GIF" and "neko.Jpeg" are pictures when "gif" and "jpeg" are among them.
bool hasPictureSuffix(const QString& name, const QStringList& pictureSuffixes);

// Sorts picture names into the one order for listing, reading and writing "Fname.txt".
void sortCharacterFiles(QStringList& names);

// The character pictures of the data folder: every file whose name ends in one of
// `pictureSuffixes` (the formats the program can read; see hasPictureSuffix), in the order of
// sortCharacterFiles. Names that cannot be stored in "Fname.txt" are left out of the game, with
// one warning each. Empty when there is none.
QStringList scanCharacterFiles(const QString& dataFolder, const QStringList& pictureSuffixes,
                               const WarningSink& warn);
