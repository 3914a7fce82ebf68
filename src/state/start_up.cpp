#include "state/start_up.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include "state/character_files.h"
#include "state/selection_file.h"
#include "state/settings_file.h"

namespace {
// The pictures of the folder that the game left out: files with a picture's suffix that are not
// among the characters.
QStringList leftOutPictures(const SharedState& state, const QStringList& pictureSuffixes) {
    const QDir folder(state.dataFolder.isEmpty() ? QStringLiteral(".") : state.dataFolder);
    QStringList leftOut;
    for (const QFileInfo& entry : folder.entryInfoList(QDir::Files, QDir::Name)) {
        const QString name = entry.fileName();
        if (entry.isFile() && hasPictureSuffix(name, pictureSuffixes) &&
            !state.characterFiles.contains(name)) {
            leftOut.append(name);
        }
    }
    return leftOut;
}

// Whether a new file can be made in `folder`: tried, since permissions say nothing of a
// read-only disk, nor of root.
bool canWriteIn(const QString& folder) {
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".kazoemashou-XXXXXX")));
    return probe.open();
}
}  // namespace

std::optional<SharedState> loadGameData(const QStringList& argumentsAfterProgramName,
                                        const QStringList& pictureSuffixes, const WarningSink& warn,
                                        QStringList* forTheAdult) {
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

    const QString folder = state.dataFolder.isEmpty() ? QDir::currentPath() : state.dataFolder;
    if (forTheAdult) {
        if (!settingsError.isEmpty() && !selectionError.isEmpty() && canWriteIn(folder)) {
            // The folder takes new files: the two names are what cannot be written (folders of
            // those names, for instance).
            forTheAdult->append(
                QStringLiteral("「%1」と「%2」に書きこめません：\n%3\n\n設定と画像の選択は、"
                               "今回だけ有効です（次に起動すると、もとにもどります）。")
                    .arg(kSettingsFileName, kSelectionFileName, QDir::toNativeSeparators(folder)));
        } else if (!settingsError.isEmpty() && !selectionError.isEmpty()) {
            forTheAdult->append(
                QStringLiteral("このフォルダーには書きこめません：\n%1\n\n設定と画像の選択は、"
                               "今回だけ有効です（次に起動すると、もとにもどります）。")
                    .arg(QDir::toNativeSeparators(folder)));
        } else if (!settingsError.isEmpty() || !selectionError.isEmpty()) {
            // One file of a folder that can be written: a folder of that name, for instance.
            const bool settings = !settingsError.isEmpty();
            forTheAdult->append(
                QStringLiteral("「%1」に書きこめません：\n%2\n\n%3は、今回だけ有効です"
                               "（次に起動すると、もとにもどります）。")
                    .arg(settings ? kSettingsFileName : kSelectionFileName,
                         QDir::toNativeSeparators(folder),
                         settings ? QStringLiteral("設定") : QStringLiteral("画像の選択")));
        }
        if (const QStringList leftOut = leftOutPictures(state, pictureSuffixes);
            !leftOut.isEmpty()) {
            // A box of a few lines, however many there are.
            constexpr int kNamesShown = 10;
            QString names = leftOut.mid(0, kNamesShown).join(u'\n');
            if (leftOut.size() > kNamesShown)
                names += QStringLiteral("\nほか %1 まい").arg(leftOut.size() - kNamesShown);
            forTheAdult->append(
                QStringLiteral("次の画像は、名前に使えない文字（\"、改行、シフトJISにない文字）が"
                               "あるので使いません。名前を変えてください：\n%1")
                    .arg(names));
        }
    }

    // A data folder that cannot be written (a read-only share, a CD) does not stop the game. It
    // makes both files fail alike, and the adult hears of it once.
    if (!warn) {
        return state;
    }
    if (!settingsError.isEmpty() && !selectionError.isEmpty()) {
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
