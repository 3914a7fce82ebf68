#include "screens/report_pdf.h"

#include <QBuffer>
#include <QDir>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>

#include "record/record_report.h"
#include "screens/report_views.h"
#include "screens/screen_parts.h"
#include "state/file_writing.h"

namespace ReportPdf {

QString write(const QString& path, const RecordReport& report, const QList<ChildEntry>& children,
              const QDate& today) {
    const QString failed =
        QStringLiteral("PDFを保存できませんでした：%1").arg(QDir::toNativeSeparators(path));
    // Made in memory and written whole: an earlier PDF stays as it was until the new one is
    // on the disk.
    QByteArray pdf;
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    writer.setResolution(150);
    writer.setTitle(QStringLiteral("かぞえましょう きろく"));
    QPainter painter;
    if (!painter.begin(&writer))
        return failed;
    const QRect page = painter.viewport();
    const int w = page.width();
    const QDate from = today.addDays(1 - ReportViews::kChartDays);
    for (qsizetype i = 0; i < children.size(); ++i) {
        if (i > 0)
            writer.newPage();
        const ChildEntry& child = children[i];
        QFont font = ScreenParts::windowFont();
        font.setPixelSize(w / 28);
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(Qt::black);
        const auto period = report.period(child.id);
        const QString periodText =
            period ? QStringLiteral("%1 〜 %2")
                         .arg(period->first.toString(QStringLiteral("yyyy/M/d")),
                              period->second.toString(QStringLiteral("yyyy/M/d")))
                   : QStringLiteral("記録なし");
        painter.drawText(QRect(0, 0, w, w / 20), Qt::AlignLeft | Qt::AlignVCenter,
                         QStringLiteral("%1 さんのきろく").arg(child.name));
        font.setBold(false);
        font.setPixelSize(w / 45);
        painter.setFont(font);
        painter.drawText(QRect(0, 0, w, w / 20), Qt::AlignRight | Qt::AlignVCenter,
                         QStringLiteral("期間：%1　（%2 作成）")
                             .arg(periodText, today.toString(QStringLiteral("yyyy/M/d"))));
        int y = w / 14;
        painter.drawText(
            QRect(0, y, w, w / 30), Qt::AlignLeft,
            QStringLiteral("かずごとの「1回目で正解」（最近%1回、色：赤＝少ない〜緑＝多い）")
                .arg(RecordReport::kTileRounds));
        y += w / 24;
        ReportViews::drawTiles(painter, QRect(0, y, w, w / 10), report.tiles(child.id));
        y += w / 10 + w / 30;
        painter.setFont(font);
        painter.drawText(QRect(0, y, w, w / 30), Qt::AlignLeft,
                         QStringLiteral("この%1日間").arg(ReportViews::kChartDays));
        y += w / 24;
        ReportViews::drawChart(painter, QRect(0, y, w, w * 2 / 5),
                               report.days(child.id, from, today), from, today);
        y += w * 2 / 5 + w / 30;
        QTextDocument text;
        QFont textFont = ScreenParts::windowFont();
        textFont.setPixelSize(w / 50);
        text.setDefaultFont(textFont);
        text.setTextWidth(w);
        // A child on おまかせ: the frontier and the rounds the game chose come first.
        text.setHtml((child.omakase ? ReportViews::omakaseText(report, child.id, from) : QString()) +
                     ReportViews::mistakesText(report.mistakes(child.id)));
        painter.save();
        painter.translate(0, y);
        text.drawContents(&painter, QRectF(0, 0, w, page.height() - y));
        painter.restore();
    }
    if (!painter.end())
        return failed;
    QString error;
    if (!writeFileAtomically(path, pdf, &error))
        return failed + QStringLiteral("（%1）").arg(error);
    return {};
}

}  // namespace ReportPdf
