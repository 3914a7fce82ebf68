// The pictures the game carries: the files as they sit in the resources are read byte by byte
// (the game must show the same figures on cards and numerals, and a numeral must let the
// character show through its holes), and the generator must still draw them exactly.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <optional>
#include <set>
#include <vector>

#include "ui/embedded_pictures.h"
#include "support/paths.h"

namespace {

constexpr int kSide = 160;

QByteArray resourceBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

unsigned u8(const QByteArray& b, int at) {
    return std::uint8_t(b.at(at));
}
unsigned u16(const QByteArray& b, int at) {
    return u8(b, at) | u8(b, at + 1) << 8;
}
quint32 u32(const QByteArray& b, int at) {
    return u16(b, at) | quint32(u16(b, at + 2)) << 16;
}

struct Box {
    int left = kSide, top = kSide, right = -1, bottom = -1;
    void add(int x, int y) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
    }
};

// Where each figure must stand: columns left..right (or just centred, when left is -1) and
// rows top..bottom.
struct Expected {
    int left, right, top, bottom;
};
Expected expectedBox(int number) {
    switch (number) {
        case 1:
            return {58, 101, 10, 148};
        case 2:
            return {-1, -1, 11, 147};
        case 10:
            return {17, 141, 10, 149};
        default:
            return {-1, -1, 10, 148};
    }
}

void checkBox(const Box& box, int number) {
    const Expected e = expectedBox(number);
    QCOMPARE(box.top, e.top);
    QCOMPARE(box.bottom, e.bottom);
    if (e.left >= 0) {
        QCOMPARE(box.left, e.left);
        QCOMPARE(box.right, e.right);
    } else {
        QVERIFY2(qAbs(box.left + box.right - (kSide - 1)) <= 1,
                 qPrintable(QStringLiteral("columns %1..%2").arg(box.left).arg(box.right)));
        QVERIFY2(box.right - box.left >= 80, "a figure a child can read at a glance is wide");
    }
}

// Decodes the single image of a GIF with a global colour table, checking the block structure
// on the way. Returns the colour indices row by row, or nothing with a failure recorded.
struct GifImage {
    QByteArray table;  // the global colour table, 3 bytes an entry
    unsigned background = 0;
    int extensions = 0;
    unsigned gcePacked = 0, gceDelay = 0, gceTransparent = 0;
    bool applicationExtension = false;
    int images = 0;
    unsigned imageLeft = 0, imageTop = 0, imageWidth = 0, imageHeight = 0, imagePacked = 0;
    unsigned minimumCodeSize = 0;
    std::vector<int> pixels;
    QString fault;
};

std::vector<int> lzwDecode(const QByteArray& data, unsigned minimumCodeSize, size_t expected) {
    const int clear = 1 << minimumCodeSize, end = clear + 1;
    std::vector<std::vector<int>> dictionary;
    auto reset = [&] {
        dictionary.assign(size_t(clear + 2), {});
        for (int i = 0; i < clear; ++i)
            dictionary[size_t(i)] = {i};
    };
    reset();
    int codeSize = int(minimumCodeSize) + 1;
    std::vector<int> out, previous;
    quint32 bits = 0;
    int held = 0, at = 0;
    while (true) {
        while (held < codeSize && at < data.size()) {
            bits |= quint32(u8(data, at++)) << held;
            held += 8;
        }
        if (held < codeSize)
            break;
        const int code = int(bits & ((1u << codeSize) - 1));
        bits >>= codeSize;
        held -= codeSize;
        if (code == clear) {
            reset();
            codeSize = int(minimumCodeSize) + 1;
            previous.clear();
            continue;
        }
        if (code == end)
            break;
        std::vector<int> entry;
        if (size_t(code) < dictionary.size()) {
            entry = dictionary[size_t(code)];
        } else if (size_t(code) == dictionary.size() && !previous.empty()) {
            entry = previous;
            entry.push_back(previous.front());
        } else {
            return {};
        }
        out.insert(out.end(), entry.begin(), entry.end());
        if (!previous.empty() && dictionary.size() < 4096) {
            previous.push_back(entry.front());
            dictionary.push_back(previous);
            if (dictionary.size() == (1u << codeSize) && codeSize < 12)
                ++codeSize;
        }
        previous = entry;
    }
    if (out.size() != expected)
        return {};
    return out;
}

