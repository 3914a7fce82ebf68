#pragma once

#include <QString>

#include "game/ports.h"

// The file each of the game's sounds plays from: "1.wav" to "10.wav" for the numbers, and the
// others by their Japanese names ("ポコン.wav", "ピコ.wav", ...). A teacher may replace any of
// them in the folder the game runs in.
QString soundFileName(Sound sound);

// Where the sound file `name` (or the invisible pointer, "Clear.ico") is read from: the family's
// own recording of it (state/family_voice.h) when there is one, else the folder the game runs in
// when it holds that file, else the one the game was installed with, beside the program. `name`
// itself when none has it (a missing sound stays silent).
QString findSoundFile(const QString& name);
