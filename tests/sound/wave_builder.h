#pragma once

// Builds wave files byte by byte for the sound tests.

#include <QByteArray>
#include <QtEndian>

#include <cmath>

namespace wave {

inline QByteArray u16(quint16 v) {
    QByteArray b(2, '\0');
    qToLittleEndian(v, b.data());
    return b;
}
inline QByteArray u32(quint32 v) {
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

// A chunk whose size field says `claimedSize` (by default the real size), padded to even length.
inline QByteArray chunk(const QByteArray& id, const QByteArray& body, qint64 claimedSize = -1) {
    QByteArray c = id + u32(quint32(claimedSize < 0 ? body.size() : claimedSize)) + body;
    if (body.size() % 2)
        c += '\0';
    return c;
}

// A "fmt " chunk; with `subFormat` set, in the extensible layout carrying that format.
inline QByteArray fmt(quint16 tag, quint16 channels, quint32 rate, quint16 bits,
                      quint16 subFormat = 0) {
    const quint16 align = quint16(channels * bits / 8);
    QByteArray body = u16(subFormat ? 0xFFFE : tag) + u16(channels) + u32(rate) +
                      u32(rate * align) + u16(align) + u16(bits);
    if (subFormat)
        body += u16(22) + u16(bits) + u32(0) + u16(subFormat) + QByteArray(14, '\x01');
    return chunk("fmt ", body);
}

inline QByteArray riff(const QByteArray& chunks) {
    return "RIFF" + u32(quint32(4 + chunks.size())) + "WAVE" + chunks;
}

// A 16-bit mono sine tone of `ms` milliseconds, as a complete file.
inline QByteArray tone(int ms, double frequency, int rate = 22050) {
    const int frames = rate * ms / 1000;
    QByteArray samples(frames * 2, '\0');
    for (int i = 0; i < frames; ++i)
        qToLittleEndian(qint16(12000 * std::sin(2 * M_PI * frequency * i / rate)),
                        samples.data() + 2 * i);
    return riff(fmt(1, 1, quint32(rate), 16) + chunk("data", samples));
}

}  // namespace wave
