// The sound player against a real audio server (a PulseAudio null sink): the playing state
// follows each sound's length, a new sound cuts off the old, missing or broken files stay silent,
// and waitForSound blocks exactly as long as the sound. What reaches the server is recorded from
// the sink's monitor with parec where that tool exists.
//
// Tests that need the server skip when there is none. `withoutAudioServer` is meant to run on
// its own with PULSE_SERVER pointing nowhere (a separate CTest entry).

#include "state/install_places.h"
#include "support/files.h"
#include "support/sounds.h"
#include "ui/sound_files.h"
#include "ui/sound_player.h"
#include "support/paths.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <sys/resource.h>

namespace {

constexpr qint64 kToleranceMs = 50;
// A sound counts as playing from when it is asked for until it has been heard for its length:
// never less than that, and more by as much as its output was late to start, as it can be on a
// machine whose cores are all busy.
constexpr qint64 kLateStartMs = 150;
constexpr int kRate = 22050;

void verifyPlayedFor(qint64 playedMs, qint64 lengthMs) {
    QVERIFY2(playedMs >= lengthMs - 2 && playedMs <= lengthMs + kLateStartMs,
             qPrintable(QStringLiteral("played for %1 ms").arg(playedMs)));
}

// Polls the player until it stops playing; returns the milliseconds since `clock` started.
qint64 msUntilSilent(const SoundPlayer& player, const QElapsedTimer& clock) {
    while (player.isPlaying() && clock.elapsed() < 10'000)
        QThread::usleep(500);
    return clock.elapsed();
}

// Records the null sink's monitor as 16-bit mono samples, on a thread of its own so that the
// recording goes on while the test blocks.
class Recorder {
public:
    ~Recorder() {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    // False when there is no parec or it records nothing.
    bool start() {
        const QString parec = QStandardPaths::findExecutable(QStringLiteral("parec"));
        if (parec.isEmpty())
            return false;
        m_thread = std::thread([this, parec] {
            QProcess process;
            process.start(parec, {QStringLiteral("--device=null.monitor"), QStringLiteral("--raw"),
                                  QStringLiteral("--format=s16le"), QStringLiteral("--channels=1"),
                                  QStringLiteral("--rate=%1").arg(kRate),
                                  QStringLiteral("--latency-msec=5")});
            if (!process.waitForStarted())
                qWarning("parec: %s", qPrintable(process.errorString()));
            while (!m_stop) {
                if (process.waitForReadyRead(20)) {
                    const QByteArray data = process.readAllStandardOutput();
                    std::lock_guard lock(m_mutex);
                    m_samples += data;
                } else if (process.state() == QProcess::NotRunning) {
                    qWarning("parec: %s", process.readAllStandardError().constData());
                    return;
                }
            }
            process.kill();
            process.waitForFinished();
        });
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 2000) {
            QThread::msleep(10);
            std::lock_guard lock(m_mutex);
            if (!m_samples.isEmpty()) {  // the recording stream runs
                m_samples.clear();
                return true;
            }
        }
        return false;
    }
    // The samples recorded so far, after giving the last sound time to come through.
    QByteArray samples() {
        QThread::msleep(300);
        std::lock_guard lock(m_mutex);
        return m_samples;
    }

private:
    std::thread m_thread;
    std::atomic<bool> m_stop = false;
    std::mutex m_mutex;
    QByteArray m_samples;
};

// Whether each 10 ms window of the recording holds sound (a peak above a small level).
std::vector<bool> loudWindows(const QByteArray& raw) {
    const auto* s = reinterpret_cast<const qint16*>(raw.constData());
    const int frames = int(raw.size() / 2);
    const int window = kRate / 100;
    std::vector<bool> loud;
    for (int w = 0; w + window <= frames; w += window) {
        int peak = 0;
        for (int i = w; i < w + window; ++i)
            peak = std::max(peak, std::abs(int(s[i])));
        loud.push_back(peak > 1000);
    }
    return loud;
}

// Milliseconds of the recording in which there is sound.
int audibleMs(const QByteArray& raw) {
    const std::vector<bool> loud = loudWindows(raw);
    return int(std::count(loud.begin(), loud.end(), true)) * 10;
}

// Milliseconds from the first sound in the recording to the end of the last.
int audibleSpanMs(const QByteArray& raw) {
    const std::vector<bool> loud = loudWindows(raw);
    const auto first = std::find(loud.begin(), loud.end(), true);
    if (first == loud.end())
        return 0;
    const auto last = std::find(loud.rbegin(), loud.rend(), true);
    return int((loud.rend() - last) - (first - loud.begin())) * 10;
}

}  // namespace

class TestSoundPlayer : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void waitedSoundsFollowEachOther();

