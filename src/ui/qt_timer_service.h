#pragma once

#include <QObject>
#include <QTimer>

#include <array>

#include "game/ports.h"

// The game's timed steps on Qt's event loop, one timer each.
class QtTimerService : public QObject, public TimerService {
public:
    QtTimerService();
    void start(Step step, int intervalMs) override;
    void stop(Step step) override;

private:
    std::array<QTimer, kStepCount> m_timers;
};
