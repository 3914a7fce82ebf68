#include "ui/changed_area.h"

namespace {
bool samePlace(const Control& a, const Control& b) {
    return a.visible == b.visible && a.left == b.left && a.top == b.top && a.width == b.width &&
           a.height == b.height;
}

bool sameText(const TextControl& a, const TextControl& b) {
    return samePlace(a, b) && a.caption == b.caption && a.fontSize == b.fontSize;
}

// Where a control is drawn, in whole pixels, with a pixel to spare for the smoothing of a
// picture stretched to a place between pixels.
QRect drawnArea(const Control& control, const Twips& twips) {
    return twips.toPixels(control).toAlignedRect().adjusted(-1, -1, 1, 1);
}

void addChange(QRegion& area, const Control& before, const Control& after, bool pictureChanged,
               const Twips& twips) {
    if (samePlace(before, after) && !(pictureChanged && after.visible))
        return;
    if (before.visible)
        area += drawnArea(before, twips);
    if (after.visible)
        area += drawnArea(after, twips);
}
}  // namespace

ShownScreen shownScreen(const GameScreenModel& model, const QtCharacterPictures& pictures) {
    ShownScreen shown{model, {}};
    for (int i = 0; i < GameScreenModel::kPlaces; ++i)
        shown.pictures[i] = pictures.picture(i).cacheKey();
    return shown;
}

QRegion changedArea(const ShownScreen& before, const ShownScreen& after, const Twips& twips,
                    const QRect& whole) {
    const GameScreenModel& was = before.model;
    const GameScreenModel& now = after.model;
    if (was.width != now.width || was.height != now.height || !sameText(was.mark, now.mark) ||
        !sameText(was.message, now.message)) {
        return whole;
    }
    QRegion area;
    addChange(area, was.tray, now.tray, false, twips);
    for (int i = 0; i < GameScreenModel::kPlaces; ++i) {
        addChange(area, was.characters[i], now.characters[i],
                  before.pictures[i] != after.pictures[i], twips);
        addChange(area, was.numerals[i], now.numerals[i], false, twips);
        addChange(area, was.cards[i], now.cards[i], false, twips);
    }
    return area & whole;
}