    void playingFollowsTheSoundsLength_data();
    void playingFollowsTheSoundsLength();
    void newSoundCutsOffTheOld();
    void silenceCutsOff();
    void heldSoundStartsAtTheRelease();
    void silentFiles_data();
    void silentFiles();
    void fileChangedOnDiskIsReadAgain();
    void familySoundsHoldNoLongerThanTheGamesOwn_data();
    void familySoundsHoldNoLongerThanTheGamesOwn();
    void waitForSoundReturnsAtOnceWhenNothingPlays();
    void waitForSoundBlocksUntilTheEnd();
    void endsWithSoundsOnTheirWay();
    void withoutAudioServer();

private:
    bool haveServer() const { return !QMediaDevices::audioOutputs().isEmpty(); }
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_previousDir;
};

void TestSoundPlayer::init() {
    // The player looks for its files in the current folder, as the game does.
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_previousDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir->path()));
    // The family's recordings of this test, never the user's own.
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir->filePath(QStringLiteral("home"))));
    writeFile(QStringLiteral("short.wav"), toneFile(150, 880));
    writeFile(QStringLiteral("mid.wav"), toneFile(660, 660));
    writeFile(QStringLiteral("long.wav"), toneFile(1500, 440));
}

void TestSoundPlayer::cleanup() {
    QDir::setCurrent(m_previousDir);
    m_dir.reset();
}

// "×" and then "もういちど", each waited for as the game does, twice: all four are heard whole,
// one after the other. The first sound of the player starts late, as the game's first does: its
// output is still opening, and it is held for a while (as the game holds its first until the
// first frame). A wait that ended before the sound was heard to its end would let the next cut
// it short.
void TestSoundPlayer::waitedSoundsFollowEachOther() {
    if (!haveServer())
        QSKIP("no audio server");
    qint64 lengthsMs = 0;
    for (Sound sound : {Sound::Wrong, Sound::OnceMore}) {
        const QString name = soundFileName(sound);
        QVERIFY(QFile::copy(sourceFolder() + "/sounds/" + name, name));
        lengthsMs += readWaveFile(name).durationUs() / 1000;
    }
    Recorder recorder;
    if (!recorder.start())
        QSKIP("no parec to hear the sounds");
    QtSoundPlayer player;
    player.holdSounds();
    player.play(Sound::Wrong);
    QThread::msleep(100);
    player.releaseHeldSounds();
    player.waitForSound();
    for (Sound sound : {Sound::OnceMore, Sound::Wrong, Sound::OnceMore}) {
        player.play(sound);
        player.waitForSound();
    }
    const int heard = audibleSpanMs(recorder.samples());
    qInfo("heard %d ms of sounds %lld ms long", heard, 2 * lengthsMs);
    QVERIFY2(qAbs(heard - 2 * lengthsMs) <= kToleranceMs,
             qPrintable(QStringLiteral("heard %1 ms").arg(heard)));
}

// The program may end (Esc) just as sounds were handed to the player's thread: closing must not
// deliver them to a player half taken apart (Qt's audio sink runs events while it is destroyed).
void TestSoundPlayer::endsWithSoundsOnTheirWay() {
    if (!haveServer())
        QSKIP("no audio server");
    for (int run = 0; run < 12; ++run) {
        QtSoundPlayer player;
        player.playFile(QStringLiteral("short.wav"));
        QThread::msleep(30);  // the first sound is on the server: the player holds a stream
        player.playFile(QStringLiteral("mid.wav"));
        player.silence();
        player.playFile(QStringLiteral("long.wav"));
    }
}

