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

// The character pictures of the data folder: every file whose name ends in ".gif" in any letter
// case, in one fixed order used for reading and writing alike. Names that cannot be stored in
// "Fname.txt" are left out of the game, with one warning each. Empty when there is none.
QStringList scanCharacterFiles(const QString& dataFolder, const WarningSink& warn);
