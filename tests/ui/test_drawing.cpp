// The game window draws each message once into a picture and copies it at every frame. What
// shows must be what drawing the text there directly shows, and a new message must replace the
// old one, not bring back a stale picture.

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include "sim_game.h"
#include "ui/fonts.h"

namespace {
// The same text drawn straight onto white, as the window drew it before it kept pictures.
QImage drawnDirectly(QSize size, const Twips& twips, const LabelControl& label,
                     const QColor& colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(colour);
    painter.setFont(gameScreenFont(twips.pointsToPixels(label.FontSize)));
    painter.drawText(twips.toPixels(label), Qt::AlignCenter | Qt::TextDontClip, label.Caption);
    return image;
}

// Pixels that differ visibly inside `area`; with `inkOnly`, only where the reference is the text's
// own colour (the mark lies over the chosen card, which the reference on white lacks).
int differences(const QImage& frame, const QImage& reference, const QRect& area, bool inkOnly,
                const QColor& ink) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb want = reference.pixel(x, y) & 0xFFFFFF;
            if (inkOnly && want != (ink.rgb() & 0xFFFFFF))
                continue;
            // Blending a drawn picture may round an edge a level differently.
            const QRgb got = frame.pixel(x, y);
            count += qAbs(qRed(got) - qRed(want)) > 2 || qAbs(qGreen(got) - qGreen(want)) > 2 ||
                     qAbs(qBlue(got) - qBlue(want)) > 2;
        }
    }
    return count;
}
}  // namespace

class DrawingTest : public QObject {
    Q_OBJECT

private slots:
    void messagesShowAsDrawnDirectly_data() {
        QTest::addColumn<QSize>("screen");
        QTest::newRow("1920 x 1080") << QSize(1920, 1080);
        QTest::newRow("1024 x 768") << QSize(1024, 768);
    }
    void messagesShowAsDrawnDirectly() {
        QFETCH(QSize, screen);
        QTemporaryDir folder;
        const QString samples = qEnvironmentVariable("KAZOE_SOURCE_DIR") + QStringLiteral("/data");
        for (const QString& name : QDir(samples).entryList({QStringLiteral("*.gif")}))
            QVERIFY(QFile::copy(samples + QLatin1Char('/') + name, folder.filePath(name)));
        GameSettings settings;
        settings.MinCount = 2;
        settings.MaxCount = 2;
        SimGame sim(folder.path(), settings, screen.width(), screen.height());
        QImage frame(screen, QImage::Format_RGB32);

        const Twips& twips = sim.window().twips();
        const auto check = [&](const LabelControl& label, const QString& caption,
                               const QColor& colour, bool inkOnly) {
            QVERIFY(label.Visible);
            QCOMPARE(label.Caption, caption);
            sim.render(frame);
            const QRect box = twips.toPixels(label).toAlignedRect() & frame.rect();
            const QImage reference = drawnDirectly(screen, twips, label, colour);
            QCOMPARE(differences(frame, reference, box, inkOnly, colour), 0);
        };
        const GameScreenModel& model = sim.game().model();
        // Counting begins with "かぞえてみよう"; counted, the question replaces it.
        for (int guard = 0; guard < 200 && !sim.game().CountingPhase; ++guard)
            sim.play(50);
        check(model.Label3, GameText::LetsCount, Qt::black, false);
        QVERIFY(sim.playUntilCards());
        check(model.Label3, GameText::HowMany, Qt::black, false);

        // A wrong card: "×". Counted again, the right card: "○" in the very same place.
        const Control& wrong = model.Image3[0];
        sim.game().pointerClicked(wrong.Left + wrong.Width / 2, wrong.Top + wrong.Height / 2);
        sim.wait(1000);
        check(model.Label2, GameText::WrongMark, Qt::red, true);
        QVERIFY(sim.playUntilCards());
        const Control& right = model.Image3[1];
        sim.game().pointerClicked(right.Left + right.Width / 2, right.Top + right.Height / 2);
        sim.wait(1000);
        check(model.Label2, GameText::RightMark, Qt::red, true);
    }
};

QTEST_MAIN(DrawingTest)
#include "test_drawing.moc"
