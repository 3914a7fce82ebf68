#include "report_table.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

#include "stats.h"

Samples parseResults(const QByteArray& text) {
    Samples samples;
    for (const QByteArray& raw : text.split('\n')) {
        const QList<QByteArray> parts = raw.simplified().split(' ');
        if (parts.size() != 2)
            continue;
        bool ok = false;
        const double value = parts[1].toDouble(&ok);
        if (ok)
            samples[QString::fromUtf8(parts[0])].append(value);
    }
    return samples;
}

Samples parseBenchmarkJson(const QByteArray& json) {
    Samples samples;
    const QJsonArray runs = QJsonDocument::fromJson(json).object().value(u"benchmarks").toArray();
    for (const QJsonValue& value : runs) {
        const QJsonObject run = value.toObject();
        if (run.value(u"run_type").toString() != u"iteration" || run.contains(u"error_message"))
            continue;
        const QString unit = run.value(u"time_unit").toString();
        double scale = 1;  // to milliseconds
        if (unit == u"ns")
            scale = 1e-6;
        else if (unit == u"us")
            scale = 1e-3;
        else if (unit == u"s")
            scale = 1e3;
        const QString name = run.value(u"run_name").toString(run.value(u"name").toString());
        samples[name].append(run.value(u"real_time").toDouble() * scale);
        samples[name + QStringLiteral("/cpu")].append(run.value(u"cpu_time").toDouble() * scale);
    }
    return samples;
}

namespace {
constexpr double kFrameMs = 1000.0 / 60.0;
constexpr double kKibPerMib = 1024.0;

QString number(double value, int decimals = 1) {
    return QString::number(value, 'f', decimals);
}

// "41.3 ms (38.0–52.1, n 12)"
QString spread(const Summary& s, const QString& unit, int decimals = 1, double scale = 1) {
    if (s.count == 1)
        return QStringLiteral("%1 %2").arg(number(s.median * scale, decimals), unit);
    return QStringLiteral("%1 %2 (%3–%4, n %5)")
        .arg(number(s.median * scale, decimals), unit, number(s.min * scale, decimals),
             number(s.max * scale, decimals))
        .arg(s.count);
}

Row notMeasured(const QString& measure, const QString& goal) {
    Row row;
    row.measure = measure;
    row.ours = QStringLiteral("not measured");
    row.goal = goal;
    row.shortfall = QStringLiteral("no figures");
    return row;
}

// A figure with an upper bound of its own.
Row bounded(const Samples& samples, const QString& key, const QString& measure, const QString& unit,
            double limit, const QString& goal, int decimals = 1) {
    const QList<double> values = samples.value(key);
    if (values.isEmpty())
        return notMeasured(measure, goal);
    const Summary s = summarize(values);
    Row row;
    row.measure = measure;
    row.ours = spread(s, unit, decimals);
    row.goal = goal;
    row.measured = true;
    row.met = s.median <= limit;
    if (!row.met)
        row.shortfall = QStringLiteral("%1 %2 over").arg(number(s.median - limit, decimals), unit);
    return row;
}

// Our figures against the floor's from the same run: met when our median is at most the floor's
// plus `allowance` (in the figures' own unit, before `scale`).
Row againstFloor(const QList<double>& ours, const QList<double>& floor, const QString& measure,
                 const QString& goal, const QString& unit, int decimals, double scale = 1,
                 double allowance = 0) {
    if (ours.isEmpty() || floor.isEmpty())
        return notMeasured(measure, goal);
    const Summary s = summarize(ours);
    const Summary f = summarize(floor);
    Row row;
    row.measure = measure;
    row.ours = spread(s, unit, decimals, scale);
    row.floor = spread(f, unit, decimals, scale);
    row.ratio = f.median > 0 ? QStringLiteral("%1 ×").arg(number(s.median / f.median, 2))
                             : QStringLiteral("–");
    row.goal = goal;
    row.measured = true;
    const double limit = f.median + allowance;
    row.met = s.median <= limit;
    if (!row.met)
        row.shortfall =
            QStringLiteral("%1 %2 over").arg(number((s.median - limit) * scale, decimals), unit);
    return row;
}

// CPU of the game against the floor's, in the same conditions: at most as much.
Row cpuAgainstFloor(const Samples& samples, const QString& key, const QString& measure) {
    return againstFloor(samples.value(key), samples.value(QStringLiteral("floor_") + key), measure,
                        QStringLiteral("≤ floor"), QStringLiteral("% of a core"), 2);
}

// Resident memory against the floor's plus an allowance.
Row memory(const Samples& samples, const QString& key, const QString& measure) {
    const QList<double> ours = samples.value(QStringLiteral("startup_game_") + key);
    const QList<double> floor = samples.value(QStringLiteral("startup_floor_") + key);
    Row row = againstFloor(ours, floor, measure, QStringLiteral("≤ floor + 30 MiB"),
                           QStringLiteral("MiB"), 1, 1 / kKibPerMib, 30 * kKibPerMib);
    if (row.measured)
        row.ratio = QStringLiteral("+%1 MiB").arg(
            number((summarize(ours).median - summarize(floor).median) / kKibPerMib));
    return row;
}
}  // namespace

