#include "pixels.h"

#include <algorithm>

namespace {
// The yellow tray (FFFF80) and every character colour clear this by far; anti-aliased edges
// of black text on white stay well below it.
constexpr int kColourSpread = 40;
}  // namespace

bool isColoured(std::uint32_t pixel) {
    const int r = int((pixel >> 16) & 0xFF);
    const int g = int((pixel >> 8) & 0xFF);
    const int b = int(pixel & 0xFF);
    return std::max({r, g, b}) - std::min({r, g, b}) > kColourSpread;
}

ColouredBox findColoured(const std::uint32_t* pixels, int width, int height, int strideInPixels,
                         int step) {
    ColouredBox box;
    box.left = width;
    box.top = height;
    step = std::max(step, 1);
    for (int y = 0; y < height; y += step) {
        const std::uint32_t* row = pixels + std::ptrdiff_t(y) * strideInPixels;
        for (int x = 0; x < width; x += step) {
            if (!isColoured(row[x]))
                continue;
            ++box.count;
            box.left = std::min(box.left, x);
            box.right = std::max(box.right, x);
            box.top = std::min(box.top, y);
            box.bottom = std::max(box.bottom, y);
        }
    }
    if (box.count == 0)
        box = ColouredBox{};
    return box;
}

int countChanged(const std::uint32_t* before, const std::uint32_t* after, int count) {
    int changed = 0;
    for (int i = 0; i < count; ++i) {
        if ((before[i] & 0xFFFFFF) != (after[i] & 0xFFFFFF))
            ++changed;
    }
    return changed;
}
