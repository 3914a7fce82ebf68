#pragma once

#include <QElapsedTimer>

#include "state/clock.h"

// The computer's time at start-up, moved on by a steady clock, so that the times within a round
// never jump with a change of the computer's clock.
class ComputerClock : public Clock {
public:
    ComputerClock();
    qint64 nowMs() const override { return m_start + m_running.elapsed(); }

private:
    qint64 m_start;
    QElapsedTimer m_running;
};
