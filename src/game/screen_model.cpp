#include "game/screen_model.h"

GameScreenModel::GameScreenModel() {
    for (int i = 0; i < kPlaces; ++i) {
        characters[i] = Control{120 + 600 * i, 3120, 495, 495, false};
        cards[i] = Control{120 + 600 * i, 2400, 480, 480, false};
    }
    constexpr std::array<std::int32_t, kPlaces> numeralLefts{120,  600,  1200, 1800, 2280,
                                                             2880, 3480, 4080, 4680, 5280};
    for (int i = 0; i < kPlaces; ++i) {
        numerals[i] = Control{numeralLefts[i], 3960, i == 1 ? 555 : 495, 495, false};
    }
    mark.left = 5400, mark.top = 720, mark.width = 735, mark.height = 495;
    mark.caption = QStringLiteral("○");
    message.left = 4680, message.top = 120, message.width = 1335, message.height = 375;
}

HitTarget GameScreenModel::controlAt(std::int32_t x, std::int32_t y) const {
    // Stacking order from the top: the message, the mark, the cards, the numerals, the
    // characters, the tray. Of these only the cards and the characters take the pointer. Within
    // one kind the lower index lies on top.
    for (int i = 0; i < kPlaces; ++i) {
        if (cards[i].visible && cards[i].contains(x, y))
            return {ControlKind::Card, i};
    }
    for (int i = 0; i < kPlaces; ++i) {
        if (characters[i].visible && characters[i].contains(x, y))
            return {ControlKind::Character, i};
    }
    return {};
}
