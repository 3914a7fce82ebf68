#pragma once

#include <QStringList>

#include <optional>

class QCoreApplication;

// How the program was asked to start.
struct CommandLine {
    // --user-folder: the adult's own picture folder, filled with the sample characters on the
    // first start (how the menu starts the game).
    bool userFolder = false;
    // --lock: the classroom lock (see ClassroomLock).
    bool locked = false;
    // The data folder's words as given (the shell split a name with spaces); none: the folder
    // the program runs in.
    QStringList folderWords;
};

// Reads the options. --help and --version print their text and end the program. nullopt after
// a mistake, which has been told on stderr.
std::optional<CommandLine> readCommandLine(const QCoreApplication& app);
