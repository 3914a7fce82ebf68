#include "ui/changed_area.h"

namespace {
bool samePlace(const Control& a, const Control& b) {
    return a.Visible == b.Visible && a.Left == b.Left && a.Top == b.Top && a.Width == b.Width &&
           a.Height == b.Height;
}

bool sameLabel(const LabelControl& a, const LabelControl& b) {
    return samePlace(a, b) && a.Caption == b.Caption && a.FontSize == b.FontSize;
}

// Where a control is drawn, in whole pixels, with a pixel to spare for the smoothing of a
// picture stretched to a place between pixels.
QRect drawnArea(const Control& control, const Twips& twips) {
    return twips.toPixels(control).toAlignedRect().adjusted(-1, -1, 1, 1);
}

void addChange(QRegion& area, const Control& before, const Control& after, bool pictureChanged,
               const Twips& twips) {
    if (samePlace(before, after) && !(pictureChanged && after.Visible))
        return;
    if (before.Visible)
        area += drawnArea(before, twips);
    if (after.Visible)
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
    if (was.Width != now.Width || was.Height != now.Height || !sameLabel(was.Label1, now.Label1) ||
        !sameLabel(was.Label2, now.Label2) || !sameLabel(was.Label3, now.Label3)) {
        return whole;
    }
    QRegion area;
    addChange(area, was.Shape1, now.Shape1, false, twips);
    for (int i = 0; i < GameScreenModel::kPlaces; ++i) {
        addChange(area, was.Image1[i], now.Image1[i], before.pictures[i] != after.pictures[i],
                  twips);
        addChange(area, was.Image2[i], now.Image2[i], false, twips);
        addChange(area, was.Image3[i], now.Image3[i], false, twips);
    }
    return area & whole;
}
