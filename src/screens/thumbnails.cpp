#include "screens/thumbnails.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

#include "ui/character_pictures.h"

ThumbnailDelegate::ThumbnailDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

QImage ThumbnailDelegate::readThumbnail(const QString& path, int sidePixels) {
    const QImage image = readPicture(path, sidePixels, QtCharacterPictures::kCaps);
    // A small picture grows to fill the square as a large one does.
    if (image.isNull() || image.width() == sidePixels || image.height() == sidePixels)
        return image;
    return image.scaled(sidePixels, sidePixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

QIcon ThumbnailDelegate::thumbnailFor(const QString& path, qreal devicePixelRatio) const {
    const auto found = m_thumbnails.constFind(path);
    if (found != m_thumbnails.constEnd())
        return *found;
    ++m_picturesRead;
    // Read at the screen's own resolution, so the picture is sharp at 200 % too.
    const int side = qMax(1, qRound(kSide * devicePixelRatio));
    const QImage image = readThumbnail(path, side);
    QIcon icon;
    if (image.isNull()) {
        icon = placeholder(devicePixelRatio);
    } else {
        QPixmap pixmap = QPixmap::fromImage(image);
        pixmap.setDevicePixelRatio(devicePixelRatio);
        icon = QIcon(pixmap);
    }
    m_thumbnails.insert(path, icon);
    return icon;
}

QIcon ThumbnailDelegate::placeholder(qreal devicePixelRatio) const {
    if (m_placeholder.isNull() || m_placeholderRatio != devicePixelRatio) {
        const int side = qMax(1, qRound(kSide * devicePixelRatio));
        QPixmap pixmap(side, side);
        pixmap.setDevicePixelRatio(devicePixelRatio);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setPen(QColor(0xA0, 0xA0, 0xA0));
        painter.setBrush(QColor(0xE0, 0xE0, 0xE0));
        painter.drawRect(QRectF(2, 2, kSide - 5, kSide - 5));
        painter.end();
        m_placeholder = QIcon(pixmap);
        m_placeholderRatio = devicePixelRatio;
    }
    return m_placeholder;
}

void ThumbnailDelegate::initStyleOption(QStyleOptionViewItem* option,
                                        const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    const qreal ratio = option->widget != nullptr ? option->widget->devicePixelRatioF() : 1.0;
    option->features |= QStyleOptionViewItem::HasDecoration;
    option->decorationSize = QSize(kSide, kSide);
    option->icon = thumbnailFor(index.data(PathRole).toString(), ratio);
}

QSize ThumbnailDelegate::sizeHint(const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const {
    // Measuring a row must not read its picture: every row has the same thumbnail square.
    QStyleOptionViewItem measured = option;
    QStyledItemDelegate::initStyleOption(&measured, index);
    measured.features |= QStyleOptionViewItem::HasDecoration;
    measured.decorationSize = QSize(kSide, kSide);
    const QWidget* widget = option.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    return style->sizeFromContents(QStyle::CT_ItemViewItem, &measured, QSize(), widget);
}
