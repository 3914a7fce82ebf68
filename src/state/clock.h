#pragma once

#include <QDate>
#include <QDateTime>
#include <QtGlobal>

// The one clock of everything that reads the time: the record's rounds, the report's days and
// the PDF's date. Milliseconds since 1970-01-01 UTC. The program reads the computer's clock
// (ComputerClock); tests give simulated time.
class Clock {
public:
    virtual ~Clock() = default;
    virtual qint64 nowMs() const = 0;
    // Today, in the computer's time zone.
    QDate today() const { return QDateTime::fromMSecsSinceEpoch(nowMs()).date(); }
};
