#pragma once

#include <QByteArray>
#include <QString>

// Every file the game writes (its settings and selection, the family's recordings, the adult's
// pictures, the record's exports) is written here, whole or not at all: a crash, a full disk, a
// size limit or a killed process never leaves a half-written or empty file in place of a good one.

// Writes `bytes` to a new file beside `path`, checks that the disk really holds all of them
// (synced, and as long as what was written), and only then renames it to `path`. A symbolic link
// at `path` is replaced by the file, never written through. On failure the old file is left as
// it was, `error` (when given) says why in words for the user, and false is returned.
bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr);
