#include "coach/mistake_kinds.h"

#include "state/game_settings.h"

namespace Mistake {

Practice practiceFor(Kind kind) {
    switch (kind) {
        case OneToOne:
        case OffByOne:
            // A wrong touch starts the count again: each character gets exactly one number.
            return {CountWay::FromLeftCorrected};
        case Order:
            // The numeral shown a moment on each character marks where the count has come.
            return {CountWay::FromLeftBlinking};
        case CountedRightAnsweredWrong:
            // The count itself needs no help: counting calmly from the left, the last number
            // heard is the one to find on the cards.
            return {CountWay::FromLeft};
        case AnsweredWithoutCounting:
            // Guessing first, then counting with the numerals shown.
            return {CountWay::FromLeftBlinking, CountWay::NoCounting};
    }
    return {CountWay::FromLeft};
}

bool counts(Kind kind, int characters) {
    return kind != AnsweredWithoutCounting || characters > kAtAGlance;
}

}  // namespace Mistake
