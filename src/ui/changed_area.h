#pragma once

#include <QRect>
#include <QRegion>

#include <array>

#include "game/screen_model.h"
#include "ui/character_pictures.h"
#include "ui/twips.h"

// What the game screen shows: its model and, for each character, which picture it was drawn
// with (QImage::cacheKey(), new at every reading of the file).
struct ShownScreen {
    GameScreenModel model;
    std::array<qint64, GameScreenModel::kPlaces> pictures{};
};

// What a window drawing `model` with `pictures` shows now.
ShownScreen shownScreen(const GameScreenModel& model, const QtCharacterPictures& pictures);

// The part of the window a change from `before` to `after` touches: every character, numeral,
// card and the tray that came, went, moved or got another picture, where it was and where it is
// now. A hop repaints two small squares instead of the whole screen, which an old school PC
// pays for at every hop. A change of a message or the mark, whose text may reach past its box,
// or of the window's size touches the whole window (`whole`).
QRegion changedArea(const ShownScreen& before, const ShownScreen& after, const Twips& twips,
                    const QRect& whole);
