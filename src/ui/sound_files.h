#pragma once

#include <QString>

#include "game/ports.h"

// The file each of the game's sounds plays from: "1.wav" to "10.wav" for the numbers, and the
// others by their Japanese names ("ポコン.wav", "ピコ.wav", ...). A teacher may replace any of
// them in the folder the game runs in.
QString soundFileName(Sound sound);

// Whether `sound` is one of the fourteen spoken words (the numbers, かぞえよう, ぜんぶでいくつかな,
// ぜんぶでなんにんかな, もういちど), the only sounds the family may record in its own voice.
bool isSpokenWord(Sound sound);

// Where the game's own sound file `name` (or the invisible pointer, "Clear.ico") is read from:
// the folder the game runs in when it holds that file, else the one the game was installed with,
// beside the program. `name` itself when none has it (a missing sound stays silent). The family's
// recordings (state/family_voice.h) come before it, chosen by the sound player.
QString findSoundFile(const QString& name);
