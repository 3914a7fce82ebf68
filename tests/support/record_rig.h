#pragma once

// A game screen on the fakes whose rounds go into a real record, wired as the program wires it:
// the store, its children, the recorder and who plays. Header-only: its tests link
// kazoe_record and kazoe_test_support.

#include <QDebug>

#include "record/children.h"
#include "record/record_store.h"
#include "record/recorder.h"
#include "record/who_plays.h"
#include "support/game_rig.h"
#include "support/record_support.h"

struct RecordRig {
    // The record at `path`, opened; its clock starts at `startMs` and follows the game's.
    RecordRig(const QString& path, const GameSettings& settings,
              qint64 startMs = FakeClock::kEpoch)
        : rig(settings), clock(&rig.clock, startMs), store(path, clock), children(store, clock) {
        children.removed = [this](qint64 id) { players.childRemoved(id); };
        problems = store.open();
        rig.game.setListener(&recorder);
    }
    // Adds a child (mark "p0.gif") and lets them play; their id, 0 when they were not added.
    qint64 addAndChoose(const QString& name = QStringLiteral("けん")) {
        qint64 id = 0;
        if (children.add(name, QStringLiteral("p0.gif"), &id))
            qWarning() << "not added:" << name;
        players.choose(id);
        return id;
    }

    GameRig rig;
    FakeClock clock;
    RecordStore store;
    Children children;
    // Told of each round as it goes to the writer (おまかせ marks it there in the program).
    std::function<void(RoundRecord& round)> seen;
    Recorder recorder{clock, rig.game.round().settings, [this](RoundRecord&& round) {
                          if (seen)
                              seen(round);
                          store.write(std::move(round));
                      }};
    WhoPlays players{recorder};
    QList<RecordProblem> problems;  // told at open()
    Child child{rig};
};
