#pragma once

#include <cmath>
#include <cstdint>

// The game's layout is written with two roundings: floorToInt, which rounds down, and
// roundHalfEven, which rounds to the nearest whole number with halves going to the even
// neighbour. All places and
// sizes are twips in 32 bits: a 2560-pixel-wide screen is already 38400 twips.

// The largest whole number not above x.
inline std::int32_t floorToInt(double x) {
    return static_cast<std::int32_t>(std::floor(x));
}

// The nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
inline std::int32_t roundHalfEven(double x) {
    const double down = std::floor(x);
    const double rest = x - down;
    if (rest > 0.5)
        return static_cast<std::int32_t>(down) + 1;
    if (rest < 0.5)
        return static_cast<std::int32_t>(down);
    const auto even = static_cast<std::int32_t>(down);
    return (even % 2 == 0) ? even : even + 1;
}
