// Reading wave files: the formats the player takes, and damaged or foreign files it must refuse
// or cut short instead of reading past their end. The well-formed ones come from the game's own
// writer, so each of those rows also checks what the voice screen writes.

#include "state/wave_file.h"

#include <QtEndian>
#include <QtTest>

namespace {

using Sample = WaveFormat::Sample;

QByteArray written(Sample sample, int channels, int rate, const QByteArray& samples) {
    return waveFileBytes(Wave{{sample, channels, rate}, samples});
}

// `file` with the 16-bit field at `at` set to `value` (in the plain header: 20 the format tag,
// 22 the channels, 32 the bytes per frame, 34 the bits per sample).
QByteArray with16(QByteArray file, int at, quint16 value) {
    qToLittleEndian(value, file.data() + at);
    return file;
}
QByteArray with32(QByteArray file, int at, quint32 value) {
    qToLittleEndian(value, file.data() + at);
    return file;
}
QByteArray u16(quint16 v) {
    return with16(QByteArray(2, '\0'), 0, v);
}
QByteArray u32(quint32 v) {
    return with32(QByteArray(4, '\0'), 0, v);
}
// A chunk whose size field says `claimedSize` (by default the real size), padded to even length.
QByteArray chunk(const QByteArray& id, const QByteArray& body, qint64 claimedSize = -1) {
    QByteArray c = id + u32(quint32(claimedSize < 0 ? body.size() : claimedSize)) + body;
    if (body.size() % 2)
        c += '\0';
    return c;
}
QByteArray riff(const QByteArray& chunks) {
    return "RIFF" + u32(quint32(4 + chunks.size())) + "WAVE" + chunks;
}
// The 16-bit mono header of the writer as a chunk of its own, and the file with `between` put
// after it.
QByteArray plainFormat() {
    return written(Sample::Int16, 1, 22050, "xx").mid(12, 24);
}
QByteArray formatThen(const QByteArray& between, const QByteArray& data) {
    return riff(plainFormat() + between + chunk("data", data));
}

}  // namespace

class TestWaveFile : public QObject {
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
};

void TestWaveFile::parse_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("playable");
    QTest::addColumn<int>("sample");
    QTest::addColumn<int>("channels");
    QTest::addColumn<qint64>("durationUs");

    const QByteArray pcm1000(2000, '\x11');  // 1000 frames of 16-bit mono
    const QByteArray mono16 = written(Sample::Int16, 1, 22050, pcm1000);
    const int int16 = int(Sample::Int16);
    const int none = int(Sample::None);

    QTest::newRow("16-bit mono") << mono16 << true << int16 << 1 << qint64(45351);
    QTest::newRow("8-bit stereo") << written(Sample::UInt8, 2, 8000, QByteArray(800, 'x')) << true
                                  << int(Sample::UInt8) << 2 << qint64(50000);
    QTest::newRow("32-bit float") << written(Sample::Float, 1, 48000, QByteArray(960, 0)) << true
                                  << int(Sample::Float) << 1 << qint64(5000);
    QTest::newRow("32-bit integer") << written(Sample::Int32, 1, 44100, QByteArray(4 * 441, 0))
                                    << true << int(Sample::Int32) << 1 << qint64(10000);
    // The extensible layout carries the real format in the first two bytes of its sub-format.
    const QByteArray extensible = u16(0xFFFE) + plainFormat().mid(10, 14) + u16(22) + u16(16) +
                                  u32(0) + u16(1) + QByteArray(14, '\x01');
    QTest::newRow("extensible header") << riff(chunk("fmt ", extensible) + chunk("data", pcm1000))
                                       << true << int16 << 1 << qint64(45351);
    QTest::newRow("odd-sized chunk before the data")
        << formatThen(chunk("LIST", "abc"), pcm1000) << true << int16 << 1 << qint64(45351);
    QTest::newRow("data claims more than the file holds")
        << with32(mono16, 40, 1'000'000) << true << int16 << 1 << qint64(45351);
    QTest::newRow("half a frame at the end is dropped")
        << written(Sample::Int16, 1, 1000, QByteArray(201, 1)) << true << int16 << 1
        << qint64(100000);

    QTest::newRow("empty file") << QByteArray() << false << none << 0 << qint64(0);
    QTest::newRow("not a wave file")
        << QByteArray("ID3\x04 some mp3 data here") << false << none << 0 << qint64(0);
    QTest::newRow("no data chunk") << mono16.left(36) << false << none << 0 << qint64(0);
    QTest::newRow("data before format")
        << riff(chunk("data", pcm1000) + plainFormat()) << false << none << 0 << qint64(0);
    QTest::newRow("no samples") << written(Sample::Int16, 1, 22050, {}) << false << none << 0
                                << qint64(0);
    QTest::newRow("compressed (ADPCM)")
        << with16(with16(with16(mono16, 20, 2), 32, 0), 34, 4) << false << none << 0 << qint64(0);
    QTest::newRow("24-bit") << with16(with16(written(Sample::Int16, 1, 22050, QByteArray(300, 1)),
                                             32, 3),
                                      34, 24)
                            << false << none << 0 << qint64(0);
    QTest::newRow("no channels") << with16(with16(mono16, 22, 0), 32, 0) << false << none << 0
                                 << qint64(0);
    QTest::newRow("format chunk cut short")
        << riff(chunk("fmt ", u16(1) + u16(1) + u32(22050)) + chunk("data", pcm1000)) << false
        << none << 0 << qint64(0);
    QTest::newRow("chunk size beyond any file")
        << formatThen(chunk("LIST", "ab", 0xFFFFFFFF), pcm1000) << false << none << 0 << qint64(0);
}

void TestWaveFile::parse() {
    QFETCH(QByteArray, file);
    QFETCH(bool, playable);

    const Wave wave = parseWave(file);
    QCOMPARE(wave.isPlayable(), playable);
    QTEST(wave.durationUs(), "durationUs");
    if (playable) {
        QTEST(int(wave.format.sample), "sample");
        QTEST(wave.format.channels, "channels");
        QCOMPARE(wave.samples.size() % wave.format.bytesPerFrame(), 0);
    }
}

QTEST_GUILESS_MAIN(TestWaveFile)
#include "test_wave_file.moc"
