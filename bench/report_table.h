#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

// The benchmark's figures, as the probes print them: one "key value" line per sample.
using Samples = QMap<QString, QList<double>>;
Samples parseResults(const QByteArray& text);

// Google Benchmark's JSON output: the time of each repetition (not the aggregates), in
// milliseconds, by benchmark name ("drawGameScreen/1920/1080").
Samples parseBenchmarkJson(const QByteArray& json);

// One line of the results table.
struct Row {
    QString measure;
    QString ours;   // median and spread of our figures
    QString floor;  // the floor program's figure, where one applies
    QString ratio;  // ours to the floor
    QString goal;
    bool measured = false;
    bool met = false;
    QString shortfall;  // by how much the goal is missed; empty when met
};

// Every measure, with its goal judged on the figures. A measure without figures is "not
// measured" and counts as missed.
QList<Row> buildRows(const Samples& samples);
QString markdownTable(const QList<Row>& rows);
// The same for a terminal: fixed columns, no markup.
QString plainTable(const QList<Row>& rows);
