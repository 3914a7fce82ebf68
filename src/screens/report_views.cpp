#include "screens/report_views.h"

#include <QDateTime>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

#include "screens/omakase_words.h"

namespace ReportViews {

namespace {
// Red (few right) through yellow to green (nearly all right).
QColor shareColour(double share) {
    return QColor::fromHsvF(float(std::clamp(share, 0.0, 1.0) * 0.33), 0.45f, 0.95f);
}

struct KindWords {
    const char* name;
    const char* meaning;
};
// In a teacher's words, in the order of Mistake::Kind: the mistake and what it usually means. The
// counting way that practises it comes from the one table おまかせ follows too.
const KindWords kWords[Mistake::kKinds] = {
    {"1対1の対応（2回かぞえる、とばす）",
     "数のことばと物を1つずつ対応させることが、まだ安定していません。"},
    {"順番（となりを飛ばして先をさわる）", "端から順に1つずつ進める習慣が、まだ育っていません。"},
    {"正しくかぞえたのにちがうカード",
     "最後に言った数が「全部でいくつ」を表すこと（基数）が、まだつながっていません。"},
    {"1つちがい（1多い、1少ない）", "数え始めか数え終わりで、1つずれることが多いようです。"},
    {"かぞえずに答える", "見ただけで答えようとしています。小さい数ではよくあることです。"},
};

QString shareText(int with, int rounds) {
    return rounds == 0 ? QStringLiteral("—")
                       : QStringLiteral("%1%").arg(qRound(100.0 * with / rounds));
}
// Saves the painter's pen, brush and font, and gives them back at the end of a drawing.
class KeptState {
public:
    explicit KeptState(QPainter& painter) : m_painter(painter) { m_painter.save(); }
    ~KeptState() { m_painter.restore(); }
    KeptState(const KeptState&) = delete;
    KeptState& operator=(const KeptState&) = delete;

private:
    QPainter& m_painter;
};
}  // namespace

void drawTiles(QPainter& painter, const QRect& area,
               const std::array<RecordReport::Tile, 10>& tiles) {
    // The painter is handed back as it came: a heading drawn next must not take the last tile's
    // grey.
    const KeptState keep(painter);
    const int gap = std::max(2, area.width() / 100);
    const int side = std::min((area.width() - 9 * gap) / 10, area.height());
    QFont numeral = painter.font();
    numeral.setPixelSize(std::max(8, side * 2 / 5));
    numeral.setBold(true);
    // The count as large as a tile's lower third takes it: a teacher reads it from a step away.
    QFont small = painter.font();
    small.setPixelSize(std::max(6, side / 4));
    for (int i = 0; i < 10; ++i) {
        const RecordReport::Tile& t = tiles[size_t(i)];
        const QRect box(area.x() + i * (side + gap), area.y(), side, side);
        const bool enough = t.recent >= kFewestRounds;
        painter.setPen(QPen(Qt::darkGray, 1));
        painter.setBrush(enough ? shareColour(double(t.recentFirstTry) / t.recent)
                                : QColor(Qt::white));
        painter.drawRect(box.adjusted(0, 0, -1, -1));
        painter.setPen(enough ? Qt::black : Qt::gray);
        painter.setFont(numeral);
        painter.drawText(box.adjusted(0, 0, 0, -side / 3), Qt::AlignCenter, QString::number(i + 1));
        if (enough) {
            const QString count = QStringLiteral("%1回").arg(t.rounds);
            QFont fitting = small;
            while (fitting.pixelSize() > 6 &&
                   QFontMetrics(fitting, painter.device()).horizontalAdvance(count) > side - 4) {
                fitting.setPixelSize(fitting.pixelSize() - 1);
            }
            painter.setFont(fitting);
            painter.drawText(box.adjusted(2, side * 2 / 3 - 4, -2, -2), Qt::AlignCenter, count);
        }
    }
}

void drawChart(QPainter& painter, const QRect& area, const QList<RecordReport::Day>& days,
               const QDate& from, const QDate& to) {
    const int span = int(from.daysTo(to)) + 1;
    if (span <= 0)
        return;
    const KeptState keep(painter);
    QFont small = painter.font();
    small.setPixelSize(std::max(6, area.width() / 45));
    painter.setFont(small);
    const int textHeight = painter.fontMetrics().height();
    const QRect plot =
        area.adjusted(textHeight * 2, textHeight / 2, -textHeight * 2, -textHeight * 2);
    int most = 1;
    for (const RecordReport::Day& d : days)
        most = std::max(most, d.rounds);
    painter.setPen(QPen(Qt::darkGray, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot);
    const double step = double(plot.width()) / span;
    QPainterPath shareLine;
    for (const RecordReport::Day& d : days) {
        const int index = int(from.daysTo(d.date));
        if (index < 0 || index >= span)
            continue;
        const int height = plot.height() * d.rounds / most;
        painter.fillRect(QRectF(plot.x() + index * step + step * 0.15, plot.bottom() - height,
                                step * 0.7, height),
                         QColor(150, 180, 230));
        const QPointF point(plot.x() + (index + 0.5) * step,
                            plot.bottom() - plot.height() * double(d.firstTry) / d.rounds);
        if (shareLine.elementCount() == 0)
            shareLine.moveTo(point);
        else
            shareLine.lineTo(point);
    }
    painter.setPen(QPen(QColor(200, 60, 40), 2));
    painter.drawPath(shareLine);
    for (int i = 0; i < shareLine.elementCount(); ++i)
        painter.drawEllipse(QPointF(shareLine.elementAt(i)), 2.5, 2.5);
    painter.setPen(QColor(60, 90, 160));
    painter.drawText(QRect(area.x(), plot.y() - textHeight / 2, textHeight * 2 - 2, textHeight),
                     Qt::AlignRight, QString::number(most));
    painter.drawText(
        QRect(area.x(), plot.bottom() - textHeight / 2, textHeight * 2 - 2, textHeight),
        Qt::AlignRight, QStringLiteral("0"));
    painter.setPen(QColor(200, 60, 40));
    painter.drawText(QRect(plot.right() + 2, plot.y() - textHeight / 2, textHeight * 2, textHeight),
                     Qt::AlignLeft, QStringLiteral("100%"));
    painter.setPen(Qt::black);
    const QRect dates(plot.x(), plot.bottom() + 1, plot.width(), textHeight);
    painter.drawText(dates, Qt::AlignLeft, from.toString(QStringLiteral("M/d")));
    painter.drawText(dates, Qt::AlignRight, to.toString(QStringLiteral("M/d")));
    painter.drawText(dates.translated(0, textHeight), Qt::AlignHCenter,
                     QStringLiteral("青：1日にあそんだ回数　赤：1回目で正解した割合"));
}

QString mistakesText(const std::pair<RecordReport::Mistakes, RecordReport::Mistakes>& mistakes) {
    const RecordReport::Mistakes& now = mistakes.first;
    const RecordReport::Mistakes& before = mistakes.second;
    if (now.rounds == 0)
        return QStringLiteral("<p>まだ記録がありません。</p>");
    QString html = QStringLiteral("<p>最近の%1回（その前の%2回とくらべて）</p>")
                       .arg(now.rounds)
                       .arg(before.rounds);
    for (Mistake::Kind k : Mistake::kAllKinds) {
        const KindWords& w = kWords[k];
        const int with = now.with[size_t(k)];
        QString trend = QStringLiteral("くらべる記録がまだありません");
        if (before.rounds > 0) {
            const double a = double(with) / now.rounds;
            const double b = double(before.with[size_t(k)]) / before.rounds;
            trend = a < b - 0.05   ? QStringLiteral("へってきています")
                    : a > b + 0.05 ? QStringLiteral("ふえています")
                                   : QStringLiteral("かわりません");
        }
        // None of the last rounds had it: the figure says it is mastered, not what it would mean.
        html += QStringLiteral("<p><b>%1</b>：%2（%3）<br>%4")
                    .arg(QString::fromUtf8(w.name), shareText(with, now.rounds), trend,
                         with == 0 ? QStringLiteral("できています。")
                                   : QString::fromUtf8(w.meaning));
        if (with > 0)
            html += QStringLiteral("おすすめのかぞえ方：「%1」").arg(OmakaseWords::practiceName(k));
        html += QStringLiteral("</p>");
    }
    return html;
}

QString omakaseText(const RecordReport& report, qint64 childId, const QDate& from) {
    const QList<RoundMistakes> rounds = report.roundMistakes(childId);
    const qint64 since = from.startOfDay().toMSecsSinceEpoch();
    QList<RoundMistakes> before;
    for (const RoundMistakes& r : rounds) {
        if (r.beganAt < since)
            before.append(r);
    }
    QString html = QStringLiteral("<p><b>おまかせ</b>　%1　（○×：1回目で正解したか）</p>")
                       .arg(OmakaseWords::frontierLine(Omakase::frontier(rounds),
                                                       before.isEmpty()
                                                           ? 0
                                                           : Omakase::frontier(before)));
    const QList<RecordReport::ChosenRound> chosen = report.chosenRounds(childId, kChosenRounds);
    if (chosen.isEmpty())
        return html + QStringLiteral("<p>ゲームが決めた回はまだありません。</p>");
    html += QStringLiteral("<table cellspacing=\"0\" cellpadding=\"1\">");
    for (const RecordReport::ChosenRound& r : chosen) {
        html += QStringLiteral("<tr><td>%1 %2</td><td>&nbsp;%3こ・%4：%5</td></tr>")
                    .arg(QDateTime::fromMSecsSinceEpoch(r.beganAt).toString(QStringLiteral("M/d")),
                         r.firstTry ? QStringLiteral("○") : QStringLiteral("×"))
                    .arg(r.characters)
                    .arg(OmakaseWords::countWayName(r.countWay), OmakaseWords::reason(r.choice));
    }
    return html + QStringLiteral("</table>");
}

}  // namespace ReportViews
