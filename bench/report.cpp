// Turns the figures of one benchmark run into the table: printed, and written into the
// benchmarks page from its template.
//
//   kazoe_bench_report <results.txt> <draw.json> <template.md> <page.md>

#include <QDate>
#include <QFile>
#include <QRegularExpression>
#include <QSysInfo>

#include <unistd.h>
#include <cstdio>

#include "report_table.h"
#include "stats.h"

namespace {
QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString machine() {
    const QString cpuinfo = QString::fromUtf8(readAll(QStringLiteral("/proc/cpuinfo")));
    const QRegularExpressionMatch model =
        QRegularExpression(QStringLiteral("^model name\\s*:\\s*(.+)$"),
                           QRegularExpression::MultilineOption)
            .match(cpuinfo);
    const qint64 memoryKib =
        statusFieldKib(readAll(QStringLiteral("/proc/meminfo")), "MemTotal").value_or(0);
    return QStringLiteral("%1, %2 cores, %3 GiB of memory; %4, kernel %5; Qt %6")
        .arg(model.hasMatch() ? model.captured(1).trimmed() : QStringLiteral("unknown CPU"))
        .arg(sysconf(_SC_NPROCESSORS_ONLN))
        .arg(QString::number(double(memoryKib) / 1024 / 1024, 'f', 1),
             QSysInfo::prettyProductName(), QSysInfo::kernelVersion(),
             QString::fromLatin1(qVersion()));
}

// Figures that have no goal of their own but explain the others.
QString details(const Samples& samples) {
    QString out;
    const auto line = [&](const QString& key, const QString& text, const QString& unit) {
        const QList<double> values = samples.value(key);
        if (values.isEmpty())
            return;
        const Summary s = summarize(values);
        out +=
            QStringLiteral("- %1: median %2 %3, 95th percentile %4 %3, %5–%6 over %7 runs\n")
                .arg(text, QString::number(s.median, 'f', 1), unit, QString::number(s.p95, 'f', 1),
                     QString::number(s.min, 'f', 1), QString::number(s.max, 'f', 1))
                .arg(s.count);
    };
    if (!samples.value(QStringLiteral("load_average")).isEmpty())
        out += QStringLiteral("- Load average of the machine as the run began: %1 (two cores)\n")
                   .arg(samples.value(QStringLiteral("load_average")).first());
    if (const QList<double> loads = samples.value(QStringLiteral("load_average_waiting"));
        !loads.isEmpty()) {
        const Summary load = summarize(loads);
        out += QStringLiteral("- Load average as each pair of the cost of waiting began: %1–%2\n")
                   .arg(QString::number(load.min, 'f', 2), QString::number(load.max, 'f', 2));
    }
    line(QStringLiteral("touch_sound_ms"), QStringLiteral("Touch to sound start"),
         QStringLiteral("ms"));
    line(QStringLiteral("first_touch_sound_ms"),
         QStringLiteral("Touch to sound start, the first sound of a run"), QStringLiteral("ms"));
    line(QStringLiteral("folder_first_scan_ms"),
         QStringLiteral("1,000 pictures, the very first start (writes both files)"),
         QStringLiteral("ms"));
    line(QStringLiteral("selection_reopen_ms"),
         QStringLiteral("1,000 pictures, the selection screen opened a second time"),
         QStringLiteral("ms"));
    QStringList rss;
    for (auto it = samples.begin(); it != samples.end(); ++it) {
        if (it.key().startsWith(QStringLiteral("play_rss_kib_")) && !it.value().isEmpty())
            rss.append(QStringLiteral("%1: %2 MiB")
                           .arg(it.key().mid(13))
                           .arg(QString::number(it.value().first() / 1024, 'f', 1)));
    }
    std::sort(rss.begin(), rss.end(), [](const QString& a, const QString& b) {
        return a.section(u':', 0, 0).toInt() < b.section(u':', 0, 0).toInt();
    });
    if (!rss.isEmpty())
        out += QStringLiteral("- Resident memory of the simulated play by round: %1\n")
                   .arg(rss.join(QStringLiteral(", ")));
    return out;
}
// Why a measure can fall short on this program, for the measures where the reason is known.
QString whyMissed(const QString& measure) {
    if (measure.startsWith(QStringLiteral("Start-up")))
        return QStringLiteral(
            "The game does more than the floor before its first frame, and each of these is "
            "the game's behaviour: it loads Qt Multimedia and the PulseAudio client (a dozen "
            "more shared libraries), lists the pictures and reads \"Pimo.txt\" and "
            "\"Fname.txt\", makes its sound thread, and reads the first character's picture "
            "from disk. The window icon, the sounds of later touches and the first hop sound "
            "already wait until the first frame is on the screen; what is left comes to a few "
            "milliseconds beyond Qt's own start, which both programs share, and the larger "
            "program loading on two busy cores, where the X server, the audio server and the "
            "probe's screen grabs run too.");
    if (measure.startsWith(QStringLiteral("Drawing")))
        return QStringLiteral(
            "Most of a full frame is filling the whole screen white and scaling thirty pictures "
            "up to their places. The window repaints all of it only when a message, the mark or "
            "its size changes; a hop or a touch repaints the places that changed.");
    if (measure.startsWith(QStringLiteral("Touch")))
        return QStringLiteral(
            "The touch is handled and the frame drawn within a few milliseconds; the slow runs "
            "are the ones in which no core was free for the game, the X server or the audio "
            "server.");
    return QStringLiteral("Not known: see the figures above and the load of the machine.");
}
}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 5) {
        std::fprintf(stderr,
                     "usage: kazoe_bench_report <results.txt> <draw.json> <template> <page>\n");
        return 2;
    }
    Samples samples = parseResults(readAll(QString::fromLocal8Bit(argv[1])));
    const Samples drawing = parseBenchmarkJson(readAll(QString::fromLocal8Bit(argv[2])));
    for (auto it = drawing.begin(); it != drawing.end(); ++it)
        samples[it.key()] = it.value();

    const QList<Row> rows = buildRows(samples);
    QString missed;
    for (const Row& r : rows) {
        if (!r.met)
            missed += QStringLiteral("- %1: %2 (goal %3)\n").arg(r.measure, r.shortfall, r.goal);
    }
    QString why;
    for (const Row& r : rows) {
        if (!r.met && r.measured)
            why += QStringLiteral("- %1: %2\n").arg(r.measure, whyMissed(r.measure));
    }
    if (missed.isEmpty())
        missed = QStringLiteral("None: every goal is met.\n");
    if (why.isEmpty())
        why = QStringLiteral("Every goal measured is met.\n");

    QString page = QString::fromUtf8(readAll(QString::fromLocal8Bit(argv[3])));
    page.replace(QStringLiteral("{{DATE}}"), QDate::currentDate().toString(Qt::ISODate));
    page.replace(QStringLiteral("{{MACHINE}}"), machine());
    page.replace(QStringLiteral("{{TABLE}}"), markdownTable(rows));
    page.replace(QStringLiteral("{{MISSED}}"), missed);
    page.replace(QStringLiteral("{{DETAILS}}"), details(samples));
    page.replace(QStringLiteral("{{WHY}}"), why);
    QFile out(QString::fromLocal8Bit(argv[4]));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(page.toUtf8()) < 0) {
        std::fprintf(stderr, "kazoe_bench_report: cannot write %s\n", argv[4]);
        return 1;
    }
    std::fputs(plainTable(rows).toUtf8().constData(), stdout);
    return 0;
}
