#include "game/screen_model.h"

GameScreenModel::GameScreenModel() {
    for (int i = 0; i < kPlaces; ++i) {
        Image1[i] = Control{120 + 600 * i, 3120, 495, 495, false};
        Image3[i] = Control{120 + 600 * i, 2400, 480, 480, false};
    }
    constexpr std::array<std::int32_t, kPlaces> numeralLefts{120,  600,  1200, 1800, 2280,
                                                             2880, 3480, 4080, 4680, 5280};
    for (int i = 0; i < kPlaces; ++i) {
        Image2[i] = Control{numeralLefts[i], 3960, i == 1 ? 555 : 495, 495, false};
    }
    Label1.Left = 1560, Label1.Top = 1560, Label1.Width = 855, Label1.Height = 375;
    Label1.Caption = QStringLiteral("Label1");
    Label2.Left = 5400, Label2.Top = 720, Label2.Width = 735, Label2.Height = 495;
    Label2.Caption = QStringLiteral("○");
    Label3.Left = 4680, Label3.Top = 120, Label3.Width = 1335, Label3.Height = 375;
}

HitTarget GameScreenModel::controlAt(std::int32_t x, std::int32_t y) const {
    // Stacking order from the top: Label3, Label2, Image3, Label1, Image2, Image1, Shape1.
    // Of these only the cards and the characters take the pointer. Within an array the element
    // with the lower index lies on top.
    for (int i = 0; i < kPlaces; ++i) {
        if (Image3[i].Visible && Image3[i].contains(x, y))
            return {ControlKind::Card, i};
    }
    for (int i = 0; i < kPlaces; ++i) {
        if (Image1[i].Visible && Image1[i].contains(x, y))
            return {ControlKind::Character, i};
    }
    return {};
}
