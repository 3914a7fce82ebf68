// The adult's report on the record: rounds played by a scripted child with known mistakes give
// the tiles, the mistakes and the CSV lines; the CSV keeps names with commas and quotes; the
// screen shows an empty record and a played one, and deletes a child after naming them.

#include <QBuffer>
#include <QComboBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include "record/record.h"
#include "record/record_report.h"
#include "screens/record_screen.h"
#include "screens/report_pdf.h"
#include "screens/report_views.h"
#include "support/game_rig.h"
#include "ui/folder_choice.h"
#include "ui/message_box.h"

namespace {
class SimRecordClock : public RecordClock {
public:
    explicit SimRecordClock(const SimClock& clock) : m_clock(clock) {}
    qint64 nowMs() const override { return QDateTime::currentMSecsSinceEpoch() + m_clock.now; }

private:
    const SimClock& m_clock;
};

GameSettings fromLeft() {
    GameSettings s;
    s.countWay = CountWay::FromLeft;
    s.minCount = 1;
    s.maxCount = 5;
    return s;
}

struct PlayedRecord {
    explicit PlayedRecord(const QString& path)
        : rig(fromLeft()), clock(rig.clock), record(path, clock, rig.shared.settings) {
        record.open();
        rig.game.setListener(&record.listener());
    }
    GameRig rig;
    SimRecordClock clock;
    Record record;
    Child child{rig};
};

QStringList csvLines(const RecordReport& report, std::optional<qint64> child) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!report.writeCsv(buffer, child))
        return {QStringLiteral("failed")};
    const QByteArray bytes = buffer.data();
    if (!bytes.startsWith("\xEF\xBB\xBF"))
        return {QStringLiteral("no byte-order mark")};
    return QString::fromUtf8(bytes.mid(3)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}
}  // namespace

class RecordReportTest : public QObject {
    Q_OBJECT
private slots:
    void playedRoundsGiveTilesMistakesAndCsv();
    void pdfHasAPagePerChildAndRenders();
    void screenShowsAndDeletes();
    void timingWithManyRounds();

private:
    QTemporaryDir m_dir;
};

// Three rounds of 3 answered right at once; three of 4 answered 5 (counted right, one off) first.
void RecordReportTest::playedRoundsGiveTilesMistakesAndCsv() {
    const QString path = m_dir.filePath(QStringLiteral("played.sqlite"));
    qint64 id = 0;
    {
        PlayedRecord p(path);
        QVERIFY(p.record.addChild(QStringLiteral("けん"), QStringLiteral("p0.gif"), &id).isEmpty());
        p.record.choosePlayer(id);
        const QList<int> counts{3, 3, 3, 4, 4, 4};
        p.rig.activate(counts[0]);
        for (int i = 0; i < counts.size(); ++i) {
            QVERIFY(p.child.catchAll());
            const int n = counts[i];
            QList<int> places;
            for (int k = 0; k < n; ++k)
                places << k;
            QVERIFY(p.child.count(places));
            if (i + 1 < counts.size())
                p.rig.scriptCharacterCount(counts[i + 1]);
            if (n == 4) {  // a wrong card, then the count again
                QVERIFY(p.child.answer(5));
                QVERIFY(p.child.count(places));
            }
            QVERIFY(p.child.answer(n));
            QVERIFY(p.child.waitUntil([&] {
                return p.rig.game.round().current == 0 && p.rig.game.phase() == Phase::Catching;
            }));
        }
        p.record.flush();
    }
    // A child put in by hand, whose name holds a comma and quotes.
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "hand");
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec(QStringLiteral(
            "INSERT INTO child (name, mark, added_at) VALUES ('あ,\"い\"', 'p1.gif', 0)")));
    }
    QSqlDatabase::removeDatabase("hand");

    RecordReport report(path);
    QVERIFY(report.open());
    const auto tiles = report.tiles(id);
    QCOMPARE(tiles[2].rounds, 3);
    QCOMPARE(tiles[2].recentFirstTry, 3);
    QCOMPARE(tiles[3].rounds, 3);
    QCOMPARE(tiles[3].recentFirstTry, 0);
    QCOMPARE(tiles[4].rounds, 0);
    const auto days = report.days(id, QDate::currentDate().addDays(-1), QDate::currentDate());
    QCOMPARE(days.size(), 1);
    QCOMPARE(days[0].rounds, 6);
    QCOMPARE(days[0].firstTry, 3);
    const auto [now, before] = report.mistakes(id);
    QCOMPARE(now.rounds, 6);
    QCOMPARE(before.rounds, 0);
    QCOMPARE(now.with[RecordReport::OneToOne], 0);
    QCOMPARE(now.with[RecordReport::OffByOne], 3);
    QCOMPARE(now.with[RecordReport::CountedRightAnsweredWrong], 3);
    QCOMPARE(now.with[RecordReport::AnsweredWithoutCounting], 0);

    const QStringList lines = csvLines(report, id);
    QCOMPARE(lines.size(), 1 + 3 + 6);
    QVERIFY(lines[1].startsWith(QStringLiteral("けん,")));
    QVERIFY2(lines[1].endsWith(QStringLiteral(",3,1,0,1,3,1")), qPrintable(lines[1]));
    QVERIFY2(lines[4].endsWith(QStringLiteral(",4,1,0,1,5,0")), qPrintable(lines[4]));
    QVERIFY2(lines[5].endsWith(QStringLiteral(",4,1,0,2,4,1")), qPrintable(lines[5]));
    QCOMPARE(RecordReport::csvField(QStringLiteral("あ,\"い\"")),
             QStringLiteral("\"あ,\"\"い\"\"\""));
    QCOMPARE(csvLines(report, std::nullopt).size(), lines.size());
}

