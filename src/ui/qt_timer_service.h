#pragma once

#include <QObject>
#include <QTimer>

#include <array>

#include "game/ports.h"

// The game screen's nine timers on Qt's event loop.
class QtTimerService : public QObject, public TimerService {
public:
    QtTimerService();
    void start(int id, int intervalMs) override;
    void stop(int id) override;

private:
    std::array<QTimer, 9> m_timers;
};
