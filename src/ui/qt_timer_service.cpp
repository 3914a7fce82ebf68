#include "ui/qt_timer_service.h"

QtTimerService::QtTimerService() {
    for (int i = 0; i < int(m_timers.size()); ++i) {
        // Precise: a coarse timer may be 5 % late, and the child hears the pauses between steps.
        m_timers[i].setTimerType(Qt::PreciseTimer);
        connect(&m_timers[i], &QTimer::timeout, this, [this, id = i + 1] {
            if (fired)
                fired(id);
        });
    }
}

void QtTimerService::start(int id, int intervalMs) {
    if (id >= 1 && id <= int(m_timers.size()))
        m_timers[id - 1].start(intervalMs);
}

void QtTimerService::stop(int id) {
    if (id >= 1 && id <= int(m_timers.size()))
        m_timers[id - 1].stop();
}
