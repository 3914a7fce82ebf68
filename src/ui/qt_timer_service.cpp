#include "ui/qt_timer_service.h"

QtTimerService::QtTimerService() {
    for (Step step : kAllSteps) {
        QTimer& timer = m_timers[static_cast<int>(step)];
        // Precise: a coarse timer may be 5 % late, and the child hears the pauses between steps.
        timer.setTimerType(Qt::PreciseTimer);
        connect(&timer, &QTimer::timeout, this, [this, step] {
            if (fired)
                fired(step);
        });
    }
}

void QtTimerService::start(Step step, int intervalMs) {
    m_timers[static_cast<int>(step)].start(intervalMs);
}

void QtTimerService::stop(Step step) {
    m_timers[static_cast<int>(step)].stop();
}

QtAlarm::QtAlarm() {
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (rang)
            rang();
    });
}
