#pragma once

#include <QList>
#include <QString>

#include <optional>

// Figures of repeated runs: the middle value and how far the runs spread.
struct Summary {
    int count = 0;
    double median = 0;
    double p95 = 0;
    double min = 0;
    double max = 0;
};

// The value below which `fraction` (0 to 1) of the samples lie, interpolated linearly between
// the two nearest ranks. 0 for no samples.
double percentile(QList<double> samples, double fraction);
Summary summarize(const QList<double>& samples);

// CPU time a process has used so far (all its threads, user and system), in clock ticks, from
// the text of /proc/<pid>/stat. nullopt when the text is not such a line.
std::optional<qint64> cpuTicksFromStat(const QByteArray& statLine);
// A "VmHWM:   12345 kB" style field of /proc/<pid>/status, in KiB.
std::optional<qint64> statusFieldKib(const QByteArray& statusText, const QByteArray& field);

// The same, read from the live process.
std::optional<qint64> cpuTicksOf(qint64 pid);
std::optional<qint64> statusFieldKibOf(qint64 pid, const QByteArray& field);
// This process's resident memory now, in KiB.
qint64 ownResidentKib();
