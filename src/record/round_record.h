#pragma once

#include <QList>
#include <QString>

#include <optional>

#include "coach/round_chooser.h"
#include "state/clock.h"
#include "state/game_settings.h"

// One round as the record keeps it, built while the round is played and written in one piece
// when it ends. Times within the round are milliseconds since it began.

// How the game took a touch while counting (see RoundListener).
enum class TouchKind {
    Counted,     // the next number was said
    OutOfOrder,  // ahead of the next character to count
    Repeat,      // a character already counted
    Ignored,     // the counting way took no touch then (counting way 4 before counting is asked)
};

struct RoundRecord {
    struct Catch {
        int place = 0;      // the character's place in the tray, 0 at the left
        qint64 atMs = 0;    // when it was caught
        qint64 tookMs = 0;  // from coming on to being caught
    };
    struct Touch {
        int seq = 0;  // order among the round's touches and answers, from 0
        qint64 atMs = 0;
        int pass = 1;  // the try this counting leads to: 1, then 2 after a wrong answer, ...
        int place = 0;
        TouchKind kind = TouchKind::Counted;
        int number = 0;  // the number said, for a counted touch; else 0
    };
    struct Answer {
        int seq = 0;
        qint64 atMs = 0;
        int attempt = 1;  // 1 for the first card chosen in the round
        int card = 0;     // the number on the card
        bool right = false;
    };

    qint64 childId = 0;
    qint64 beganAt = 0;  // milliseconds since 1970-01-01 UTC
    qint64 endedAt = 0;
    bool cutShort = false;  // Esc, H, N or another adult key stopped it
    int characters = 0;
    GameSettings settings;  // the settings in force
    // おまかせ: what the game chose for the round and why; none for the adult's settings.
    std::optional<Omakase::Choice> chosen;
    QList<Catch> catches;
    QList<Touch> touches;
    QList<Answer> answers;
};



// The kinds of mistake of a round as the view round_mistakes will count them once the round is
// written (docs/record.md): おまかせ reads the round just played without waiting for the writer.
RoundMistakes mistakesOf(const RoundRecord& round);
