// Pictures and sounds that go missing or turn to garbage while the real program plays, and
// hostile "GIF" files: the game keeps running, shows a placeholder where a picture cannot be
// drawn, and never spends more than a little memory on a picture.

#include <QBuffer>
#include <QDeadlineTimer>
#include <QDir>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QtEndian>

#include "faults/fault_rig.h"

using namespace Faults;

namespace {
const QString kSettingsFile = QStringLiteral("Pimo.txt");
// A peak far below what one 20000 x 20000 picture would take (1.6 GB) and well above the
// game's own (about 50 MB).
constexpr qint64 kMemoryCeilingKb = 256 * 1024;

QByteArray randomBytes(int size) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& byte : bytes)
        byte = char(QRandomGenerator::global()->bounded(256));
    return bytes;
}

// A GIF file of one frame whose header claims a logical screen and a frame of these sizes,
// followed by a few pixels of real picture data.
QByteArray gifClaiming(quint16 screenWidth, quint16 screenHeight, quint16 frameWidth,
                       quint16 frameHeight) {
    auto little = [](quint16 value) {
        return QByteArray(1, char(value & 0xFF)) + QByteArray(1, char(value >> 8));
    };
    QByteArray gif("GIF89a");
    gif += little(screenWidth) + little(screenHeight);
    gif += QByteArray::fromHex(
        "800000"
        "000000"
        "ffffff");  // two-colour table
    gif += QByteArray(1, ',') + little(0) + little(0) + little(frameWidth) + little(frameHeight);
    gif += QByteArray::fromHex(
        "00"
        "02"
        "024401"
        "00"
        "3b");  // LZW data, end of file
    return gif;
}

