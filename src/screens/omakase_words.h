#pragma once

#include <QString>

#include "coach/round_chooser.h"

// The words the adult reads about おまかせ: the counting ways by their names on the settings
// screen, why the game chose a round, the frontier, and the settings screen's line.
namespace OmakaseWords {

// "どこからでもＯＫ" ... "かぞえ無し", by CountWay value.
QString countWayName(int countWay);
// The counting way that practises a kind of mistake, as the report advises it.
QString practiceName(Mistake::Kind kind);
// Why the round has its number, in one short sentence ending in "ので".
QString reason(const Omakase::Choice& choice);
// The frontier: "4" or, with every number mastered, "10 まですべて".
QString frontierName(int frontier);
// The frontier now and its change since `before` (30 days ago; 0 when the child had not played).
QString frontierLine(int now, int before);
// The settings screen's line for `child` on おまかせ.
QString settingsLine(const QString& child);

}  // namespace OmakaseWords
