#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTest>

// Files the tests lay out for the game, and what the game left in them.

inline void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    QCOMPARE(file.write(bytes), bytes.size());
}

// The file's bytes, or "<missing>" when it cannot be read, so a comparison names the problem.
inline QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}
