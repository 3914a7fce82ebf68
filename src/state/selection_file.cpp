#include "state/selection_file.h"

#include <QSet>

#include <algorithm>

QByteArray selectionFileContents(const QStringList& characterFiles, const QStringList& selected) {
    const QSet<QString> chosen(selected.begin(), selected.end());
    QString text;
    for (const QString& name : characterFiles) {
        text += u'"' + name + u'"' + u',' +
                (chosen.contains(name) ? QStringLiteral("#TRUE#") : QStringLiteral("#FALSE#")) +
                QStringLiteral("\r\n");
    }
    // scanCharacterFiles lets in only names that code page 932 keeps, so this cannot fail for the
    // game's own lists.
    return encodeCodePage932(text).value_or(QByteArray());
}

std::optional<QStringList> parseSelectionFile(const QByteArray& bytes,
                                              const QStringList& characterFiles) {
    const std::optional<QString> text = decodeCodePage932(bytes);
    if (!text) {
        return std::nullopt;
    }
    ValueReader reader(*text);
    QStringList selected;
    // Blank lines at the very end (an editor's last line break) are not a picture.
    for (qsizetype line = 0; !reader.onlyBlankLeft(); ++line) {
        const auto name = reader.next();
        if (!name || !name->quoted || name->ending != ValueReader::Ending::Comma) {
            return std::nullopt;
        }
        // A line too many, or a name that is not the picture in its place: the file was written
        // for other folder contents.
        if (line >= characterFiles.size() || name->text != characterFiles[line]) {
            return std::nullopt;
        }
        const auto flag = reader.next();
        if (!flag || flag->quoted || flag->ending == ValueReader::Ending::Comma) {
            return std::nullopt;
        }
        const std::optional<bool> isSelected = parseFlag(flag->text);
        if (!isSelected) {
            return std::nullopt;
        }
        if (*isSelected) {
            selected.append(name->text);
        }
    }
    return selected;
}

bool saveSelection(const SharedState& state, QString* error) {
    return writeFileAtomically(state.dataFolder + kSelectionFileName,
                               selectionFileContents(state.characterFiles, state.selectedFiles),
                               error);
}

void loadSelectionOrSelectAll(SharedState& state, QString* writeError) {
    if (writeError) {
        writeError->clear();
    }
    // The biggest file that fits this folder has every picture unselected. With thousands of
    // pictures it is above the usual limit, and then a valid file must not count as unreadable.
    const qint64 largestValid = selectionFileContents(state.characterFiles, {}).size();
    const ReadResult read = readTextFile(state.dataFolder + kSelectionFileName,
                                         std::max(kMaxTextFileBytes, largestValid));
    if (read.status == ReadStatus::Ok) {
        if (auto selected = parseSelectionFile(read.bytes, state.characterFiles)) {
            state.selectedFiles = *selected;
            return;
        }
    }
    // Missing, unreadable, malformed or written for other folder contents: every picture is
    // selected and the file rewritten to say so. The old file is replaced in one step rather
    // than deleted first, so a failed write leaves it as it was.
    state.selectedFiles = state.characterFiles;
    QString error;
    if (!saveSelection(state, &error) && writeError) {
        *writeError = error.isEmpty() ? QStringLiteral("unknown error") : error;
    }
}

void loadSelection(SharedState& state, const WarningSink& warn) {
    QString writeError;
    loadSelectionOrSelectAll(state, &writeError);
    if (!writeError.isEmpty() && warn) {
        warn(cannotWriteWarning(state.dataFolder + kSelectionFileName, writeError,
                                QStringLiteral("every picture selected")));
    }
}
