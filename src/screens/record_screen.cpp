#include "screens/record_screen.h"

#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPainter>

#include "record/children.h"
#include "record/record_store.h"
#include "record/who_plays.h"
#include "screens/record_words.h"
#include "screens/report_pdf.h"
#include "screens/report_views.h"
#include "screens/screen_layouts.h"
#include "state/file_writing.h"
#include "ui/folder_choice.h"
#include "ui/message_box.h"

using namespace ScreenParts;

namespace Layout = RecordLayout;

// The tiles and the chart of the child shown, drawn from what the report read last.
class RecordScreen::Views : public QWidget {
public:
    explicit Views(QWidget* parent) : QWidget(parent) {}
    std::array<RecordReport::Tile, 10> tiles{};
    QList<RecordReport::Day> days;
    QDate from, to;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillRect(rect(), Qt::white);
        const int tileHeight = (width() - 20) / 10;
        ReportViews::drawTiles(painter, QRect(5, 5, width() - 10, tileHeight), tiles);
        ReportViews::drawChart(painter,
                               QRect(5, tileHeight + 15, width() - 10, height() - tileHeight - 20),
                               days, from, to);
    }
};

RecordScreen::RecordScreen(RecordStore& store, Children& children, const WhoPlays& whoPlays,
                           const Clock& clock, std::function<void()> returnToGame, QWidget* parent)
    : AdultScreen(QStringLiteral("recordScreen"), QStringLiteral("きろく"), Layout::kWidth,
                  Layout::kHeight, std::move(returnToGame), parent),
      m_store(store),
      m_children(children),
      m_whoPlays(whoPlays),
      m_clock(clock) {
    buildControls();
}

RecordScreen::~RecordScreen() = default;

void RecordScreen::buildControls() {
    auto* outline = new WindowOutline(this);
    outline->setGeometry(toPixels(Layout::outline));
    QLabel* title = makeTitle(QStringLiteral("きろく"), this);
    title->setObjectName(QStringLiteral("title"));
    title->setGeometry(toPixels(Layout::title));

    makeLabel(this, "childLabel", QStringLiteral("こども"), Layout::childLabel);
    m_childChoice = new QComboBox(this);
    m_childChoice->setObjectName(QStringLiteral("childChoice"));
    m_childChoice->setGeometry(toPixels(Layout::childChoice));

    m_whereFrom = new QLabel(this);
    m_whereFrom->setObjectName(QStringLiteral("whereFrom"));
    m_whereFrom->setGeometry(toPixels(Layout::whereFrom));
    m_whereFrom->setWordWrap(true);
    m_whereFrom->setTextFormat(Qt::PlainText);

    m_views = new Views(this);
    m_views->setObjectName(QStringLiteral("numbersAndDays"));
    m_views->setGeometry(toPixels(Layout::views));

    m_omakase = new QLabel(this);
    m_omakase->setObjectName(QStringLiteral("omakaseText"));
    m_omakase->setGeometry(toPixels(Layout::chosen));
    m_omakase->setWordWrap(true);
    m_omakase->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_omakase->setTextFormat(Qt::RichText);
    m_omakase->hide();

    m_mistakes = new QLabel(this);
    m_mistakes->setObjectName(QStringLiteral("mistakeText"));
    m_mistakes->setGeometry(toPixels(Layout::mistakes));
    m_mistakes->setWordWrap(true);
    m_mistakes->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_mistakes->setTextFormat(Qt::RichText);

    m_messageLine = new MessageLine(this, toPixels(Layout::messageLine));

    ScreenButton* childCsv =
        makeButton(this, "exportChildCsv", QStringLiteral("CSV（この子）"), Layout::childCsvButton);
    ScreenButton* allCsv =
        makeButton(this, "exportAllCsv", QStringLiteral("CSV（全員）"), Layout::allCsvButton);
    ScreenButton* pdf =
        makeButton(this, "printPdf", QStringLiteral("PDF（1人1ページ）"), Layout::pdfButton);
    ScreenButton* remove =
        makeButton(this, "deleteChild", QStringLiteral("この子の記録を削除"), Layout::deleteButton);
    ScreenButton* close =
        makeButton(this, "closeButton", QStringLiteral("閉じる"), Layout::closeButton);

    connect(m_childChoice, &QComboBox::currentIndexChanged, this, [this] { showChild(); });
    connect(childCsv, &QPushButton::clicked, this, [this] { exportCsv(false); });
    connect(allCsv, &QPushButton::clicked, this, [this] { exportCsv(true); });
    connect(pdf, &QPushButton::clicked, this, [this] { printPdf(); });
    connect(remove, &QPushButton::clicked, this, [this] { deleteChild(); });
    connect(close, &QPushButton::clicked, this, [this] { cancel(); });
    setTabChain({m_childChoice, childCsv, allCsv, pdf, remove, close});
}

