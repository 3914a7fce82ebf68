#pragma once

#include <QPointF>
#include <QRectF>

#include <cmath>
#include <cstdint>

#include "game/screen_model.h"

// The game's places and sizes are twips: 1440 to the logical inch, so 15 to a pixel at 96 DPI.
class Twips {
public:
    explicit Twips(double logicalDotsPerInch = 96.0) : m_perPixel(1440.0 / logicalDotsPerInch) {}

    double perPixel() const { return m_perPixel; }
    std::int32_t fromPixels(double pixels) const {
        return static_cast<std::int32_t>(std::lround(pixels * m_perPixel));
    }
    double toPixels(std::int32_t twips) const { return twips / m_perPixel; }
    QRectF toPixels(const Control& c) const {
        return {toPixels(c.left), toPixels(c.top), toPixels(c.width), toPixels(c.height)};
    }
    // A font size in points as pixels: a point is 20 twips.
    double pointsToPixels(double points) const { return points * 20.0 / m_perPixel; }

private:
    double m_perPixel;
};
