#pragma once

#include <QColor>
#include <QImage>
#include <QRect>

// Reading the game's screen as a person looks at it: where the yellow tray is, where a character
// stands on the white ground, where the grey number cards are, whether a red mark shows.
namespace ScreenReading {

// The bounding box of the pixels of exactly this colour inside `area`; empty when there is none.
QRect boxOf(const QImage& shot, const QColor& colour, const QRect& area);
// The bounding box of everything that is not white inside `area`.
QRect boxOfNonWhite(const QImage& shot, const QRect& area);
// How many pixels of exactly this colour lie inside `area`.
int countOf(const QImage& shot, const QColor& colour, const QRect& area);

inline const QColor kTrayYellow{0xFF, 0xFF, 0x80};
inline const QColor kCardFace{0xE6, 0xE6, 0xE6};
inline const QColor kMarkRed{0xFF, 0x00, 0x00};

}  // namespace ScreenReading
