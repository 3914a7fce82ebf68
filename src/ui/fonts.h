#pragma once

#include <QFont>
#include <QString>

// The Japanese faces the game's windows use. The game screen's labels want "ＭＳ ゴシック" bold and
// the adult screens "ＭＳ Ｐゴシック"; where those are not installed (outside Windows) a Japanese
// Gothic face stands in, so the text always shows as Japanese, never as boxes.
QString gameScreenFontFamily();
QString screensFontFamily();
QFont gameScreenFont(double pixelSize);
