#include "record/record_report.h"

#include <QDateTime>
#include <QFileInfo>
#include <QIODevice>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringConverter>
#include <QTextStream>
#include <QVariant>

#include <algorithm>

#include "record/record_file.h"

namespace {
// A round answered right at the first try, and a round with any answer.
const QString kFirstTry = QStringLiteral(
    "EXISTS (SELECT 1 FROM answer a WHERE a.round_id = r.id AND a.attempt = 1 AND a.right)");
const QString kAnswered = QStringLiteral("EXISTS (SELECT 1 FROM answer a WHERE a.round_id = r.id)");

qint64 startOfDay(const QDate& date) {
    return date.startOfDay().toMSecsSinceEpoch();
}
}  // namespace

RecordReport::RecordReport(const QString& path)
    : m_path(path), m_connection(QStringLiteral("kazoemashou-report-%1").arg(quintptr(this))) {}

RecordReport::~RecordReport() {
    if (QSqlDatabase::contains(m_connection))
        RecordFile::disconnect(m_connection);
}

bool RecordReport::open() {
    if (m_open)
        return true;
    // Only a look at the folder's entry: opening the file outside SQLite, even to read its
    // header, would drop the locks by which the game's own connection claims it.
    if (!QFileInfo(m_path).isFile())
        return false;
    QSqlError error;
    QSqlDatabase db = RecordFile::connect(m_connection, m_path, false, &error);
    m_open = db.isOpen();
    return m_open;
}

std::array<RecordReport::Tile, 10> RecordReport::tiles(qint64 childId) const {
    std::array<Tile, 10> all{};
    if (!m_open)
        return all;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(
        QStringLiteral("SELECT characters, count(*), sum(rn <= %1), sum(rn <= %1 AND first)"
                       " FROM (SELECT r.characters, %2 AS first, row_number() OVER"
                       "  (PARTITION BY r.characters ORDER BY r.began_at DESC) AS rn"
                       "  FROM round r WHERE r.child_id = ? AND %3)"
                       " GROUP BY characters")
            .arg(kTileRounds)
            .arg(kFirstTry, kAnswered));
    query.addBindValue(childId);
    query.exec();
    while (query.next()) {
        const int n = query.value(0).toInt();
        if (n < 1 || n > 10)
            continue;
        all[n - 1] = {query.value(1).toInt(), query.value(2).toInt(), query.value(3).toInt()};
    }
    return all;
}

QList<RecordReport::Day> RecordReport::days(qint64 childId, const QDate& from,
                                            const QDate& to) const {
    QList<Day> all;
    if (!m_open)
        return all;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral("SELECT date(r.began_at / 1000, 'unixepoch', 'localtime') AS d,"
                                 " count(*), sum(%1) FROM round r"
                                 " WHERE r.child_id = ? AND r.began_at >= ? AND r.began_at < ?"
                                 " AND %2 GROUP BY d ORDER BY d")
                      .arg(kFirstTry, kAnswered));
    query.addBindValue(childId);
    query.addBindValue(startOfDay(from));
    query.addBindValue(startOfDay(to.addDays(1)));
    query.exec();
    while (query.next())
        all.append({QDate::fromString(query.value(0).toString(), Qt::ISODate),
                    query.value(1).toInt(), query.value(2).toInt()});
    return all;
}

std::optional<std::pair<QDate, QDate>> RecordReport::period(qint64 childId) const {
    if (!m_open)
        return std::nullopt;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(
        QStringLiteral("SELECT min(began_at), max(began_at) FROM round WHERE child_id = ?"));
    query.addBindValue(childId);
    if (!query.exec() || !query.next() || query.isNull(0))
        return std::nullopt;
    const auto date = [&](int i) {
        return QDateTime::fromMSecsSinceEpoch(query.value(i).toLongLong()).date();
    };
    return std::pair{date(0), date(1)};
}

QList<RoundMistakes> RecordReport::readMistakes(qint64 childId, bool answeredOnly, int most) const {
    QList<RoundMistakes> rounds;
    if (!m_open)
        return rounds;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(
        QStringLiteral(
            "SELECT round_id, characters, count_way, cut_short, answers, coalesce(solved_at, 0),"
            " counted_twice, skipped, one_to_one, order_mistakes, counted_right_answered_wrong,"
            " off_by_one, answered_without_counting, began_at FROM round_mistakes"
            " WHERE child_id = ? %1"
            " ORDER BY began_at DESC, round_id DESC LIMIT %2")
            .arg(answeredOnly ? QStringLiteral("AND answers > 0") : QString())
            .arg(most));
    query.addBindValue(childId);
    query.exec();
    while (query.next()) {
        const auto at = [&](int i) { return query.value(i).toInt(); };
        rounds.append({query.value(0).toLongLong(), at(1), at(2), at(3) != 0, at(4), at(5), at(6),
                       at(7), at(8), at(9), at(10), at(11), at(12),
                       query.value(13).toLongLong()});
    }
    return rounds;
}

