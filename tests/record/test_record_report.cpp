// The adult's report on the record: rounds played by a scripted child with known mistakes give
// the tiles, the mistakes and the CSV lines; the CSV keeps names with commas and quotes; the
// screen shows an empty record and a played one, and deletes a child after naming them.

#include <QBuffer>
#include <QComboBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "record/record_report.h"
#include "screens/record_screen.h"
#include "screens/report_pdf.h"
#include "screens/report_views.h"
#include "support/files.h"
#include "support/record_rig.h"
#include "support/tmpfs_mount.h"
#include "ui/folder_choice.h"
#include "ui/message_box.h"

namespace {
GameSettings fromLeft() {
    GameSettings s;
    s.countWay = CountWay::FromLeft;
    s.minCount = 1;
    s.maxCount = 5;
    return s;
}

// A record of the game's own, its clock at today's date.
struct PlayedRecord : RecordRig {
    explicit PlayedRecord(const QString& path)
        : RecordRig(path, fromLeft(), QDateTime::currentMSecsSinceEpoch()) {}
};

// The record at `path` on the record screen.
struct RecordOnScreen : PlayedRecord {
    explicit RecordOnScreen(const QString& path) : PlayedRecord(path) { screen.open(); }
    QString said() const { return screen.findChild<QLabel*>("messageLine")->text(); }
    void click(const char* button) { screen.findChild<QPushButton*>(button)->click(); }

    RecordScreen screen{store, children, players, clock, [] {}};
};

// Plays けん's rounds into a record at `path`: three rounds of 3 answered right at once, three
// of 4 answered 5 first (counted right, one off). Then a child put in by hand, whose name holds a
// comma and quotes. Returns けん's id; 0 when the rounds could not be played.
qint64 playRecord(const QString& path) {
    qint64 id = 0;
    {
        PlayedRecord p(path);
        if (p.children.add(QStringLiteral("けん"), QStringLiteral("p0.gif"), &id))
            return 0;
        p.players.choose(id);
        const QList<int> counts{3, 3, 3, 4, 4, 4};
        p.rig.activate(counts[0]);
        for (int i = 0; i < counts.size(); ++i) {
            const int n = counts[i];
            QList<int> places;
            for (int k = 0; k < n; ++k)
                places << k;
            if (!p.child.catchAll() || !p.child.count(places))
                return 0;
            if (i + 1 < counts.size())
                p.rig.scriptCharacterCount(counts[i + 1]);
            if (n == 4 && (!p.child.answer(5) || !p.child.count(places)))
                return 0;  // a wrong card, then the count again
            if (!p.child.answer(n) || !p.child.waitUntil([&] {
                    return p.rig.game.round().current == 0 && p.rig.game.phase() == Phase::Catching;
                }))
                return 0;
        }
    }
    const bool added = RecordRows(path).run(QStringLiteral(
        "INSERT INTO child (name, mark, added_at) VALUES ('あ,\"い\"', 'p1.gif', 0)"));
    return added ? id : 0;
}

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
    // Each test plays its own record in a folder of its own, so that any one runs alone.
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }
    void playedRoundsGiveTilesMistakesAndCsv();
    void pdfHasAPagePerChildAndRenders();
    void screenShowsAndDeletes();
    void exportsAreWholeOrNotAtAll_data();
    void exportsAreWholeOrNotAtAll();
    void handEditedNameStaysInertInTheCsv();

