#pragma once

#include <QString>

#include <functional>

// What the game screen needs from the world, handed in through its constructor. The program
// gives it Qt's timers, audio and image reading; the tests give it a simulated clock, scripted
// randomness and recorded sounds.

// The game screen's nine one-shot timers Timer1..Timer9 (numbered 1 to 9). The game decides
// when each is enabled; the service only counts time and calls `fired`.
class TimerService {
public:
    virtual ~TimerService() = default;
    // Fires timer `id` every `intervalMs` from now on, counting anew from now.
    virtual void start(int id, int intervalMs) = 0;
    virtual void stop(int id) = 0;
    // Set by the game screen: called with the timer's number each time it fires.
    std::function<void(int id)> fired;
};

// One sound at a time, played from a file in the current folder.
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    // Cuts off the sound that plays, then starts `fileName` (e.g. "ピコ.wav") from its start.
    // A missing or unplayable file plays nothing and is never "playing".
    virtual void play(const QString& fileName) = 0;
    virtual bool isPlaying() const = 0;
    // Returns when the sound has ended (at once when nothing plays). Nothing else of the game
    // runs meanwhile: no timer step, no input.
    virtual void waitForSound() = 0;
    // Cuts off the sound that plays.
    virtual void silence() = 0;
};

// A uniform random number in [0, 1), from a generator the program seeds from the clock.
class RandomSource {
public:
    virtual ~RandomSource() = default;
    virtual double Rnd() = 0;
};

// The pictures of the characters Image1(0..9). The game names the file each time a character
// is placed; the picture is read from disk anew every time. A file that cannot be read shows a
// neutral placeholder of the same size.
class CharacterPictures {
public:
    virtual ~CharacterPictures() = default;
    virtual void load(int index, const QString& path) = 0;
};

// What the game screen asks of the program around it.
class GameHost {
public:
    virtual ~GameHost() = default;
    virtual void endProgram() = 0;           // Esc
    virtual void showSettingsScreen() = 0;   // H
    virtual void showSelectionScreen() = 0;  // N
};
