#include "state/text_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>

namespace {

// "windows-31j" is code page 932 as Windows has it (NEC and IBM extensions, the Windows forms of
// "～" and "－"), which is what the files of the game's Windows home hold. Plain "Shift_JIS" is the
// fallback for a Qt built without the fuller table.
const char* codePage932Name() {
    static const char* const name =
        QStringEncoder("windows-31j").isValid() ? "windows-31j" : "Shift_JIS";
    return name;
}

}  // namespace

std::optional<QByteArray> encodeCodePage932(const QString& text) {
    QStringEncoder encoder(codePage932Name(), QStringConverter::Flag::Stateless);
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError()) {
        return std::nullopt;
    }
    return bytes;
}

std::optional<QString> decodeCodePage932(const QByteArray& bytes) {
    // Stateless, so that a lead byte cut off at the end of the file counts as an error instead of
    // being held back silently for more input that never comes.
    QStringDecoder decoder(codePage932Name(), QStringConverter::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        return std::nullopt;
    }
    return text;
}

ReadResult readTextFile(const QString& path) {
    return readTextFile(path, kMaxTextFileBytes);
}

ReadResult readTextFile(const QString& path, qint64 maxBytes) {
    const QFileInfo info(path);
    if (!info.exists()) {
        return {ReadStatus::Missing, {}};
    }
    // Only a regular file (or a link to one) is read: a folder, a pipe or a device could block
    // or never end.
    if (!info.isFile() || info.size() > maxBytes) {
        return {ReadStatus::Unreadable, {}};
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {ReadStatus::Unreadable, {}};
    }
    // Read as large as the file is (a read asks for its whole size in memory at once: the limit
    // would cost a sound 16 MiB each time). The file may have grown since it was looked at:
    // never more than one byte past the limit, so that a growing file costs no more memory than
    // a big one.
    QByteArray bytes = file.read(std::min(info.size(), maxBytes) + 1);
    if (bytes.size() <= maxBytes && !file.atEnd())
        bytes += file.read(maxBytes + 1 - bytes.size());
    if (bytes.size() > maxBytes || file.error() != QFileDevice::NoError) {
        return {ReadStatus::Unreadable, {}};
    }
    return {ReadStatus::Ok, bytes};
}

namespace {

bool isLineEnd(QChar c) {
    return c == u'\r' || c == u'\n';
}

}  // namespace

std::optional<ValueReader::Value> ValueReader::next() {
    const qsizetype size = m_text.size();
    while (m_pos < size && m_text[m_pos] == u' ') {
        ++m_pos;
    }
    if (m_pos >= size) {
        return std::nullopt;
    }
    Value value;
    if (m_text[m_pos] == u'"') {
        const qsizetype close = m_text.indexOf(u'"', m_pos + 1);
        if (close < 0) {
            return std::nullopt;
        }
        value.text = m_text.mid(m_pos + 1, close - m_pos - 1).toString();
        value.quoted = true;
        m_pos = close + 1;
        while (m_pos < size && m_text[m_pos] == u' ') {
            ++m_pos;
        }
        if (m_pos < size && m_text[m_pos] != u',' && !isLineEnd(m_text[m_pos])) {
            return std::nullopt;
        }
    } else {
        const qsizetype start = m_pos;
        while (m_pos < size && m_text[m_pos] != u',' && !isLineEnd(m_text[m_pos])) {
            ++m_pos;
        }
        qsizetype end = m_pos;
        while (end > start && m_text[end - 1] == u' ') {
            --end;
        }
        value.text = m_text.mid(start, end - start).toString();
    }
    if (m_pos >= size) {
        value.ending = Ending::EndOfText;
    } else if (m_text[m_pos] == u',') {
        value.ending = Ending::Comma;
        ++m_pos;
    } else {
        value.ending = Ending::LineEnd;
        if (m_text[m_pos] == u'\r' && m_pos + 1 < size && m_text[m_pos + 1] == u'\n') {
            ++m_pos;
        }
        ++m_pos;
    }
    return value;
}

bool ValueReader::onlyBlankLeft() const {
    for (qsizetype i = m_pos; i < m_text.size(); ++i) {
        if (m_text[i] != u' ' && !isLineEnd(m_text[i])) {
            return false;
        }
    }
    return true;
}

std::optional<qint16> parseInteger16(QStringView text) {
    bool negative = false;
    if (!text.isEmpty() && (text.front() == u'-' || text.front() == u'+')) {
        negative = text.front() == u'-';
        text = text.mid(1);
    }
    if (text.isEmpty()) {
        return std::nullopt;
    }
    qint32 magnitude = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
        magnitude = magnitude * 10 + (c.unicode() - u'0');
        if (magnitude > 32768) {  // stops before any overflow, however long the digits run
            return std::nullopt;
        }
    }
    const qint32 number = negative ? -magnitude : magnitude;
    if (number > 32767) {
        return std::nullopt;
    }
    return qint16(number);
}

std::optional<bool> parseFlag(QStringView text) {
    if (text.compare(u"#TRUE#", Qt::CaseInsensitive) == 0) {
        return true;
    }
    if (text.compare(u"#FALSE#", Qt::CaseInsensitive) == 0) {
        return false;
    }
    if (const auto number = parseInteger16(text)) {
        return *number != 0;
    }
    return std::nullopt;
}

QString cannotWriteWarning(const QString& path, const QString& error, const QString& keptInMemory) {
    return QStringLiteral(
               "kazoemashou: cannot write \"%1\" (%2); playing with %3, kept in memory "
               "only")
        .arg(QDir::toNativeSeparators(path), error, keptInMemory);
}
