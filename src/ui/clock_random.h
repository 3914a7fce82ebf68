#pragma once

#include <chrono>
#include <random>

#include "game/ports.h"

// The program's random numbers, seeded from the clock so that each run draws other rounds.
class ClockSeededRandom : public RandomSource {
public:
    ClockSeededRandom()
        : m_engine(static_cast<std::uint64_t>(
              std::chrono::system_clock::now().time_since_epoch().count())) {}
    double uniform() override { return std::uniform_real_distribution<double>(0.0, 1.0)(m_engine); }

private:
    std::mt19937_64 m_engine;
};
