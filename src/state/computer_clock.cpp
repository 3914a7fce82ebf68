#include "state/computer_clock.h"

#include <QDateTime>

// The only place the game reads the computer's date and time.
ComputerClock::ComputerClock() : m_start(QDateTime::currentMSecsSinceEpoch()) {
    m_running.start();
}
