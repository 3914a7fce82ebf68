#pragma once

#include <QByteArray>
#include <QString>

// Every file the game writes (its settings and selection, the family's recordings, the adult's
// pictures, the record's exports) is written here, whole or not at all: a crash, a full disk, a
// size limit or a killed process never leaves a half-written or empty file in place of a good one.
// And the one file the game removes, a picture, goes to the desktop's trash only where it can.

// Writes `bytes` to a new file beside `path`, checks that the disk really holds all of them
// (synced, and as long as what was written), and only then renames it to `path`. A symbolic link
// at `path` is replaced by the file, never written through. On failure the old file is left as
// it was, `error` (when given) says why in words for the user, and false is returned.
bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr);

// Whether the name of `path` is longer than its folder's file system takes, so that the adult
// can be told it is the name, not the folder.
bool fileNameTooLong(const QString& path);

// `text` (a child's name, say) made fit to be part of a file name in any folder: characters that
// separate folders or that Windows refuses become '_', leading dots and spaces go (no hidden
// file), and a long text is cut. Never empty.
QString fileNamePart(const QString& text);

// Whether the file at `path` can be moved to the desktop's trash: its folder can be written, and
// so can the trash it would go to (on Linux and other freedesktop.org desktops: the user's own
// trash, or the one at the top of the disk the file is on, made where missing as the desktop
// makes it). Qt 6.4's QFile::moveToTrash tries for ever where the trash cannot be written, so
// the game asks this first.
bool canMoveToTrash(const QString& path);
