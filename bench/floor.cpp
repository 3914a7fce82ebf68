// The floor the game's start-up is measured against: the least a Qt Widgets program does to put
// a picture on the screen. A borderless window over the whole screen, white, with one GIF
// stretched to the size the game gives a character (a sixth of the screen's width) in the middle.
//
//   kazoe_floor <picture.gif>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QWidget>

namespace {
class FloorWindow : public QWidget {
public:
    explicit FloorWindow(const QImage& picture)
        : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), m_picture(picture) {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        const int side = width() / 6;
        painter.drawImage(QRect((width() - side) / 2, (height() - side) / 2, side, side),
                          m_picture);
    }

private:
    QImage m_picture;
};
}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    FloorWindow window(QImage(app.arguments().value(1)));
    // No window manager under a bare X server: the window takes the screen's size itself.
    window.setGeometry(QGuiApplication::primaryScreen()->geometry());
    window.showFullScreen();
    return QApplication::exec();
}
