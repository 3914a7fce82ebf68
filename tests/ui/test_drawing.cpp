// The game window draws each message once into a picture and copies it at every frame. What
// shows must be what drawing the text there directly shows, and a new message must replace the
// old one, not bring back a stale picture. And it repaints only the part of the screen a change
// touches: nothing may be left behind outside that part.

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include "sim_game.h"
#include "ui/changed_area.h"
#include "ui/embedded_pictures.h"
#include "ui/fonts.h"
#include "support/paths.h"

namespace {
// The same text drawn straight onto white, as the window drew it before it kept pictures.
QImage drawnDirectly(QSize size, const Twips& twips, const TextControl& text,
                     const QColor& colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(colour);
    painter.setFont(gameScreenFont(twips.pointsToPixels(text.fontSize)));
    painter.drawText(twips.toPixels(text), Qt::AlignCenter | Qt::TextDontClip, text.caption);
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

// The sample characters copied into `folder`.
void copySamples(const QTemporaryDir& folder) {
    const QString samples = sourceFolder() + QStringLiteral("/data");
    for (const QString& name : QDir(samples).entryList({QStringLiteral("*.gif")}))
        QVERIFY(QFile::copy(samples + QLatin1Char('/') + name, folder.filePath(name)));
}

ShownScreen shownBy(SimGame& sim) {
    return shownScreen(sim.game().model(), sim.pictures());
}

// Pixels of `frame` that `picture`, drawn into `place` as the window draws it, would cover
// fully, yet show something else: what lies over it there.
int coveredPixels(const QImage& frame, const QImage& picture, const QRectF& place) {
    QImage alone(frame.size(), QImage::Format_ARGB32_Premultiplied);
    alone.fill(Qt::transparent);
    QPainter painter(&alone);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(place, picture);
    painter.end();
    int count = 0;
    for (int y = 0; y < frame.height(); ++y) {
        for (int x = 0; x < frame.width(); ++x) {
            const QRgb want = alone.pixel(x, y);
            const QRgb got = frame.pixel(x, y);
            count += qAlpha(want) == 255 &&
                     (qAbs(qRed(got) - qRed(want)) > 2 || qAbs(qGreen(got) - qGreen(want)) > 2 ||
                      qAbs(qBlue(got) - qBlue(want)) > 2);
        }
    }
    return count;
}

// Pixels that differ between two frames outside `area`.
int changesOutside(const QImage& before, const QImage& after, const QRegion& area) {
    int count = 0;
    for (int y = 0; y < after.height(); ++y) {
        const auto* was = reinterpret_cast<const QRgb*>(before.constScanLine(y));
        const auto* now = reinterpret_cast<const QRgb*>(after.constScanLine(y));
        for (int x = 0; x < after.width(); ++x)
            count += was[x] != now[x] && !area.contains(QPoint(x, y));
    }
    return count;
}
}  // namespace

class DrawingTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { initEmbeddedPictures(); }

    void messagesShowAsDrawnDirectly_data() {
        QTest::addColumn<QSize>("screen");
        QTest::newRow("1920 x 1080") << QSize(1920, 1080);
        QTest::newRow("1024 x 768") << QSize(1024, 768);
    }
    void messagesShowAsDrawnDirectly() {
        QFETCH(QSize, screen);
        QTemporaryDir folder;
        copySamples(folder);
        GameSettings settings;
        settings.minCount = 2;
        settings.maxCount = 2;
        SimGame sim(folder.path(), settings, screen.width(), screen.height());
        QImage frame(screen, QImage::Format_RGB32);

        const Twips& twips = sim.window().twips();
        const auto check = [&](const TextControl& text, const QString& caption,
                               const QColor& colour, bool inkOnly) {
            QVERIFY(text.visible);
            QCOMPARE(text.caption, caption);
            sim.render(frame);
            const QRect box = twips.toPixels(text).toAlignedRect() & frame.rect();
            const QImage reference = drawnDirectly(screen, twips, text, colour);
            QCOMPARE(differences(frame, reference, box, inkOnly, colour), 0);
        };
        const GameScreenModel& model = sim.game().model();
        // Counting begins with "かぞえてみよう"; counted, the question replaces it.
        for (int guard = 0; guard < 200 && sim.game().phase() != Phase::Counting; ++guard)
            sim.play(50);
        check(model.message, GameText::LetsCount, Qt::black, false);
        QVERIFY(sim.playUntilCards());
        check(model.message, GameText::HowMany, Qt::black, false);

        // A wrong card: "×". Counted again, the right card: "○" in the very same place.
        const Control& wrong = model.cards[0];
        sim.game().pointerClicked(wrong.left + wrong.width / 2, wrong.top + wrong.height / 2);
        sim.wait(1000);
        check(model.mark, GameText::WrongMark, Qt::red, true);
        QVERIFY(sim.playUntilCards());
        const Control& right = model.cards[1];
        sim.game().pointerClicked(right.left + right.width / 2, right.top + right.height / 2);
        sim.wait(1000);
        check(model.mark, GameText::RightMark, Qt::red, true);
    }

