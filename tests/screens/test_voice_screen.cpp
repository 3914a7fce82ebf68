// The voice screen on a real audio path: the family records a word, keeps it, and the game
// speaks with it; with a silent microphone or none, nothing is written. (How a word is trimmed
// and levelled is checked on given samples in tests/voice.)
//
// The test runs its own PulseAudio server, whose microphone is a steady 440 Hz tone
// (module-sine-source) and whose loudspeaker is a null sink that parec listens to. A tone never
// falls silent, so each recording runs to the longest a recording may last, here shortened to
// 1 s. `withoutMicrophone` runs as a separate CTest entry with PULSE_SERVER pointing nowhere:
// then no server is started and the desktop offers no microphone at all.

#include <QApplication>
#include <QAudioDevice>
#include <QLabel>
#include <QListWidget>
#include <QMediaDevices>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <memory>

#include "screens/screens_test_support.h"
#include "screens/voice_screen.h"
#include "state/family_voice.h"
#include "support/fakes.h"
#include "support/game_rig.h"
#include "support/tmpfs_mount.h"
#include "ui/sound_player.h"

namespace {

constexpr int kLongestMs = 1000;
constexpr int kToneHz = 440;
constexpr int kMonitorRate = 22050;

bool pactl(const QStringList& arguments) {
    QProcess tool;
    tool.start(QStringLiteral("pactl"), arguments);
    return tool.waitForFinished(3000) && tool.exitStatus() == QProcess::NormalExit &&
           tool.exitCode() == 0;
}

// A private PulseAudio server: a 440 Hz tone as the default microphone, a null sink as the
// loudspeaker.
class ToneMicrophoneServer {
public:
    bool start() {
        if (!m_runtime.isValid())
            return false;
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toLocal8Bit());
        m_server.start(
            QStringLiteral("pulseaudio"),
            {QStringLiteral("--daemonize=no"), QStringLiteral("-n"),
             QStringLiteral("--exit-idle-time=-1"),
             QStringLiteral("--load=module-null-sink sink_name=null"),
             QStringLiteral("--load=module-sine-source source_name=sine frequency=%1").arg(kToneHz),
             QStringLiteral("--load=module-native-protocol-unix")});
        if (!m_server.waitForStarted())
            return false;
        for (int i = 0; i < 50; ++i) {
            if (pactl({QStringLiteral("set-default-source"), QStringLiteral("sine")}))
                return true;
            QThread::msleep(100);
        }
        return false;
    }
    ~ToneMicrophoneServer() {
        if (m_server.state() != QProcess::NotRunning) {
            m_server.terminate();
            m_server.waitForFinished(3000);
        }
    }

private:
    QTemporaryDir m_runtime;
    QProcess m_server;
};

bool g_haveToneMicrophone = false;

// The samples of a 16-bit mono WAV file or raw stream, in [-1, 1].
QList<double> samplesOf(const QByteArray& pcm) {
    QList<double> samples;
    const auto* s = reinterpret_cast<const qint16*>(pcm.constData());
    for (qsizetype i = 0; i < pcm.size() / 2; ++i)
        samples.append(s[i] / 32768.0);
    return samples;
}