std::pair<RecordReport::Mistakes, RecordReport::Mistakes> RecordReport::mistakes(
    qint64 childId) const {
    std::pair<Mistakes, Mistakes> both;
    const QList<RoundMistakes> rounds = readMistakes(childId, true, 2 * kTrendRounds);
    for (qsizetype i = 0; i < rounds.size(); ++i) {
        Mistakes& m = i < kTrendRounds ? both.first : both.second;
        ++m.rounds;
        for (Mistake::Kind kind : Mistake::kAllKinds)
            m.with[size_t(kind)] += rounds[i].with(kind) > 0;
    }
    return both;
}

QList<RoundMistakes> RecordReport::roundMistakes(qint64 childId) const {
    QList<RoundMistakes> rounds = readMistakes(childId, false, -1);
    std::reverse(rounds.begin(), rounds.end());
    return rounds;
}

QList<RecordReport::ChosenRound> RecordReport::chosenRounds(qint64 childId, int most) const {
    QList<ChosenRound> rounds;
    if (!m_open)
        return rounds;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral("SELECT r.began_at, r.characters, r.count_way, %1, r.chosen_why,"
                                 " r.chosen_right, r.chosen_of, r.chosen_mistake FROM round r"
                                 " WHERE r.child_id = ? AND r.chosen_why IS NOT NULL AND %2"
                                 " ORDER BY r.began_at DESC, r.id DESC LIMIT ?")
                      .arg(kFirstTry, kAnswered));
    query.addBindValue(childId);
    query.addBindValue(most);
    query.exec();
    while (query.next()) {
        const auto at = [&](int i) { return query.value(i).toInt(); };
        ChosenRound r{query.value(0).toLongLong(), at(1), at(2), at(3) != 0, {}};
        r.choice.characters = r.characters;
        r.choice.countWay = qint16(r.countWay);
        r.choice.reason = {Omakase::Why(std::clamp(at(4), 0, Omakase::kWhyCount - 1)), at(5),
                           at(6)};
        if (!query.isNull(7) && at(7) >= 0 && at(7) < Mistake::kKinds)
            r.choice.followed = Mistake::Kind(at(7));
        rounds.append(r);
    }
    return rounds;
}

QString RecordReport::csvField(const QString& text) {
    // A spreadsheet takes a cell that begins with one of these for a formula (a name edited by
    // hand into "=HYPERLINK(...)"); a leading ' keeps it text, as spreadsheets expect.
    static const QString formulaStarts = QStringLiteral("=+-@\t\r");
    const QString cell =
        !text.isEmpty() && formulaStarts.contains(text.front()) ? QLatin1Char('\'') + text : text;
    if (!cell.contains(QLatin1Char(',')) && !cell.contains(QLatin1Char('"')) &&
        !cell.contains(QLatin1Char('\n')) && !cell.contains(QLatin1Char('\r')))
        return cell;
    QString quoted = cell;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

bool RecordReport::writeCsv(QIODevice& out, std::optional<qint64> childId) const {
    QTextStream stream(&out);
    stream.setEncoding(QStringConverter::Utf8);
    stream.setGenerateByteOrderMark(true);
    stream << QStringLiteral(
        "なまえ,かいし,キャラのかず,かぞえかた,とちゅうでおわり,"
        "なんかいめ,えらんだカード,せいかい\r\n");
    if (m_open) {
        QSqlQuery query(QSqlDatabase::database(m_connection, false));
        query.setForwardOnly(true);
        query.prepare(
            QStringLiteral(
                "SELECT c.name, r.began_at, r.characters, r.count_way, r.cut_short,"
                " a.attempt, a.card, a.right FROM round r JOIN child c ON c.id = r.child_id"
                " LEFT JOIN answer a ON a.round_id = r.id %1"
                " ORDER BY c.name, c.id, r.began_at, r.id, a.seq")
                .arg(childId ? QStringLiteral("WHERE r.child_id = ?") : QString()));
        if (childId)
            query.addBindValue(*childId);
        if (!query.exec())
            return false;
        while (query.next()) {
            const QDateTime began = QDateTime::fromMSecsSinceEpoch(query.value(1).toLongLong());
            stream << csvField(query.value(0).toString()) << ','
                   << began.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) << ','
                   << query.value(2).toInt() << ',' << query.value(3).toInt() << ','
                   << query.value(4).toInt();
            for (int i = 5; i < 8; ++i)
                stream << ',' << (query.isNull(i) ? QString() : query.value(i).toString());
            stream << "\r\n";
        }
    }
    stream.flush();
    return stream.status() == QTextStream::Ok;
}
