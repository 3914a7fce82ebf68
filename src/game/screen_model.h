#pragma once

#include <QString>

#include <array>
#include <cstdint>

// The game screen as the game sees it: places and sizes in twips (1440 to the logical inch),
// visibility and captions. The window draws this model and nothing else. The starting values
// are design places; start-up and each round place everything that is shown before it is made
// visible.

struct Control {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool visible = false;

    bool contains(std::int32_t x, std::int32_t y) const {
        return x >= left && x < left + width && y >= top && y < top + height;
    }
};

// A line of text centred in its box, on a transparent background.
struct TextControl : Control {
    QString caption;
    std::int32_t fontSize = 9;  // points
};

// Which control the pointer is over, for routing input.
enum class ControlKind { None, Character, Card };
struct HitTarget {
    ControlKind kind = ControlKind::None;
    int index = -1;
};

struct GameScreenModel {
    static constexpr int kPlaces = 10;  // characters, numerals and cards: exactly ten each

    // The window itself; start-up makes it cover the whole screen.
    std::int32_t width = 6345;
    std::int32_t height = 4680;

    Control tray{1440, 120, 3015, 615, true};  // light yellow; hidden before a round
    std::array<Control, kPlaces> characters{};
    std::array<Control, kPlaces> numerals{};  // numeral i + 1, laid over a counted character
    std::array<Control, kPlaces> cards{};     // card i + 1
    TextControl mark;                         // "○" or "×", red
    TextControl message;                      // the message line, black

    // The mouse pointer: hidden on the game screen when the settings ask for it.
    bool pointerHidden = false;

    GameScreenModel();

    // The topmost visible control at (x, y) that takes the pointer. Numerals, the tray and the
    // texts never take it, so a touch through a numeral reaches the character under it.
    HitTarget controlAt(std::int32_t x, std::int32_t y) const;
};
