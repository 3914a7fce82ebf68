#pragma once

#include <QString>
#include <QStringList>

#include <optional>

#include "state/shared_state.h"
#include "state/text_file.h"

// What the message box says when the data folder holds no picture.
inline const QString kNoPicturesMessage = QStringLiteral("画像データが足りません！");
inline const QString kGameTitle = QStringLiteral("かぞえましょう");

// The game's data as start-up reads it: the data folder from the command line, the settings, the
// character pictures (the files ending in one of `pictureSuffixes`, see scanCharacterFiles) and
// the selection. nullopt when the folder holds no picture: the caller shows kNoPicturesMessage
// and ends the program; nothing has been written then.
// What the game survives goes to `warn`, one line each for stderr; and, when `forTheAdult` is
// given, in Japanese to it as well, for an adult who started the game from a menu: a folder that
// cannot be written (the settings and the selection are kept for this run only), and the
// pictures left out for their names.
std::optional<SharedState> loadGameData(const QStringList& argumentsAfterProgramName,
                                        const QStringList& pictureSuffixes, const WarningSink& warn,
                                        QStringList* forTheAdult = nullptr);
