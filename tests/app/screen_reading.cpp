#include "screen_reading.h"

namespace ScreenReading {

namespace {
template <typename Match>
QRect boxWhere(const QImage& shot, const QRect& area, Match match) {
    const QRect inside = area.intersected(shot.rect());
    int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            if (!match(shot.pixel(x, y)))
                continue;
            left = std::min(left, x), right = std::max(right, x);
            top = std::min(top, y), bottom = std::max(bottom, y);
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}
}  // namespace

QRect boxOf(const QImage& shot, const QColor& colour, const QRect& area) {
    const QRgb wanted = colour.rgb();
    return boxWhere(shot, area, [wanted](QRgb p) { return (p & 0xFFFFFF) == (wanted & 0xFFFFFF); });
}

QRect boxOfNonWhite(const QImage& shot, const QRect& area) {
    return boxWhere(shot, area, [](QRgb p) { return (p & 0xFFFFFF) != 0xFFFFFF; });
}

int countOf(const QImage& shot, const QColor& colour, const QRect& area) {
    const QRect inside = area.intersected(shot.rect());
    const QRgb wanted = colour.rgb() & 0xFFFFFF;
    int count = 0;
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            if ((shot.pixel(x, y) & 0xFFFFFF) == wanted)
                ++count;
        }
    }
    return count;
}

}  // namespace ScreenReading