GifImage readGif(const QByteArray& b) {
    GifImage g;
    if (b.size() < 13 + 12 || !b.startsWith("GIF89a")) {
        g.fault = "not a GIF89a file";
        return g;
    }
    if (u16(b, 6) != kSide || u16(b, 8) != kSide)
        g.fault = "logical screen is not 160 x 160";
    const unsigned packed = u8(b, 10);
    if (!(packed & 0x80) || (packed & 0x07) != 1)
        g.fault = "no global table of four entries";
    g.background = u8(b, 11);
    g.table = b.mid(13, 12);
    int at = 13 + 12;
    QByteArray data;
    while (at < b.size()) {
        const unsigned kind = u8(b, at);
        if (kind == 0x3B)
            break;  // trailer
        if (kind == 0x21) {
            const unsigned label = u8(b, at + 1);
            if (label == 0xF9) {
                ++g.extensions;
                g.gcePacked = u8(b, at + 3);
                g.gceDelay = u16(b, at + 4);
                g.gceTransparent = u8(b, at + 6);
            }
            if (label == 0xFF)
                g.applicationExtension = true;
            at += 2;
            while (at < b.size() && u8(b, at) != 0)
                at += int(u8(b, at)) + 1;
            ++at;
        } else if (kind == 0x2C) {
            ++g.images;
            g.imageLeft = u16(b, at + 1);
            g.imageTop = u16(b, at + 3);
            g.imageWidth = u16(b, at + 5);
            g.imageHeight = u16(b, at + 7);
            g.imagePacked = u8(b, at + 9);
            g.minimumCodeSize = u8(b, at + 10);
            at += 11;
            while (at < b.size() && u8(b, at) != 0) {
                data += b.mid(at + 1, int(u8(b, at)));
                at += int(u8(b, at)) + 1;
            }
            ++at;
        } else {
            g.fault = QStringLiteral("unknown block 0x%1").arg(kind, 0, 16);
            return g;
        }
    }
    if (at >= b.size() || u8(b, at) != 0x3B)
        g.fault = "no trailer";
    g.pixels = lzwDecode(data, g.minimumCodeSize, size_t(kSide * kSide));
    if (g.pixels.empty())
        g.fault = "the image data does not decode to 160 x 160 pixels";
    return g;
}

// The figure's pixels on a card: everything in dark navy.
std::optional<std::vector<bool>> cardFigure(const QByteArray& b) {
    if (b.size() != 76856)
        return std::nullopt;
    std::vector<bool> inked(kSide * kSide, false);
    for (int y = 0; y < kSide; ++y) {
        const int row = 54 + (kSide - 1 - y) * kSide * 3;
        for (int x = 0; x < kSide; ++x) {
            const int at = row + x * 3;
            inked[size_t(y * kSide + x)] =
                u8(b, at) == 0x33 && u8(b, at + 1) == 0 && u8(b, at + 2) == 0;
        }
    }
    return inked;
}

// How many see-through areas lie enclosed inside the figure (not reachable from the border).
int holes(const std::vector<int>& pixels, int seeThrough) {
    std::vector<int> region(pixels.size(), -1);
    int regions = 0, enclosed = 0;
    for (int start = 0; start < kSide * kSide; ++start) {
        if (pixels[size_t(start)] != seeThrough || region[size_t(start)] >= 0)
            continue;
        bool touchesBorder = false;
        std::vector<int> todo{start};
        region[size_t(start)] = regions;
        while (!todo.empty()) {
            const int p = todo.back();
            todo.pop_back();
            const int x = p % kSide, y = p / kSide;
            if (x == 0 || y == 0 || x == kSide - 1 || y == kSide - 1)
                touchesBorder = true;
            const int next[4][2] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
            for (const auto& n : next) {
                if (n[0] < 0 || n[1] < 0 || n[0] >= kSide || n[1] >= kSide)
                    continue;
                const int q = n[1] * kSide + n[0];
                if (pixels[size_t(q)] == seeThrough && region[size_t(q)] < 0) {
                    region[size_t(q)] = regions;
                    todo.push_back(q);
                }
            }
        }
        ++regions;
        if (!touchesBorder)
            ++enclosed;
    }
    return enclosed;
}


}  // namespace