void TestSoundPlayer::playingFollowsTheSoundsLength_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<qint64>("lengthMs");
    QTest::newRow("0.15 s") << "short.wav" << qint64(150);
    QTest::newRow("0.66 s") << "mid.wav" << qint64(660);
    QTest::newRow("1.5 s") << "long.wav" << qint64(1500);
    QTest::newRow("a game sound: 1.wav") << "1.wav" << qint64(-1);
}

void TestSoundPlayer::playingFollowsTheSoundsLength() {
    if (!haveServer())
        QSKIP("no audio server");
    QFETCH(QString, file);
    QFETCH(qint64, lengthMs);
    if (lengthMs < 0) {  // one of the committed sounds, preloaded at construction
        const QString source = sourceFolder() + "/sounds/" + file;
        if (!QFile::copy(source, file))
            QSKIP("committed sounds not found");
        lengthMs = readWaveFile(file).durationUs() / 1000;
    }

    QtSoundPlayer player;
    Recorder recorder;
    const bool recording = recorder.start();
    QElapsedTimer clock;
    clock.start();
    player.playFile(file);
    QVERIFY(player.isPlaying());
    const qint64 endedMs = msUntilSilent(player, clock);
    verifyPlayedFor(endedMs, lengthMs);
    if (recording) {
        // The whole sound reached the server, not only its first buffer.
        const int heard = audibleMs(recorder.samples());
        qInfo("heard %d ms of a %lld ms sound", heard, lengthMs);
        QVERIFY2(qAbs(heard - lengthMs) <= kToleranceMs,
                 qPrintable(QStringLiteral("heard %1 ms").arg(heard)));
    }
}

void TestSoundPlayer::newSoundCutsOffTheOld() {
    if (!haveServer())
        QSKIP("no audio server");
    QtSoundPlayer player;
    Recorder recorder;
    const bool recording = recorder.start();
    player.playFile(QStringLiteral("long.wav"));
    QThread::msleep(300);
    QElapsedTimer clock;
    clock.start();
    player.playFile(QStringLiteral("short.wav"));
    const qint64 endedMs = msUntilSilent(player, clock);
    verifyPlayedFor(endedMs, 150);
    if (recording) {
        // 300 ms of the first sound, then the whole second one, and nothing of the first after.
        const int heard = audibleMs(recorder.samples());
        QVERIFY2(qAbs(heard - 450) <= kToleranceMs,
                 qPrintable(QStringLiteral("heard %1 ms").arg(heard)));
    }
}

void TestSoundPlayer::silenceCutsOff() {
    if (!haveServer())
        QSKIP("no audio server");
    QtSoundPlayer player;
    Recorder recorder;
    const bool recording = recorder.start();
    player.playFile(QStringLiteral("long.wav"));
    QThread::msleep(200);
    player.silence();
    QVERIFY(!player.isPlaying());
    if (recording) {
        QThread::msleep(500);
        const int heard = audibleMs(recorder.samples());
        QVERIFY2(qAbs(heard - 200) <= kToleranceMs,
                 qPrintable(QStringLiteral("heard %1 ms").arg(heard)));
    }
}

// While sounds are held only the last one asked for is kept, and it starts at the release; one
// silenced meanwhile never starts.
void TestSoundPlayer::heldSoundStartsAtTheRelease() {
    if (!haveServer())
        QSKIP("no audio server");
    QtSoundPlayer player;
    Recorder recorder;
    const bool recording = recorder.start();
    player.holdSounds();
    player.playFile(QStringLiteral("long.wav"));
    QVERIFY(player.isPlaying());  // counted from the asking, as the game's timers expect
    player.playFile(QStringLiteral("short.wav"));
    QThread::msleep(300);
    if (recording)
        QCOMPARE(audibleMs(recorder.samples()), 0);
    player.releaseHeldSounds();
    QThread::msleep(400);

    player.holdSounds();
    player.playFile(QStringLiteral("long.wav"));
    player.silence();
    QVERIFY(!player.isPlaying());
    player.releaseHeldSounds();
    player.releaseHeldSounds();  // a second release finds nothing held
    if (recording) {
        QThread::msleep(300);
        const int heard = audibleMs(recorder.samples());
        QVERIFY2(qAbs(heard - 150) <= kToleranceMs,
                 qPrintable(QStringLiteral("heard %1 ms").arg(heard)));
    }
}

