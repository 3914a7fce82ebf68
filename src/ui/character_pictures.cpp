#include "ui/character_pictures.h"

#include <QFileInfo>
#include <QImageReader>

void QtCharacterPictures::load(int index, const QString& path) {
    if (index < 0 || index >= int(m_pictures.size()))
        return;
    m_pictures[index] = read(path);
}

QImage QtCharacterPictures::read(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > kMaxFileBytes)
        return {};
    QImageReader reader(path);
    reader.setAllocationLimit(kMaxDecodedMegabytes);
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > kMaxSide || size.height() > kMaxSide))
        return {};
    QImage image = reader.read();
    if (image.isNull() || image.width() > kMaxSide || image.height() > kMaxSide)
        return {};
    return image;
}
