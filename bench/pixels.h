#pragma once

#include <cstdint>

// Looking at what the screen shows, as 32-bit 0x00RRGGBB pixels (an X server at depth 24).
//
// The game's ground is white, an empty X screen is black, and the borders of the tray and the
// text are black too; the characters are coloured. So "a character is on show" is "coloured
// pixels below the tray", and a grey pixel of any shade never counts.

// True for a pixel whose channels differ enough to be a colour rather than a grey.
bool isColoured(std::uint32_t pixel);

// The smallest rectangle holding the coloured pixels of a picture, looked at on a grid of every
// `step`-th pixel both ways. `count` is how many grid pixels were coloured (0: none, and the
// rectangle is empty).
struct ColouredBox {
    int left = 0;
    int top = 0;
    int right = -1;  // inclusive
    int bottom = -1;
    int count = 0;

    bool isEmpty() const { return count == 0; }
    int centreX() const { return (left + right) / 2; }
    int centreY() const { return (top + bottom) / 2; }
};
ColouredBox findColoured(const std::uint32_t* pixels, int width, int height, int strideInPixels,
                         int step);

// How many of the `count` pixels differ between two grabs of the same region.
int countChanged(const std::uint32_t* before, const std::uint32_t* after, int count);
