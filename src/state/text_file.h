#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <functional>
#include <optional>

#include "state/file_writing.h"

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
// The same with another limit, for a file whose valid size grows with the folder ("Fname.txt").
ReadResult readTextFile(const QString& path, qint64 maxBytes);

// Reads the values of a decoded text file one by one, the way the game's files are read back:
// spaces before a value are skipped; a value in double quotes runs to the closing quote (commas
// and spaces inside belong to it); any other value ends at a comma or a line end (CR LF, LF or
// CR alone), without the spaces before that end.
class ValueReader {
public:
    enum class Ending { Comma, LineEnd, EndOfText };
    struct Value {
        QString text;
        bool quoted = false;
        Ending ending = Ending::EndOfText;
    };

    explicit ValueReader(QStringView text) : m_text(text) {}

    // nullopt at the end of the text, or for a quoted value without its closing quote or with
    // something other than spaces between the closing quote and the value's end.
    std::optional<Value> next();
    // True when nothing but spaces and line ends is left.
    bool onlyBlankLeft() const;

private:
    QStringView m_text;
    qsizetype m_pos = 0;
};

// A whole number in decimal with an optional sign that fits in 16 bits.
std::optional<qint16> parseInteger16(QStringView text);
// A flag: "#TRUE#" or "#FALSE#" in any letter case, or a 16-bit number (0 false, else true).
std::optional<bool> parseFlag(QStringView text);

// The warning line for a file that could not be written, e.g. "kazoemashou: cannot write
// "/data/Pimo.txt" (Permission denied); playing with the default settings, kept in memory only".
QString cannotWriteWarning(const QString& path, const QString& error, const QString& keptInMemory);
