#include "screens/picture_import.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>

#include <algorithm>

#include "state/character_files.h"
#include "state/file_writing.h"

namespace {
constexpr int kJpegQuality = 90;

// `name` with its picture ending replaced by `suffix`, or with `suffix` added when it has none.
QString withSuffix(const QString& name, const QString& suffix, const QStringList& pictureSuffixes) {
    const QString stem =
        hasPictureSuffix(name, pictureSuffixes) ? name.left(name.lastIndexOf(u'.')) : name;
    return stem + u'.' + suffix;
}

// The name a copy gets before numbering: its own, with an ending that says what it holds, and
// whatever "Fname.txt" cannot carry replaced.
QString copyName(const QString& ownName, const QByteArray& writtenFormat,
                 const QStringList& pictureSuffixes) {
    QString name = ownName;
    // A leading dot would hide the picture from the folder's listing, and so from the game.
    while (name.startsWith(u'.'))
        name.remove(0, 1);
    const QString ending = QFileInfo(name).suffix().toLower();
    if (writtenFormat == "jpeg") {
        if (ending != QLatin1String("jpg") && ending != QLatin1String("jpeg"))
            name = withSuffix(name, QStringLiteral("jpg"), pictureSuffixes);
    } else if (writtenFormat == "png") {
        if (ending != QLatin1String("png"))
            name = withSuffix(name, QStringLiteral("png"), pictureSuffixes);
    } else if (!hasPictureSuffix(name, pictureSuffixes)) {
        // Copied unchanged: a picture whose name has no picture ending ("IMG_0001") gets that of
        // its format; one with another picture's ending is read by its content anyway.
        name = withSuffix(name, QString::fromLatin1(writtenFormat), pictureSuffixes);
    }
    return storableInSelectionFile(name);
}
}  // namespace

QString freeName(const QString& wanted, const QStringList& taken) {
    const auto isTaken = [&taken](const QString& name) {
        return taken.contains(name, Qt::CaseInsensitive);
    };
    if (!isTaken(wanted))
        return wanted;
    const qsizetype dot = wanted.lastIndexOf(u'.');
    const QString stem = dot > 0 ? wanted.left(dot) : wanted;
    const QString ending = dot > 0 ? wanted.mid(dot) : QString();
    for (int number = 2;; ++number) {
        const QString name = QStringLiteral("%1 (%2)%3").arg(stem, QString::number(number), ending);
        if (!isTaken(name))
            return name;
    }
}

PictureImport importPictures(const QStringList& chosenPaths, const QString& dataFolder,
                             const QStringList& pictureSuffixes) {
    PictureImport result;
    const QDir folder(dataFolder.isEmpty() ? QStringLiteral(".") : dataFolder);
    QStringList taken =
        folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& path : chosenPaths) {
        const QFileInfo chosen(path);
        const QString ownName = chosen.fileName();
        QImageReader header(path);
        const QByteArray format = header.format();
        const QSize stored = header.size();
        const QImage picture =
            format.isEmpty() ? QImage()
                             : readPicture(path, QtCharacterPictures::kMaxDrawnSide, kImportCaps);
        if (picture.isNull()) {
            result.notPictures.append(ownName);
            continue;
        }

        // A picture the game can read as it is, at most as large as the game draws, is copied
        // byte for byte (an EXIF turn stays in it: the game applies it). Anything larger is
        // written anew at the size it was read.
        const bool asItIs =
            stored.isValid() &&
            std::max(stored.width(), stored.height()) <= QtCharacterPictures::kMaxDrawnSide &&
            chosen.size() <= QtCharacterPictures::kCaps.maxFileBytes;
        QByteArray bytes;
        QByteArray writtenFormat = format;
        if (asItIs) {
            QFile source(path);
            if (source.open(QIODevice::ReadOnly))
                bytes = source.readAll();
        } else {
            // A photo stays a JPEG; everything else (a scan, a drawing with transparent parts)
            // becomes a PNG, which keeps every pixel.
            writtenFormat = format == "jpeg" ? QByteArray("jpeg") : QByteArray("png");
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            QImageWriter writer(&buffer, writtenFormat);
            if (writtenFormat == "jpeg")
                writer.setQuality(kJpegQuality);
            if (!writer.write(picture))
                bytes.clear();
        }
        if (bytes.isEmpty()) {
            result.notPictures.append(ownName);
            continue;
        }

        const QString name = freeName(copyName(ownName, writtenFormat, pictureSuffixes), taken);
        if (!writeFileAtomically(folder.filePath(name), bytes)) {
            result.notWritten.append(ownName);
            continue;
        }
        taken.append(name);
        result.added.append(name);
    }
    return result;
}