// How long the tone of kToneHz sounds without a break, in ms: 20 ms windows whose energy is
// mostly at that frequency (the Goertzel filter's share of the window's energy).
int longestToneMs(const QList<double>& x, int rate) {
    const int window = rate / 50;
    const double coefficient = 2 * std::cos(2 * M_PI * kToneHz / rate);
    int run = 0, longest = 0;
    for (qsizetype start = 0; start + window <= x.size(); start += window) {
        double s1 = 0, s2 = 0, energy = 0;
        for (qsizetype i = start; i < start + window; ++i) {
            const double s0 = x[i] + coefficient * s1 - s2;
            s2 = s1;
            s1 = s0;
            energy += x[i] * x[i];
        }
        const double tone = (s1 * s1 + s2 * s2 - coefficient * s1 * s2) * 2 / window;
        run = energy > 1e-4 * window && tone > 0.8 * energy ? run + 20 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

}  // namespace

class TestVoiceScreen : public QObject {
    Q_OBJECT
private slots:
    // Every test has a data folder of its own.
    void init() {
        m_data = std::make_unique<QTemporaryDir>();
        QVERIFY(m_data->isValid());
        qputenv("XDG_DATA_HOME", m_data->path().toLocal8Bit());
    }
    void recordsAWordAndTheGamePlaysIt();
    void silentMicrophone();
    void withoutMicrophone();
    void fullDiskKeepsTheEarlierWord();

private:
    void recordingFails(const QString& problem, Microphone* microphone = nullptr);
    std::unique_ptr<QTemporaryDir> m_data;
};

void TestVoiceScreen::recordsAWordAndTheGamePlaysIt() {
    if (!g_haveToneMicrophone)
        QSKIP("needs pulseaudio with module-sine-source");
    QtSoundPlayer player;
    VoiceScreen screen(player, {}, nullptr, kLongestMs);
    screen.open();
    auto* words = screen.findChild<QListWidget*>(QStringLiteral("wordList"));
    auto* record = screen.findChild<QPushButton*>(QStringLiteral("recordButton"));
    auto* keep = screen.findChild<QPushButton*>(QStringLiteral("keepButton"));
    QCOMPARE(words->count(), 14);
    QCOMPARE(words->currentItem()->text(), QStringLiteral("いち"));
    QVERIFY(!keep->isEnabled());

    // The tone never ends: the recording stops at the longest a recording may last.
    QElapsedTimer clock;
    clock.start();
    record->click();
    QTRY_VERIFY_WITH_TIMEOUT(keep->isEnabled(), 5000);
    QVERIFY2(clock.elapsed() >= kLongestMs - 50 && clock.elapsed() < kLongestMs + 1500,
             qPrintable(QString::number(clock.elapsed())));

    // A folder that cannot be written: a message, and nothing is written.
    const QString saved = familyVoiceFolder() + QStringLiteral("1.wav");
    {
        FailingWrites failing;
        keep->click();
        QVERIFY(problemShown(screen).contains(QStringLiteral("保存できませんでした")));
    }
    QVERIFY(!QFile::exists(saved));

    keep->click();
    QVERIFY(QFile::exists(saved));
    QVERIFY(words->currentItem()->text().contains(QStringLiteral("録音")));
    // Trimmed (it starts at once) and at the level of the game's spoken sounds.
    QFile file(saved);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const Wave clip = parseWave(file.readAll());
    QCOMPARE(clip.format.sample, WaveFormat::Sample::Int16);
    QCOMPARE(clip.format.channels, 1);
    QVERIFY2(clip.durationUs() > 500'000 && clip.durationUs() <= kLongestMs * 1000,
             qPrintable(QString::number(clip.durationUs())));
    const QList<double> take = samplesOf(clip.samples);
    const int rate = clip.format.sampleRate;
    QVERIFY(std::abs(take[rate * 2 / 1000]) > 0.01 || std::abs(take[rate * 3 / 1000]) > 0.01);
    double energy = 0, peak = 0;
    for (double v : take) {
        energy += v * v;
        peak = std::max(peak, std::abs(v));
    }
    const double rmsDb = 10 * std::log10(energy / double(take.size()));
    QVERIFY2(std::abs(rmsDb - -16) < 0.5, qPrintable(QString::number(rmsDb)));
    QVERIFY(20 * std::log10(peak) <= -0.9);

    // A counted round: the first count speaks with the recorded tone, heard on the loudspeaker.
    GameSettings settings;
    settings.minCount = settings.maxCount = 1;
    GameRig rig(settings, 1024, 768, tenPictures(), &player);
    rig.activate(1);
    rig.game.characterTouched(0);  // caught
    QTRY_VERIFY_WITH_TIMEOUT(!player.isPlaying(), 3000);
    rig.timers.advance(2000);  // into the tray; counting begins
    QCOMPARE(rig.game.phase(), Phase::Counting);
    QTRY_VERIFY_WITH_TIMEOUT(!player.isPlaying(), 3000);

    QProcess monitor;
    monitor.start(
        QStringLiteral("parec"),
        {QStringLiteral("--device=null.monitor"), QStringLiteral("--raw"),
         QStringLiteral("--format=s16le"), QStringLiteral("--channels=1"),
         QStringLiteral("--rate=%1").arg(kMonitorRate), QStringLiteral("--latency-msec=20")});
    QVERIFY(monitor.waitForStarted());
    QVERIFY(monitor.waitForReadyRead(5000));  // the recording stream runs
    rig.game.characterTouched(0);
    QCOMPARE(rig.round().current, 1);
    QTest::qWait(kLongestMs + 500);
    monitor.terminate();
    monitor.waitForFinished();
    const int toneMs = longestToneMs(samplesOf(monitor.readAllStandardOutput()), kMonitorRate);
    QVERIFY2(toneMs >= kLongestMs / 2,
             qPrintable(QStringLiteral("tone heard for %1 ms").arg(toneMs)));
}

// Records "いち" from `microphone` (the desktop's when null) over an earlier recording and expects
// the message `problem`: nothing is written, and the earlier recording stays as it was.
void TestVoiceScreen::recordingFails(const QString& problem, Microphone* microphone) {
    const QByteArray earlier = "RIFF earlier recording";
    QVERIFY(saveFamilyRecording(QStringLiteral("1.wav"), earlier));
    SimClock clock;
    FakeSoundPlayer player(clock);
    VoiceScreen screen(player, {}, microphone, kLongestMs);
    screen.open();
    screen.findChild<QPushButton*>(QStringLiteral("recordButton"))->click();
    QTRY_VERIFY2_WITH_TIMEOUT(problemShown(screen).contains(problem),
                              qPrintable(problemShown(screen)), 5000);
    QVERIFY(!screen.findChild<QPushButton*>(QStringLiteral("keepButton"))->isEnabled());
    QCOMPARE(QDir(familyVoiceFolder()).entryList(QDir::Files), QStringList{"1.wav"});
    QFile file(familyVoiceFolder() + QStringLiteral("1.wav"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), earlier);
}

// A muted microphone hears nothing until the recording's longest length.
void TestVoiceScreen::silentMicrophone() {
    FakeMicrophone microphone;
    recordingFails(QStringLiteral("声が聞こえませんでした"), &microphone);
}

void TestVoiceScreen::withoutMicrophone() {
    if (!QMediaDevices::audioInputs().isEmpty())
        QSKIP("runs where the desktop offers no microphone (its own CTest entry)");
    recordingFails(QStringLiteral("マイクが見つかりません"));
}

// Keeping a word on a full disk fails, and the earlier recording stays whole: the game goes on
// saying "いち" in the family's voice, never in silence from an empty file.
void TestVoiceScreen::fullDiskKeepsTheEarlierWord() {
    QVERIFY(QDir().mkpath(familyVoiceFolder()));
    TmpfsMount disk(familyVoiceFolder(), 64 * 1024);
    if (!disk.mounted())
        QSKIP(qPrintable(QStringLiteral("no tmpfs to fill: ") + disk.error()));
    const QByteArray earlier = "RIFF earlier recording";
    QVERIFY(saveFamilyRecording(QStringLiteral("1.wav"), earlier));
    QVERIFY(disk.fill(QStringLiteral("filler")));
    QVERIFY(!saveFamilyRecording(QStringLiteral("1.wav"), "RIFF the new recording"));
    QCOMPARE(fileBytes(familyVoiceFolder() + QStringLiteral("1.wav")), earlier);
    QCOMPARE(QDir(familyVoiceFolder()).entryList(QDir::Files | QDir::Hidden),
             QStringList({"1.wav", "filler"}));
}

int main(int argc, char* argv[]) {
    ToneMicrophoneServer server;
    if (!qEnvironmentVariableIsSet("PULSE_SERVER"))
        g_haveToneMicrophone = server.start();
    QApplication app(argc, argv);
    TestVoiceScreen test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_voice_screen.moc"
