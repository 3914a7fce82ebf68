#include "ui/character_pictures.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImageIOPlugin>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonObject>
#include <QLibrary>
#include <QPluginLoader>

namespace {
void addSuffixes(const QJsonObject& plugin, QStringList& suffixes) {
    if (plugin.value(QLatin1String("IID")).toString() !=
        QLatin1String(QImageIOHandlerFactoryInterface_iid))
        return;
    const QJsonArray keys =
        plugin.value(QLatin1String("MetaData")).toObject().value(QLatin1String("Keys")).toArray();
    for (const QJsonValue& key : keys) {
        const QString suffix = key.toString().toLower();
        if (suffix != QLatin1String("ico") && suffix != QLatin1String("cur") &&
            suffix != QLatin1String("icns") && !suffix.isEmpty() && !suffixes.contains(suffix))
            suffixes.append(suffix);
    }
}
}  // namespace

// QImageReader::supportedImageFormats() would load every image plugin to ask it (TIFF's, WebP's,
// MNG's and the libraries under them): 6 ms of the child's wait for the first character, when
// only the plugin of the pictures shown is needed. The plugins name their formats in their
// metadata, which is read without loading them.
QStringList pictureSuffixes() {
    // The formats Qt reads itself.
    QStringList suffixes = {QStringLiteral("png"), QStringLiteral("bmp"), QStringLiteral("ppm"),
                            QStringLiteral("pgm"), QStringLiteral("pbm"), QStringLiteral("xbm"),
                            QStringLiteral("xpm")};
    for (const QStaticPlugin& plugin : QPluginLoader::staticPlugins())
        addSuffixes(plugin.metaData(), suffixes);
    for (const QString& folder : QCoreApplication::libraryPaths()) {
        const QDir plugins(folder + QStringLiteral("/imageformats"));
        for (const QString& file : plugins.entryList(QDir::Files)) {
            if (QLibrary::isLibrary(file))
                addSuffixes(QPluginLoader(plugins.filePath(file)).metaData(), suffixes);
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
