#include "state/character_files.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

QString dataFolderFromArguments(const QStringList& argumentsAfterProgramName) {
    QString folder = argumentsAfterProgramName.join(u' ');
    if (folder.isEmpty()) {
        return {};
    }
    // A folder given with its own trailing separator ("data/", or "data\" on Windows) gets no
    // second one; a folder given as separators only is the root.
    auto endsInSeparator = [](const QString& text) {
        return text.endsWith(u'/') || text.endsWith(QDir::separator());
    };
    while (endsInSeparator(folder)) {
        folder.chop(1);
    }
    return folder + QDir::separator();
}

bool canStoreInSelectionFile(const QString& name) {
    // The quotes delimit the name in the file and each line is one picture.
    if (name.isEmpty() || name.contains(u'"') || name.contains(u'\r') || name.contains(u'\n')) {
        return false;
    }
    // Code page 932 maps a few characters one way only (and some control characters oddly), so
    // what counts is that the name comes back unchanged, not merely that it can be encoded.
    const std::optional<QByteArray> bytes = encodeCodePage932(name);
    if (!bytes) {
        return false;
    }
    const std::optional<QString> back = decodeCodePage932(*bytes);
    return back && *back == name;
}

QString storableInSelectionFile(const QString& name) {
    if (canStoreInSelectionFile(name))
        return name;
    QString storable;
    // Character by character (a pair of UTF-16 surrogates is one character), so that one
    // emoji becomes one "_".
    for (qsizetype i = 0; i < name.size(); ++i) {
        const qsizetype length = name.at(i).isHighSurrogate() && i + 1 < name.size() ? 2 : 1;
        const QString character = name.mid(i, length);
        storable += canStoreInSelectionFile(character) ? character : QStringLiteral("_");
        i += length - 1;
    }
    return storable;
}

bool hasPictureSuffix(const QString& name, const QStringList& pictureSuffixes) {
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0)
        return false;
    const QStringView suffix = QStringView(name).mid(dot + 1);
    return std::any_of(pictureSuffixes.begin(), pictureSuffixes.end(), [&](const QString& known) {
        return suffix.compare(known, Qt::CaseInsensitive) == 0;
    });
}

void sortCharacterFiles(QStringList& names) {
    // By name ignoring letter case (Unicode case folding), ties ("Neko.gif", "neko.gif") broken
    // by exact UTF-16 comparison, so the order is the same on every system whatever its locale
    // or file system.
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int folded = QString::compare(a, b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : QString::compare(a, b, Qt::CaseSensitive) < 0;
    });
}

QStringList scanCharacterFiles(const QString& dataFolder, const QStringList& pictureSuffixes,
                               const WarningSink& warn) {
    const QDir folder(dataFolder.isEmpty() ? QStringLiteral(".") : dataFolder);
    // Files only (links to files count, folders named "x.gif" do not), hidden ones left out as
    // a folder listing shows them.
    const QFileInfoList entries = folder.entryInfoList(QDir::Files, QDir::NoSort);
    QStringList names;
    for (const QFileInfo& entry : entries) {
        const QString name = entry.fileName();
        if (!hasPictureSuffix(name, pictureSuffixes) || !entry.isFile()) {
            continue;
        }
        if (!canStoreInSelectionFile(name)) {
            if (warn) {
                warn(QStringLiteral("kazoemashou: the picture \"%1\" is left out: its name cannot "
                                    "be kept in \"Fname.txt\" (a double quote, a line break or a "
                                    "character outside Shift-JIS)")
                         .arg(name));
            }
            continue;
        }
        names.append(name);
    }
    sortCharacterFiles(names);
    return names;
}
