// Drawing one frame of the game screen, in process: the real window renders the model into an
// image, with ten characters in the tray, their ten numerals, the ten cards and the question.
//
//   kazoe_bench_draw <pictures folder> [Google Benchmark flags]

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

#include "sim_game.h"

namespace {
QString g_pictures;

// The game on a copy of the pictures, played until the question waits with every card out.
struct FullScreen {
    QTemporaryDir folder;
    std::unique_ptr<SimGame> sim;

    FullScreen(int width, int height) {
        for (const QString& name :
             QDir(g_pictures).entryList({QStringLiteral("*.gif")}, QDir::Files))
            QFile::copy(g_pictures + QLatin1Char('/') + name, folder.filePath(name));
        GameSettings settings;
        settings.countWay = CountWay::AnyOrder;  // every numeral stays on its character
        settings.mixedCharacters = true;
        settings.minCount = 10;
        settings.maxCount = 10;
        sim = std::make_unique<SimGame>(folder.path(), settings, width, height);
    }
};

void drawGameScreen(benchmark::State& state) {
    const int width = int(state.range(0));
    const int height = int(state.range(1));
    FullScreen screen(width, height);
    if (!screen.sim->playUntilCards()) {
        state.SkipWithError("the question never came");
        return;
    }
    QImage frame(width, height, QImage::Format_RGB32);
    for (auto _ : state) {
        screen.sim->render(frame);
        benchmark::DoNotOptimize(frame.constBits());
    }
}
BENCHMARK(drawGameScreen)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);
}  // namespace

int main(int argc, char** argv) {
    // Offscreen: the window is drawn, never shown.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: kazoe_bench_draw <pictures folder> [benchmark flags]\n");
        return 2;
    }
    g_pictures = QString::fromLocal8Bit(argv[1]);
    argv[1] = argv[0];
    --argc;
    ++argv;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
