#include "ui/character_pictures.h"

#include <QFileInfo>
#include <QImageReader>

QStringList pictureSuffixes() {
    QStringList suffixes;
    for (const QByteArray& format : QImageReader::supportedImageFormats()) {
        const QString suffix = QString::fromLatin1(format).toLower();
        if (suffix != QLatin1String("ico") && suffix != QLatin1String("cur") &&
            suffix != QLatin1String("icns") && !suffixes.contains(suffix)) {
            suffixes.append(suffix);
        }
    }
    return suffixes;
}

QImage readPicture(const QString& path, int fitSide, const PictureCaps& caps) {
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > caps.maxFileBytes)
        return {};
    QImageReader reader(path);
    reader.setAllocationLimit(caps.maxDecodedMegabytes);
    reader.setAutoTransform(true);
    // The stored size, before the EXIF turn; fitting a square does not care which way it lies.
    const QSize size = reader.size();
    if (size.isValid()) {
        if (size.width() > caps.maxSide || size.height() > caps.maxSide)
            return {};
        if (size.width() > fitSide || size.height() > fitSide) {
            reader.setScaledSize(
                size.scaled(fitSide, fitSide, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
        }
    }
    QImage image = reader.read();
    if (image.isNull() || image.width() > caps.maxSide || image.height() > caps.maxSide)
        return {};
    // A picture that did not tell its size before decoding.
    if (image.width() > fitSide || image.height() > fitSide)
        image = image.scaled(fitSide, fitSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

void QtCharacterPictures::load(int index, const QString& path) {
    if (index < 0 || index >= int(m_pictures.size()))
        return;
    m_pictures[index] = read(path);
}

QImage QtCharacterPictures::read(const QString& path) {
    return readPicture(path, kMaxDrawnSide, kCaps);
}
