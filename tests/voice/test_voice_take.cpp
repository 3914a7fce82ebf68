// A recorded word made ready for the game, checked on samples the test makes: the silence around
// it cut, the ends faded, the level brought to that of the game's spoken sounds; and the recorder
// on a microphone that hears what the test gives it.

#include <QtTest>

#include <cmath>
#include <numbers>

#include "state/wave_file.h"
#include "support/fakes.h"
#include "voice/voice_recorder.h"
#include "voice/voice_take.h"

namespace {

constexpr int kRate = 10000;

QList<float> silence(int ms) {
    return QList<float>(qsizetype(kRate) * ms / 1000, 0.0f);
}
// A 440 Hz tone of `amplitude`, cut at full scale as a microphone would.
QList<float> tone(int ms, double amplitude) {
    QList<float> samples;
    for (int i = 0; i < kRate * ms / 1000; ++i)
        samples.append(float(
            std::clamp(amplitude * std::sin(2 * std::numbers::pi * 440 * i / kRate), -1.0, 1.0)));
    return samples;
}
double decibels(double amplitude) {
    return 20 * std::log10(amplitude);
}

}  // namespace

class TestVoiceTake : public QObject {
    Q_OBJECT
private slots:
    void shaped_data();
    void shaped();
    void fadesAtBothEnds();
    void recorder_data();
    void recorder();
};

void TestVoiceTake::shaped_data() {
    QTest::addColumn<QList<float>>("samples");
    QTest::addColumn<int>("lengthMs");  // -1: nothing is heard, no word
    QTest::addColumn<double>("rmsDb");  // NaN: held below -16 dBFS by its peak

    QTest::newRow("silence before and after is cut")
        << silence(200) + tone(300, 0.3) + silence(200) << 300 << -16.0;
    QTest::newRow("a quiet word is brought up") << tone(300, 0.02) << 300 << -16.0;
    QTest::newRow("a clipped word is brought down") << tone(300, 3.0) << 300 << -16.0;
    QList<float> click = tone(300, 0.05);
    click[1500] = 1.0f;
    QTest::newRow("a click in the word holds the level under -1 dBFS") << click << 300 << qQNaN();
    QTest::newRow("too quiet to be heard") << silence(100) + tone(300, 0.005) << -1 << 0.0;
    QTest::newRow("silence only") << silence(500) << -1 << 0.0;
    QTest::newRow("empty") << QList<float>() << -1 << 0.0;
}

void TestVoiceTake::shaped() {
    QFETCH(QList<float>, samples);
    QFETCH(int, lengthMs);
    QFETCH(double, rmsDb);

    const QList<float> word = VoiceTake::shaped(samples, kRate);
    if (lengthMs < 0) {
        QVERIFY(word.isEmpty());
        return;
    }
    // The cut starts within the heard run before the word (2 ms) and ends as close after it.
    const int ms = int(word.size() * 1000 / kRate);
    QVERIFY2(ms >= lengthMs - 2 && ms <= lengthMs + 5, qPrintable(QString::number(ms)));
    double energy = 0, peak = 0;
    for (float v : word) {
        energy += double(v) * v;
        peak = std::max(peak, double(std::abs(v)));
    }
    const double rms = decibels(std::sqrt(energy / double(word.size())));
    QVERIFY2(decibels(peak) <= VoiceTake::kHighestPeakDb + 0.01, qPrintable(QString::number(peak)));
    if (std::isnan(rmsDb)) {
        QVERIFY(std::abs(decibels(peak) - VoiceTake::kHighestPeakDb) < 0.01);
        QVERIFY(rms < VoiceTake::kSpeechRmsDb - 1);
    } else {
        QVERIFY2(std::abs(rms - rmsDb) < 0.2, qPrintable(QString::number(rms)));
    }
}

// Quarter-sine fades, 3 ms in and 30 ms out, and nothing between them touched.
void TestVoiceTake::fadesAtBothEnds() {
    const QList<float> word = VoiceTake::shaped(QList<float>(kRate / 2, 0.5f), kRate);
    QCOMPARE(word.size(), kRate / 2);
    const float level = word[word.size() / 2];
    const auto near = [level](float a, float b) { return std::abs(a - b) < 0.01f * level; };
    QCOMPARE(word.first(), 0.0f);
    QCOMPARE(word.last(), 0.0f);
    QVERIFY(near(word[15], level * std::sin(float(std::numbers::pi) / 4)));  // half-way in
    QVERIFY(near(word[30], level));
    QVERIFY(near(word[word.size() - 1 - 150], level * std::sin(float(std::numbers::pi) / 4)));
    QVERIFY(near(word[word.size() - 1 - 300], level));
}

void TestVoiceTake::recorder_data() {
    QTest::addColumn<bool>("present");
    QTest::addColumn<QList<float>>("heard");
    QTest::addColumn<bool>("unplugged");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<int>("lengthMs");
    const int recorded = int(VoiceRecorder::Outcome::Recorded);
    const int silent = int(VoiceRecorder::Outcome::Silent);

    QTest::newRow("a word, then the silence that ends it")
        << true << silence(300) + tone(400, 0.3) + silence(700) << false << recorded << 400;
    QTest::newRow("a pause within the word goes on recording")
        << true << tone(200, 0.3) + silence(400) + tone(200, 0.3) + silence(700) << false
        << recorded << 800;
    QTest::newRow("cut at the longest a recording lasts")
        << true << tone(3500, 0.3) << false << recorded << 3000;
    QTest::newRow("unplugged after the word") << true << tone(400, 0.3) << true << recorded << 400;
    QTest::newRow("nothing heard for the longest") << true << silence(3100) << false << silent << 0;
    QTest::newRow("no microphone")
        << false << QList<float>() << false << int(VoiceRecorder::Outcome::NoMicrophone) << 0;
}

// Everything the microphone hears arrives at once, so the recording ends within the call: on the
// word's trailing silence, at the longest a recording lasts (3 s), or when the microphone goes.
void TestVoiceTake::recorder() {
    QFETCH(bool, present);
    QFETCH(QList<float>, heard);
    QFETCH(bool, unplugged);
    QFETCH(int, lengthMs);

    FakeMicrophone microphone;
    microphone.present = present;
    VoiceRecorder recorder(microphone);
    QList<VoiceRecorder::Result> results;
    recorder.start([&](const VoiceRecorder::Result& r) { results.append(r); });
    microphone.hear(heard);
    if (unplugged)
        microphone.unplug();
    QCOMPARE(results.size(), 1);
    QTEST(int(results[0].outcome), "outcome");
    QVERIFY(!recorder.isRecording());
    QVERIFY(!microphone.isOpen());
    const Wave wave = parseWave(results[0].wave);
    QCOMPARE(wave.isPlayable(), lengthMs > 0);
    if (lengthMs > 0) {
        QCOMPARE(wave.format, (WaveFormat{WaveFormat::Sample::Int16, 1, kRate}));
        const qint64 ms = wave.durationUs() / 1000;
        QVERIFY2(ms >= lengthMs - 1 && ms <= lengthMs + 5, qPrintable(QString::number(ms)));
    }
}

QTEST_GUILESS_MAIN(TestVoiceTake)
#include "test_voice_take.moc"
