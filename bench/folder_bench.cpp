// A teacher's folder of 1,000 pictures: how long start-up takes to list them and read the two
// files, and how long the selection screen takes from the key until its list is drawn.
//
//   kazoe_bench_folder <sample pictures folder> <pictures> <runs> [mixed]
// prints folder_first_scan_ms (the first start, which writes both files), folder_scan_ms and
// selection_open_ms once a run, and selection_reopen_ms (the same screen opened again). With
// "mixed", as many pictures again in PNG, JPEG, BMP, WebP and TIFF in turn lie beside the GIFs
// (the samples at 1024 pixels, as the selection screen adds them), and at the end twenty photos
// of 12 megapixels are added through the selection screen: add_twenty_photos_ms (and the
// processor's time, add_twenty_photos_cpu_ms), and photo_megabytes (one photo's file).

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QListWidget>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <optional>

#include "screens/selection_screen.h"
#include "state/start_up.h"
#include "ui/character_pictures.h"

namespace {
void result(const char* key, double value) {
    std::printf("%s %.3f\n", key, value);
    std::fflush(stdout);
}

double msSince(const QElapsedTimer& timer) {
    return double(timer.nsecsElapsed()) / 1e6;
}

// Notes when the list's rows are painted.
class PaintWatcher : public QObject {
public:
    bool painted = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

// Opens the screen and lets the event loop run until the list has drawn its rows; the time.
double openAndDraw(SelectionScreen& screen) {
    auto* list = screen.findChild<QListWidget*>(QStringLiteral("pictureList"));
    PaintWatcher watcher;
    list->viewport()->installEventFilter(&watcher);
    QElapsedTimer timer;
    timer.start();
    screen.open();
    while (!watcher.painted && timer.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const double took = watcher.painted ? msSince(timer) : -1;
    list->viewport()->removeEventFilter(&watcher);
    return took;
}
// A sample at 1024 pixels on its longer side in each format in turn.
bool writeMixed(const QString& sample, int index, const QDir& folder) {
    static const char* const kFormats[] = {"png", "jpg", "bmp", "webp", "tif"};
    const char* format = kFormats[index % 5];
    QImage picture(sample);
    picture = picture.convertToFormat(QImage::Format_ARGB32)
                  .scaled(1024, 1024, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    if (std::strcmp(format, "jpg") == 0 || std::strcmp(format, "bmp") == 0) {
        QImage flat(picture.size(), QImage::Format_RGB32);
        flat.fill(Qt::white);
        QPainter(&flat).drawImage(0, 0, picture);
        picture = flat;
    }
    const QString name = QStringLiteral("%1の絵%2.%3")
                             .arg(QFileInfo(sample).completeBaseName())
                             .arg(index, 4, 10, QLatin1Char('0'))
                             .arg(QLatin1String(format));
    return picture.save(folder.filePath(name));
}

// A 4000 x 3000 photo as a phone takes it: a sample blown up, with the grain of a camera.
QImage twelveMegapixelPhoto(const QString& sample, int seed) {
    QImage photo = QImage(sample)
                       .convertToFormat(QImage::Format_RGB32)
                       .scaled(4000, 3000, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QRandomGenerator grain(seed);
    for (int y = 0; y < photo.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(photo.scanLine(y));
        for (int x = 0; x < photo.width(); ++x) {
            const int d = int(grain.bounded(17)) - 8;
            const QRgb p = line[x];
            line[x] = qRgb(std::clamp(qRed(p) + d, 0, 255), std::clamp(qGreen(p) + d, 0, 255),
                           std::clamp(qBlue(p) + d, 0, 255));
        }
    }
    return photo;
}

// Twenty photos added through the selection screen, as "画像を追加…" adds them.
bool addTwentyPhotos(const QStringList& samples, const QString& sampleFolder, SharedState& state) {
    QTemporaryDir camera;
    QStringList photos;
    for (int i = 0; i < 20; ++i) {
        const QString path = camera.filePath(QStringLiteral("IMG_%1.jpg").arg(i + 1000));
        if (!twelveMegapixelPhoto(sampleFolder + QLatin1Char('/') + samples[i % samples.size()], i)
                 .save(path, "JPEG", 90)) {
            return false;
        }
        photos.append(path);
    }
    result("photo_megabytes", double(QFileInfo(photos[0]).size()) / (1024 * 1024));
    SelectionScreen screen(state, [] {});
    screen.open();
    QCoreApplication::processEvents();
    const int before = state.characterFileCount();
    QElapsedTimer timer;
    timer.start();
    // The processor's time too: on a busy machine the time on the clock says little.
    const std::clock_t cpuBefore = std::clock();
    screen.addPictures(photos);
    result("add_twenty_photos_ms", msSince(timer));
    result("add_twenty_photos_cpu_ms", 1000.0 * double(std::clock() - cpuBefore) / CLOCKS_PER_SEC);
    return state.characterFileCount() == before + 20;
}
}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4) {
        std::fprintf(stderr,
                     "usage: kazoe_bench_folder <pictures folder> <pictures> <runs> [mixed]\n");
        return 2;
    }
    const QStringList samples =
        QDir(args[1]).entryList({QStringLiteral("*.gif")}, QDir::Files, QDir::Name);
    const int count = args[2].toInt();
    const int runs = args[3].toInt();
    const bool mixed = args.size() > 4 && args[4] == QLatin1String("mixed");
    if (samples.isEmpty()) {
        std::fprintf(stderr, "kazoe_bench_folder: no pictures in %s\n", qPrintable(args[1]));
        return 1;
    }
    // The samples over and over under names of their own, Japanese as a teacher's would be.
    QTemporaryDir folder;
    for (int i = 0; i < count; ++i) {
        const QString& sample = samples[i % samples.size()];
        const QString name =
            QStringLiteral("%1%2.gif").arg(sample.chopped(4)).arg(i, 4, 10, QLatin1Char('0'));
        if (!QFile::copy(args[1] + QLatin1Char('/') + sample, folder.filePath(name))) {
            std::fprintf(stderr, "kazoe_bench_folder: cannot copy %s\n", qPrintable(sample));
            return 1;
        }
        if (mixed && !writeMixed(args[1] + QLatin1Char('/') + sample, i, QDir(folder.path()))) {
            std::fprintf(stderr, "kazoe_bench_folder: cannot write a picture\n");
            return 1;
        }
    }
    const int expected = mixed ? 2 * count : count;

    const QStringList arguments{folder.path()};
    for (int run = 0; run <= runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        std::optional<SharedState> state = loadGameData(arguments, pictureSuffixes(), nullptr);
        const double scan = msSince(timer);
        if (!state || state->characterFileCount() != expected) {
            std::fprintf(stderr, "kazoe_bench_folder: the game found %d pictures\n",
                         state ? state->characterFileCount() : 0);
            return 1;
        }
        if (run == 0) {
            result("folder_first_scan_ms", scan);
            continue;
        }
        result("folder_scan_ms", scan);

        // The screen is made when the program starts; the adult's N opens it.
        SelectionScreen screen(*state, [] {});
        result("selection_open_ms", openAndDraw(screen));
        screen.hide();
        QCoreApplication::processEvents();
        result("selection_reopen_ms", openAndDraw(screen));
        screen.hide();
        QCoreApplication::processEvents();
        if (mixed && run == runs && !addTwentyPhotos(samples, args[1], *state)) {
            std::fprintf(stderr, "kazoe_bench_folder: the photos were not all added\n");
            return 1;
        }
    }
    return 0;
}
