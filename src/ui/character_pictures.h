#pragma once

#include <QImage>
#include <QString>

#include <array>

#include "game/ports.h"
#include "game/screen_model.h"

// The pictures of the ten characters, read from the data folder each time the game places one.
// A teacher can put anything into that folder, so reading is capped: a file that is not a
// picture, is damaged, has gone, or would cost too much memory leaves a null image, which the
// window draws as a neutral placeholder of the same size.
class QtCharacterPictures : public CharacterPictures {
public:
    static constexpr qint64 kMaxFileBytes = 32 * 1024 * 1024;
    static constexpr int kMaxSide = 4096;            // pixels, either way
    static constexpr int kMaxDecodedMegabytes = 64;  // what one decoded picture may cost

    void load(int index, const QString& path) override;
    const QImage& picture(int index) const { return m_pictures.at(index); }

    // The first frame of a picture file, or a null image when it cannot be read within the caps.
    static QImage read(const QString& path);

private:
    std::array<QImage, GameScreenModel::kPlaces> m_pictures;
};
