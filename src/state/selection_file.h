#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

#include "state/shared_state.h"
#include "state/text_file.h"

// "Fname.txt" in the data folder, in code page 932: one CR LF-ended line per picture, in
// characterFiles order: the name in double quotes, a comma, then #TRUE# (selected) or #FALSE#.
// It only fits the folder it was written for: line n must name characterFiles[n].
inline const QString kSelectionFileName = QStringLiteral("Fname.txt");

QByteArray selectionFileContents(const QStringList& characterFiles, const QStringList& selected);

// The selected names of a selection file, in characterFiles order. nullopt when the file does not
// fit the folder (a name that differs from its place in `characterFiles`, a line too many) or is
// malformed. A file that ends early simply leaves the later pictures unselected.
std::optional<QStringList> parseSelectionFile(const QByteArray& bytes,
                                              const QStringList& characterFiles);

// Writes "Fname.txt" from state.characterFiles and state.selectedFiles, atomically.
bool saveSelection(const SharedState& state, QString* error = nullptr);

// The start-up reader: fills state.selectedFiles from "Fname.txt". A missing, malformed or
// outdated file is replaced by one with every picture selected (the earlier choice is lost).
// A folder that cannot be written: one warning, every picture selected in memory.
void loadSelection(SharedState& state, const WarningSink& warn);

// The start-up reader without its warning: a failed write is handed back in `writeError` (empty
// when none), so that start-up can report an unwritable data folder once for both files.
void loadSelectionOrSelectAll(SharedState& state, QString* writeError);
