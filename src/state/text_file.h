#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

// Reading and writing the game's small text files: Shift-JIS (code page 932, with its Windows
// extensions), records ended by CR LF, saved atomically so that a crash, a full disk or a killed
// process never leaves a half-written file.

// Reports a problem that the game survives, one line for stderr (or a test's list).
using WarningSink = std::function<void(const QString&)>;

// Text in code page 932. nullopt when a character has no code page 932 form.
std::optional<QByteArray> encodeCodePage932(const QString& text);
// nullopt when the bytes are not valid code page 932.
std::optional<QString> decodeCodePage932(const QByteArray& bytes);

// The largest file the game reads. Anything bigger is not one of its files.
constexpr qint64 kMaxTextFileBytes = 1024 * 1024;

enum class ReadStatus { Ok, Missing, Unreadable };
struct ReadResult {
    ReadStatus status = ReadStatus::Missing;
    QByteArray bytes;
};
// Reads a whole file. A folder, an unreadable file or one above kMaxTextFileBytes is Unreadable.
ReadResult readTextFile(const QString& path);

// Writes the whole file through a temporary file and a rename. On failure the old file is left
// as it was, `error` (when given) says why in words for the user, and false is returned.
bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr);
