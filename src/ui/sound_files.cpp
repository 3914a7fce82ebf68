#include "ui/sound_files.h"

#include <QFileInfo>

#include "state/install_places.h"

QString soundFileName(Sound sound) {
    switch (sound) {
        case Sound::Hop:
            return QStringLiteral("ポコン.wav");
        case Sound::IntoTray:
            return QStringLiteral("ピコ.wav");
        case Sound::LetsCount:
            return QStringLiteral("かぞえよう.wav");
        case Sound::HowMany:
            return QStringLiteral("いくつかな.wav");
        case Sound::HowManyPeople:
            return QStringLiteral("なんにんかな.wav");
        case Sound::Right:
            return QStringLiteral("ピンポン.wav");
        case Sound::Wrong:
            return QStringLiteral("ブー.wav");
        case Sound::OnceMore:
            return QStringLiteral("もういちど.wav");
        default:
            // The numbers one to ten.
            return QString::number(static_cast<int>(sound)) + QStringLiteral(".wav");
    }
}

bool isSpokenWord(Sound sound) {
    switch (sound) {
        case Sound::Hop:
        case Sound::IntoTray:
        case Sound::Right:
        case Sound::Wrong:
            return false;
        default:
            return true;
    }
}

QString findSoundFile(const QString& name) {
    if (QFileInfo(name).isFile())
        return name;
    const QString installed = installedDataFolder() + QStringLiteral("sounds/") + name;
    return QFileInfo(installed).isFile() ? installed : name;
}
