#include "state/start_up.h"

#include <QDir>

#include "state/character_files.h"
#include "state/selection_file.h"
#include "state/settings_file.h"

std::optional<SharedState> LoadGameData(const QStringList& argumentsAfterProgramName,
                                        const WarningSink& warn) {
    SharedState state;
    state.DataFolder = DataFolderFromArguments(argumentsAfterProgramName);

    // The pictures are looked for before the settings are read (the older order read the
    // settings first): a folder without any picture, a mistyped path for instance, is then left
    // exactly as it was, instead of gaining a "Pimo.txt" on the way to the message.
    state.CharacterFiles = ScanCharacterFiles(state.DataFolder, warn);
    if (state.CharacterFiles.isEmpty()) {
        return std::nullopt;
    }

    QString settingsError;
    state.Settings = loadSettingsOrDefaults(state.DataFolder, &settingsError);
    QString selectionError;
    loadSelectionOrSelectAll(state, &selectionError);

    // A data folder that cannot be written (a read-only share, a CD) does not stop the game. It
    // makes both files fail alike, and the adult hears of it once.
    if (!warn) {
        return state;
    }
    if (!settingsError.isEmpty() && !selectionError.isEmpty()) {
        const QString folder = state.DataFolder.isEmpty() ? QDir::currentPath() : state.DataFolder;
        warn(QStringLiteral("kazoemashou: cannot write \"%1\" or \"%2\" in \"%3\" (%4); playing "
                            "with the default settings and every picture selected, kept in "
                            "memory only")
                 .arg(kSettingsFileName, kSelectionFileName, QDir::toNativeSeparators(folder),
                      settingsError));
    } else if (!settingsError.isEmpty()) {
        warn(cannotWriteWarning(state.DataFolder + kSettingsFileName, settingsError,
                                QStringLiteral("the default settings")));
    } else if (!selectionError.isEmpty()) {
        warn(cannotWriteWarning(state.DataFolder + kSelectionFileName, selectionError,
                                QStringLiteral("every picture selected")));
    }
    return state;
}
