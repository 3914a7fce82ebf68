#include "state/start_up.h"

#include <QDir>

#include "state/character_files.h"
#include "state/selection_file.h"
#include "state/settings_file.h"

std::optional<SharedState> loadGameData(const QStringList& argumentsAfterProgramName,
                                        const QStringList& pictureSuffixes,
                                        const WarningSink& warn) {
    SharedState state;
    state.dataFolder = dataFolderFromArguments(argumentsAfterProgramName);

    // The pictures are looked for before the settings are read (the older order read the
    // settings first): a folder without any picture, a mistyped path for instance, is then left
    // exactly as it was, instead of gaining a "Pimo.txt" on the way to the message.
    state.characterFiles = scanCharacterFiles(state.dataFolder, pictureSuffixes, warn);
    if (state.characterFiles.isEmpty()) {
        return std::nullopt;
    }

    QString settingsError;
    state.settings = loadSettingsOrDefaults(state.dataFolder, &settingsError);
    QString selectionError;
    loadSelectionOrSelectAll(state, &selectionError);

    // A data folder that cannot be written (a read-only share, a CD) does not stop the game. It
    // makes both files fail alike, and the adult hears of it once.
    if (!warn) {
        return state;
    }
    if (!settingsError.isEmpty() && !selectionError.isEmpty()) {
        const QString folder = state.dataFolder.isEmpty() ? QDir::currentPath() : state.dataFolder;
        warn(QStringLiteral("kazoemashou: cannot write \"%1\" or \"%2\" in \"%3\" (%4); playing "
                            "with the default settings and every picture selected, kept in "
                            "memory only")
                 .arg(kSettingsFileName, kSelectionFileName, QDir::toNativeSeparators(folder),
                      settingsError));
    } else if (!settingsError.isEmpty()) {
        warn(cannotWriteWarning(state.dataFolder + kSettingsFileName, settingsError,
                                QStringLiteral("the default settings")));
    } else if (!selectionError.isEmpty()) {
        warn(cannotWriteWarning(state.dataFolder + kSelectionFileName, selectionError,
                                QStringLiteral("every picture selected")));
    }
    return state;
}
