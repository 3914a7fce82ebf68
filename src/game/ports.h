#pragma once

#include <QString>

#include <algorithm>
#include <array>
#include <functional>

// What the game screen needs from the world, handed in through its constructor, and what it
// tells the world. The program gives it Qt's timers, audio and image reading; the tests give it
// a simulated clock, scripted randomness and recorded sounds.

// The timed steps of a round. Each is one-shot but for the hop, which repeats while a character
// waits to be caught; a step that has run starts the next one.
enum class Step {
    Hop,            // the character on show jumps to a new place
    IntoTray,       // the caught character goes into the tray
    Question,       // the question is asked and the cards are laid out
    Judge,          // the mark "○" or "×" over the chosen card
    Feedback,       // the sound of the mark, and what follows a wrong answer
    Correction,     // after a touch out of order: back to counting from the left
    NextRound,      // after a right answer: the screen is cleared and a new round begins
    NextCharacter,  // the next character comes on
    NumeralOff,     // a blinking numeral goes again
};
inline constexpr int kStepCount = 9;
inline constexpr std::array<Step, kStepCount> kAllSteps{
    Step::Hop,        Step::IntoTray,  Step::Question,      Step::Judge,     Step::Feedback,
    Step::Correction, Step::NextRound, Step::NextCharacter, Step::NumeralOff};

// Counts time for the game's steps. The game decides when each step is due; the service only
// counts and calls `fired`.
class TimerService {
public:
    virtual ~TimerService() = default;
    // Fires `step` every `intervalMs` from now on, counting anew from now.
    virtual void start(Step step, int intervalMs) = 0;
    virtual void stop(Step step) = 0;
    // Set by the game screen: called with the step each time its time comes.
    std::function<void(Step)> fired;
};

// The game's sounds: the spoken numbers one to ten, then the rest.
enum class Sound {
    One = 1,
    Two,
    Three,
    Four,
    Five,
    Six,
    Seven,
    Eight,
    Nine,
    Ten,
    Hop,            // a character jumps
    IntoTray,       // a caught character goes into the tray
    LetsCount,      // "かぞえよう"
    HowMany,        // "いくつかな"
    HowManyPeople,  // "なんにんかな"
    Right,          // the mark "○"
    Wrong,          // the mark "×", and a touch out of order
    OnceMore,       // "もういちど": back to counting
};
inline constexpr int kSoundCount = 18;
inline constexpr std::array<Sound, kSoundCount> kAllSounds{
    Sound::One,   Sound::Two,      Sound::Three,     Sound::Four,    Sound::Five,
    Sound::Six,   Sound::Seven,    Sound::Eight,     Sound::Nine,    Sound::Ten,
    Sound::Hop,   Sound::IntoTray, Sound::LetsCount, Sound::HowMany, Sound::HowManyPeople,
    Sound::Right, Sound::Wrong,    Sound::OnceMore};

// The spoken number n (1 to 10).
inline Sound numberSound(int n) {
    return static_cast<Sound>(std::clamp(n, 1, 10));
}

// One sound at a time.
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    // Cuts off the sound that plays, then starts `sound` from its start. A sound that cannot be
    // played (its file is missing or broken, there is no audio output) is never "playing".
    virtual void play(Sound sound) = 0;
    virtual bool isPlaying() const = 0;
    // Returns when the sound has ended (at once when nothing plays). Nothing else of the game
    // runs meanwhile: no step, no input.
    virtual void waitForSound() = 0;
    // Cuts off the sound that plays.
    virtual void silence() = 0;
};

// A uniform random number in [0, 1), from a generator the program seeds from the clock.
class RandomSource {
public:
    virtual ~RandomSource() = default;
    virtual double uniform() = 0;
};

// The pictures of the ten characters. The game names the file each time a character is placed;
// the picture is read from disk anew every time. A file that cannot be read shows a neutral
// placeholder of the same size.
class CharacterPictures {
public:
    virtual ~CharacterPictures() = default;
    virtual void load(int index, const QString& path) = 0;
};

// The screens the adult's keys open over the game (see GameKey for which key opens which).
enum class AdultScreen {
    Settings,   // H: how the game plays
    Selection,  // N: which pictures take part
    Voice,      // V: the family's own voice
    Children,   // C: the children whose rounds are recorded
    WhoPlays,   // W: "だれがあそぶ？", the child who plays next
    Record,     // K: "きろく", each child's progress
};

// What the game screen asks of the program around it.
class GameHost {
public:
    virtual ~GameHost() = default;
    virtual void endProgram() = 0;  // Esc
    // The round has been stopped; the game comes back with a fresh round when the screen is
    // left (activate()).
    virtual void showScreen(AdultScreen screen) = 0;
};

// What happens in a round, told as it happens. Indices are the characters' places in the tray
// (0 at the left); numbers are what the child hears. Every call has a default that does nothing.
class RoundListener {
public:
    virtual ~RoundListener() = default;
    virtual void roundBegan(int characterCount) { (void)characterCount; }
    // A character came on to be caught: the first as the round begins, each next one after the
    // one before went into the tray.
    virtual void characterShown(int index) { (void)index; }
    // The character on show was caught; it goes into the tray.
    virtual void characterCaught(int index) { (void)index; }
    // A touch while counting: counted (the number `number` was said); out of order (ahead of the
    // next one to count: the counting way corrects it or lets it pass); a repeat of one already
    // counted; or ignored (the counting way takes no touch now). A touch that is not counted is
    // told once: not again while the pointer stays on the same character, until a touch counts
    // or counting starts again from the left.
    virtual void touchCounted(int index, int number) { (void)index, (void)number; }
    virtual void touchOutOfOrder(int index) { (void)index; }
    virtual void touchRepeated(int index) { (void)index; }
    virtual void touchIgnored(int index) { (void)index; }
    virtual void questionAsked() {}
    // The child chose the card `number`; `right` when it is the number of characters.
    virtual void cardChosen(int number, bool right) { (void)number, (void)right; }
    // The round is over: answered right, or cut short (Esc, H, N).
    virtual void roundEnded(bool cutShort) { (void)cutShort; }
};
