#pragma once

#include <QString>

#include <array>
#include <cstdint>

// The game screen's controls as the game's handlers see them: places and sizes in twips
// (1440 to the logical inch), visibility and captions. The window draws this model and nothing
// else. The starting values are the design places; start-up and each round place everything
// that is shown before it is made visible.

struct Control {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    bool Visible = false;

    bool contains(std::int32_t x, std::int32_t y) const {
        return x >= Left && x < Left + Width && y >= Top && y < Top + Height;
    }
};

struct LabelControl : Control {
    QString Caption;
    std::int32_t FontSize = 9;  // points
};

// Which control the pointer is over, for routing input.
enum class ControlKind { None, Character, Card };
struct HitTarget {
    ControlKind kind = ControlKind::None;
    int index = -1;
};

struct GameScreenModel {
    static constexpr int kPlaces = 10;  // characters, numerals and cards: exactly ten each

    // The window itself (Form1); start-up makes it cover the whole screen.
    std::int32_t Width = 6345;
    std::int32_t Height = 4680;

    Control Shape1{1440, 120, 3015, 615, true};  // the tray, light yellow; hidden before a round
    std::array<Control, kPlaces> Image1{};       // the characters
    std::array<Control, kPlaces> Image2{};       // the numerals laid over counted characters
    std::array<Control, kPlaces> Image3{};       // the number cards
    LabelControl Label1;                         // spare label, red; never shown
    LabelControl Label2;                         // the judgement mark "○" or "×", red
    LabelControl Label3;                         // the message line, black

    // The mouse pointer: hidden on the game screen when the settings ask for it.
    bool PointerHidden = false;

    GameScreenModel();

    // The topmost visible control at (x, y) that takes the pointer. Numerals, the tray and the
    // labels never take it, so a touch through a numeral reaches the character under it.
    HitTarget controlAt(std::int32_t x, std::int32_t y) const;
};
