#include "game/screen_model.h"

#include <algorithm>
#include <numeric>

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

GameScreenModel::Stacking GameScreenModel::charactersFromTop() {
    Stacking order;
    std::iota(order.begin(), order.end(), 0);
    return order;
}

GameScreenModel::Stacking GameScreenModel::numeralsFromTop() {
    Stacking order;
    std::iota(order.rbegin(), order.rend(), 0);
    return order;
}

GameScreenModel::Stacking GameScreenModel::cardsFromTop() const {
    Stacking order;
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [this](int a, int b) { return cards[a].width > cards[b].width; });
    return order;
}

HitTarget GameScreenModel::controlAt(std::int32_t x, std::int32_t y) const {
    // Of the kinds only the cards and the characters take the pointer.
    for (int i : cardsFromTop()) {
        if (cards[i].visible && cards[i].contains(x, y))
            return {ControlKind::Card, i};
    }
    for (int i : charactersFromTop()) {
        if (characters[i].visible && characters[i].contains(x, y))
            return {ControlKind::Character, i};
    }
    return {};
}
