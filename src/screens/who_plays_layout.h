#pragma once

#include <QRect>
#include <QSize>

#include <algorithm>
#include <cmath>

// Where "だれがあそぶ？" puts its choices on a screen of a given size, in pixels: the title in a
// band across the top, then one square cell per child and a last one for the guest, in rows from
// the left, as large as the screen allows and centred. Header only, so that the tests that drive
// the running program find a child's mark here.
namespace WhoPlaysLayout {

inline QRect titleBand(QSize screen) {
    return {0, 0, screen.width(), screen.height() / 6};
}

// The side of the cells and the columns they are laid in, for `count` choices.
struct Grid {
    int side = 0;
    int columns = 1;
};

inline Grid grid(int count, QSize screen) {
    const int width = screen.width();
    const int height = screen.height() - titleBand(screen).height();
    Grid best;
    for (int columns = 1; columns <= std::max(count, 1); ++columns) {
        const int rows = (count + columns - 1) / columns;
        const int side = std::min(width / columns, height / std::max(rows, 1));
        if (side > best.side)
            best = {side, columns};
    }
    return best;
}

// Choice `index` of `count` (the children in order, the guest last).
inline QRect cell(int index, int count, QSize screen) {
    const Grid g = grid(count, screen);
    const int rows = (count + g.columns - 1) / g.columns;
    const int top = titleBand(screen).height() +
                    (screen.height() - titleBand(screen).height() - rows * g.side) / 2;
    const int row = index / g.columns;
    // The last row, when not full, is centred on its own.
    const int inRow = row == rows - 1 ? count - row * g.columns : g.columns;
    const int left = (screen.width() - inRow * g.side) / 2;
    return {left + (index % g.columns) * g.side, top + row * g.side, g.side, g.side};
}

// The mark's picture inside a cell: a square in its upper part, the name below it.
inline QRect markIn(const QRect& cell) {
    const int side = int(std::lround(cell.width() * 0.62));
    return {cell.center().x() - side / 2, cell.top() + cell.height() / 14, side, side};
}
inline QRect nameIn(const QRect& cell) {
    const QRect mark = markIn(cell);
    return {cell.left(), mark.bottom() + 1, cell.width(), cell.bottom() - mark.bottom()};
}

}  // namespace WhoPlaysLayout
