// Memory over a long play: the real game screen and window play rounds in simulated time (see
// sim_game.h), reading every character picture from disk as the program does and drawing the
// screen once a round. Resident memory is taken along the way; it must not grow.
//
//   kazoe_bench_play <pictures folder> <rounds>
// prints play_rss_kib_<round> for a few rounds, and play_growth_kib (from round 100 to the end).

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <cstdio>

#include "sim_game.h"
#include "stats.h"

namespace {
bool copyPictures(const QString& from, const QString& to) {
    const QStringList names = QDir(from).entryList({QStringLiteral("*.gif")}, QDir::Files);
    for (const QString& name : names) {
        if (!QFile::copy(from + QLatin1Char('/') + name, to + QLatin1Char('/') + name))
            return false;
    }
    return !names.isEmpty();
}
}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: kazoe_bench_play <pictures folder> <rounds>\n");
        return 2;
    }
    QTemporaryDir folder;
    if (!copyPictures(args[1], folder.path())) {
        std::fprintf(stderr, "kazoe_bench_play: no pictures in %s\n", qPrintable(args[1]));
        return 1;
    }
    const int rounds = args[2].toInt();

    // The settings a classroom plays with most: the defaults, with different characters mixed.
    GameSettings settings;
    settings.mixedCharacters = true;
    SimGame sim(folder.path(), settings, 1920, 1080);
    QImage frame(1920, 1080, QImage::Format_RGB32);

    qint64 atHundred = 0;
    for (int round = 1; round <= rounds; ++round) {
        if (!sim.playRounds(1)) {
            std::fprintf(stderr, "kazoe_bench_play: round %d did not end\n", round);
            return 1;
        }
        sim.render(frame);
        if (round == 1 || round == 10 || round % 100 == 0) {
            const qint64 rss = ownResidentKib();
            std::printf("play_rss_kib_%d %lld\n", round, static_cast<long long>(rss));
            if (round == 100)
                atHundred = rss;
        }
    }
    if (rounds >= 100)
        std::printf("play_growth_kib %lld\n", static_cast<long long>(ownResidentKib() - atHundred));
    std::printf("play_rounds %d\n", sim.rightAnswers());
    return 0;
}
