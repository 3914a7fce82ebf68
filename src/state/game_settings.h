#pragma once

#include <QtGlobal>

// The five counting ways, as the settings screen names them.
namespace CountWay {
constexpr qint16 AnyOrder = 0;  // "どこからでもＯＫ"
constexpr qint16 FromLeft = 1;  // "左から順に（誤訂正無し）": other touches ignored
constexpr qint16 FromLeftCorrected = 2;  // "左から順に（誤訂正有り）": a wrong touch restarts
constexpr qint16 FromLeftBlinking = 3;  // "左から順に（数字点滅）": numerals shown briefly
constexpr qint16 NoCounting = 4;        // "かぞえ無し"
}  // namespace CountWay

// The eight values that shape every round. The defaults are those of a fresh "Pimo.txt":
// 1,#FALSE#,#FALSE#,#FALSE#,#FALSE#,15,2,5
struct GameSettings {
    qint16 countWay = CountWay::FromLeft;  // one of CountWay
    bool clickToCount = false;     // true: a click counts; false: the pointer touching counts
    bool mixedCharacters = false;  // true: the characters of a round are different pictures
    bool askHowManyPeople = false;  // true: "ぜんぶでなんにんかな"; false: "ぜんぶでいくつかな"
    bool hidePointer = false;  // true: no mouse pointer on the game screen
    qint16 blinkTime = 15;     // tenths of a second a character stays in one place
    qint16 minCount = 2;       // fewest characters in a round
    qint16 maxCount = 5;       // most characters in a round

    bool operator==(const GameSettings&) const = default;
};

// The ranges the settings screen keeps.
namespace SettingRange {
constexpr qint16 MinBlinkTime = 1, MaxBlinkTime = 40;
constexpr qint16 MinCharacters = 1, MaxCharacters = 10;
}  // namespace SettingRange
