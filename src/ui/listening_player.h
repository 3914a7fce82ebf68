#pragma once

#include <QString>

#include "game/ports.h"

// What the voice screen needs of a sound player to let the adult listen: a word as the game says
// it now, a sound file (a recording not kept yet), cutting off what plays, and whether anything
// plays. The game's own player is one (ui/sound_player.h).
class ListeningPlayer {
public:
    virtual ~ListeningPlayer() = default;
    // The family's recording of the word where the game takes one, else the game's own sound.
    virtual void play(Sound sound) = 0;
    virtual void playFile(const QString& path) = 0;
    virtual void silence() = 0;
    virtual bool isPlaying() const = 0;
};
