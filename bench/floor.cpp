// The floor the game is measured against: the least a Qt Widgets program does to put a picture
// on the screen. A borderless window over the whole screen, white, with one GIF stretched to the
// size the game gives a character (a sixth of the screen's width) in the middle.
//
//   kazoe_floor <picture.gif>
//   kazoe_floor_hops <picture.gif> <hop sound.wav>
//
// The second is the floor of the cost of waiting: its picture hops to a random place every
// 1.5 s, as a character does, and a QSoundEffect plays the hop sound at every hop. It is built
// apart so that the first does not load Qt Multimedia at its start.

#include <QApplication>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QRandomGenerator>
#include <QScreen>
#include <QWidget>

#ifdef KAZOE_FLOOR_HOPS
#include <QSoundEffect>
#include <QTimer>
#include <QUrl>
#endif

namespace {
class FloorWindow : public QWidget {
public:
    explicit FloorWindow(const QImage& picture)
        : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), m_picture(picture) {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

    // To a random place on the screen; only where the picture was and where it is are painted.
    void hop() {
        const QRect before = pictureRect();
        const QSize room = size() - before.size();
        m_place = QPoint(QRandomGenerator::global()->bounded(std::max(1, room.width())),
                         QRandomGenerator::global()->bounded(std::max(1, room.height())));
        update(before);
        update(pictureRect());
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        painter.fillRect(event->rect(), Qt::white);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(pictureRect(), m_picture);
    }

private:
    QRect pictureRect() const {
        const int side = width() / 6;
        if (m_place.x() < 0)
            return QRect((width() - side) / 2, (height() - side) / 2, side, side);
        return QRect(m_place, QSize(side, side));
    }

    QImage m_picture;
    QPoint m_place{-1, -1};  // in the middle until the first hop
};
}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    FloorWindow window(QImage(app.arguments().value(1)));
    // No window manager under a bare X server: the window takes the screen's size itself.
    window.setGeometry(QGuiApplication::primaryScreen()->geometry());
    window.showFullScreen();
#ifdef KAZOE_FLOOR_HOPS
    QSoundEffect hopSound;
    hopSound.setSource(QUrl::fromLocalFile(app.arguments().value(2)));
    QTimer hops;
    QObject::connect(&hops, &QTimer::timeout, [&] {
        window.hop();
        hopSound.play();
    });
    hops.start(1500);
#endif
    return QApplication::exec();
}