void RecordScreen::load() {
    m_store.flush();
    m_whereFrom->setText(whereFrom ? whereFrom() : QString());
    if (!m_report || !m_report->open()) {
        m_report = std::make_unique<RecordReport>(m_store.path());
        m_report->open();
    }
    // The child shown before, or at first the child playing.
    const qint64 shown = chosenChild() != 0 ? chosenChild() : m_whoPlays.child().value_or(0);
    {
        const QSignalBlocker quiet(m_childChoice);
        m_childChoice->clear();
        for (const ChildEntry& child : m_children.list()) {
            m_childChoice->addItem(child.name, child.id);
            if (child.id == shown)
                m_childChoice->setCurrentIndex(m_childChoice->count() - 1);
        }
    }
    m_messageLine->say(
        m_childChoice->count() == 0
            ? QStringLiteral("記録のあるこどもがいません。こどもの登録（C）で追加してください。")
            : QString());
    showChild();
    m_childChoice->setFocus();
}

qint64 RecordScreen::chosenChild() const {
    return m_childChoice->currentData().toLongLong();
}

void RecordScreen::showChild() {
    const qint64 child = chosenChild();
    m_views->to = m_clock.today();
    m_views->from = m_views->to.addDays(1 - ReportViews::kChartDays);
    m_views->tiles = m_report->tiles(child);
    m_views->days = m_report->days(child, m_views->from, m_views->to);
    m_mistakes->setText(ReportViews::mistakesText(m_report->mistakes(child)));
    const std::optional<ChildEntry> entry = m_children.entry(child);
    const bool omakase = entry && entry->omakase;
    m_views->setGeometry(toPixels(omakase ? Layout::viewsOverChosen : Layout::views));
    m_omakase->setVisible(omakase);
    if (omakase)
        m_omakase->setText(ReportViews::omakaseText(*m_report, child, m_views->from));
    m_views->update();
}

void RecordScreen::exportCsv(bool everyChild) {
    if (!everyChild && chosenChild() == 0)
        return;
    const QString folder = chooseFolder(this, QStringLiteral("CSVを保存するフォルダ"));
    if (folder.isEmpty())
        return;
    // The name comes from the record, which may have been edited by hand: it is made a name
    // that stays in the folder chosen.
    const QString name =
        everyChild
            ? QStringLiteral("きろく_全員.csv")
            : QStringLiteral("きろく_%1.csv").arg(fileNamePart(m_childChoice->currentText()));
    const QString path = QDir(folder).filePath(name);
    QByteArray csv;
    QBuffer buffer(&csv);
    buffer.open(QIODevice::WriteOnly);
    QString error;
    const bool written =
        m_report->writeCsv(buffer, everyChild ? std::nullopt : std::optional(chosenChild())) &&
        writeFileAtomically(path, csv, &error);
    if (written)
        m_messageLine->say(QStringLiteral("保存しました：%1").arg(QDir::toNativeSeparators(path)));
    else
        m_messageLine->sayProblem(QStringLiteral("保存できませんでした：%1（%2）")
                                      .arg(QDir::toNativeSeparators(path), error));
}

void RecordScreen::printPdf() {
    if (m_childChoice->count() == 0)
        return;
    const QString folder = chooseFolder(this, QStringLiteral("PDFを保存するフォルダ"));
    if (folder.isEmpty())
        return;
    QList<ChildEntry> children;
    for (int i = 0; i < m_childChoice->count(); ++i) {
        const qint64 id = m_childChoice->itemData(i).toLongLong();
        children.append(
            m_children.entry(id).value_or(ChildEntry{id, m_childChoice->itemText(i), {}}));
    }
    const QString path = QDir(folder).filePath(QStringLiteral("きろく.pdf"));
    const QString problem = ReportPdf::write(path, *m_report, children, m_clock.today());
    if (problem.isEmpty())
        m_messageLine->say(QStringLiteral("保存しました：%1").arg(QDir::toNativeSeparators(path)));
    else
        m_messageLine->sayProblem(problem);
}

void RecordScreen::deleteChild() {
    const qint64 child = chosenChild();
    if (child == 0)
        return;
    const QString name = m_childChoice->currentText();
    if (!askYesNo(
            this,
            QStringLiteral("「%1」の記録をすべて削除します。もとにはもどせません。よいですか？")
                .arg(name),
            QStringLiteral("きろく")))
        return;
    if (const ChildProblem problem = m_children.remove(child)) {
        m_messageLine->sayProblem(RecordWords::problem(problem.record));
        return;
    }
    load();
    m_messageLine->say(QStringLiteral("「%1」の記録を削除しました。").arg(name));
}

void RecordScreen::cancel() {
    returnToGame();
}
