#pragma once

// Shared by the fuzz targets: a scratch data folder made once per process and emptied before
// each input, and a check that aborts (so libFuzzer saves the input) with a readable reason.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

// Stops the run with `what` when `condition` does not hold; libFuzzer keeps the input as a crash.
inline void fuzzCheck(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz property broken: %s\n", what);
        std::abort();
    }
}

// The data folder for one input: empty, as a dataFolder prefix (ends in a separator).
// In memory (/dev/shm) where there is one: saving a file syncs it to disk, which would otherwise
// bound the run to a few hundred inputs a second.
inline QString freshDataFolder() {
    static QTemporaryDir folder(QDir(QStringLiteral("/dev/shm")).exists()
                                    ? QStringLiteral("/dev/shm/kazoe-fuzz-XXXXXX")
                                    : QDir::tempPath() + QStringLiteral("/kazoe-fuzz-XXXXXX"));
    fuzzCheck(folder.isValid(), "cannot make the scratch data folder");
    QDir dir(folder.path());
    const QStringList left = dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString& name : left) {
        fuzzCheck(dir.remove(name), "cannot empty the scratch data folder");
    }
    return folder.path() + u'/';
}

inline void writeWholeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    fuzzCheck(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size(),
              "cannot write the input file");
}

inline QByteArray readWholeFile(const QString& path) {
    QFile file(path);
    fuzzCheck(file.open(QIODevice::ReadOnly), "the file is gone after reading");
    return file.readAll();
}

// Nothing but the game's own file may be left in the folder (no temporary file of a save).
inline bool folderHoldsOnly(const QString& dataFolder, const QString& fileName) {
    const QStringList names =
        QDir(dataFolder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    return names == QStringList{fileName};
}
