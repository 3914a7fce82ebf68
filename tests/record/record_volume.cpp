// How long recording a round takes, and how large the record grows: the monkey plays rounds on the
// simulated clock for one child, every settings combination in turn, and each round goes into a
// real record file through the program's own recorder and writer.
//
//   record_volume --rounds 1000 [--file record.sqlite] [--seed 1] [--children 1]
//
// With --children N the rounds go to N children in turn, ten rounds each (a record for the
// report screen), and the times are moved so that the last round ended now.
//
// Prints the time spent on the game's thread per round (every listener call of the round,
// handing it over included), the time of each round's transaction on the writer's thread (median
// and maximum), and the file's size at the end. Not run by the tests.

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMutex>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "monkey/monkey.h"
#include "record/children.h"
#include "record/record_store.h"
#include "record/record_writer.h"
#include "record/recorder.h"
#include "support/game_rig.h"
#include "support/record_support.h"

namespace {
// Fifty children's names in kana, as a kindergarten has them.
const QStringList kNames =
    QStringLiteral(
        "はると ゆい そうた めい ゆうと ひな れん さくら はるき りお いつき あおい そら みお "
        "ゆうま ほのか かいと ゆな りく こはる たいが ひまり しょう あかり だいち ここな こうき "
        "ゆずき けんと まお りょう さな ゆうせい えま たくみ のあ あさひ みゆ しゅん ちひろ "
        "ひろと あやか けい まな りんたろう かほ ゆうき すず なおと ももか")
        .split(QLatin1Char(' '));

// Passes every call on to the recorder and adds up the time it took, round by round. Only the
// rounds the recorder handed over count: the first round of each game begins before the tool
// can listen, and the recorder leaves it out.
class TimedListener : public RoundListener {
public:
    TimedListener(Recorder& recorder, const int& handedOver)
        : m_recorder(recorder), m_handedOver(handedOver) {}
    QList<qint64> roundNs;
    QList<qint64> handOverNs;  // roundEnded alone: the round handed to the writer