class ArtworkTest : public QObject {
    Q_OBJECT

    static void addNumberRows() {
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("holeCount");
        const int holeCounts[] = {0, 0, 0, 0, 0, 1, 0, 2, 1, 1};
        for (int n = 1; n <= 10; ++n) {
            QTest::addRow("%d", n) << n << holeCounts[n - 1];
        }
    }

private slots:
    void initTestCase() { initEmbeddedPictures(); }

    // A card is a fixed-layout 24-bit bitmap: five colours, a white margin, two grey lines, a
    // pale face and the figure standing exactly where the face puts every figure.
    void card_data() { addNumberRows(); }
    void card() {
        QFETCH(int, number);
        const QByteArray b = resourceBytes(QStringLiteral(":/pictures/card%1.bmp").arg(number));
        QCOMPARE(b.size(), 76856);
        QVERIFY(b.startsWith("BM"));
        QCOMPARE(u32(b, 2), 76856u);
        QCOMPARE(u32(b, 10), 54u);
        QCOMPARE(u32(b, 14), 40u);
        QCOMPARE(u32(b, 18), quint32(kSide));
        QCOMPARE(u32(b, 22), quint32(kSide));  // positive: rows bottom-up
        QCOMPARE(u16(b, 26), 1u);
        QCOMPARE(u16(b, 28), 24u);
        QCOMPARE(u32(b, 30), 0u);  // no compression
        QCOMPARE(u32(b, 34), 0u);
        QCOMPARE(u32(b, 38), 2834u);
        QCOMPARE(u32(b, 42), 2834u);
        QCOMPARE(u32(b, 46), 0u);  // no palette
        QCOMPARE(u16(b, 76854), 0u);

        std::set<quint32> colours;
        Box box;
        for (int y = 0; y < kSide; ++y) {
            for (int x = 0; x < kSide; ++x) {
                const int at = 54 + ((kSide - 1 - y) * kSide + x) * 3;
                const quint32 rgb = u8(b, at + 2) << 16 | u8(b, at + 1) << 8 | u8(b, at);
                colours.insert(rgb);
                const int ring = std::min({x, y, kSide - 1 - x, kSide - 1 - y});
                const quint32 frame = ring < 2    ? 0xFFFFFF
                                      : ring == 2 ? 0x808080
                                      : ring == 3 ? 0xC0C0C0
                                                  : 0xE6E6E6;
                if (rgb == 0x000033) {
                    box.add(x, y);
                    QVERIFY2(ring >= 4, "the figure stays on the face");
                } else if (rgb != frame) {
                    QFAIL(qPrintable(
                        QStringLiteral("pixel %1,%2 is %3").arg(x).arg(y).arg(rgb, 6, 16)));
                }
            }
        }
        QCOMPARE(colours, (std::set<quint32>{0xFFFFFF, 0x808080, 0xC0C0C0, 0xE6E6E6, 0x000033}));
        checkBox(box, number);
        // The bottom row in the file is the card's bottom edge: the first pixel bytes are white.
        QCOMPARE(u32(b, 54) & 0xFFFFFF, 0xFFFFFFu);
    }

