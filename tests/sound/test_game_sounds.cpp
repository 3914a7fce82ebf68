// The sounds that ship with the game: all eighteen are there and playable, start at once, stay
// short, are brought to a common level, and are exactly what tools/make_sounds.sh makes.

#include "ui/sound_files.h"
#include "ui/sound_player.h"
#include "support/paths.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString soundsDir() {
    return sourceFolder() + QStringLiteral("/sounds/");
}
QString script() {
    return sourceFolder() + QStringLiteral("/tools/make_sounds.sh");
}
// The file of every sound the game plays, as the game names it.
QStringList soundFiles() {
    QStringList files;
    for (Sound sound : kAllSounds)
        files.append(soundFileName(sound));
    return files;
}

}  // namespace

class TestGameSounds : public QObject {
    Q_OBJECT
private slots:
    void eachSound_data();
    void eachSound();
    void scriptReproducesTheSounds();
};

void TestGameSounds::eachSound_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("minMs");
    QTest::addColumn<int>("maxMs");
    for (Sound sound : kAllSounds) {
        // Each number is said unhurried, about as long as the others, and has ended (with room
        // for the sound output's delay) before the next touch of a child who touches twice a
        // second: a touch made while a sound plays does not count.
        const bool number = sound <= Sound::Ten;
        // The hop sound plays at every hop, as often as every 0.1 s, and a touch made while it
        // plays does not count: it must end before the next hop or the character cannot be caught.
        const bool hop = sound == Sound::Hop;
        const QString name = soundFileName(sound);
        QTest::newRow(qPrintable(name))
            << name << (number ? 300 : 50) << (hop ? 95 : number ? 450 : 2500);
    }
}

void TestGameSounds::eachSound() {
    QFETCH(QString, file);
    QFETCH(int, minMs);
    QFETCH(int, maxMs);

    QFile f(soundsDir() + file);
    QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(f.fileName()));
    const Wave clip = parseWave(f.readAll());
    QVERIFY(clip.isPlayable());
    QCOMPARE(clip.format.sample, WaveFormat::Sample::Int16);
    QCOMPARE(clip.format.channels, 1);
    QCOMPARE(clip.format.sampleRate, 22050);

    const qint64 ms = clip.durationUs() / 1000;
    QVERIFY2(ms >= minMs && ms <= maxMs, qPrintable(QStringLiteral("%1 ms").arg(ms)));

    const auto* s = reinterpret_cast<const qint16*>(clip.samples.constData());
    const qsizetype frames = clip.samples.size() / 2;
    // No leading silence: audible (above 1 % of full scale) within the first 5 ms.
    qsizetype firstAudible = 0;
    while (firstAudible < frames && std::abs(int(s[firstAudible])) < 328)
        ++firstAudible;
    QVERIFY2(firstAudible * 1000 / 22050 <= 5,
             qPrintable(QStringLiteral("first audible sample at %1").arg(firstAudible)));

    // Normalised: loud enough to hear next to the others, and never clipping.
    int peak = 0;
    double energy = 0;
    for (qsizetype i = 0; i < frames; ++i) {
        peak = std::max(peak, std::abs(int(s[i])));
        energy += double(s[i]) * s[i];
    }
    const double peakDb = 20 * std::log10(peak / 32768.0);
    const double rmsDb = 10 * std::log10(energy / frames / (32768.0 * 32768.0));
    QVERIFY2(peakDb <= -0.9, qPrintable(QStringLiteral("peak %1 dBFS").arg(peakDb)));
    QVERIFY2(rmsDb >= -22 && rmsDb <= -14, qPrintable(QStringLiteral("RMS %1 dBFS").arg(rmsDb)));
}

void TestGameSounds::scriptReproducesTheSounds() {
    if (QStandardPaths::findExecutable(QStringLiteral("open_jtalk")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("sox")).isEmpty() ||
        !QFile::exists(QStringLiteral("/usr/share/hts-voice/nitech-jp-atr503-m001")))
        QSKIP("open_jtalk, its voice or sox is not installed");
    QTemporaryDir out;
    QVERIFY(out.isValid());
    QProcess run;
    run.start(QStringLiteral("/bin/sh"), {script(), out.path()});
    QVERIFY(run.waitForFinished(60'000));
    QVERIFY2(run.exitCode() == 0, run.readAllStandardError().constData());

    const QStringList made = QDir(out.path()).entryList({QStringLiteral("*.wav")}, QDir::Files);
    QCOMPARE(made.size(), soundFiles().size());
    for (const QString& name : soundFiles()) {
        QFile a(out.filePath(name)), b(soundsDir() + name);
        QVERIFY2(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly), qPrintable(name));
        QVERIFY2(a.readAll() == b.readAll(), qPrintable(name + " differs from the committed one"));
    }
}

QTEST_GUILESS_MAIN(TestGameSounds)
#include "test_game_sounds.moc"
