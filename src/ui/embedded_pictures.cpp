#include "ui/embedded_pictures.h"

#include <QString>

#include <array>

// Q_INIT_RESOURCE must be used outside any namespace.
static void registerPictureResources() {
    Q_INIT_RESOURCE(pictures);
}

void initEmbeddedPictures() {
    static const bool registered = (registerPictureResources(), true);
    Q_UNUSED(registered);
}

namespace {

// Decoded once and shared: the pictures never change while the game runs.
QImage loaded(std::array<QImage, 10>& cache, int number, const char* pattern,
              QImage::Format format) {
    if (number < 1 || number > 10)
        return {};
    QImage& picture = cache[number - 1];
    if (picture.isNull()) {
        initEmbeddedPictures();
        picture = QImage(QString::fromLatin1(pattern).arg(number)).convertToFormat(format);
    }
    return picture;
}

}  // namespace

QImage cardPicture(int number) {
    static std::array<QImage, 10> cards;
    return loaded(cards, number, ":/pictures/card%1.bmp", QImage::Format_RGB32);
}

QImage numeralPicture(int number) {
    static std::array<QImage, 10> numerals;
    return loaded(numerals, number, ":/pictures/numeral%1.gif",
                  QImage::Format_ARGB32_Premultiplied);
}

QIcon gameIcon() {
    initEmbeddedPictures();
    return QIcon(QStringLiteral(":/pictures/kazoemashou.ico"));
}