    // On a wide screen the newest lies on top where pictures overlap: a numeral laid by a second
    // touch on one character over the first one's, and the chosen card, enlarged in the middle,
    // over the card row it reaches down into; the pointer there reaches the chosen card too.
    void newestOnTopOnAWideScreen() {
        QTemporaryDir folder;
        copySamples(folder);
        GameSettings settings;
        settings.countWay = CountWay::AnyOrder;
        settings.minCount = 5;
        settings.maxCount = 5;
        SimGame sim(folder.path(), settings, 1920, 1080);
        const GameScreenModel& model = sim.game().model();
        const Twips& twips = sim.window().twips();
        QImage frame(1920, 1080, QImage::Format_RGB32);
        for (int guard = 0; guard < 200 && sim.game().phase() != Phase::Counting; ++guard)
            sim.play(50);
        const Control& first = model.characters[0];
        for (int touch = 0; touch < 2; ++touch) {
            sim.wait(1000);
            sim.game().pointerMoved(first.left + first.width / 2, first.top + first.height / 2);
        }
        QCOMPARE(model.numerals[1].left, first.left);
        sim.render(frame);
        QCOMPARE(coveredPixels(frame, numeralPicture(2), twips.toPixels(model.numerals[1])), 0);

        QVERIFY(sim.playUntilCards());
        const Control& four = model.cards[3];
        sim.game().pointerClicked(four.left + four.width / 2, four.top + four.height / 2);
        QCOMPARE(sim.game().round().chosenNumber, 4);
        const QRectF chosen = twips.toPixels(four);
        QVERIFY(chosen.intersects(twips.toPixels(model.cards[1])));
        sim.render(frame);
        QCOMPARE(coveredPixels(frame, cardPicture(4), chosen), 0);
        const Control& two = model.cards[1];
        const auto middle = [](std::int32_t a1, std::int32_t a2, std::int32_t b1, std::int32_t b2) {
            return (std::max(a1, b1) + std::min(a2, b2)) / 2;
        };
        const HitTarget hit = model.controlAt(
            middle(two.left, two.left + two.width, four.left, four.left + four.width),
            middle(two.top, two.top + two.height, four.top, four.top + four.height));
        QCOMPARE(hit.kind, ControlKind::Card);
        QCOMPARE(hit.index, 3);
    }

    // Rounds played through every counting way, with wrong and right answers: whatever differs
    // between one frame and the next lies within the part the window repaints, and a hop
    // repaints a small part of the screen, not all of it.
    void repaintCoversEveryChange() {
        QTemporaryDir folder;
        copySamples(folder);
        int smallRepaints = 0;
        for (const qint16 way :
             {CountWay::AnyOrder, CountWay::FromLeft, CountWay::FromLeftCorrected,
              CountWay::FromLeftBlinking, CountWay::NoCounting}) {
            GameSettings settings;
            settings.countWay = way;
            settings.minCount = 1;
            settings.maxCount = 6;
            SimGame sim(folder.path(), settings, 1024, 768, quint64(way));
            const QRect whole(0, 0, 1024, 768);
            QImage before(whole.size(), QImage::Format_RGB32);
            QImage after(whole.size(), QImage::Format_RGB32);
            sim.render(before);
            ShownScreen shownBefore = shownBy(sim);
            for (int step = 0; step < 2000 && sim.rightAnswers() < 2; ++step) {
                sim.play(50);
                const ShownScreen shownAfter = shownBy(sim);
                sim.render(after);
                const QRegion area =
                    changedArea(shownBefore, shownAfter, sim.window().twips(), whole);
                QVERIFY2(changesOutside(before, after, area) == 0,
                         qPrintable(QStringLiteral("way %1, step %2").arg(way).arg(step)));
                if (!area.isEmpty() && area.boundingRect().width() < whole.width() / 2)
                    ++smallRepaints;
                std::swap(before, after);
                shownBefore = shownAfter;
            }
            QCOMPARE(sim.rightAnswers(), 2);
        }
        QVERIFY(smallRepaints > 20);
    }
};

QTEST_MAIN(DrawingTest)
#include "test_drawing.moc"
