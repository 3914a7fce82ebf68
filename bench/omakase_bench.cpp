// おまかせ with the four simulated children A to D, 200 rounds each through the real game, the
// real record and the real chooser, in simulated time: prints the table of docs/omakase.md.
//
//   kazoe_bench_omakase [rounds] [seeds] [folder to keep the records in]

// Each child plays with `seeds` seeds (5 by default), each into a record of its own.

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdio>

#include "sim_children.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int rounds = args.size() > 1 ? args[1].toInt() : 200;
    const int seeds = args.size() > 2 ? args[2].toInt() : 5;
    QTemporaryDir temporary;
    const QDir folder(args.size() > 3 ? args[3] : temporary.path());
    QList<QList<SimChildFigures>> all;
    bool sound = true;
    for (char who : {'A', 'B', 'C', 'D'}) {
        all.append(QList<SimChildFigures>());
        for (int seed = 1; seed <= seeds; ++seed) {
            const QString record =
                folder.filePath(QStringLiteral("%1-%2.sqlite").arg(QChar::fromLatin1(who)).arg(seed));
            const SimChildFigures f = playSimChild(who, rounds, record, unsigned(seed));
            sound = sound && !f.stuck && f.recordFrontier == f.memoryFrontier;
            all.last().append(f);
        }
    }
    std::printf("%d rounds each, %d seeds: medians (smallest–largest)\n\n%s", rounds, seeds,
                simChildrenTable(all).toUtf8().constData());
    return sound ? 0 : 1;
}
