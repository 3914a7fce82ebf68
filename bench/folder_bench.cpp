// A teacher's folder of 1,000 pictures: how long start-up takes to list them and read the two
// files, and how long the selection screen takes from the key until its list is drawn.
//
//   kazoe_bench_folder <sample pictures folder> <pictures> <runs>
// prints folder_first_scan_ms (the first start, which writes both files), folder_scan_ms and
// selection_open_ms once a run, and selection_reopen_ms (the same screen opened again).

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>

#include <cstdio>
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
}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: kazoe_bench_folder <pictures folder> <pictures> <runs>\n");
        return 2;
    }
    const QStringList samples =
        QDir(args[1]).entryList({QStringLiteral("*.gif")}, QDir::Files, QDir::Name);
    const int count = args[2].toInt();
    const int runs = args[3].toInt();
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
    }

    const QStringList arguments{folder.path()};
    for (int run = 0; run <= runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        std::optional<SharedState> state = loadGameData(arguments, pictureSuffixes(), nullptr);
        const double scan = msSince(timer);
        if (!state || state->characterFileCount() != count) {
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
    }
    return 0;
}
