// The record screen "きろく" on a big record: the time to open it, to switch to another child and
// to redraw it, each the median and the longest of five tries, with every view drawn. The record
// (100,000 rounds over 50 children, over the last 60 days) is made once at the path given, through
// the program's own writer, and kept for later runs.
//
//   kazoe_bench_record_screen <record.sqlite> [folder]
// prints record_screen_open_ms, record_screen_switch_ms and record_screen_redraw_ms (median and
// longest). With a folder, a picture of the screen (record-screen.png) and its PDF (きろく.pdf)
// go there too, for the README.

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <algorithm>
#include <cstdio>
#include <random>

#include "record/children.h"
#include "record/record_store.h"
#include "record/record_writer.h"
#include "record/recorder.h"
#include "record/who_plays.h"
#include "screens/record_screen.h"
#include "state/computer_clock.h"
#include "ui/folder_choice.h"

namespace {
// KAZOE_BENCH_ROUNDS and KAZOE_BENCH_CHILDREN make a bigger record (a whole class's, fetched from
// the school's server: 1,000,000 rounds over 100 children).
const int kRounds = qEnvironmentVariableIntValue("KAZOE_BENCH_ROUNDS") > 0
                        ? qEnvironmentVariableIntValue("KAZOE_BENCH_ROUNDS")
                        : 100000;
const int kChildren = qEnvironmentVariableIntValue("KAZOE_BENCH_CHILDREN") > 0
                          ? qEnvironmentVariableIntValue("KAZOE_BENCH_CHILDREN")
                          : 50;
constexpr int kTries = 5;

// Fifty children, put in directly: the children screen stops at forty, the file takes more.
bool addChildren(const QString& path) {
    bool done = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "children");
        db.setDatabaseName(path);
        done = db.open();
        QSqlQuery query(db);
        for (int i = 0; done && i < kChildren; ++i) {
            done = query.exec(QStringLiteral("INSERT INTO child (name, mark, added_at) VALUES"
                                             " ('%1%2', 'p%3.gif', 0)")
                                  .arg(QChar(u'か' + 2 * (i / 10)))
                                  .arg(QChar(u'あ' + 2 * (i % 10)))
                                  .arg(i % 14));
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("children"));
    return done;
}

// Rounds as children play them, ten at a time each: mostly counted in turn and answered right,
// now and then a touch twice or out of turn, an answer one off, then the right one.
bool makeRecord(const QString& path) {
    ComputerClock clock;
    GameSettings settings;
    {
        RecordStore store(path, clock);
        store.open();
        Children record(store, clock);
        qint64 id = 0;
        if (record.add(QStringLiteral("けん"), QStringLiteral("p0.gif"), &id))
            return false;
        record.remove(id);  // the file made, empty
    }
    if (!addChildren(path))
        return false;
    QList<qint64> children;
    {
        RecordStore store(path, clock);
        store.open();
        for (const ChildEntry& child : Children(store, clock).list())
            children << child.id;
    }
    std::mt19937 random(1);
    const auto chance = [&](int percent) { return int(random() % 100) < percent; };
    const qint64 start = clock.nowMs() - 60LL * 24 * 3600 * 1000;
    const qint64 step = 60LL * 24 * 3600 * 1000 / kRounds;
    bool failed = false;
    RecordWriter writer(path, [&failed](const RecordProblem&) { failed = true; });
    for (int i = 0; i < kRounds && !failed; ++i) {
        RoundRecord r;
        r.childId = children[(i / 10) % children.size()];
        r.beganAt = start + i * step;
        r.characters = 1 + int(random() % 10);
        r.settings = settings;
        int seq = 0;
        qint64 at = 0;
        for (int place = 0; place < r.characters; ++place)
            r.catches.append({place, at += 1500, 1500});
        for (int pass = 1; pass <= 2; ++pass) {
            for (int place = 0; place < r.characters; ++place) {
                if (chance(3))
                    r.touches.append({seq++, at += 400, pass, place, TouchKind::Repeat, 0});
                if (chance(3) && place + 1 < r.characters)
                    r.touches.append({seq++, at += 400, pass, place + 1, TouchKind::OutOfOrder, 0});
                r.touches.append({seq++, at += 600, pass, place, TouchKind::Counted, place + 1});
            }
            const bool right = pass == 2 || !chance(20);
            const int card = right ? r.characters : r.characters + (r.characters > 1 ? -1 : 1);
            r.answers.append({seq++, at += 1000, pass, card, right});
            if (right)
                break;
        }
        r.endedAt = r.beganAt + at + 1000;
        writer.write(std::move(r));
        if (i % 1000 == 999)
            writer.flush();
    }
    writer.flush();
    return !failed;
}

struct Figures {
    qint64 median;
    qint64 longest;
};
Figures figures(QList<qint64> ms) {
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.last()};
}
}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: kazoe_bench_record_screen <record.sqlite>\n");
        return 2;
    }
    const QString path = args[1];
    if (!QFile::exists(path) && !makeRecord(path)) {
        QFile::remove(path);
        std::fprintf(stderr, "kazoe_bench_record_screen: could not make %s\n", qPrintable(path));
        return 1;
    }
    ComputerClock clock;
    GameSettings settings;
    RecordStore store(path, clock);
    store.open();
    // The writer's check of the whole file, over before the screen is timed: the screen waits
    // for the rounds on their way, and so for the check that comes first after a start.
    store.flush();
    Children children(store, clock);
    Recorder recorder(clock, settings, {});
    const WhoPlays players(recorder);
    QList<qint64> opening, switching, redrawing;
    for (int i = 0; i < kTries; ++i) {
        RecordScreen screen(store, children, players, clock, [] {});
        QElapsedTimer timer;
        timer.start();
        screen.open();
        screen.grab();
        opening << timer.restart();
        auto* choice = screen.findChild<QComboBox*>(QStringLiteral("childChoice"));
        choice->setCurrentIndex((i + 1) * 7 % choice->count());
        screen.grab();
        switching << timer.restart();
        screen.update();
        screen.grab();
        redrawing << timer.elapsed();
    }
    for (const auto& [name, ms] : {std::pair{"open", opening}, std::pair{"switch", switching},
                                   std::pair{"redraw", redrawing}}) {
        const Figures f = figures(ms);
        std::printf("record_screen_%s_ms %lld (longest %lld)\n", name,
                    static_cast<long long>(f.median), static_cast<long long>(f.longest));
    }
    if (args.size() > 2) {
        RecordScreen screen(store, children, players, clock, [] {});
        screen.open();
        screen.grab().save(args[2] + QStringLiteral("/record-screen.png"));
        setFolderHandlerForTests([&](const QString&) { return args[2]; });
        screen.findChild<QPushButton*>(QStringLiteral("printPdf"))->click();
        setFolderHandlerForTests({});
    }
    return 0;
}
