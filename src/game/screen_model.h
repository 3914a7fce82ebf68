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

    // How the controls of one kind lie over one another, topmost first; the window draws them in
    // the reverse order and the pointer reaches the topmost. Between kinds, from the top: the
    // message, the mark, the cards, the numerals, the characters, the tray.
    using Stacking = std::array<int, kPlaces>;
    // Characters: the lower index on top.
    static Stacking charactersFromTop();
    // Numerals: the newer on top. A numeral's number is the ordinal of the touch that laid it, so
    // the higher number is the newer where two lie on one character (a repeated touch in counting
    // way 0, a repeat in way 2).
    static Stacking numeralsFromTop();
    // Cards: a larger card above smaller ones, so the chosen card, enlarged in the middle of the
    // screen, lies over the card row it reaches on wide screens; else the lower index on top.
    Stacking cardsFromTop() const;

    // The topmost visible control at (x, y) that takes the pointer. Numerals, the tray and the
    // texts never take it, so a touch through a numeral reaches the character under it.
    HitTarget controlAt(std::int32_t x, std::int32_t y) const;
};