// The PDF of the played record: poppler's pdftoppm renders one page per child, each with the
// child's name in ink at the top and the coloured tiles below it.
void RecordReportTest::pdfHasAPagePerChildAndRenders() {
    const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
    if (pdftoppm.isEmpty())
        QSKIP("needs pdftoppm (poppler-utils)");
    GameRig rig(fromLeft());
    SimRecordClock clock(rig.clock);
    Record record(m_dir.filePath(QStringLiteral("played.sqlite")), clock, rig.shared.settings);
    record.open();
    RecordReport report(record.path());
    QVERIFY(report.open());
    const QList<ChildEntry> children = record.children();
    QCOMPARE(children.size(), 2);
    const QString pdf = m_dir.filePath(QStringLiteral("きろく.pdf"));
    QCOMPARE(ReportPdf::write(pdf, report, children), QString());

    // The headings are black whatever the tiles before them; the text copies out as written.
    QImage scratch(400, 100, QImage::Format_RGB32);
    QPainter painter(&scratch);
    painter.setPen(Qt::black);
    ReportViews::drawTiles(painter, scratch.rect(), {});
    QCOMPARE(painter.pen().color(), QColor(Qt::black));
    painter.end();
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    QProcess text;
    text.start(pdftotext, {pdf, QStringLiteral("-")});
    QVERIFY(text.waitForFinished(10000));
    QVERIFY(QString::fromUtf8(text.readAllStandardOutput())
                .contains(QStringLiteral("1対1の対応（2回かぞえる、とばす）")));

    const QString prefix = m_dir.filePath(QStringLiteral("page"));
    QCOMPARE(QProcess::execute(pdftoppm, {QStringLiteral("-r"), QStringLiteral("40"),
                                          QStringLiteral("-png"), pdf, prefix}),
             0);
    const QStringList pages =
        QDir(m_dir.path()).entryList({QStringLiteral("page-*.png")}, QDir::Files, QDir::Name);
    QCOMPARE(pages.size(), children.size());
    for (qsizetype i = 0; i < pages.size(); ++i) {
        const QImage page(m_dir.filePath(pages[i]));
        QVERIFY2(page.height() > page.width(), qPrintable(pages[i]));  // A4, upright
        int ink = 0, colour = 0;
        for (int y = 0; y < page.height() / 4; ++y) {
            for (int x = 0; x < page.width(); ++x) {
                const QColor c = page.pixelColor(x, y);
                ink += c.value() < 100;
                colour += c.hsvSaturation() > 80 && c.value() > 100;
            }
        }
        // けん's rounds of 3 and 4 colour two tiles; the other child has no rounds.
        const bool played = children[i].name == QStringLiteral("けん");
        QVERIFY2(ink > 50 && (colour > 200) == played,
                 qPrintable(QStringLiteral("%1: %2 dark pixels, %3 coloured")
                                .arg(pages[i])
                                .arg(ink)
                                .arg(colour)));
    }
}