QList<Row> buildRows(const Samples& samples) {
    QList<Row> rows;

    {
        const QString goal = QStringLiteral("≤ 1.2 × floor");
        const QList<double> ours = samples.value(QStringLiteral("startup_game_ms"));
        const QList<double> floor = samples.value(QStringLiteral("startup_floor_ms"));
        const QString measure =
            QStringLiteral("Start-up to the first character (Xvfb 1920 × 1080)");
        if (ours.isEmpty() || floor.isEmpty()) {
            rows.append(notMeasured(measure, goal));
        } else {
            const Summary s = summarize(ours);
            const Summary f = summarize(floor);
            Row row;
            row.measure = measure;
            row.ours = spread(s, QStringLiteral("ms"));
            row.floor = spread(f, QStringLiteral("ms"));
            const double ratio = f.median > 0 ? s.median / f.median : 0;
            row.ratio = QStringLiteral("%1 ×").arg(number(ratio, 2));
            row.goal = goal;
            row.measured = true;
            row.met = f.median > 0 && ratio <= 1.2;
            if (!row.met)
                row.shortfall = QStringLiteral("%1 × the floor, %2 ms over")
                                    .arg(number(ratio, 2), number(s.median - 1.2 * f.median));
            rows.append(row);
        }
    }

    {
        const QString goal = QStringLiteral("median and 95th percentile ≤ 16.7 ms");
        const QString measure = QStringLiteral("Touch to numeral drawn");
        const QList<double> values = samples.value(QStringLiteral("touch_numeral_ms"));
        if (values.isEmpty()) {
            rows.append(notMeasured(measure, goal));
        } else {
            const Summary s = summarize(values);
            Row row;
            row.measure = measure;
            row.ours = spread(s, QStringLiteral("ms")) +
                       QStringLiteral("; 95th percentile %1 ms").arg(number(s.p95));
            row.goal = goal;
            row.measured = true;
            row.met = s.median <= kFrameMs && s.p95 <= kFrameMs;
            if (!row.met)
                row.shortfall = QStringLiteral("95th percentile %1 ms over")
                                    .arg(number(std::max(s.median, s.p95) - kFrameMs));
            rows.append(row);
        }
    }

    rows.append(bounded(samples, QStringLiteral("touch_sound_ms"),
                        QStringLiteral("Touch to sound start (null sink)"), QStringLiteral("ms"),
                        30, QStringLiteral("median ≤ 30 ms")));
    rows.append(bounded(samples, QStringLiteral("first_touch_sound_ms"),
                        QStringLiteral("Touch to sound start, the first sound of a run"),
                        QStringLiteral("ms"), 30, QStringLiteral("median ≤ 30 ms")));
    rows.append(cpuAgainstFloor(
        samples, QStringLiteral("hopping_cpu_pct"),
        QStringLiteral(
            "CPU while a character hops every 1.5 s with its hop sound (1280 × 800, 30 s)")));
    rows.append(cpuAgainstFloor(
        samples, QStringLiteral("silent_hopping_cpu_pct"),
        QStringLiteral("CPU with no audio server, the same hopping (1280 × 800, 30 s)")));
    rows.append(bounded(samples, QStringLiteral("question_cpu_pct"),
                        QStringLiteral("CPU while the question waits for a card (30 s)"),
                        QStringLiteral("% of a core"), 1, QStringLiteral("< 1 % of a core"), 2));
    rows.append(memory(samples, QStringLiteral("peak_kib"), QStringLiteral("Peak memory (VmHWM)")));
    rows.append(memory(samples, QStringLiteral("steady_kib"),
                       QStringLiteral("Steady memory (VmRSS, 2 s after start)")));
    rows.append(bounded(samples, QStringLiteral("play_growth_kib"),
                        QStringLiteral("Memory growth, round 100 to 1,000 of simulated play"),
                        QStringLiteral("KiB"), 1024, QStringLiteral("no growth (≤ 1 MiB)"), 0));
    rows.append(bounded(samples, QStringLiteral("folder_scan_ms"),
                        QStringLiteral("1,000 pictures: start-up scan and files"),
                        QStringLiteral("ms"), 200, QStringLiteral("< 200 ms")));
    rows.append(bounded(samples, QStringLiteral("selection_open_ms"),
                        QStringLiteral("1,000 pictures: opening the selection screen"),
                        QStringLiteral("ms"), 200, QStringLiteral("< 200 ms")));
    // A frame's cost is its CPU time: on a machine shared with other work the real time also
    // holds the waits for a free core. The real time is shown beside it.
    for (const auto& [size, text] :
         {std::pair{QStringLiteral("1920/1080"), QStringLiteral("1920 × 1080")},
          std::pair{QStringLiteral("3840/2160"), QStringLiteral("3840 × 2160")}}) {
        const QString key = QStringLiteral("drawGameScreen/") + size;
        Row row = bounded(samples, key + QStringLiteral("/cpu"),
                          QStringLiteral("Drawing one full frame at %1 (CPU time)").arg(text),
                          QStringLiteral("ms"), kFrameMs / 2,
                          QStringLiteral("well within a frame: ≤ 8.3 ms"), 2);
        const QList<double> real = samples.value(key);
        if (!real.isEmpty())
            row.ours += QStringLiteral("; real time %1 ms").arg(number(summarize(real).median, 2));
        rows.append(row);
    }
    return rows;
}