private:
    QString played() const { return m_dir->filePath(QStringLiteral("played.sqlite")); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void RecordReportTest::playedRoundsGiveTilesMistakesAndCsv() {
    const QString path = played();
    const qint64 id = playRecord(path);
    QVERIFY(id != 0);

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
    QCOMPARE(now.with[Mistake::OneToOne], 0);
    QCOMPARE(now.with[Mistake::OffByOne], 3);
    QCOMPARE(now.with[Mistake::CountedRightAnsweredWrong], 3);
    QCOMPARE(now.with[Mistake::AnsweredWithoutCounting], 0);

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
    QVERIFY(playRecord(played()) != 0);
    PlayedRecord record(played());
    RecordReport report(played());
    QVERIFY(report.open());
    const QList<ChildEntry> children = record.children.list();
    QCOMPARE(children.size(), 2);
    const QString pdf = m_dir->filePath(QStringLiteral("きろく.pdf"));
    QCOMPARE(ReportPdf::write(pdf, report, children, record.clock.today()), QString());

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

    const QString prefix = m_dir->filePath(QStringLiteral("page"));
    QCOMPARE(QProcess::execute(pdftoppm, {QStringLiteral("-r"), QStringLiteral("40"),
                                          QStringLiteral("-png"), pdf, prefix}),
             0);
    const QStringList pages =
        QDir(m_dir->path()).entryList({QStringLiteral("page-*.png")}, QDir::Files, QDir::Name);
    QCOMPARE(pages.size(), children.size());
    for (qsizetype i = 0; i < pages.size(); ++i) {
        const QImage page(m_dir->filePath(pages[i]));
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
    {
        PlayedRecord none(m_dir->filePath(QStringLiteral("none.sqlite")));
        RecordScreen screen(none.store, none.children, none.players, none.clock, [] {});
        screen.open();
        QVERIFY(
            screen.findChild<QLabel*>("messageLine")->text().contains(QStringLiteral("いません")));
        screen.findChild<QPushButton*>("deleteChild")->click();  // nothing to delete: no question
    }
    QVERIFY(playRecord(played()) != 0);
    PlayedRecord record(played());
    RecordScreen screen(record.store, record.children, record.players, record.clock, [] {});
    screen.open();
    auto* choice = screen.findChild<QComboBox*>("childChoice");
    QCOMPARE(choice->count(), 2);
    choice->setCurrentIndex(choice->findText(QStringLiteral("けん")));
    const QString mistakes = screen.findChild<QLabel*>("mistakeText")->text();
    QVERIFY(mistakes.contains(QStringLiteral("50%")));
    // No one-to-one mistake in the last rounds: said as mastered, not with what it would mean.
    QVERIFY(mistakes.contains(QStringLiteral("0%（くらべる記録がまだありません）<br>できています。")));
    QVERIFY(!mistakes.contains(QStringLiteral("数のことばと物を")));

    // On おまかせ: the frontier (1 and 2 never played) and why the game chose each round.
    const RecordRows rows(played());
    QVERIFY(rows.run(QStringLiteral("UPDATE child SET omakase = 1 WHERE name = 'けん'")));
    QVERIFY(rows.run(QStringLiteral(
        "UPDATE round SET chosen_why = 1, chosen_right = 2, chosen_of = 5 WHERE characters = 4")));
    screen.open();
    const QString omakase = screen.findChild<QLabel*>("omakaseText")->text();
    QVERIFY2(omakase.contains(QStringLiteral("いまの目標の数：1")) &&
                 omakase.contains(QStringLiteral(
                     "4こ・左から順に（誤訂正無し）：4 をまだ 5 回中 2 回しか 1 回目で正解していないので")),
             qPrintable(omakase));

    const QString folder = m_dir->filePath(QStringLiteral("out"));
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

// Each export on a full disk, and over a symbolic link left at its name: on the full disk the
// adult reads that it was not saved and the earlier file stays whole; a link is replaced by the
// export, and the file it pointed to stays as it was.
void RecordReportTest::exportsAreWholeOrNotAtAll_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("fullDisk");
    QTest::addColumn<QByteArray>("begins");
    const QString csv = QStringLiteral("きろく_全員.csv"), pdf = QStringLiteral("きろく.pdf");
    QTest::newRow("CSV, full disk") << "exportAllCsv" << csv << true << QByteArray();
    QTest::newRow("PDF, full disk") << "printPdf" << pdf << true << QByteArray();
    QTest::newRow("CSV over a link")
        << "exportAllCsv" << csv << false << QByteArray("\xEF\xBB\xBF");
    QTest::newRow("PDF over a link") << "printPdf" << pdf << false << QByteArray("%PDF");
}

void RecordReportTest::exportsAreWholeOrNotAtAll() {
    QFETCH(QString, button);
    QFETCH(QString, file);
    QFETCH(bool, fullDisk);
    QFETCH(QByteArray, begins);
    QVERIFY(playRecord(played()) != 0);
    RecordOnScreen onScreen(played());
    QTemporaryDir out;
    const QString path = out.filePath(file);
    const QString elsewhere = out.filePath(QStringLiteral("elsewhere.txt"));
    const QByteArray earlier("an earlier export, kept");
    std::optional<TmpfsMount> disk;
    if (fullDisk) {
        disk.emplace(out.path(), 64 * 1024);
        if (!disk->mounted())
            QSKIP(qPrintable(QStringLiteral("no tmpfs to fill: ") + disk->error()));
        writeFile(path, earlier);
        QVERIFY(disk->fill(QStringLiteral("filler")));
    } else {
        writeFile(elsewhere, earlier);
        QVERIFY(QFile::link(elsewhere, path));
    }
    setFolderHandlerForTests([&](const QString&) { return out.path(); });
    onScreen.click(qPrintable(button));
    setFolderHandlerForTests({});
    const QString said = onScreen.said();
    if (fullDisk) {
        QVERIFY2(said.contains(QStringLiteral("保存できませんでした")), qPrintable(said));
        QCOMPARE(fileBytes(path), earlier);
        QCOMPARE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList({QStringLiteral("filler"), file}));
    } else {
        QVERIFY2(said.startsWith(QStringLiteral("保存しました")), qPrintable(said));
        QCOMPARE(fileBytes(elsewhere), earlier);
        QVERIFY(!QFileInfo(path).isSymLink());
        QVERIFY(fileBytes(path).startsWith(begins));
    }
}

// A child's name edited by hand in the record: a formula and a '/' in it. The child's CSV is
// saved in the folder chosen, under a name the folder takes, and the name is a text cell.
void RecordReportTest::handEditedNameStaysInertInTheCsv() {
    const QString path = played();
    QVERIFY(playRecord(path) != 0);
    const RecordRows byHand(path);
    QVERIFY(byHand.run(
        QStringLiteral("INSERT INTO child (name, mark, added_at) VALUES ('=1+2/3', 'p2.gif', 0)")));
    QVERIFY(byHand.run(QStringLiteral(
             "INSERT INTO round (child_id, began_at, ended_at, cut_short, characters, count_way,"
             " click_to_count, mixed_characters, ask_how_many_people, hide_pointer, blink_time,"
             " min_count, max_count) SELECT id, 0, 0, 1, 3, 1, 0, 0, 0, 0, 15, 1, 5 FROM child"
             " WHERE name = '=1+2/3'")));
    RecordOnScreen edited(path);
    auto* choice = edited.screen.findChild<QComboBox*>("childChoice");
    choice->setCurrentIndex(choice->findText(QStringLiteral("=1+2/3")));
    QTemporaryDir out;
    setFolderHandlerForTests([&](const QString&) { return out.path(); });
    edited.click("exportChildCsv");
    setFolderHandlerForTests({});
    const QString said = edited.said();
    QVERIFY2(said.startsWith(QStringLiteral("保存しました")), qPrintable(said));
    const QStringList saved = QDir(out.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    QCOMPARE(saved.size(), 1);
    QVERIFY2(QFileInfo(out.filePath(saved[0])).isFile(), qPrintable(saved[0]));
    QVERIFY(said.contains(saved[0]));
    const QStringList lines =
        QString::fromUtf8(fileBytes(out.filePath(saved[0]))).split(QStringLiteral("\r\n"));
    QVERIFY2(lines.size() > 1 && lines[1].startsWith(QStringLiteral("'=1+2/3,")),
             qPrintable(lines.join(u'|')));
}

QTEST_MAIN(RecordReportTest)
#include "test_record_report.moc"
