// The adult's own pictures in every format the game reads: a folder of mixed formats plays, and
// "Fname.txt" lists them in the one order; a phone photo turned by its EXIF orientation shows
// upright in the game and in the selection list.

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include "screens/screens_test_support.h"
#include "screens/thumbnails.h"
#include "sim_game.h"
#include "support/files.h"
#include "support/paths.h"
#include "ui/character_pictures.h"

namespace {
// A JPEG of `stored` whose EXIF says to turn it by `orientation` (6: a quarter turn clockwise)
// to show it upright, as a phone held upright writes its photos: an APP1 segment right after the
// start of the file, holding a big-endian TIFF header and one entry, Orientation (0x0112).
QByteArray jpegWithOrientation(const QImage& stored, int orientation) {
    QByteArray exif("Exif", 4);
    exif += QByteArray(2, '\0');
    exif += QByteArray::fromHex(
        "4d4d002a00000008"    // "MM", 42, first entries at 8
        "0001"                // one entry
        "0112000300000001");  // Orientation, SHORT, one value
    exif += char(0);
    exif += char(orientation);
    exif += QByteArray(2, '\0') + QByteArray(4, '\0');  // value padding, no next entries
    const int length = int(exif.size()) + 2;
    const QByteArray segment =
        QByteArray::fromHex("ffe1") + char(length >> 8) + char(length & 0xFF) + exif;
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    stored.save(&buffer, "JPEG");
    jpeg.insert(2, segment);
    return jpeg;
}

bool near(const QColor& a, const QColor& b) {
    return qAbs(a.red() - b.red()) < 48 && qAbs(a.green() - b.green()) < 48 &&
           qAbs(a.blue() - b.blue()) < 48;
}

// Where character `index` is drawn on a window of `image`'s size.
QRect placeOf(SimGame& sim, int index) {
    return sim.window().twips().toPixels(sim.game().model().characters[index]).toRect();
}
}  // namespace

class PictureFormatsTest : public QObject {
    Q_OBJECT

private slots:
    // The endings are taken from the plugins' metadata, without loading them: they must be the
    // formats Qt reads, but icons and cursors.
    void endingsAreTheFormatsRead() {
        QStringList read;
        for (const QByteArray& format : QImageReader::supportedImageFormats()) {
            if (format != "ico" && format != "cur" && format != "icns")
                read.append(QString::fromLatin1(format));
        }
        QStringList endings = pictureSuffixes();
        endings.sort();
        read.sort();
        QCOMPARE(endings, read);
    }

    // One picture of each format, the endings in any letter case, beside files that are no
    // pictures; every round of seven different characters draws each of them.
    void everyFormatPlaysAndIsListedInOrder() {
        QTemporaryDir folder;
        const QString samples = sourceFolder() + QStringLiteral("/data/");
        QVERIFY(QFile::copy(samples + QStringLiteral("ねこ.gif"), folder.filePath("ねこ.gif")));
        const QList<std::tuple<QString, const char*, QColor>> made = {
            {"b.PNG", "PNG", Qt::red},      {"c.jpg", "JPEG", Qt::green},
            {"D.bmp", "BMP", Qt::blue},     {"e.webp", "WEBP", Qt::magenta},
            {"f.JPEG", "JPEG", Qt::cyan},   {"g.tif", "TIFF", Qt::darkYellow},
            {"Clear.ico", "ICO", Qt::black}};  // the program's pointer, no character
        QHash<QString, QColor> colours;
        for (const auto& [name, format, colour] : made) {
            writeFile(folder.filePath(name), filledPicture(32, 32, colour, format));
            colours.insert(name, colour);
        }
        writeFile(folder.filePath("notes.txt"), "not a picture");

        GameSettings settings;
        settings.mixedCharacters = true;
        settings.minCount = 7;
        settings.maxCount = 7;
        SimGame sim(folder.path() + QDir::separator(), settings, 1024, 768);
        QCOMPARE(fileBytes(folder.filePath("Fname.txt")),
                 QByteArray("\"b.PNG\",#TRUE#\r\n\"c.jpg\",#TRUE#\r\n\"D.bmp\",#TRUE#\r\n"
                            "\"e.webp\",#TRUE#\r\n\"f.JPEG\",#TRUE#\r\n\"g.tif\",#TRUE#\r\n"
                            "\"\x82\xcb\x82\xb1.gif\",#TRUE#\r\n"));

        for (int round = 0; round < 2; ++round) {
            QVERIFY(sim.playUntilCards());
            QImage frame(1024, 768, QImage::Format_RGB32);
            sim.render(frame);
            QStringList shown;
            for (int i = 0; i < 7; ++i) {
                const QString name = QFileInfo(sim.game().round().pictures[i]).fileName();
                shown.append(name);
                QVERIFY2(!sim.pictures().picture(i).isNull(), qPrintable(name));
                if (colours.contains(name)) {
                    // Near a corner: the numeral lies over the middle.
                    const QRect place = placeOf(sim, i);
                    const QColor drawn = frame.pixelColor(place.topLeft() + QPoint(4, 4));
                    QVERIFY2(near(drawn, colours[name]), qPrintable(name));
                }
            }
            shown.sort();
            QCOMPARE(shown.join(u' '),
                     QStringLiteral("D.bmp b.PNG c.jpg e.webp f.JPEG g.tif ねこ.gif"));
            QVERIFY(sim.playRounds(1));
        }
    }

    // A photo stored lying on its side, red on the left and blue on the right, whose EXIF says
    // to turn it a quarter clockwise: upright it is red above blue, in the game and in the list.
    void photoShowsUprightByItsOrientation() {
        QImage stored(80, 40, QImage::Format_RGB32);
        stored.fill(Qt::blue);
        QPainter(&stored).fillRect(0, 0, 40, 40, Qt::red);
        QTemporaryDir folder;
        const QString photo = folder.filePath("photo.jpg");
        writeFile(photo, jpegWithOrientation(stored, 6));

        GameSettings settings;
        settings.minCount = 1;
        settings.maxCount = 1;
        SimGame sim(folder.path() + QDir::separator(), settings, 1024, 768);
        QVERIFY(sim.game().model().characters[0].visible);
        QImage frame(1024, 768, QImage::Format_RGB32);
        sim.render(frame);
        const QRect place = placeOf(sim, 0);
        const auto at = [&](double x, double y) {
            return frame.pixelColor(place.left() + int(x * place.width()),
                                    place.top() + int(y * place.height()));
        };
        for (double x : {0.25, 0.75}) {
            QVERIFY(near(at(x, 0.25), Qt::red));
            QVERIFY(near(at(x, 0.75), Qt::blue));
        }

        const QImage thumbnail = ThumbnailDelegate::readThumbnail(photo, 24);
        QCOMPARE(thumbnail.size(), QSize(12, 24));
        QVERIFY(near(thumbnail.pixelColor(6, 4), Qt::red));
        QVERIFY(near(thumbnail.pixelColor(6, 20), Qt::blue));
    }
};

QTEST_MAIN(PictureFormatsTest)
#include "test_picture_formats.moc"
