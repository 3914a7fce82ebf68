// Reading wave files: the formats the player takes, and damaged or foreign files it must refuse
// or cut short instead of reading past their end.

#include "sound/wave_builder.h"
#include "ui/sound_player.h"

#include <QtTest>

using namespace wave;

class TestWaveFile : public QObject {
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
};

void TestWaveFile::parse_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("playable");
    QTest::addColumn<int>("sampleFormat");
    QTest::addColumn<int>("channels");
    QTest::addColumn<qint64>("durationUs");

    const QByteArray pcm1000(2000, '\x11');  // 1000 frames of 16-bit mono
    const int int16 = QAudioFormat::Int16;
    const int none = QAudioFormat::Unknown;

    QTest::newRow("16-bit mono") << riff(fmt(1, 1, 22050, 16) + chunk("data", pcm1000)) << true
                                 << int16 << 1 << qint64(45351);
    QTest::newRow("8-bit stereo") << riff(fmt(1, 2, 8000, 8) + chunk("data", QByteArray(800, 'x')))
                                  << true << int(QAudioFormat::UInt8) << 2 << qint64(50000);
    QTest::newRow("32-bit float") << riff(fmt(3, 1, 48000, 32) + chunk("data", QByteArray(960, 0)))
                                  << true << int(QAudioFormat::Float) << 1 << qint64(5000);
    QTest::newRow("32-bit integer")
        << riff(fmt(1, 1, 44100, 32) + chunk("data", QByteArray(4 * 441, 0))) << true
        << int(QAudioFormat::Int32) << 1 << qint64(10000);
    QTest::newRow("extensible header") << riff(fmt(0, 1, 22050, 16, 1) + chunk("data", pcm1000))
                                       << true << int16 << 1 << qint64(45351);
    QTest::newRow("odd-sized chunk before the data")
        << riff(fmt(1, 1, 22050, 16) + chunk("LIST", "abc") + chunk("data", pcm1000)) << true
        << int16 << 1 << qint64(45351);
    QTest::newRow("data claims more than the file holds")
        << riff(fmt(1, 1, 22050, 16) + chunk("data", pcm1000, 1'000'000)) << true << int16 << 1
        << qint64(45351);
    QTest::newRow("half a frame at the end is dropped")
        << riff(fmt(1, 1, 1000, 16) + chunk("data", QByteArray(201, 1))) << true << int16 << 1
        << qint64(100000);

    QTest::newRow("empty file") << QByteArray() << false << none << 0 << qint64(0);
    QTest::newRow("not a wave file")
        << QByteArray("ID3\x04 some mp3 data here") << false << none << 0 << qint64(0);
    QTest::newRow("no data chunk") << riff(fmt(1, 1, 22050, 16)) << false << none << 0 << qint64(0);
    QTest::newRow("data before format")
        << riff(chunk("data", pcm1000) + fmt(1, 1, 22050, 16)) << false << none << 0 << qint64(0);
    QTest::newRow("no samples") << riff(fmt(1, 1, 22050, 16) + chunk("data", {})) << false << none
                                << 0 << qint64(0);
    QTest::newRow("compressed (ADPCM)")
        << riff(fmt(2, 1, 22050, 4) + chunk("data", pcm1000)) << false << none << 0 << qint64(0);
    QTest::newRow("24-bit") << riff(fmt(1, 1, 22050, 24) + chunk("data", QByteArray(300, 1)))
                            << false << none << 0 << qint64(0);
    QTest::newRow("no channels") << riff(fmt(1, 0, 22050, 16) + chunk("data", pcm1000)) << false
                                 << none << 0 << qint64(0);
    QTest::newRow("format chunk cut short")
        << riff(chunk("fmt ", u16(1) + u16(1) + u32(22050)) + chunk("data", pcm1000)) << false
        << none << 0 << qint64(0);
    QTest::newRow("chunk size beyond any file")
        << riff(fmt(1, 1, 22050, 16) + chunk("LIST", "ab", 0xFFFFFFFF) + chunk("data", pcm1000))
        << false << none << 0 << qint64(0);
}

void TestWaveFile::parse() {
    QFETCH(QByteArray, file);
    QFETCH(bool, playable);

    const WaveClip clip = parseWave(file);
    QCOMPARE(clip.isPlayable(), playable);
    QTEST(clip.durationUs(), "durationUs");
    if (playable) {
        QTEST(int(clip.format.sampleFormat()), "sampleFormat");
        QTEST(clip.format.channelCount(), "channels");
        QCOMPARE(clip.samples.size() % clip.format.bytesPerFrame(), 0);
    }
}

QTEST_GUILESS_MAIN(TestWaveFile)
#include "test_wave_file.moc"