    // A numeral is a one-image GIF89a with the game's colour table and transparency, showing
    // the card's figure as a white stroke edged in navy and see-through everywhere else.
    void numeral_data() { addNumberRows(); }
    void numeral() {
        QFETCH(int, number);
        QFETCH(int, holeCount);
        const GifImage g =
            readGif(resourceBytes(QStringLiteral(":/pictures/numeral%1.gif").arg(number)));
        QVERIFY2(g.fault.isEmpty(), qPrintable(g.fault));
        const char grey = number <= 2 ? '\x33' : '\x21';
        QCOMPARE(g.table, QByteArray("\xFF\xFF\xFF", 3) + QByteArray(3, grey) +
                              QByteArray("\x00\x00\x33\x00\x00\x00", 6));
        QCOMPARE(g.background, 0u);
        QCOMPARE(g.extensions, 1);
        QCOMPARE(g.gcePacked, (1u << 2) | 1u);  // leave in place; transparency on
        QCOMPARE(g.gceDelay, 20u);
        QCOMPARE(g.gceTransparent, 1u);
        QVERIFY(!g.applicationExtension);
        QCOMPARE(g.images, 1);
        QCOMPARE(g.imageLeft, 0u);
        QCOMPARE(g.imageTop, 0u);
        QCOMPARE(g.imageWidth, unsigned(kSide));
        QCOMPARE(g.imageHeight, unsigned(kSide));
        QCOMPARE(g.imagePacked, 0u);  // no local table, not interlaced
        QCOMPARE(g.minimumCodeSize, 2u);

        const auto card =
            cardFigure(resourceBytes(QStringLiteral(":/pictures/card%1.bmp").arg(number)));
        QVERIFY(card);
        Box box;
        int white = 0;
        for (int y = 0; y < kSide; ++y) {
            for (int x = 0; x < kSide; ++x) {
                const int index = g.pixels[size_t(y * kSide + x)];
                QVERIFY2(index != 3, "black is never used");
                const bool stroke = index != 1;
                QVERIFY2(
                    stroke == (*card)[size_t(y * kSide + x)],
                    qPrintable(QStringLiteral("card and numeral differ at %1,%2").arg(x).arg(y)));
                if (stroke)
                    box.add(x, y);
                if (index == 0)
                    ++white;
                // The edge of the stroke is navy all round, so white never meets the character.
                if (index == 0) {
                    for (const auto& [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
                        QVERIFY(g.pixels[size_t((y + dy) * kSide + x + dx)] != 1);
                    }
                }
            }
        }
        checkBox(box, number);
        QVERIFY2(white > 2000, "the stroke is white inside its outline");
        QCOMPARE(holes(g.pixels, 1), holeCount);
    }

    // What the game screen gets: pictures as Qt decodes them from the resources.
    void pictures_data() { addNumberRows(); }
    void pictures() {
        QFETCH(int, number);
        const QImage card = cardPicture(number);
        QCOMPARE(card.size(), QSize(kSide, kSide));
        QVERIFY(!card.hasAlphaChannel());
        QCOMPARE(card.pixel(0, 0), qRgb(255, 255, 255));
        QCOMPARE(card.pixel(80, 6), qRgb(0xE6, 0xE6, 0xE6));

        const QImage numeral = numeralPicture(number);
        QCOMPARE(numeral.size(), QSize(kSide, kSide));
        QVERIFY(numeral.hasAlphaChannel());
        QCOMPARE(qAlpha(numeral.pixel(0, 0)), 0);
        const Expected e = expectedBox(number);
        // Straight down the middle of the figure's topmost row: the navy edge, opaque.
        int opaque = 0;
        for (int x = 0; x < kSide; ++x) {
            if (qAlpha(numeral.pixel(x, e.top)) == 255) {
                ++opaque;
                QCOMPARE(numeral.pixel(x, e.top), qRgb(0, 0, 0x33));
            }
        }
        QVERIFY(opaque > 0);
        QCOMPARE(qAlpha(numeral.pixel(kSide / 2, e.top - 1)), 0);
    }

    void noPictureOutsideOneToTen() {
        for (int n : {-1, 0, 11}) {
            QVERIFY(cardPicture(n).isNull());
            QVERIFY(numeralPicture(n).isNull());
        }
    }

    // The window's icon: one 32 x 32 image of 256 colours with its mask, fruits and digits.
    void windowIcon() {
        const QByteArray b = resourceBytes(QStringLiteral(":/pictures/kazoemashou.ico"));
        QCOMPARE(b.size(), 2238);
        QCOMPARE(u16(b, 0), 0u);
        QCOMPARE(u16(b, 2), 1u);
        QCOMPARE(u16(b, 4), 1u);
        QCOMPARE(u8(b, 6), 32u);
        QCOMPARE(u8(b, 7), 32u);
        QCOMPARE(u16(b, 12), 8u);
        QCOMPARE(u32(b, 14), 2216u);
        QCOMPARE(u32(b, 18), 22u);
        QCOMPARE(u32(b, 22), 40u);
        QCOMPARE(u32(b, 26), 32u);
        QCOMPARE(u32(b, 30), 64u);
        QCOMPARE(u16(b, 36), 8u);

        const QIcon icon = gameIcon();
        QVERIFY(!icon.isNull());
        const QImage image = icon.pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(image.size(), QSize(32, 32));
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(image.pixel(31, 31)), 0);
        QCOMPARE(image.pixel(16, 0), qRgb(0x8F, 0x6B, 0xFF));
        QCOMPARE(image.pixel(16, 1), qRgb(0xAB, 0x8E, 0xFF));
        std::set<QRgb> colours;
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                if (qAlpha(image.pixel(x, y)) == 255)
                    colours.insert(image.pixel(x, y));
            }
        }
        for (QRgb wanted : {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 0), qRgb(255, 255, 255)}) {
            QVERIFY(colours.count(wanted));
        }
    }

    // The pointer used when the pointer is hidden: a 32 x 32 icon that shows nothing at all.
    void clearPointer() {
        QFile file(sourceFolder() + QStringLiteral("/sounds/Clear.ico"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray b = file.readAll();
        QCOMPARE(u16(b, 2), 1u);
        QCOMPARE(u16(b, 4), 1u);
        QCOMPARE(u8(b, 6), 32u);
        QCOMPARE(u8(b, 7), 32u);
        const int image = int(u32(b, 18));
        const int bits = int(u16(b, image + 14));
        const int colours = int(u32(b, image + 32)) ? int(u32(b, image + 32)) : 1 << bits;
        const int maskAt = image + 40 + colours * 4 + 32 * (32 * bits / 8);
        QCOMPARE(b.size(), maskAt + 128);
        QCOMPARE(b.mid(maskAt), QByteArray(128, '\xFF'));

        const QImage decoded(file.fileName());
        QCOMPARE(decoded.size(), QSize(32, 32));
        const QImage argb = decoded.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x)
                QCOMPARE(qAlpha(argb.pixel(x, y)), 0);
        }
    }

    // The committed pictures are exactly what the generator draws, and so are the desktop's
    // icons drawn from the same design.
    void generatorReproducesCommittedFiles() {
        QTemporaryDir out, desktopIcons;
        QVERIFY(out.isValid() && desktopIcons.isValid());
        QProcess generator;
        generator.start(
            builtTool("KAZOE_MAKE_ARTWORK"),
            {out.path(), out.filePath(QStringLiteral("Clear.ico")), desktopIcons.path()});
        QVERIFY(generator.waitForFinished(60000));
        QCOMPARE(generator.exitCode(), 0);

        const QDir pictures(sourceFolder() + QStringLiteral("/src/ui/pictures"));
        QStringList files = pictures.entryList(
            {QStringLiteral("*.bmp"), QStringLiteral("*.gif"), QStringLiteral("*.ico")},
            QDir::Files);
        QCOMPARE(files.size(), 21);
        QStringList made = QDir(out.path()).entryList(QDir::Files);
        made.removeOne(QStringLiteral("Clear.ico"));
        QCOMPARE(made.size(), files.size());
        auto bytes = [](const QString& path) {
            QFile f(path);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        };
        for (const QString& name : files) {
            QVERIFY2(bytes(pictures.filePath(name)) == bytes(out.filePath(name)), qPrintable(name));
            // And the resources carry these very files.
            QVERIFY2(
                resourceBytes(QStringLiteral(":/pictures/") + name) == bytes(out.filePath(name)),
                qPrintable(name));
        }
        QCOMPARE(bytes(out.filePath(QStringLiteral("Clear.ico"))),
                 bytes(sourceFolder() + QStringLiteral("/sounds/Clear.ico")));

        const QDir committedIcons(sourceFolder() + QStringLiteral("/dist/icons"));
        const QStringList icons = QDir(desktopIcons.path()).entryList(QDir::Files);
        QCOMPARE(icons, committedIcons.entryList(QDir::Files));
        QCOMPARE(icons.size(), 5);  // SVG, and PNG at 48, 64, 128 and 256 pixels
        for (const QString& name : icons) {
            QVERIFY2(bytes(committedIcons.filePath(name)) == bytes(desktopIcons.filePath(name)),
                     qPrintable(name));
        }
    }
};

QTEST_MAIN(ArtworkTest)
#include "test_artwork.moc"