// The screen: nothing to show, then a played record; "削除" asks with the child's name.
void RecordReportTest::screenShowsAndDeletes() {
    const QString empty = m_dir.filePath(QStringLiteral("none.sqlite"));
    {
        GameRig rig(fromLeft());
        SimRecordClock clock(rig.clock);
        Record record(empty, clock, rig.shared.settings);
        record.open();
        RecordScreen screen(record, [] {});
        screen.open();
        QVERIFY(
            screen.findChild<QLabel*>("messageLine")->text().contains(QStringLiteral("いません")));
        screen.findChild<QPushButton*>("deleteChild")->click();  // nothing to delete: no question
    }
    GameRig rig(fromLeft());
    SimRecordClock clock(rig.clock);
    Record record(m_dir.filePath(QStringLiteral("played.sqlite")), clock, rig.shared.settings);
    record.open();
    RecordScreen screen(record, [] {});
    screen.open();
    auto* choice = screen.findChild<QComboBox*>("childChoice");
    QCOMPARE(choice->count(), 2);
    choice->setCurrentIndex(choice->findText(QStringLiteral("けん")));
    QVERIFY(screen.findChild<QLabel*>("mistakeText")->text().contains(QStringLiteral("50%")));

    const QString folder = m_dir.filePath(QStringLiteral("out"));
    QDir().mkpath(folder);
    setFolderHandlerForTests([&](const QString&) { return folder; });
    screen.findChild<QPushButton*>("exportAllCsv")->click();
    QVERIFY(QFile::exists(folder + QStringLiteral("/きろく_全員.csv")));

    QString asked;
    setQuestionHandlerForTests([&](const QString& text, const QString&) {
        asked = text;
        return true;
    });
    screen.findChild<QPushButton*>("deleteChild")->click();
    QVERIFY(asked.contains(QStringLiteral("けん")));
    QCOMPARE(choice->count(), 1);
    setQuestionHandlerForTests({});
    setFolderHandlerForTests({});
}

// Opening, switching child and redrawing on a big record (KAZOE_REPORT_RECORD names its file;
// skipped without one): each must stay under 200 ms.
void RecordReportTest::timingWithManyRounds() {
    const QString path = qEnvironmentVariable("KAZOE_REPORT_RECORD");
    if (path.isEmpty())
        QSKIP("KAZOE_REPORT_RECORD names no record");
    GameRig rig(fromLeft());
    SimRecordClock clock(rig.clock);
    Record record(path, clock, rig.shared.settings);
    record.open();
    RecordScreen screen(record, [] {});
    QElapsedTimer timer;
    timer.start();
    screen.open();
    screen.grab();
    const qint64 opening = timer.restart();
    auto* choice = screen.findChild<QComboBox*>("childChoice");
    choice->setCurrentIndex(choice->count() - 1);
    screen.grab();
    const qint64 switching = timer.restart();
    screen.grab();
    const qint64 redrawing = timer.elapsed();
    qInfo("opening %lld ms, switching child %lld ms, redrawing %lld ms", opening, switching,
          redrawing);
    QVERIFY(opening < 200 && switching < 200 && redrawing < 200);
    // KAZOE_REPORT_SHOT: a folder for a picture of the screen and the PDF (for the README).
    const QString shots = qEnvironmentVariable("KAZOE_REPORT_SHOT");
    if (!shots.isEmpty()) {
        screen.grab().save(shots + QStringLiteral("/record-screen.png"));
        setFolderHandlerForTests([&](const QString&) { return shots; });
        screen.findChild<QPushButton*>("printPdf")->click();
        setFolderHandlerForTests({});
    }
}

QTEST_MAIN(RecordReportTest)
#include "test_record_report.moc"
