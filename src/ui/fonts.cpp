#include "ui/fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace {
QString firstInstalled(const QStringList& wanted) {
    const QStringList families = QFontDatabase::families(QFontDatabase::Japanese);
    for (const QString& name : wanted) {
        if (families.contains(name, Qt::CaseInsensitive))
            return name;
    }
    return wanted.last();
}
}  // namespace

QString gameScreenFontFamily() {
    static const QString family =
        firstInstalled({QStringLiteral("ＭＳ ゴシック"), QStringLiteral("MS Gothic"),
                        QStringLiteral("Noto Sans CJK JP"), QStringLiteral("Noto Sans JP"),
                        QStringLiteral("Hiragino Sans"), QStringLiteral("Yu Gothic"),
                        QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans CJK JP")});
    return family;
}

QString screensFontFamily() {
    static const QString family =
        firstInstalled({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
                        QStringLiteral("Noto Sans CJK JP"), QStringLiteral("Noto Sans JP"),
                        QStringLiteral("Hiragino Sans"), QStringLiteral("Yu Gothic"),
                        QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP")});
    return family;
}

QFont gameScreenFont(double pixelSize) {
    QFont font(gameScreenFontFamily());
    font.setBold(true);
    font.setPixelSize(std::max(1, int(pixelSize)));
    return font;
}