void TestSoundPlayer::silentFiles_data() {
    QTest::addColumn<QString>("file");
    QTest::newRow("missing") << "3.wav";
    QTest::newRow("not a wave file") << "broken.wav";
    QTest::newRow("deleted after the player read it") << "ピコ.wav";
    QTest::newRow("a folder") << "folder.wav";
}

// Whatever is wrong with the file, nothing plays, the sound before it is cut off, and the game
// goes on at once.
void TestSoundPlayer::silentFiles() {
    QFETCH(QString, file);
    writeFile(QStringLiteral("broken.wav"), "RIFF\x10\0\0\0WAVEjunkjunk");
    writeFile(QStringLiteral("ピコ.wav"), toneFile(100, 1760));
    QVERIFY(QDir().mkdir(QStringLiteral("folder.wav")));

    QtSoundPlayer player;
    QVERIFY(QFile::remove(QStringLiteral("ピコ.wav")));
    player.playFile(QStringLiteral("long.wav"));
    player.playFile(file);
    QVERIFY(!player.isPlaying());
    QElapsedTimer clock;
    clock.start();
    player.waitForSound();
    QVERIFY(clock.elapsed() < 5);
    QTest::qWait(50);  // let the sound thread act on whatever it was sent
    QVERIFY(!player.isPlaying());
}

void TestSoundPlayer::fileChangedOnDiskIsReadAgain() {
    if (!haveServer())
        QSKIP("no audio server");
    writeFile(QStringLiteral("ポコン.wav"), toneFile(600, 500));
    QtSoundPlayer player;
    QVERIFY(player.waitForOutput());
    // A different file under the same name, of another length: the new one plays.
    QThread::msleep(20);
    writeFile(QStringLiteral("ポコン.wav"), toneFile(200, 500));
    QElapsedTimer clock;
    clock.start();
    player.playFile(QStringLiteral("ポコン.wav"));
    const qint64 endedMs = msUntilSilent(player, clock);
    verifyPlayedFor(endedMs, 200);
}

// The family's recording of a word plays before the game's own, whether that lies in the folder
// the game runs in or was installed with it. Whatever the family's folder holds in place of a
// word, the game's own sound plays instead when the family's is not a short, readable word: a
// sound the game waits for never holds the child (Esc included) longer than the game's own
// sound, and a huge file is never read.
void TestSoundPlayer::familySoundsHoldNoLongerThanTheGamesOwn_data() {
    QTest::addColumn<int>("soundNumber");
    QTest::addColumn<QByteArray>("family");  // "sparse" for a 1.5 GB file of nothing
    QTest::addColumn<int>("playsMs");
    QTest::addColumn<bool>("ownInstalled");  // the game's own sound lies where it was installed
    QTest::newRow("a recorded word") << int(Sound::OnceMore) << toneFile(400, 500) << 400 << false;
    QTest::newRow("a recorded word, the game's own installed")
        << int(Sound::OnceMore) << toneFile(400, 500) << 400 << true;
    QTest::newRow("eight seconds of silence")
        << int(Sound::OnceMore) << toneFile(8000, 0) << 660 << false;
    QTest::newRow("ブー is no word of the family's")
        << int(Sound::Wrong) << toneFile(1500, 500) << 300 << false;
    QTest::newRow("empty") << int(Sound::OnceMore) << QByteArray() << 660 << false;
    QTest::newRow("no sound in it")
        << int(Sound::OnceMore) << QByteArray("RIFF not a wave") << 660 << false;
    QTest::newRow("1.5 GB") << int(Sound::One) << QByteArray("sparse") << 660 << false;
}

