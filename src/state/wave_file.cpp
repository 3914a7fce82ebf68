#include "state/wave_file.h"

#include <QtEndian>

#include <algorithm>

#include "state/text_file.h"

namespace {

quint16 le16(const QByteArray& b, qsizetype at) {
    return qFromLittleEndian<quint16>(b.constData() + at);
}
quint32 le32(const QByteArray& b, qsizetype at) {
    return qFromLittleEndian<quint32>(b.constData() + at);
}

constexpr quint16 kFormatPcm = 1;
constexpr quint16 kFormatFloat = 3;
constexpr quint16 kFormatExtensible = 0xFFFE;

WaveFormat::Sample sampleOf(quint16 tag, quint16 bits) {
    if (tag == kFormatPcm && bits == 8)
        return WaveFormat::Sample::UInt8;
    if (tag == kFormatPcm && bits == 16)
        return WaveFormat::Sample::Int16;
    if (tag == kFormatPcm && bits == 32)
        return WaveFormat::Sample::Int32;
    if (tag == kFormatFloat && bits == 32)
        return WaveFormat::Sample::Float;
    return WaveFormat::Sample::None;
}

}  // namespace

int WaveFormat::bytesPerSample() const {
    switch (sample) {
        case Sample::UInt8:
            return 1;
        case Sample::Int16:
            return 2;
        case Sample::Int32:
        case Sample::Float:
            return 4;
        case Sample::None:
            break;
    }
    return 0;
}

qint64 Wave::durationUs() const {
    if (!isPlayable())
        return 0;
    return qint64(samples.size() / format.bytesPerFrame()) * 1'000'000 / format.sampleRate;
}

Wave parseWave(const QByteArray& file) {
    if (file.size() < 12 || !file.startsWith("RIFF") || file.mid(8, 4) != "WAVE")
        return {};

    bool haveFormat = false;
    quint16 tag = 0, channels = 0, blockAlign = 0, bits = 0;
    quint32 rate = 0;
    QByteArray data;
    bool haveData = false;
    qint64 pos = 12;
    while (pos + 8 <= file.size()) {
        const QByteArray id = file.mid(pos, 4);
        const qint64 size = le32(file, pos + 4);
        pos += 8;
        const qint64 available = std::min(size, qint64(file.size()) - pos);
        if (id == "fmt ") {
            if (available < 16)
                return {};
            tag = le16(file, pos);
            channels = le16(file, pos + 2);
            rate = le32(file, pos + 4);
            blockAlign = le16(file, pos + 12);
            bits = le16(file, pos + 14);
            // The extensible header carries the real format in the first two bytes of its
            // sub-format identifier.
            if (tag == kFormatExtensible) {
                if (available < 40)
                    return {};
                tag = le16(file, pos + 24);
            }
            haveFormat = true;
        } else if (id == "data") {
            if (!haveFormat)
                return {};
            data = file.mid(pos, available);
            haveData = true;
            break;
        }
        pos += size + (size & 1);  // chunks are padded to an even length
    }
    if (!haveData || channels < 1 || channels > 8 || rate < 1000 || rate > 384000 ||
        blockAlign != channels * (bits / 8))
        return {};
    const WaveFormat::Sample sample = sampleOf(tag, bits);
    if (sample == WaveFormat::Sample::None)
        return {};

    Wave wave;
    wave.format = {sample, channels, int(rate)};
    data.truncate(data.size() - data.size() % blockAlign);
    wave.samples = data;
    return wave;
}

Wave readWaveFile(const QString& path) {
    const ReadResult file = readTextFile(path, kLargestSoundFileBytes);
    return file.status == ReadStatus::Ok ? parseWave(file.bytes) : Wave{};
}

QByteArray waveFileBytes(const Wave& wave) {
    const WaveFormat& f = wave.format;
    const auto dataBytes = quint32(wave.samples.size());
    QByteArray file;
    file.reserve(44 + wave.samples.size() + 1);
    const auto put16 = [&file](quint16 v) {
        char b[2];
        qToLittleEndian(v, b);
        file.append(b, 2);
    };
    const auto put32 = [&file](quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        file.append(b, 4);
    };
    const bool pad = dataBytes % 2 != 0;  // chunks are padded to an even length
    file.append("RIFF");
    put32(36 + dataBytes + (pad ? 1 : 0));
    file.append("WAVEfmt ");
    put32(16);
    put16(f.sample == WaveFormat::Sample::Float ? kFormatFloat : kFormatPcm);
    put16(quint16(f.channels));
    put32(quint32(f.sampleRate));
    put32(quint32(f.sampleRate) * quint32(f.bytesPerFrame()));
    put16(quint16(f.bytesPerFrame()));
    put16(quint16(f.bytesPerSample() * 8));
    file.append("data");
    put32(dataBytes);
    file.append(wave.samples);
    if (pad)
        file.append('\0');
    return file;
}