QByteArray encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// The CRC-32 of PNG chunks.
quint32 crc32(const char* data, int size) {
    quint32 crc = 0xFFFFFFFFu;
    for (int i = 0; i < size; ++i) {
        crc ^= quint8(data[i]);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A valid PNG file whose header claims this size (its checksum made to match).
QByteArray pngClaiming(quint32 width, quint32 height) {
    QImage small(1, 1, QImage::Format_RGB32);
    small.fill(Qt::red);
    QByteArray bytes = encoded(small, "PNG");
    // Signature (8), length (4), "IHDR" (4), then width and height.
    qToBigEndian(width, bytes.data() + 16);
    qToBigEndian(height, bytes.data() + 20);
    qToBigEndian(crc32(bytes.constData() + 12, 17), bytes.data() + 29);
    return bytes;
}

// A JPEG file whose frame header claims this size.
QByteArray jpegClaiming(quint16 width, quint16 height) {
    QImage small(8, 8, QImage::Format_RGB32);
    small.fill(Qt::red);
    QByteArray bytes = encoded(small, "JPEG");
    // The frame header: FF C0, its length (2), the sample precision (1), height, width.
    const qsizetype frame = bytes.indexOf(QByteArray::fromHex("ffc0"));
    qToBigEndian(height, bytes.data() + frame + 5);
    qToBigEndian(width, bytes.data() + frame + 7);
    return bytes;
}

// Waits until the screen shows a character below the tray that passes `test`.
template <typename Test>
GameView waitForView(const VirtualScreen& screen, int timeoutMs, Test test) {
    const QDeadlineTimer deadline(timeoutMs);
    GameView view;
    do {
        view = readGameView(screen.screenshot());
        if (test(view))
            break;
        QThread::msleep(100);
    } while (!deadline.hasExpired());
    return view;
}

constexpr int kPlaceholderPixels = 2000;  // a placeholder cell holds well over 10,000
}  // namespace

class FaultsInPicturesAndSounds : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (!m_screen.isUp())
            QSKIP("needs Xvfb and xdotool");
        QVERIFY(m_sounds.isValid());
        QVERIFY(copySounds(m_sounds.path()));
    }

    // The only picture of a round goes, or turns to garbage, while its character hops about:
    // from its next hop on it is drawn as the grey placeholder, and it can still be caught.
    void pictureGoesMidRound_data() {
        QTest::addColumn<bool>("deleted");
        QTest::newRow("deleted") << true;
        QTest::newRow("replaced with garbage") << false;
    }
    void pictureGoesMidRound() {
        QFETCH(bool, deleted);
        QTemporaryDir folder;
        const QStringList pictures = copySamplePictures(folder.path(), 1);
        // A hop a second: the pointer, moved to where a screenshot saw the character, finds it
        // still there (at 0.3 s the character was often gone again, for seconds on end).
        QVERIFY(writeFile(folder.filePath(kSettingsFile), settingsLine(10)));
        GameRun game(m_screen);
        QVERIFY2(game.start(folder.path(), m_sounds.path()), qPrintable(game.error()));

        const GameView before =
            waitForView(m_screen, 3000, [](const GameView& v) { return !v.character.isEmpty(); });
        QVERIFY(!before.character.isEmpty());
        QVERIFY(before.placeholderGrey < kPlaceholderPixels / 10);

        const QString picture = folder.filePath(pictures.first());
        if (deleted) {
            QVERIFY(QFile::remove(picture));
        } else {
            QVERIFY(writeFile(picture, randomBytes(5000)));
        }
        const GameView after = waitForView(m_screen, 3000, [](const GameView& v) {
            return v.placeholderGrey > kPlaceholderPixels;
        });
        QVERIFY2(after.placeholderGrey > kPlaceholderPixels,
                 qPrintable(QString::number(after.placeholderGrey)));
        // The grey is the character: it fills most of the place where the character is drawn.
        QVERIFY(after.placeholderGrey > after.character.width() * after.character.height() / 3);
        QVERIFY(game.catchCharacter());
        QVERIFY(game.quit());
    }

    // The sounds go, or turn to garbage, while the game plays in a copy of the sounds folder:
    // it plays on in silence.
    void soundGoesMidGame_data() {
        QTest::addColumn<bool>("deleted");
        QTest::newRow("deleted") << true;
        QTest::newRow("replaced with garbage") << false;
    }
    void soundGoesMidGame() {
        QFETCH(bool, deleted);
        QTemporaryDir sounds;
        QVERIFY(copySounds(sounds.path()));
        QTemporaryDir folder;
        copySamplePictures(folder.path(), 2);
        // Half a second in one place: the hop sound comes often, yet a character can be caught.
        QVERIFY(writeFile(folder.filePath(kSettingsFile), settingsLine(5)));
        GameRun game(m_screen);
        QVERIFY2(game.start(folder.path(), sounds.path()), qPrintable(game.error()));
        QTest::qWait(700);

        const QStringList waves = QDir(sounds.path()).entryList({QStringLiteral("*.wav")});
        QCOMPARE(waves.size(), 18);
        for (const QString& wave : waves) {
            const QString path = sounds.filePath(wave);
            QVERIFY(deleted ? QFile::remove(path) : writeFile(path, randomBytes(3000)));
        }
        QTest::qWait(1500);  // three hops, each with its sound
        QVERIFY(game.running());
        QVERIFY(game.catchCharacter());  // a number sound and the sound of the tray
        QVERIFY(game.catchCharacter());
        QVERIFY(game.quit());
    }

    // Files that only call themselves pictures, alone in the data folder so that every round
    // draws them: nothing crashes, memory stays small, the list of pictures opens, and one that
    // cannot be drawn shows the placeholder. Mostly GIF, and a few of the other formats.
    void hostilePicture_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("placeholder");
        QTest::addColumn<QString>("name");
        QImage red(64, 64, QImage::Format_RGB32);
        red.fill(Qt::red);
        const QByteArray sample = readFile(sourceFolder() + QStringLiteral("/data/くま.gif"));
        QVERIFY(!sample.isEmpty());
        const QString gif = QStringLiteral("picture.gif");
        QTest::newRow("a PNG picture") << encoded(red, "PNG") << false << gif;
        QTest::newRow("cut off halfway") << sample.left(sample.size() / 2) << false << gif;
        QTest::newRow("zero bytes") << QByteArray() << true << gif;
        QTest::newRow("20000 x 20000 screen and frame")
            << gifClaiming(20000, 20000, 20000, 20000) << true << gif;
        QTest::newRow("20000 x 20000 frame, no screen size")
            << gifClaiming(0, 0, 20000, 20000) << true << gif;
        QTest::newRow("20000 x 20000 frame on a 1 x 1 screen")
            << gifClaiming(1, 1, 20000, 20000) << false << gif;
        QTest::newRow("a PNG claiming 20000 x 20000") << pngClaiming(20000, 20000) << true << gif;
        QTest::newRow("a JPEG claiming 20000 x 20000")
            << jpegClaiming(20000, 20000) << true << QStringLiteral("picture.jpg");
        const QByteArray webp = encoded(red, "WEBP");
        QTest::newRow("a WebP cut off halfway")
            << webp.left(webp.size() / 2) << true << QStringLiteral("picture.webp");
    }
    void hostilePicture() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, placeholder);
        QFETCH(QString, name);
        QTemporaryDir folder;
        QVERIFY(writeFile(folder.filePath(name), bytes));
        // A hop every 0.2 s: the picture is read again and again.
        QVERIFY(writeFile(folder.filePath(kSettingsFile), settingsLine(2)));
        GameRun game(m_screen);
        QVERIFY2(game.start(folder.path(), m_sounds.path()), qPrintable(game.error()));

        const GameView view = waitForView(m_screen, 3000, [placeholder](const GameView& v) {
            return placeholder ? v.placeholderGrey > kPlaceholderPixels : !v.tray.isEmpty();
        });
        if (placeholder) {
            QVERIFY2(view.placeholderGrey > kPlaceholderPixels,
                     qPrintable(QString::number(view.placeholderGrey)));
        }
        const QString list = game.openScreen(QStringLiteral("n"), Selection::kTitle);
        QVERIFY(!list.isEmpty());  // its small picture is read too
        QVERIFY(game.clickAt(list, Selection::kCancel));
        QTest::qWait(1000);  // five more hops
        QVERIFY(game.running());
        const qint64 peakKb = peakResidentKb(game.pid());
        qInfo("%s: peak resident memory %lld MB", QTest::currentDataTag(), peakKb / 1024);
        QVERIFY2(peakKb > 0 && peakKb < kMemoryCeilingKb, qPrintable(QString::number(peakKb)));
        QVERIFY(game.quit());
    }

private:
    VirtualScreen m_screen;
    QTemporaryDir m_sounds;
};

QTEST_GUILESS_MAIN(FaultsInPicturesAndSounds)
#include "test_faults_media.moc"
