#pragma once

#include <QIcon>
#include <QImage>

// The pictures the game carries inside itself: the number cards, the numerals laid over
// counted characters and the window's icon. They are never read from the data folder.

// Registers the pictures with Qt's resource system. The view library is static, so the program
// (and every test that shows pictures) calls this once before asking for a picture.
void initEmbeddedPictures();

// The card showing `number` (1 to 10), 160 x 160, opaque. A null image for any other number.
QImage cardPicture(int number);

// The numeral `number` (1 to 10) as a white, navy-edged stroke, 160 x 160, with an alpha
// channel: see-through around the stroke and through its holes. A null image for any other
// number.
QImage numeralPicture(int number);

// The game screen's icon, which is also the program's.
QIcon gameIcon();
