#include "screens/picture_import.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>

#include <algorithm>

#include "state/character_files.h"
#include "state/file_writing.h"
#include "state/text_file.h"

namespace {
constexpr int kJpegQuality = 90;

// The name a copy gets before numbering: its own, with an ending that says what it holds and that
// the game lists, and whatever "Fname.txt" cannot carry replaced.
QString copyName(const QString& ownName, const QByteArray& readFormat,
                 const QByteArray& writtenFormat, const QStringList& pictureSuffixes) {
    QString name = ownName;
    // A leading dot would hide the picture from the folder's listing, and so from the game.
    while (name.startsWith(u'.'))
        name.remove(0, 1);
    // Its own ending: a picture ending, or that of the format it was read as ("x.ico").
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString ending = dot > 0 ? name.mid(dot + 1).toLower() : QString();
    const bool hasEnding = dot > 0 && (hasPictureSuffix(name, pictureSuffixes) ||
                                       ending == QString::fromLatin1(readFormat).toLower());
    bool keepsEnding = false;
    if (writtenFormat == "jpeg")
        keepsEnding = ending == QLatin1String("jpg") || ending == QLatin1String("jpeg");
    else if (writtenFormat == "png")
        keepsEnding = ending == QLatin1String("png");
    else  // copied unchanged: one with another picture's ending is read by its content anyway
        keepsEnding = hasPictureSuffix(name, pictureSuffixes);
    if (!hasEnding || !keepsEnding) {
        QString stem = hasEnding ? name.left(dot) : name;
        if (stem.isEmpty())  // a name of dots alone ("...")
            stem = QStringLiteral("がぞう");
        name =
            stem + u'.' +
            (writtenFormat == "jpeg" ? QStringLiteral("jpg") : QString::fromLatin1(writtenFormat));
    }
    return storableInSelectionFile(name);
}

// The picture in the middle of a square as wide as its longer side, the rest transparent (or
// white, for a format without transparency).
QImage squared(const QImage& picture, bool transparent) {
    const int side = std::max(picture.width(), picture.height());
    QImage square(side, side, transparent ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    square.fill(transparent ? QColor(Qt::transparent) : QColor(Qt::white));
    QPainter painter(&square);
    painter.drawImage((side - picture.width()) / 2, (side - picture.height()) / 2, picture);
    return square;
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
        // Plain files only: a named pipe would block the game until something writes into it.
        if (!chosen.isFile()) {
            result.notPictures.append(ownName);
            continue;
        }
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

        // The game stretches every character to its square cell: a picture that is not square
        // is made square here, padded round the whole picture and centred, so that nothing is
        // cut off and nothing is squeezed.
        const bool square = picture.width() == picture.height();
        // A square picture the game can read as it is, at most as large as the game draws, in a
        // format it lists, is copied byte for byte (an EXIF turn stays in it: the game applies
        // it). Anything else (larger, not square, or an icon) is written anew.
        const bool asItIs =
            square && pictureSuffixes.contains(QString::fromLatin1(format).toLower()) &&
            stored.isValid() &&
            std::max(stored.width(), stored.height()) <= QtCharacterPictures::kMaxDrawnSide &&
            chosen.size() <= QtCharacterPictures::kCaps.maxFileBytes;
        QByteArray bytes;
        QByteArray writtenFormat = format;
        if (asItIs) {
            bytes = readTextFile(path, QtCharacterPictures::kCaps.maxFileBytes).bytes;
        } else {
            // A photo stays a JPEG; everything else (a scan, a drawing with transparent parts)
            // becomes a PNG, which keeps every pixel.
            writtenFormat = format == "jpeg" ? QByteArray("jpeg") : QByteArray("png");
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            QImageWriter writer(&buffer, writtenFormat);
            if (writtenFormat == "jpeg")
                writer.setQuality(kJpegQuality);
            if (!writer.write(square ? picture : squared(picture, writtenFormat == "png")))
                bytes.clear();
        }
        if (bytes.isEmpty()) {
            result.notPictures.append(ownName);
            continue;
        }

        const QString name =
            freeName(copyName(ownName, format, writtenFormat, pictureSuffixes), taken);
        if (fileNameTooLong(folder.filePath(name))) {
            result.nameTooLong.append(ownName);
            continue;
        }
        if (!writeFileAtomically(folder.filePath(name), bytes)) {
            result.notWritten.append(ownName);
            continue;
        }
        taken.append(name);
        result.added.append(name);
    }
    return result;
}