QString markdownTable(const QList<Row>& rows) {
    QString out = QStringLiteral(
        "| Measure | Ours: median (min–max, runs) | Floor | Ours to floor | Goal | Met |\n"
        "|---|---|---|---|---|---|\n");
    for (const Row& r : rows) {
        const QString met =
            r.met ? QStringLiteral("yes") : QStringLiteral("**no**: %1").arg(r.shortfall);
        out += QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 |\n")
                   .arg(r.measure, r.ours, r.floor.isEmpty() ? QStringLiteral("–") : r.floor,
                        r.ratio.isEmpty() ? QStringLiteral("–") : r.ratio, r.goal, met);
    }
    return out;
}

QString plainTable(const QList<Row>& rows) {
    int width = 0;
    for (const Row& r : rows)
        width = std::max(width, int(r.measure.size()));
    QString out;
    for (const Row& r : rows) {
        out += r.measure.leftJustified(width + 2) + r.ours;
        if (!r.floor.isEmpty())
            out += QStringLiteral("  floor %1 (%2)").arg(r.floor, r.ratio);
        out += QStringLiteral("  goal %1: %2\n")
                   .arg(r.goal, r.met ? QStringLiteral("met")
                                      : QStringLiteral("MISSED, %1").arg(r.shortfall));
    }
    return out;
}