    void roundBegan(int n) override {
        timed([&] { m_recorder.roundBegan(n); });
    }
    void characterShown(int i) override {
        timed([&] { m_recorder.characterShown(i); });
    }
    void characterCaught(int i) override {
        timed([&] { m_recorder.characterCaught(i); });
    }
    void touchCounted(int i, int n) override {
        timed([&] { m_recorder.touchCounted(i, n); });
    }
    void touchOutOfOrder(int i) override {
        timed([&] { m_recorder.touchOutOfOrder(i); });
    }
    void touchRepeated(int i) override {
        timed([&] { m_recorder.touchRepeated(i); });
    }
    void touchIgnored(int i) override {
        timed([&] { m_recorder.touchIgnored(i); });
    }
    void cardChosen(int n, bool r) override {
        timed([&] { m_recorder.cardChosen(n, r); });
    }
    void roundEnded(bool cutShort) override {
        const qint64 before = m_ns;
        const int handedBefore = m_handedOver;
        timed([&] { m_recorder.roundEnded(cutShort); });
        if (m_handedOver != handedBefore) {
            handOverNs.append(m_ns - before);
            roundNs.append(m_ns);
        }
        m_ns = 0;
    }

private:
    template <typename Call>
    void timed(Call call) {
        QElapsedTimer took;
        took.start();
        call();
        m_ns += took.nsecsElapsed();
    }
    Recorder& m_recorder;
    const int& m_handedOver;
    qint64 m_ns = 0;
};

QString figures(QList<qint64> ns) {
    if (ns.isEmpty())
        return QStringLiteral("none");
    std::sort(ns.begin(), ns.end());
    const auto over2ms = std::count_if(ns.begin(), ns.end(), [](qint64 t) { return t > 2000000; });
    return QStringLiteral(
               "median %1 ms, 99th percentile %2 ms, maximum %3 ms over %4 rounds "
               "(%5 over 2 ms)")
        .arg(ns[ns.size() / 2] / 1e6, 0, 'f', 3)
        .arg(ns[ns.size() * 99 / 100] / 1e6, 0, 'f', 3)
        .arg(ns.last() / 1e6, 0, 'f', 3)
        .arg(ns.size())
        .arg(over2ms);
}

// Runs one statement on the file, on a connection of its own.
bool runSql(const QString& path, const QString& sql) {
    const RecordRows rows(path);
    if (rows.run(sql))
        return true;
    std::fprintf(stderr, "%s\n", qPrintable(rows.one(sql)));
    return false;
}

QString argument(const QStringList& args, const QString& name, const QString& otherwise) {
    const qsizetype at = args.indexOf(name);
    return at >= 0 && at + 1 < args.size() ? args[at + 1] : otherwise;
}
}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int rounds = argument(args, QStringLiteral("--rounds"), QStringLiteral("1000")).toInt();
    const quint32 seed = argument(args, QStringLiteral("--seed"), QStringLiteral("1")).toUInt();
    QTemporaryDir dir;
    const QString path =
        argument(args, QStringLiteral("--file"), dir.filePath(QStringLiteral("record.sqlite")));

    const int childCount =
        std::clamp(argument(args, QStringLiteral("--children"), QStringLiteral("1")).toInt(), 1,
                   int(kNames.size()));
    // The simulated clock of the game being played, after the games played before it.
    FakeClock clock;
    QList<qint64> children;
    {
        RecordStore store(path, clock);
        store.open();
        Children record(store, clock);
        for (int i = 0; i < childCount; ++i) {
            const QString mark = QStringLiteral("p%1.gif").arg(i % 14);
            // The children screen stops at its most; the file takes more.
            if (record.add(kNames[i], mark) &&
                !runSql(path, QStringLiteral("INSERT INTO child (name, mark, added_at) VALUES"
                                             " ('%1', '%2', 0)")
                                  .arg(kNames[i], mark))) {
                return 1;
            }
        }
    }
    {
        RecordStore store(path, clock);
        store.open();
        for (const ChildEntry& child : Children(store, clock).list())
            children << child.id;
    }
    int roundsOfChild = 0, childPlaying = 0;

    QMutex mutex;
    QList<qint64> writeNs;
    RecordWriter writer(path, [](const RecordProblem& problem) {
        std::fprintf(stderr, "a round was not written: %s\n", qPrintable(problem.detail));
    });
    writer.wrote = [&](qint64 ns) {
        QMutexLocker lock(&mutex);
        writeNs.append(ns);
    };
    // One recorder for each game the monkey plays (one for each settings combination); a new
    // game is a new rig, whose clock starts again from 0.
    std::unique_ptr<Recorder> recorder;
    std::unique_ptr<TimedListener> timed;
    const GameRig* current = nullptr;
    qint64 lastNow = 0;
    QList<qint64> gameThreadNs, handOverNs;
    int handedOver = 0;  // since the last flush
    Monkey monkey(seed);
    monkey.afterEvent = [&](GameRig& rig, qint64) {
        if (&rig != current || rig.clock.now < lastNow) {
            if (timed) {
                gameThreadNs += timed->roundNs;
                handOverNs += timed->handOverNs;
            }
            if (clock.sim != nullptr)
                clock.startMs += lastNow;
            current = &rig;
            clock.sim = &rig.clock;
            recorder =
                std::make_unique<Recorder>(clock, rig.shared.settings, [&](RoundRecord&& round) {
                    writer.write(std::move(round));
                    ++handedOver;
                    if (++roundsOfChild % 10 == 0) {
                        childPlaying = (childPlaying + 1) % int(children.size());
                        recorder->setChild(children[childPlaying]);
                    }
                });
            recorder->setChild(children[childPlaying]);
            timed = std::make_unique<TimedListener>(*recorder, handedOver);
        }
        // Keeps the queue short on long runs, between the game's calls.
        if (handedOver >= 1000) {
            writer.flush();
            handedOver = 0;
        }
        lastNow = rig.clock.now;
        rig.game.setListener(timed.get());
    };
    QElapsedTimer wall;
    wall.start();
    const QString violation = monkey.play(rounds);
    writer.flush();
    if (timed) {
        gameThreadNs += timed->roundNs;
        handOverNs += timed->handOverNs;
    }
    if (!violation.isEmpty())
        std::fprintf(stderr, "%s\n", qPrintable(violation));

    if (childCount > 1) {
        runSql(path, QStringLiteral("UPDATE round SET began_at = began_at + %1 - t,"
                                    " ended_at = ended_at + %1 - t FROM (SELECT max(ended_at)"
                                    " AS t FROM round)")
                         .arg(QDateTime::currentMSecsSinceEpoch()));
    }
    // The size once the log has gone into the file, as when the program ends.
    RecordStore(path, clock).open();
    std::printf(
        "rounds recorded: %lld of %lld played (%lld answered right, %lld cut short; the first "
        "round of each of the %d settings combinations is not heard) in %.1f s\n",
        qint64(writeNs.size()), monkey.figures().rounds + monkey.figures().interruptedRounds,
        monkey.figures().rounds, monkey.figures().interruptedRounds, monkey.figures().combinations,
        wall.elapsed() / 1000.0);
    std::printf("game's thread, every call of a round: %s\n", qPrintable(figures(gameThreadNs)));
    std::printf("game's thread, handing the round over: %s\n", qPrintable(figures(handOverNs)));
    std::printf("writing a round (one transaction): %s\n", qPrintable(figures(writeNs)));
    std::printf("file: %s, %.2f MB (%lld bytes)\n", qPrintable(path), QFileInfo(path).size() / 1e6,
                QFileInfo(path).size());
    return violation.isEmpty() ? 0 : 1;
}
