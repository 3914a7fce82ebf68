#pragma once

#include <QHash>
#include <QIcon>
#include <QImage>
#include <QStyledItemDelegate>

// Small pictures of the characters beside their names in the selection list. A data folder can
// hold a great many pictures, and any file at all, so a picture is read only when its row is first
// drawn, scaled down as it is read, and kept for the rest of the run. A file that cannot be read
// (or would cost too much) shows a plain placeholder.
class ThumbnailDelegate : public QStyledItemDelegate {
public:
    // The side of the square a thumbnail fits into, in logical pixels.
    static constexpr int kSide = 24;
    // Items carry the full path of their picture under this role.
    static constexpr int PathRole = Qt::UserRole + 1;

    explicit ThumbnailDelegate(QObject* parent);

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // How many picture files have been read so far.
    int picturesRead() const { return m_picturesRead; }
    // The picture at `path` has gone: a new file of the same name is read afresh.
    void forget(const QString& path) { m_thumbnails.remove(path); }

    // The picture at `path` scaled to fit a square of `sidePixels`, or a null image when it
    // cannot be read within the caps of the game's picture loader.
    static QImage readThumbnail(const QString& path, int sidePixels);

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    QIcon thumbnailFor(const QString& path, qreal devicePixelRatio) const;
    QIcon placeholder(qreal devicePixelRatio) const;

    mutable QHash<QString, QIcon> m_thumbnails;
    mutable QIcon m_placeholder;
    mutable qreal m_placeholderRatio = 0;
    mutable int m_picturesRead = 0;
};
