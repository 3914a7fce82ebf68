// The sample characters in data/: that the generator still makes exactly the committed files,
// and that the game can read every one of them as the picture we meant.

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include "support/paths.h"

namespace {

QDir dataDir() {
    return QDir(sourceFolder() + QStringLiteral("/data"));
}

QStringList gifsIn(const QDir& dir) {
    return dir.entryList({QStringLiteral("*.gif")}, QDir::Files, QDir::Name);
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class TestCharacters : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY2(!qEnvironmentVariableIsEmpty("KAZOE_SOURCE_DIR"), "KAZOE_SOURCE_DIR is not set");
        QVERIFY2(dataDir().exists(), qPrintable(dataDir().path()));
    }

    void generatorReproducesCommittedFiles() {
        QTemporaryDir out;
        QVERIFY(out.isValid());
        QProcess generator;
        generator.start(builtTool("KAZOE_MAKE_CHARACTERS"), {out.path()});
        QVERIFY2(generator.waitForFinished(60000), qPrintable(generator.errorString()));
        QCOMPARE(generator.exitStatus(), QProcess::NormalExit);
        QVERIFY2(generator.exitCode() == 0, generator.readAllStandardError().constData());

        const QStringList made = gifsIn(QDir(out.path()));
        QCOMPARE(made, gifsIn(dataDir()));
        for (const QString& name : made) {
            const QByteArray fresh = contents(out.filePath(name));
            QVERIFY2(!fresh.isEmpty(), qPrintable(name));
            QVERIFY2(fresh == contents(dataDir().filePath(name)),
                     qPrintable(name + QStringLiteral(" differs from the committed file")));
        }
    }

    void generatorRefusesAnUnwritableFolder() {
        QTemporaryDir out;
        QVERIFY(out.isValid());
        QFile blocker(out.filePath(QStringLiteral("file")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QProcess generator;
        generator.start(builtTool("KAZOE_MAKE_CHARACTERS"), {blocker.fileName()});
        QVERIFY(generator.waitForFinished(60000));
        QVERIFY(generator.exitCode() != 0);
    }

    void characterReadsAsMeant_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        QTest::newRow("cat") << QStringLiteral("ねこ.gif") << QSize(120, 120);
        QTest::newRow("dog") << QStringLiteral("いぬ.gif") << QSize(160, 160);
        QTest::newRow("rabbit") << QStringLiteral("うさぎ.gif") << QSize(200, 200);
        QTest::newRow("bear") << QStringLiteral("くま.gif") << QSize(64, 64);
        QTest::newRow("penguin") << QStringLiteral("ペンギン.gif") << QSize(120, 160);
        QTest::newRow("fish") << QStringLiteral("さかな.gif") << QSize(160, 100);
        QTest::newRow("chick") << QStringLiteral("ひよこ.gif") << QSize(48, 48);
        QTest::newRow("apple") << QStringLiteral("りんご.gif") << QSize(32, 32);
        QTest::newRow("strawberry") << QStringLiteral("いちご.gif") << QSize(80, 80);
        QTest::newRow("banana") << QStringLiteral("バナナ.gif") << QSize(120, 120);
        QTest::newRow("car") << QStringLiteral("くるま.gif") << QSize(180, 120);
        QTest::newRow("bus") << QStringLiteral("バス.gif") << QSize(240, 160);
        QTest::newRow("locomotive") << QStringLiteral("きかんしゃ.gif") << QSize(300, 200);
        QTest::newRow("rocket") << QStringLiteral("ロケット.gif") << QSize(120, 180);
    }

    void characterReadsAsMeant() {
        QFETCH(QString, name);
        QFETCH(QSize, size);

        // The name goes into the selection file in code page 932 and must come back unchanged.
        QStringEncoder toSjis("Shift_JIS");
        const QByteArray encoded = toSjis.encode(name);
        QVERIFY(!toSjis.hasError());
        QStringDecoder fromSjis("Shift_JIS");
        QCOMPARE(QString(fromSjis.decode(encoded)), name);

        QImageReader reader(dataDir().filePath(name));
        QCOMPARE(reader.format(), QByteArray("gif"));
        QCOMPARE(reader.size(), size);
        const QImage picture = reader.read();
        QVERIFY2(!picture.isNull(), qPrintable(reader.errorString()));
        QCOMPARE(picture.size(), size);
        QCOMPARE(reader.imageCount(), 1);

        // A transparent ground around a character that fills a good part of its picture.
        QVERIFY(picture.hasAlphaChannel());
        const int right = size.width() - 1;
        const int bottom = size.height() - 1;
        for (const QPoint corner :
             {QPoint(0, 0), QPoint(right, 0), QPoint(0, bottom), QPoint(right, bottom)}) {
            QCOMPARE(qAlpha(picture.pixel(corner)), 0);
        }
        qsizetype opaque = 0;
        for (int y = 0; y < size.height(); ++y) {
            for (int x = 0; x < size.width(); ++x) {
                opaque += qAlpha(picture.pixel(x, y)) == 255 ? 1 : 0;
            }
        }
        const double share = double(opaque) / (size.width() * size.height());
        QVERIFY2(share > 0.2 && share < 0.95, qPrintable(QString::number(share)));
    }

    void collectionSuitsTheGame() {
        const QStringList names = gifsIn(dataDir());
        QVERIFY(names.size() >= 12);
        QVERIFY(names.size() <= 101);  // the most pictures the game can list
        int notSquare = 0;
        for (const QString& name : names) {
            QVERIFY2(name.endsWith(QStringLiteral(".gif")), qPrintable(name));
            const QSize size = QImageReader(dataDir().filePath(name)).size();
            notSquare += size.width() != size.height() ? 1 : 0;
        }
        QVERIFY(notSquare >= 1);
    }
};

QTEST_GUILESS_MAIN(TestCharacters)
#include "test_characters.moc"
