#include "state/file_writing.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QStorageInfo>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#if defined(Q_OS_UNIX)
#include <sys/stat.h>
#include <unistd.h>
#elif defined(Q_OS_WIN)
#include <io.h>
#endif

namespace {

// The longest file name most file systems take, where the system cannot say.
constexpr long kUsualLongestName = 255;
// The most characters of a name that go into a file name, so that the rest of it still fits.
constexpr qsizetype kLongestNamePart = 60;

// Pushes what was written out of the system's caches onto the disk: a disk that runs out of room
// only as the data goes out (delayed allocation, a network folder) says so here, while the old
// file is still whole.
bool syncToDisk(QFile& file) {
#if defined(Q_OS_UNIX)
    return ::fsync(file.handle()) == 0;
#elif defined(Q_OS_WIN)
    return ::_commit(file.handle()) == 0;
#else
    return file.flush();
#endif
}

std::filesystem::path nativePath(const QString& path) {
#if defined(Q_OS_WIN)
    return std::filesystem::path(QDir::toNativeSeparators(path).toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

// Opens a new, hidden file of a short name of its own in `folder`: short, so that a long name is
// told as such at the rename instead of failing here like a folder that cannot be written; hidden,
// so that one left by a crash is never listed as a picture.
bool openNewFileIn(const QString& folder, QFile& file) {
    for (int attempt = 0; attempt < 16; ++attempt) {
        file.setFileName(folder + QStringLiteral("/.kazoemashou-") +
                         QString::number(QRandomGenerator::global()->generate(), 36) +
                         QStringLiteral(".part"));
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return true;
        if (!file.exists())
            return false;  // not a clash of names: the folder refuses
    }
    return false;
}

// Whether a file can be made in `folder` now, by the rights this thread has (an administrator's
// included), tried with a file that goes at once.
bool canMakeFileIn(const QString& folder) {
    QFile probe;
    if (!openNewFileIn(folder, probe))
        return false;
    probe.close();
    probe.remove();
    return true;
}

#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN) && !defined(Q_OS_ANDROID)
// `folder`, made as the desktop makes a trash (for its owner alone) where it is missing; false
// when it is neither there nor can be made.
bool trashFolderMade(const QString& folder) {
    if (QFileInfo::exists(folder))
        return true;
    return QDir().mkdir(folder) &&
           QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// The trash a file at `path` goes to, chosen as Qt chooses it after the freedesktop.org trash
// rules: for a file on another disk than the home, that disk's "$top/.Trash/$uid" (where
// "$top/.Trash" is a folder with its sticky bit, not a link) or "$top/.Trash-$uid"; else, or
// where neither can be had, the user's own "$XDG_DATA_HOME/Trash". Empty when there is none.
QString trashFolderFor(const QString& path) {
    const QStorageInfo disk(QFileInfo(path).absolutePath());
    if (disk != QStorageInfo(QDir::homePath())) {
        const QString top = disk.rootPath();
        const QString uid = QString::number(::getuid());
        const QString shared = top + QStringLiteral("/.Trash");
        struct stat status {};
        if (::lstat(QFile::encodeName(shared).constData(), &status) == 0 &&
            S_ISDIR(status.st_mode) && (status.st_mode & S_ISVTX) != 0 &&
            trashFolderMade(shared + QLatin1Char('/') + uid))
            return shared + QLatin1Char('/') + uid;
        if (trashFolderMade(top + QStringLiteral("/.Trash-") + uid))
            return top + QStringLiteral("/.Trash-") + uid;
    }
    const QString own = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                        QStringLiteral("/Trash");
    return trashFolderMade(own) ? own : QString();
}
#endif

}  // namespace

bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error) {
    const QFileInfo target(path);
    QFile file;
    QString problem;
    if (!openNewFileIn(target.absolutePath(), file)) {
        problem = file.errorString();
    } else {
        // Qt's QSaveFile is not enough: Qt 6.4 renames a temporary file that a full disk left
        // empty and reports success. So every byte must be on the disk before the old file goes.
        if (file.write(bytes) != bytes.size() || !file.flush()) {
            problem = file.errorString();
        } else if (!syncToDisk(file)) {
            problem = QString::fromLocal8Bit(std::strerror(errno));
        } else if (file.size() != bytes.size()) {
            problem = QStringLiteral("the disk took only %1 of %2 bytes")
                          .arg(file.size())
                          .arg(bytes.size());
        }
        // The old file's permissions stay; a link's are not the file's own.
        if (problem.isEmpty() && target.exists() && !target.isSymLink())
            file.setPermissions(target.permissions());
        file.close();
        if (problem.isEmpty() && file.error() != QFileDevice::NoError)
            problem = file.errorString();
        if (problem.isEmpty()) {
            // Replaces the name itself, a symbolic link too, in one step.
            std::error_code failed;
            std::filesystem::rename(nativePath(file.fileName()), nativePath(path), failed);
            if (failed)
                problem = QString::fromLocal8Bit(failed.message().c_str());
        }
        if (!problem.isEmpty())
            QFile::remove(file.fileName());
    }
    if (!problem.isEmpty() && error)
        *error = problem;
    return problem.isEmpty();
}

bool fileNameTooLong(const QString& path) {
    const QFileInfo info(path);
#if defined(Q_OS_UNIX)
    long longest = ::pathconf(QFile::encodeName(info.absolutePath()).constData(), _PC_NAME_MAX);
    if (longest <= 0)
        longest = kUsualLongestName;
    return QFile::encodeName(info.fileName()).size() > longest;
#else
    return info.fileName().size() > kUsualLongestName;
#endif
}

QString fileNamePart(const QString& text) {
    QString part;
    for (const QChar c : text) {
        const bool refused = c.unicode() < 0x20 || c == u'/' || c == u'\\' || c == u':' ||
                             c == u'*' || c == u'?' || c == u'"' || c == u'<' || c == u'>' ||
                             c == u'|' || c == QChar(0x7F);
        part.append(refused ? u'_' : c);
    }
    while (part.startsWith(u'.') || part.startsWith(u' '))
        part.remove(0, 1);
    part.truncate(kLongestNamePart);
    while (part.endsWith(u'.') || part.endsWith(u' '))
        part.chop(1);
    return part.isEmpty() ? QStringLiteral("_") : part;
}

bool canMoveToTrash(const QString& path) {
    if (!canMakeFileIn(QFileInfo(path).absolutePath()))
        return false;
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN) && !defined(Q_OS_ANDROID)
    const QString trash = trashFolderFor(path);
    if (trash.isEmpty())
        return false;
    for (const QString& part : {QStringLiteral("/files"), QStringLiteral("/info")}) {
        if (!trashFolderMade(trash + part) || !canMakeFileIn(trash + part))
            return false;
    }
#endif
    return true;
}