void TestSoundPlayer::familySoundsHoldNoLongerThanTheGamesOwn() {
    QFETCH(int, soundNumber);
    const auto sound = Sound(soundNumber);
    QFETCH(QByteArray, family);
    QFETCH(int, playsMs);
    QFETCH(bool, ownInstalled);
    if (!haveServer())
        QSKIP("no audio server");
    const QString name = soundFileName(sound);
    // The installed sounds of this test's program lie beside it in the build: made and removed
    // here, where none were before.
    const QString installed = installedDataFolder() + QStringLiteral("sounds/");
    QVERIFY(!QFileInfo::exists(installed + name));
    const QString own = ownInstalled ? installed + name : name;
    const auto removeInstalled = qScopeGuard([&] {
        if (ownInstalled && QFile::remove(own))
            QDir().rmpath(installed);
    });
    QVERIFY(!ownInstalled || QDir().mkpath(installed));
    writeFile(own, toneFile(sound == Sound::Wrong ? 300 : 660, 700));  // the game's own
    const QString folder = m_dir->filePath(QStringLiteral("home/kazoemashou/voice"));
    QVERIFY(QDir().mkpath(folder));
    QFile recording(folder + QLatin1Char('/') + name);
    QVERIFY(recording.open(QIODevice::WriteOnly));
    if (family == "sparse")
        QVERIFY(recording.resize(1536LL * 1024 * 1024));
    else
        recording.write(family);
    recording.close();

    QtSoundPlayer player;
    QVERIFY(player.waitForOutput());
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    QElapsedTimer clock;
    clock.start();
    player.play(sound);
    player.waitForSound();
    verifyPlayedFor(clock.elapsed(), playsMs);
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    const long grewKb = after.ru_maxrss - before.ru_maxrss;
    QVERIFY2(grewKb < 64 * 1024, qPrintable(QStringLiteral("memory grew %1 KiB").arg(grewKb)));
}

void TestSoundPlayer::waitForSoundReturnsAtOnceWhenNothingPlays() {
    QtSoundPlayer player;
    QCOMPARE(player.waitForOutput(), haveServer());
    QElapsedTimer clock;
    clock.start();
    player.waitForSound();
    if (haveServer()) {
        player.playFile(QStringLiteral("short.wav"));
        const int endedMs = 150 + kLateStartMs;
        QThread::msleep(endedMs);  // ended on its own
        player.waitForSound();
        player.playFile(QStringLiteral("short.wav"));
        player.silence();
        player.waitForSound();
        QVERIFY(clock.elapsed() < endedMs + 10);
    } else {
        QVERIFY(clock.elapsed() < 5);
    }
}

void TestSoundPlayer::waitForSoundBlocksUntilTheEnd() {
    if (!haveServer())
        QSKIP("no audio server");
    QtSoundPlayer player;
    QVERIFY(player.waitForOutput());
    // Nothing else runs while it waits: a timer due long before the end does not fire.
    bool timerFired = false;
    QTimer::singleShot(10, [&] { timerFired = true; });
    QElapsedTimer clock;
    clock.start();
    player.playFile(QStringLiteral("mid.wav"));
    player.waitForSound();
    const qint64 returnedMs = clock.elapsed();
    verifyPlayedFor(returnedMs, 660);
    QVERIFY(!player.isPlaying());
    QVERIFY(!timerFired);
    QTRY_VERIFY(timerFired);
}

void TestSoundPlayer::withoutAudioServer() {
    if (haveServer())
        QSKIP("an audio output exists; this case runs with PULSE_SERVER pointing nowhere");
    QtSoundPlayer player;
    QElapsedTimer clock;
    clock.start();
    player.playFile(QStringLiteral("long.wav"));
    QVERIFY(!player.isPlaying());
    player.waitForSound();
    QVERIFY(clock.elapsed() < 100);
    QTest::qWait(100);
    QVERIFY(!player.isPlaying());
}

QTEST_GUILESS_MAIN(TestSoundPlayer)
#include "test_sound_player.moc"
