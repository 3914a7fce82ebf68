#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

#include "state/game_settings.h"
#include "state/text_file.h"

// "Pimo.txt" in the data folder: one line with the eight settings in GameSettings order,
// separated by commas, flags as #TRUE# or #FALSE#, ended by CR LF.
inline const QString kSettingsFileName = QStringLiteral("Pimo.txt");

// The file's bytes for these settings, e.g. "1,#FALSE#,#FALSE#,#FALSE#,#FALSE#,15,2,5\r\n".
QByteArray settingsFileContents(const GameSettings& settings);

// The eight values of a settings file, taken as they stand (no range check). nullopt when the
// file is malformed: fewer than eight values, a value that is not a whole number or a flag, or a
// number that does not fit in 16 bits. Flags are read in any letter case, and as numbers
// (0 false, anything else true). Spaces before a value are skipped.
std::optional<GameSettings> parseSettingsFile(const QByteArray& bytes);

// A hand-edited file can hold values the game cannot play with. Brings each into range:
// a countWay that is none of the five ways becomes CountWay::FromLeft, blinkTime goes into 1 to 40,
// minCount and maxCount into 1 to 10, then a minCount above maxCount becomes maxCount.
GameSettings clampedToRanges(GameSettings settings);

// Writes "Pimo.txt" in `dataFolder` atomically. false (and `error`) when it cannot be written.
bool saveSettings(const QString& dataFolder, const GameSettings& settings,
                  QString* error = nullptr);

// The start-up reader. Reads "Pimo.txt"; when it is missing or malformed, writes the defaults and
// plays with them. Values out of range are brought into range in memory; the file stays as it is.
// A folder that cannot be written does not stop the game: one warning, defaults in memory.
GameSettings readSettingsAtStartUp(const QString& dataFolder, const WarningSink& warn);

// The start-up reader without its warning: a failed write of the defaults is handed back in
// `writeError` (empty when none), so that start-up can report an unwritable data folder once for
// both of the game's files.
GameSettings loadSettingsOrDefaults(const QString& dataFolder, QString* writeError);
