#include "state/install_places.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

#include "state/selection_file.h"
#include "state/settings_file.h"
#include "state/text_file.h"

namespace {
// The sample characters are small pictures; anything far bigger is not one of them.
constexpr qint64 kLargestSampleBytes = 16 * 1024 * 1024;
}  // namespace

QString installedDataFolder() {
    // Relative to the program (KAZOE_DATA_FROM_PROGRAM comes from the install layout), never an
    // absolute path fixed at build time: the same tree works in /usr, in /usr/local, in a
    // staging folder or in a folder of the user's own.
    const QDir programFolder(QCoreApplication::applicationDirPath());
    return QDir::cleanPath(programFolder.filePath(QStringLiteral(KAZOE_DATA_FROM_PROGRAM))) +
           QLatin1Char('/');
}

QString userPictureFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/kazoemashou/characters/");
}

bool fillWithSamplesOnFirstStart(const QString& folder, const QString& samplesFolder,
                                 const WarningSink& warn) {
    QDir target(folder);
    QStringList present = target.entryList(QDir::Files | QDir::Hidden);
    present.removeOne(kSettingsFileName);
    present.removeOne(kSelectionFileName);
    if (!present.isEmpty())
        return false;
    const QDir samples(samplesFolder);
    const QStringList names = samples.entryList({QStringLiteral("*.gif")}, QDir::Files, QDir::Name);
    if (names.isEmpty()) {
        warn(QStringLiteral("kazoemashou: no sample characters in \"%1\" to start \"%2\" with")
                 .arg(QDir::toNativeSeparators(samplesFolder), QDir::toNativeSeparators(folder)));
        return false;
    }
    int copied = 0;
    if (QDir().mkpath(folder)) {
        for (const QString& name : names) {
            const ReadResult sample = readTextFile(samples.filePath(name), kLargestSampleBytes);
            copied += sample.status == ReadStatus::Ok &&
                              writeFileAtomically(target.filePath(name), sample.bytes)
                          ? 1
                          : 0;
        }
    }
    if (copied < names.size()) {
        warn(QStringLiteral("kazoemashou: only %1 of the %2 sample characters could be copied to "
                            "\"%3\"")
                 .arg(copied)
                 .arg(names.size())
                 .arg(QDir::toNativeSeparators(folder)));
    }
    return copied > 0;
}
