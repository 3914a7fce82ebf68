#include "state/family_voice.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "state/file_writing.h"

QString familyVoiceFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/kazoemashou/voice/");
}

QString familyRecording(const QString& name) {
    const QString path = familyVoiceFolder() + name;
    const QFileInfo info(path);
    return info.isFile() && info.size() > 0 && info.size() <= kLargestFamilyRecordingBytes
               ? path
               : QString();
}

bool saveFamilyRecording(const QString& name, const QByteArray& wave) {
    if (!QDir().mkpath(familyVoiceFolder()))
        return false;
    return writeFileAtomically(familyVoiceFolder() + name, wave);
}

bool removeFamilyRecording(const QString& name) {
    const QString path = familyVoiceFolder() + name;
    return !QFileInfo::exists(path) || QFile::remove(path);
}
