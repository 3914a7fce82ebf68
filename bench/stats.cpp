#include "stats.h"

#include <QFile>
#include <QList>

#include <algorithm>
#include <cmath>

double percentile(QList<double> samples, double fraction) {
    if (samples.isEmpty())
        return 0;
    std::sort(samples.begin(), samples.end());
    const double rank = std::clamp(fraction, 0.0, 1.0) * double(samples.size() - 1);
    const auto below = qsizetype(std::floor(rank));
    const auto above = std::min(below + 1, samples.size() - 1);
    return samples[below] + (rank - double(below)) * (samples[above] - samples[below]);
}

Summary summarize(const QList<double>& samples) {
    Summary s;
    s.count = int(samples.size());
    if (samples.isEmpty())
        return s;
    s.median = percentile(samples, 0.5);
    s.p95 = percentile(samples, 0.95);
    const auto [lo, hi] = std::minmax_element(samples.begin(), samples.end());
    s.min = *lo;
    s.max = *hi;
    return s;
}

std::optional<qint64> cpuTicksFromStat(const QByteArray& statLine) {
    // The program's name, in parentheses, may itself hold spaces and parentheses: the fields
    // are counted from the last closing one. After it: state (field 3) ... utime (14), stime (15).
    const qsizetype close = statLine.lastIndexOf(')');
    if (close < 0)
        return std::nullopt;
    const QList<QByteArray> fields = statLine.mid(close + 1).simplified().split(' ');
    if (fields.size() < 13)
        return std::nullopt;
    bool userOk = false, systemOk = false;
    const qint64 user = fields[11].toLongLong(&userOk);
    const qint64 system = fields[12].toLongLong(&systemOk);
    if (!userOk || !systemOk)
        return std::nullopt;
    return user + system;
}

std::optional<qint64> statusFieldKib(const QByteArray& statusText, const QByteArray& field) {
    const QByteArray key = field + ':';
    for (const QByteArray& line : statusText.split('\n')) {
        if (!line.startsWith(key))
            continue;
        const QList<QByteArray> parts = line.mid(key.size()).simplified().split(' ');
        bool ok = false;
        const qint64 value = parts.value(0).toLongLong(&ok);
        if (ok && parts.value(1) == "kB")
            return value;
        return std::nullopt;
    }
    return std::nullopt;
}

namespace {
QByteArray readProc(qint64 pid, const char* name) {
    QFile file(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(name)));
    // /proc files report no size: read until the end.
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
}  // namespace

std::optional<qint64> cpuTicksOf(qint64 pid) {
    return cpuTicksFromStat(readProc(pid, "stat"));
}

std::optional<qint64> statusFieldKibOf(qint64 pid, const QByteArray& field) {
    return statusFieldKib(readProc(pid, "status"), field);
}

qint64 ownResidentKib() {
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return statusFieldKib(file.readAll(), "VmRSS").value_or(0);
}
