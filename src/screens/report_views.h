#pragma once

#include <QDate>
#include <QRect>
#include <QString>

#include "record/record_report.h"

class QPainter;

// The views of one child's report, drawn the same on the screen and on the printed page.
namespace ReportViews {

// Fewer rounds than this of one number of characters leave its tile empty.
constexpr int kFewestRounds = 3;
// The days the chart spans, today included.
constexpr int kChartDays = 30;

// Ten tiles, 1 to 10: coloured by the first-try right share of the last rounds of that number,
// with the count of rounds of that number below the numeral.
void drawTiles(QPainter& painter, const QRect& area,
               const std::array<RecordReport::Tile, 10>& tiles);
// Rounds per day (bars) and the first-try right share per day (a line), `from` to `to`.
void drawChart(QPainter& painter, const QRect& area, const QList<RecordReport::Day>& days,
               const QDate& from, const QDate& to);
// The kinds of mistake, one paragraph each (HTML): share, trend, what it usually means and the
// counting way that practises it.
QString mistakesText(const std::pair<RecordReport::Mistakes, RecordReport::Mistakes>& mistakes);

// The last rounds おまかせ chose that the report lists.
constexpr int kChosenRounds = 6;
// おまかせ for a child on it (HTML): the frontier now and on `from` (the chart's first day), and
// the last rounds the game chose with their number, counting way and why.
QString omakaseText(const RecordReport& report, qint64 childId, const QDate& from);

}  // namespace ReportViews
