#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

#include <array>

#include "game/ports.h"
#include "game/screen_model.h"

// How much reading one picture file may cost: its size on disk, its sides in pixels, and the
// memory its decoding may take.
struct PictureCaps {
    qint64 maxFileBytes = 0;
    int maxSide = 0;
    int maxDecodedMegabytes = 0;
};

// The endings (lower case, no dot) of the files the game takes as pictures: every format the
// image readers here know (GIF, PNG, JPEG, BMP and, with Debian's plugins, WebP and TIFF among
// others), but icons and cursors: the program's invisible pointer "Clear.ico" may lie beside the
// pictures when the data folder is the program's own.
QStringList pictureSuffixes();

// A picture file the right way up (a photo's EXIF orientation applied), its first frame only,
// scaled down when needed to fit a square of `fitSide` pixels (JPEG decodes at that size, which
// is much faster). A null image when the file is not a picture, is damaged, has gone or exceeds
// `caps`.
QImage readPicture(const QString& path, int fitSide, const PictureCaps& caps);

// The pictures of the ten characters, read from the data folder each time the game places one.
// A teacher can put anything into that folder, so reading is capped: a file that is not a
// picture, is damaged, has gone, or would cost too much memory leaves a null image, which the
// window draws as a neutral placeholder of the same size.
class QtCharacterPictures : public CharacterPictures {
public:
    static constexpr PictureCaps kCaps{32 * 1024 * 1024, 4096, 64};
    // The game never draws a character larger than this (pixels, the longer side): a bigger
    // picture is read at this size.
    static constexpr int kMaxDrawnSide = 1024;

    void load(int index, const QString& path) override;
    const QImage& picture(int index) const { return m_pictures.at(index); }

    // The first frame of a picture file, upright and at most kMaxDrawnSide on its longer side,
    // or a null image when it cannot be read within the caps.
    static QImage read(const QString& path);

private:
    std::array<QImage, GameScreenModel::kPlaces> m_pictures;
};
