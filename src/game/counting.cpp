// Catching the characters and counting them in the tray: a touch on a character, the steps that
// follow it (into the tray, the correction, the blinking numeral) and the large message in the
// middle of the screen.

#include "game/basic_math.h"
#include "game/game_screen.h"

namespace {
enum class CountOutcome {
    Drop,    // nothing happens
    Count,   // the next number is said and laid on the character
    Error,   // ahead of the next: the number is said, and a correction follows
    Repeat,  // one already counted: the number is said again, nothing else
};

// What a touch on character `index` does while counting, when `next` characters have been
// counted so far.
CountOutcome countOutcome(int countWay, int index, int next, int wrongAnswers) {
    switch (countWay) {
        case CountWay::AnyOrder:
            return CountOutcome::Count;
        case CountWay::FromLeftCorrected:
            if (index == next)
                return CountOutcome::Count;
            return index > next ? CountOutcome::Error : CountOutcome::Repeat;
        case CountWay::NoCounting:
            // The child counts only after the second wrong answer of the round.
            return (index == next && wrongAnswers >= 2) ? CountOutcome::Count : CountOutcome::Drop;
        case CountWay::FromLeft:
        case CountWay::FromLeftBlinking:
        default:
            return index == next ? CountOutcome::Count : CountOutcome::Drop;
    }
}
}  // namespace

void GameScreen::touchCharacter(int index) {
    EntryScope scope(*this);
    if (index < 0 || index >= GameScreenModel::kPlaces || m_phase == Phase::Stopped)
        return;
    // Touches while a sound plays, after the last count, while a correction is pending or while a
    // blinking numeral is still shown are lost, not queued.
    if (m_sound.isPlaying() || m_round.current == m_round.characterCount ||
        stepPending(Step::Correction) || stepPending(Step::NumeralOff)) {
        return;
    }
    if (m_phase == Phase::Catching) {
        // Only the character on show can be caught; those in the tray are done.
        if (index == m_round.current)
            catchCharacter();
        return;
    }
    countTouch(index);
}

void GameScreen::catchCharacter() {
    const int current = m_round.current;
    cancel(Step::Hop);
    Control& numeral = m_model.numerals[current];
    numeral.top = m_model.characters[current].top;
    numeral.left = m_model.characters[current].left;
    numeral.visible = true;
    schedule(Step::IntoTray);
    play(numberSound(current + 1));
    if (m_listener)
        m_listener->characterCaught(current);
}

void GameScreen::countTouch(int index) {
    const int k = m_round.current;
    const int way = m_round.settings.countWay;
    const CountOutcome outcome = countOutcome(way, index, k, m_round.wrongAnswers);
    if (outcome == CountOutcome::Drop) {
        // Without counting, the child is asked to count only after the second wrong answer.
        const bool countingAsked = way != CountWay::NoCounting || m_round.wrongAnswers >= 2;
        if (!countingAsked)
            reportUncounted(index, &RoundListener::touchIgnored);
        else
            reportUncounted(
                index, index > k ? &RoundListener::touchOutOfOrder : &RoundListener::touchRepeated);
        return;
    }

    play(numberSound(k + 1));
    m_model.message.visible = false;
    // The numeral is always the ordinal of this touch, laid over the touched character.
    Control& numeral = m_model.numerals[k];
    numeral.top = m_model.characters[index].top;
    numeral.left = m_model.characters[index].left;
    numeral.visible = true;

    switch (outcome) {
        case CountOutcome::Count:
            m_round.current = k + 1;
            m_lastUncounted = -1;
            if (m_listener)
                m_listener->touchCounted(index, k + 1);
            if (m_round.current == m_round.characterCount)
                schedule(Step::Question);
            if (way == CountWay::FromLeftBlinking || way == CountWay::NoCounting)
                schedule(Step::NumeralOff);
            break;
        case CountOutcome::Error:
            schedule(Step::Correction);
            reportUncounted(index, &RoundListener::touchOutOfOrder);
            break;
        case CountOutcome::Repeat:
            reportUncounted(index, &RoundListener::touchRepeated);
            break;
        case CountOutcome::Drop:
            break;
    }
}

// A touch that did not count is told once: the pointer resting on one character sends many.
void GameScreen::reportUncounted(int index, void (RoundListener::*what)(int)) {
    if (index == m_lastUncounted)
        return;
    m_lastUncounted = index;
    if (m_listener)
        (m_listener->*what)(index);
}

// The caught character goes into the tray; the next one comes, or counting begins.
void GameScreen::intoTray() {
    const int current = m_round.current;
    m_model.numerals[current].visible = false;
    play(Sound::IntoTray);
    Control& character = m_model.characters[current];
    character.top = m_round.rowTop;
    character.left = m_round.rowLeft;
    m_round.rowLeft += m_round.cellSize;
    ++m_round.current;
    if (m_round.current < m_round.characterCount) {
        schedule(Step::NextCharacter);
        return;
    }

    // Every character stands in the tray.
    m_sound.waitForSound();
    m_phase = Phase::Counting;
    if (m_round.settings.countWay == CountWay::NoCounting) {
        // No counting: the question follows, and every touch meanwhile is lost because `current`
        // stays at the number of characters.
        schedule(Step::Question);
        return;
    }
    showMessage(GameText::LetsCount);
    play(Sound::LetsCount);
    m_round.current = 0;
}

void GameScreen::numeralOff() {
    if (m_round.current >= 1)
        m_model.numerals[m_round.current - 1].visible = false;
}

// After a touch out of order: "×" sound, and counting starts again from the left.
void GameScreen::correction() {
    play(Sound::Wrong);
    m_sound.waitForSound();
    showMessage(GameText::LetsCount);
    play(Sound::OnceMore);
    // The numerals counted so far and the one the wrong touch laid on a later character.
    for (int i = 0; i <= m_round.current && i < GameScreenModel::kPlaces; ++i) {
        m_model.numerals[i].visible = false;
    }
    m_round.current = 0;
    m_lastUncounted = -1;
}

// The message, large, centred in a line across the middle of the screen: one cell per character
// and one cell of margin in all.
void GameScreen::showMessage(const QString& text) {
    TextControl& line = m_model.message;
    const int length = int(text.size());
    const std::int32_t cell = floorToInt(m_model.width / double(length + 1));
    line.height = cell;
    line.width = length * cell;
    line.top = floorToInt((m_model.height - cell) / 2.0);
    line.left = floorToInt((m_model.width - line.width) / 2.0);
    line.caption = text;
    line.fontSize = floorToInt(cell / 20.5);
    line.visible = true;
}
