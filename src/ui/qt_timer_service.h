#pragma once

#include <QObject>
#include <QTimer>

#include <array>

#include "game/key_hold.h"
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

// An alarm on Qt's event loop: a precise single-shot timer (a coarse one may ring a tenth of a
// second early, and the adult holds a key two full seconds).
class QtAlarm : public QObject, public Alarm {
public:
    QtAlarm();
    void start(int ms) override { m_timer.start(ms); }
    void stop() override { m_timer.stop(); }

private:
    QTimer m_timer;
};
